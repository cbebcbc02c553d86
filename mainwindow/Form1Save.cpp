#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "storage/Logbook.h"
#include "storage/RecordFields.h"

#include <QComboBox>
#include <QLabel>

using namespace storage;

namespace {

// Setting a text lays it out again; a contest pace of saves need not pay for fields
// that already show what they should.
void clearField(QLineEdit *field)
{
    if (!field->text().isEmpty())
        field->clear();
}

void showInList(QComboBox *list, const QString &text)
{
    if (list->currentText() != text)
        list->setEditText(text);
}

} // namespace

bool Form1::noLogbookOpen()
{
    if (!logPath.isEmpty())
        return false;
    m_platform.showError(msg::noLogbook());
    return true;
}

// The one way a contact reaches the logbook: as record qsoCount + 1, under the lock,
// forced to the disk. Until it is there nothing in the window changes.
Form1::Saved Form1::saveAsNext(QsoRecord &record, const QString &notSaved, QString *whyNot)
{
    const auto tell = [&](const QString &text) {
        if (whyNot)
            *whyNot = text;
        else
            m_platform.showError(text);
    };
    if (!m_session.nextNumber()) {
        tell(notSaved + QStringLiteral("\n\n") + msg::logbookFull(logPath));
        return Saved::No;
    }
    // A save nobody waits for (a contact from WSJT-X) never waits for another station's
    // lock on the window's thread: it is tried again later.
    const auto written = whyNot ? m_session.saveAsNext(record, 0) : m_session.saveAsNext(record);
    if (!written) {
        QString what = notSaved;
        switch (written.error().kind) {
        case StorageError::Kind::RecordExists:
        case StorageError::Kind::RecordsMissing:
            what += QStringLiteral(" Open the logbook again from the File menu, so that its "
                                   "contacts are counted anew, then save again.");
            break;
        case StorageError::Kind::Locked:
            what += QStringLiteral(" Save again in a moment.");
            break;
        default:
            break;
        }
        tell(msg::failure(what, written.error()));
        return Saved::No;
    }
    const auto next = m_session.nextNumber();
    if (next) {
        Text1->setText(QString::number(*next));
        exchangeSent = exchangeFor(*next);
    }
    Q_EMIT logbookChanged();
    return next ? Saved::Yes : Saved::YesAndFull;
}

void Form1::followExchange(const QString &offered)
{
    // A sent field still holding the exchange it was offered moves on with the number: the
    // serial it held now belongs to a contact saved meanwhile (another program's, an import).
    if (contestMode() && !offered.isEmpty() && offered != exchangeSent
        && fieldText(QsoRecord::Sent) == offered)
        setFieldText(QsoRecord::Sent, exchangeSent);
}

void Form1::sQSO()
{
    // Nothing is written and the fields keep what was typed unless the record reaches the disk.
    if (noLogbookOpen())
        return;
    // A contact without a call sign would use up a serial number for nothing.
    if (Text2->text().trimmed().isEmpty()) {
        m_platform.showError(QStringLiteral("Type the call sign first: a contact without a call "
                                            "sign is not saved."));
        // The box says what to type and where: the next keys belong in the call field.
        Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    replaceRecalled();
    for (const RecordField &f : RecordFields)
        m_session.curQso.setField(f.field, fieldText(f.field));

    const Saved saved = saveAsNext(m_session.curQso, QStringLiteral("The contact was not saved."));
    if (saved == Saved::No)
        return;
    forgetEntryState();
    Label7->clear();
    if (saved == Saved::YesAndFull) {
        m_platform.showError(QStringLiteral("Contact %1 was saved.\n\n").arg(m_session.qsoCount)
                             + msg::logbookFull(logPath));
        return;
    }

    if (mnuClear->isChecked()) {
        clearField(Text2);
        clearField(Text3);
        clearField(Text4);
        clearField(Text5);
        showInList(Combo1, defBand);
        showInList(Combo2, defMode);
        clearField(Text7);
        clearField(Text8);
        Text2->setFocus(Qt::OtherFocusReason);
    }
}

std::optional<qint16> Form1::saveContact(QsoRecord record, const QString &what, QString *whyNot)
{
    const QString notSaved = QStringLiteral("%1 was not saved.").arg(what);
    if (logPath.isEmpty()) {
        const QString text = notSaved + QStringLiteral("\n\n") + msg::noLogbook();
        if (whyNot)
            *whyNot = text;
        else
            m_platform.showError(text);
        return std::nullopt;
    }
    if (const auto number = m_session.nextNumber())
        record.setField(QsoRecord::Number, QString::number(*number));
    const QString offered = exchangeSent;
    const Saved saved = saveAsNext(record, notSaved, whyNot);
    if (saved == Saved::No)
        return std::nullopt;
    followExchange(offered);
    // The next contact will be told it does not fit; this one is saved.
    if (saved == Saved::YesAndFull && !whyNot)
        m_platform.showError(QStringLiteral("Contact %1 was saved.\n\n").arg(m_session.qsoCount)
                             + msg::logbookFull(logPath));
    return m_session.qsoCount;
}
