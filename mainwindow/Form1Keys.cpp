#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "mainwindow/StationLine.h"
#include "mainwindow/UtcOffset.h"
#include "platform/Keys.h"
#include "radio/Stamp.h"
#include "storage/Logbook.h"
#include "storage/RecordFields.h"
#include "storage/TextCodec.h"

#include <QComboBox>
#include <QLabel>
#include <QPalette>

#include <cmath>

using namespace storage;

namespace {

// A returning window (after another program or a closed box or menu) is no arrival:
// repeating the fill then would wipe what the operator typed.
bool countsAsArrival(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool isExtraKey(int keyCode)
{
    return keyCode == Vk::F2 || keyCode == Vk::F3 || (keyCode >= Vk::F8 && keyCode <= Vk::F11);
}

} // namespace

void Form1::keyDown(QObject *control, int keyCode)
{
    if (isExtraKey(keyCode)) {
        Q_EMIT extraKey(keyCode);
        return;
    }
    if (control == Combo1 || control == Combo2) {
        if (keyCode == Vk::F1)
            sQSO();
    } else if (control == Text2) {
        text2KeyDown(keyCode);
    } else if (control == Text3) {
        text3KeyDown(keyCode);
    } else if (auto *field = qobject_cast<EntryField *>(control)) {
        fieldKeyDown(field, keyCode);
    }
}

void Form1::text2KeyDown(int keyCode)
{
    switch (keyCode) {
    case Vk::Enter:
        checkDuplicate();
        break;
    case Vk::F4:
        m_platform.setClipboardText(Text2->text());
        break;
    default:
        fieldKeyDown(Text2, keyCode);
        break;
    }
}

void Form1::text3KeyDown(int keyCode)
{
    // The stamp comes first, whatever the key: an empty offset becomes "0" here.
    const std::optional<QString> stamp = dateStamp();
    if (keyCode == Vk::F5) {
        if (stamp) {
            Text3->setText(*stamp);
            Text3->placeCaret(int(stamp->size()));
        }
        return;
    }
    fieldKeyDown(Text3, keyCode);
}

void Form1::fieldKeyDown(EntryField *field, int keyCode)
{
    switch (keyCode) {
    case Vk::F1:
        sQSO();
        break;
    case Vk::F12:
        clearEntry();
        break;
    case Vk::PageUp:
    case Vk::PageDown:
        if (EntryField *target = ringNeighbour(field, keyCode == Vk::PageUp))
            target->setFocus(Qt::OtherFocusReason);
        break;
    case Vk::F6:
        if (field == Text4) {
            Text4->setText(defRecv);
            Text4->placeCaret(int(defRecv.size()));
        }
        break;
    case Vk::F7:
        if (field == Text5) {
            Text5->setText(defSent);
            Text5->placeCaret(int(defSent.size()));
        }
        break;
    default:
        break;
    }
}

EntryField *Form1::ringNeighbour(EntryField *field, bool forward) const
{
    const bool contest = mnuContest->isChecked();
    if (forward) {
        if (field == Text1) return Text2;
        if (field == Text2) return Text3;
        if (field == Text3) return Text4;
        if (field == Text4) return Text5;
        if (field == Text5) return contest ? Text1 : Text7;
        if (field == Text7) return Text8;
        if (field == Text8) return Text1;
    } else {
        if (field == Text1) return contest ? Text5 : Text8;
        if (field == Text2) return Text1;
        if (field == Text3) return Text2;
        if (field == Text4) return Text3;
        if (field == Text5) return Text4;
        if (field == Text7) return Text5;
        if (field == Text8) return Text7;
    }
    return nullptr;
}

void Form1::clearEntry()
{
    forgetEntryState();
    Text2->clear();
    Text3->clear();
    Text4->clear();
    Text5->clear();
    Text7->clear();
    Text8->clear();
    Text2->setFocus(Qt::OtherFocusReason);
}

void Form1::checkDuplicate()
{
    if (noLogbookOpen())
        return;
    std::optional<qint64> earlier;
    if (m_dupePerBandAndMode->isChecked()) {
        // Only this call on this band and mode is a duplicate; the same call elsewhere
        // is a new contact. Spaces typed around the call match nothing, as below.
        const QString call = Text2->text();
        QString problem;
        const qint64 number = call == call.trimmed()
                ? m_station->firstOnBandAndMode(call, Combo1->currentText(), Combo2->currentText(),
                                                m_session.curQso, problem)
                : 0;
        if (!problem.isEmpty()) {
            m_platform.showError(QStringLiteral("The logbook could not be searched for this call "
                                                "sign.\n\nFile: %1\nReason: %2")
                                         .arg(msg::nativePath(logPath), problem));
            return;
        }
        if (number > 0)
            earlier = number;
    } else {
        const auto found = m_session.checkDuplicate(Text2->text());
        if (!found) {
            m_platform.showError(msg::failure(
                    QStringLiteral("The logbook could not be searched for this call sign."),
                    found.error()));
            return;
        }
        earlier = found.value();
    }
    if (!earlier) {
        Label7->setText(QStringLiteral("GOOD ONE!!!"));
        return;
    }

    Label7->clear();
    for (const RecordField &f : RecordFields) {
        // Only the call sign is shown without the spaces that fill its field.
        setFieldText(f.field, f.field == QsoRecord::Call
                                      ? fromDisk(trimSpaces(m_session.curQso.fieldBytes(QsoRecord::Call)))
                                      : m_session.curQso.field(f.field));
    }

    m_platform.messageBox(QStringLiteral("Duplicate!!!"), QStringLiteral("vantel"), MsgBox::OkOnly);

    Combo1->setEditText(defBand);
    Combo2->setEditText(defMode);
    if (mnuContest->isChecked())
        Text2->clear();
    // The earlier contact's date/time and reports stay in sight, but they are that
    // contact's: a save does not pass them off as this one's unless they were edited.
    forgetEntryState();
    for (const QsoRecord::Field field : { QsoRecord::DateTime, QsoRecord::Recv, QsoRecord::Sent })
        m_recalled[field] = fieldText(field);
    // A full logbook was told when it was taken into use: the number stays empty.
    const auto next = m_session.nextNumber();
    Text1->setText(next ? QString::number(*next) : QString());
}

void Form1::scheduleDuplicateMark()
{
    // After a save the fields are cleared first: a mark taken in between would read the
    // logbook for a call that is about to go.
    if (m_markPending)
        return;
    m_markPending = true;
    QMetaObject::invokeMethod(
            this,
            [this] {
                m_markPending = false;
                updateDuplicateMark();
            },
            Qt::QueuedConnection);
}

void Form1::updateDuplicateMark()
{
    // One read of the logbook a key, as Enter reads it: another program may have added
    // the call since the last key. A logbook that cannot be read marks nothing; Enter
    // is where the operator hears why.
    qint64 earlier = 0;
    const QString call = Text2->text();
    if (!logPath.isEmpty() && !call.trimmed().isEmpty()) {
        const auto found = m_session.findCall(call);
        if (found && found.value())
            earlier = *found.value();
    }
    m_duplicateOf = earlier;
    // The station line follows the same key and tells the mark what the call is.
    if (m_station)
        m_station->refresh();
    showMark();
}

void Form1::showMark()
{
    StationLine::Mark mark;
    if (m_station && m_station->isLoaded())
        mark = m_station->mark();
    else if (m_duplicateOf)
        mark = { QColor(255, 196, 160), QStringLiteral("Already in the logbook as contact %1").arg(m_duplicateOf) };
    if (Text2->toolTip() == mark.text && Text2->palette().color(QPalette::Base)
                == (mark.colour.isValid() ? mark.colour : QPalette().color(QPalette::Base)))
        return;
    QPalette palette = Text2->palette();
    palette.setColor(QPalette::Base, mark.colour.isValid() ? mark.colour : QPalette().color(QPalette::Base));
    palette.setColor(QPalette::Text, mark.colour.isValid() ? QColor(Qt::black) : QPalette().color(QPalette::Text));
    Text2->setPalette(palette);
    Text2->setToolTip(mark.text);
    Text2->setAccessibleDescription(mark.text);
}

QString Form1::sentFill() const
{
    // The serial belongs to the contest exchange; a ragchew sends the report alone.
    return mnuContest->isChecked() ? exchangeSent : defSent;
}

std::optional<QString> Form1::dateStamp()
{
    if (utcOffset.isEmpty())
        utcOffset = QStringLiteral("0");
    const std::optional<double> hours = parseUtcHours(utcOffset);
    if (!hours || std::abs(*hours) > MaxUtcHours) {
        if (!m_badOffsetReported) {
            m_badOffsetReported = true;
            m_platform.showError(
                    QStringLiteral("The UTC offset \"%1\" is not a number of hours from -24 to "
                                   "24, so the date and time cannot be filled in.\n\nSet it with "
                                   "Setup, UTC offset.")
                            .arg(utcOffset));
        }
        return std::nullopt;
    }
    // Wall-clock arithmetic: the day rolls over at midnight, whatever the local
    // daylight-saving rules say.
    const QDateTime local = m_platform.now();
    const QDateTime wall(local.date(), local.time(), Qt::UTC);
    const QDateTime stamped = wall.addSecs(qRound64(*hours * 3600.0));
    return radio::stampText(stamped);
}

void Form1::text3GotFocus(Qt::FocusReason reason)
{
    if (!countsAsArrival(reason))
        return;
    const std::optional<QString> stamp = dateStamp();
    if (!mnuReal->isChecked() || !stamp)
        return;
    // What the operator took from fldigi with F3 stays: it is what was heard.
    if (!keepsTaken(QsoRecord::DateTime))
        Text3->setText(*stamp);
    if (!keepsTaken(QsoRecord::Sent))
        Text5->setText(sentFill());
    fillBandAndMode();
    Text3->placeCaret(int(Text3->text().size()));
}

bool Form1::keepsTaken(QsoRecord::Field field) const
{
    return m_taken[field] && fieldText(QsoRecord::Call) == m_takenFor
            && fieldText(field) == *m_taken[field];
}

std::optional<QString> Form1::arrivalFill(QsoRecord::Field field)
{
    switch (field) {
    case QsoRecord::DateTime:
        return dateStamp();
    case QsoRecord::Recv:
        return defRecv;
    case QsoRecord::Sent:
        return sentFill();
    default:
        return std::nullopt;
    }
}

void Form1::takeAsTyped(const std::array<QString, QsoRecord::FieldCount> &texts)
{
    // What the duplicate check brought back and F3 leaves alone stays the earlier
    // contact's: F1 still puts this contact's own time and reports in its place.
    m_taken = {};
    for (const RecordField &f : RecordFields) {
        const QString &text = texts[f.field];
        if (text.isEmpty())
            continue;
        if (fieldText(f.field) != text)
            setFieldText(f.field, text);
        m_taken[f.field] = text;
    }
    // Typed by hand, Tab would have filled these on the way; F1 straight after F3 must
    // not save a contact without its time or exchange.
    if (mnuReal->isChecked()) {
        for (const QsoRecord::Field field : { QsoRecord::DateTime, QsoRecord::Recv, QsoRecord::Sent }) {
            if (!fieldText(field).isEmpty())
                continue;
            if (const std::optional<QString> fill = arrivalFill(field)) {
                setFieldText(field, *fill);
                m_taken[field] = *fill;
            }
        }
    }
    m_takenFor = fieldText(QsoRecord::Call);
}

void Form1::replaceRecalled()
{
    if (!mnuReal->isChecked())
        return;
    for (const QsoRecord::Field field : { QsoRecord::DateTime, QsoRecord::Recv, QsoRecord::Sent }) {
        if (!m_recalled[field] || fieldText(field) != *m_recalled[field])
            continue;
        if (const std::optional<QString> fill = arrivalFill(field))
            setFieldText(field, *fill);
    }
}

void Form1::forgetEntryState()
{
    m_taken = {};
    m_takenFor.clear();
    m_recalled = {};
}

void Form1::setBandModeSource(std::function<BandMode()> source)
{
    m_bandModeSource = std::move(source);
}

void Form1::fillBandAndMode()
{
    const BandMode from = m_bandModeSource ? m_bandModeSource() : BandMode {};
    if (!keepsTaken(QsoRecord::Band))
        Combo1->setEditText(from.band.value_or(defBand));
    if (!keepsTaken(QsoRecord::Mode))
        Combo2->setEditText(from.mode.value_or(defMode));
}

void Form1::text4GotFocus(Qt::FocusReason reason)
{
    if (!countsAsArrival(reason) || !mnuReal->isChecked())
        return;
    if (!keepsTaken(QsoRecord::Recv))
        Text4->setText(defRecv);
    Text4->placeCaret(int(Text4->text().size()));
}

void Form1::text5GotFocus(Qt::FocusReason reason)
{
    if (!countsAsArrival(reason) || !mnuReal->isChecked())
        return;
    if (keepsTaken(QsoRecord::Sent)) {
        Text5->placeCaret(int(Text5->text().size()));
        return;
    }
    const QString sent = sentFill();
    Text5->setText(sent);
    Text5->placeCaret(int(std::min(defSent.size(), sent.size())));
}
