#include "mainwindow/LinksController.h"

#include "formats/PlainText.h"
#include "links/FieldText.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "links/FldigiClient.h"
#include "links/RigPoller.h"
#include "links/WsjtxListener.h"
#include "mainwindow/ConnectionsDialog.h"
#include "mainwindow/Form1.h"
#include "platform/Counted.h"
#include "platform/Keys.h"
#include "storage/SharedState.h"
#include "storage/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QMenu>

using storage::QsoRecord;

LinksController::LinksController(Form1 &form)
    : QObject(&form),
      m_form(form),
      m_path(QDir::current().absoluteFilePath(links::LinkSettings::fileName())),
      m_spool(QDir::current().absoluteFilePath(spoolFileName()))
{
    setObjectName(QStringLiteral("links"));
    m_rigRow = form.addStatusRow(QStringLiteral("rigStatus"), QStringLiteral("Rig"));
    m_connections = form.mnuTools->addAction(QStringLiteral("&Connections..."));
    m_connections->setObjectName(QStringLiteral("mnuConnections"));
    // No shortcut: a menu shortcut would swallow F3 before the field's handler sees it.
    m_take = form.mnuTools->addAction(QStringLiteral("&Take from fldigi or the rig\tF3"));
    m_take->setObjectName(QStringLiteral("mnuTake"));
    connect(m_connections, &QAction::triggered, this, &LinksController::openConnections);
    connect(m_take, &QAction::triggered, this, [this] { extraKey(Vk::F3); });
    connect(&form, &Form1::extraKey, this, &LinksController::extraKey);
    // A contact kept back by another station's lock is tried again; nothing else would
    // tell us that the lock is gone.
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &LinksController::saveWaiting);
    // A contact that waits for the logbook is saved once the logbook can take it.
    connect(&form, &Form1::logbookChanged, this, [this] {
        // A word about an F3 that failed belongs to that contact, not to the next one.
        clearFldigiNote();
        if (!m_toSave.isEmpty())
            scheduleSaving();
    });

    const links::LoadedLinkSettings loaded = links::loadLinkSettings(m_path);
    m_settings = loaded.settings;
    if (!loaded.problems.isEmpty())
        form.platform().showError(QStringLiteral("%1:\n\n%2")
                                          .arg(QDir::toNativeSeparators(m_path),
                                               loaded.problems.join(QLatin1Char('\n'))));
    apply();
    restoreSpooled();
}

void LinksController::apply()
{
    delete m_fldigi;
    m_fldigi = nullptr;
    delete m_rig;
    m_rig = nullptr;
    delete m_wsjtx;
    m_wsjtx = nullptr;
    m_wsjtxProblem.clear();

    if (m_settings.fldigi.enabled)
        m_fldigi = new links::FldigiClient(m_settings.fldigi.host, m_settings.fldigi.port, this);
    if (m_settings.rig.enabled)
        m_rig = new links::RigPoller(m_settings.rig.host, m_settings.rig.port, this);
    m_rigLast.clear();
    m_rigAnsweredAt = {};
    m_form.showStatusRow(m_rigRow, m_rig != nullptr);
    if (m_rig) {
        // The rig first, then the defaults (what F3 took from fldigi the window keeps).
        m_form.setBandModeSource([this] {
            Form1::BandMode from;
            if (const auto reading = m_rig->fresh()) {
                if (reading->frequencyHz)
                    from.band = radio::bandTextForFrequency(double(*reading->frequencyHz));
                if (reading->mode)
                    from.mode = radio::modeTextForRig(*reading->mode);
            }
            return from;
        });
        m_rigAnsweredAt = m_form.platform().now();
        connect(m_rig, &links::RigPoller::answered, this, [this](const links::RigReading &reading) {
            m_rigLast = reading.frequencyHz
                    ? QStringLiteral("%1 MHz").arg(double(*reading.frequencyHz) / 1e6, 0, 'f', 6)
                    : QStringLiteral("no frequency");
            if (reading.mode)
                m_rigLast += QLatin1Char(' ') + formats::escaped(reading.mode->left(12));
            m_rigAnsweredAt = m_form.platform().now();
            showRig(true);
        });
        connect(m_rig, &links::RigPoller::failed, this, [this] { showRig(false); });
        m_rigRow->setText(QStringLiteral("Rig: asking rigctld at %1:%2")
                                            .arg(m_settings.rig.host)
                                            .arg(m_settings.rig.port));
        m_rig->start();
    } else {
        m_form.setBandModeSource({});
    }
    if (m_settings.wsjtx.enabled) {
        m_wsjtx = new links::WsjtxListener(m_settings.wsjtx, this);
        connect(m_wsjtx, &links::WsjtxListener::logged, this, &LinksController::save);
        if (const auto problem = m_wsjtx->listen()) {
            m_wsjtxProblem = *problem;
            delete m_wsjtx;
            m_wsjtx = nullptr;
            m_form.platform().showError(
                    QStringLiteral("vantel cannot listen for WSJT-X on %1 port %2: %3.\n\nThe "
                                   "WSJT-X link stays off; choose another port under Tools, "
                                   "Connections.")
                            .arg(m_settings.wsjtx.address)
                            .arg(m_settings.wsjtx.port)
                            .arg(m_wsjtxProblem));
        }
    }
    m_take->setEnabled(m_fldigi || m_rig);
}

// The rig row says what the band and mode fills use: the rig's frequency, or since when
// it has not answered (the fills then take the defaults).
void LinksController::showRig(bool answers)
{
    QLabel *row = m_rigRow;
    const QString since = m_rigAnsweredAt.time().toString(QStringLiteral("HH:mm:ss"));
    if (answers)
        row->setText(QStringLiteral("Rig: %1").arg(m_rigLast));
    else if (m_rigLast.isEmpty())
        row->setText(QStringLiteral("Rig: no answer since %1; band and mode come from your defaults")
                             .arg(since));
    else
        row->setText(QStringLiteral("Rig: no answer since %1 (it was on %2); band and mode come "
                                    "from your defaults")
                             .arg(since, m_rigLast));
    row->setToolTip(answers ? QString()
                            : QStringLiteral("rigctld at %1:%2: %3")
                                      .arg(m_settings.rig.host)
                                      .arg(m_settings.rig.port)
                                      .arg(m_rig->problem()));
    QPalette palette = row->palette();
    palette.setColor(QPalette::WindowText,
                     answers ? QPalette().color(QPalette::WindowText) : QColor(170, 0, 0));
    row->setPalette(palette);
}

bool LinksController::change(const links::LinkSettings &settings)
{
    if (const auto problem = links::saveLinkSettings(m_path, settings)) {
        m_form.platform().showError(
                QStringLiteral("The connections were not changed: %1.").arg(*problem));
        return false;
    }
    m_settings = settings;
    apply();
    return true;
}

QString LinksController::wsjtxStatus() const
{
    if (!m_settings.wsjtx.enabled)
        return QStringLiteral("off");
    if (!m_wsjtx)
        return QStringLiteral("cannot listen: %1").arg(m_wsjtxProblem);
    const QString heard = m_wsjtx->lastHeard();
    return heard.isEmpty() ? QStringLiteral("listening, nothing heard yet")
                           : QStringLiteral("heard %1").arg(heard);
}

void LinksController::openConnections()
{
    auto *dialog = new ConnectionsDialog(m_settings, [this] { return wsjtxStatus(); }, &m_form);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    connect(dialog, &ConnectionsDialog::settingsChosen, this, &LinksController::change);
    dialog->show();
}

void LinksController::extraKey(int keyCode)
{
    if (keyCode != Vk::F3)
        return;
    if (m_fldigi)
        takeFromFldigi();
    else if (m_rig)
        m_form.fillBandAndMode();
}

QStringList LinksController::fieldTexts() const
{
    QStringList texts;
    for (int f = 0; f < QsoRecord::FieldCount; ++f)
        texts << m_form.fieldText(QsoRecord::Field(f));
    return texts;
}

void LinksController::takeFromFldigi()
{
    const QString where = m_fldigi->where();
    // The answer belongs to the contact on screen when F3 was pressed: if the operator
    // has typed, saved or pressed F3 again since, it is dropped, never put into another.
    const quint64 request = m_request + 1;
    const QStringList asked = fieldTexts();
    // A second F3 while the first is out adds nothing: the first answer is awaited.
    const bool asking = m_fldigi->fetchContact([this, where, request, asked](const links::Parsed<links::FldigiContact> &contact) {
        if (request != m_request)
            return;
        if (!contact) {
            // A note, not a box: a box coming late would take the keys the operator types.
            showNote(QStringLiteral("fldigi: no answer"),
                     QStringLiteral("fldigi at %1 did not answer (%2); nothing was filled in.")
                             .arg(where, contact.error()),
                     true);
            m_fldigiNote = true;
            return;
        }
        if (fieldTexts() != asked) {
            showNote(QStringLiteral("fldigi: answered late"),
                     QStringLiteral("fldigi at %1 answered after the contact had changed; "
                                    "nothing was filled in. Press F3 again.")
                             .arg(where),
                     true);
            m_fldigiNote = true;
            return;
        }
        clearFldigiNote();
        fill(contact.value());
    });
    if (asking)
        m_request = request;
}

void LinksController::fill(const links::FldigiContact &contact)
{
    std::array<QString, QsoRecord::FieldCount> texts;
    const auto put = [&texts](QsoRecord::Field field, const QString &text) {
        texts[field] = links::fieldText(text, field);
    };
    const bool contest = m_form.mnuContest->isChecked();
    put(QsoRecord::Call, contact.call);
    put(QsoRecord::Recv, contact.rstIn);
    // A contest exchange carries the serial fldigi knows nothing of.
    if (!contest)
        put(QsoRecord::Sent, contact.rstOut);
    bool isNumber = false;
    const double khz = contact.frequencyKhz.trimmed().toDouble(&isNumber);
    if (isNumber) {
        if (const auto band = radio::bandTextForFrequency(khz * 1000.0))
            put(QsoRecord::Band, *band);
    }
    // A modem that makes no contact (fldigi idle, measuring) leaves the mode as it is.
    if (const auto mode = radio::modeTextForFldigi(contact.modem))
        put(QsoRecord::Mode, *mode);
    // Name and QTH are hidden in contest mode; nothing is saved unseen.
    if (!contest) {
        put(QsoRecord::Name, contact.name);
        put(QsoRecord::Qth, contact.qth);
    }
    m_form.takeAsTyped(texts);
}

void LinksController::save(const links::LoggedContact &contact)
{
    if (!contact.refused.isEmpty()) {
        const QString call = formats::escaped(contact.call.left(20));
        showNote(QStringLiteral("WSJT-X: %1 not saved").arg(call),
                 QStringLiteral("The contact with %1 from WSJT-X was not saved: %2. It is in "
                                "WSJT-X's own log; type it in here if you want it.")
                         .arg(call, contact.refused),
                 true);
        QApplication::alert(&m_form);
        return;
    }
    // Behind the ones that wait, or at once: the order WSJT-X logged them in is kept.
    if (m_toSave.isEmpty()) {
        QString whyNot;
        if (const auto number = m_form.saveContact(
                    contact.record,
                    QStringLiteral("The contact with %1 from WSJT-X").arg(contact.call), &whyNot)) {
            showNote(QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(contact.call), QString(), false);
            // Seen without taking the focus: the window asks for attention when not in front.
            QApplication::alert(&m_form);
            return;
        }
        keep(contact);
        showWaiting(whyNot);
        m_retry.start();
        return;
    }
    keep(contact);
    showWaiting(QString());
}

// A contact the logbook cannot take now is the operator's all the same: it goes to the
// spool on disk as soon as the contacts that came with it are read, so that a crash or
// Exit does not lose it; one force to the disk for the lot keeps a flood from holding
// the window.
void LinksController::keep(const links::LoggedContact &contact)
{
    m_toSave.enqueue({ contact, Unwritten });
    if (m_spoolScheduled)
        return;
    m_spoolScheduled = true;
    QMetaObject::invokeMethod(this, &LinksController::writeSpool, Qt::QueuedConnection);
}

void LinksController::writeSpool()
{
    m_spoolScheduled = false;
    QList<QsoRecord> records;
    for (const Waiting &waiting : std::as_const(m_toSave)) {
        if (waiting.spooled == Unwritten)
            records << waiting.contact.record;
    }
    if (records.isEmpty())
        return;
    const auto first = m_spool.append(records);
    if (!first)
        m_spoolProblem = QStringLiteral("%1: %2").arg(first.error().path, first.error().reason);
    qint64 next = first ? first.value() : NotKept;
    for (Waiting &waiting : m_toSave) {
        if (waiting.spooled == Unwritten)
            waiting.spooled = first ? next++ : NotKept;
    }
    if (!first)
        showWaiting(QString());
}

void LinksController::restoreSpooled()
{
    const auto spooled = m_spool.waiting();
    if (!spooled) {
        m_form.platform().showError(
                QStringLiteral("The WSJT-X contacts kept in %1 could not be read: %2. The file "
                               "is left as it is.")
                        .arg(QDir::toNativeSeparators(m_spool.path()), spooled.error().reason));
        return;
    }
    for (const links::ContactSpool::Entry &entry : spooled.value()) {
        links::LoggedContact contact;
        contact.record = entry.record;
        contact.call = storage::fromDisk(storage::trimSpaces(entry.record.fieldBytes(QsoRecord::Call)));
        m_toSave.enqueue({ contact, entry.index });
    }
    // A crash between the save and the mark in the spool left the first one saved.
    if (!m_toSave.isEmpty() && m_toSave.head().spooled >= 0
        && alreadyInLogbook(m_toSave.head().contact.record)) {
        (void)m_spool.markSaved(m_toSave.head().spooled);
        m_toSave.dequeue();
    }
    if (!m_toSave.isEmpty())
        scheduleSaving();
}

bool LinksController::alreadyInLogbook(const QsoRecord &record) const
{
    if (m_form.logPath.isEmpty() || storage::qsoCount < 1)
        return false;
    QFile logbook(m_form.logPath);
    if (!logbook.open(QIODevice::ReadOnly) || !logbook.seek(qint64(storage::qsoCount - 1) * QsoRecord::Size))
        return false;
    const QByteArray last = logbook.read(QsoRecord::Size);
    // The number is the save's own; the rest is what was kept.
    constexpr int NumberWidth = 3;
    return last.size() == QsoRecord::Size
            && last.mid(NumberWidth) == QByteArray(record.bytes.data() + NumberWidth, QsoRecord::Size - NumberWidth);
}

void LinksController::scheduleSaving()
{
    if (m_savingScheduled)
        return;
    m_savingScheduled = true;
    QMetaObject::invokeMethod(
            this,
            [this] {
                m_savingScheduled = false;
                saveWaiting();
            },
            Qt::QueuedConnection);
}

void LinksController::showWaiting(const QString &whyNot)
{
    if (!whyNot.isEmpty())
        m_lastWhyNot = whyNot;
    qsizetype lost = 0;
    for (const Waiting &waiting : std::as_const(m_toSave))
        lost += waiting.spooled == NotKept ? 1 : 0;
    const qsizetype count = m_toSave.size();
    QString more = m_lastWhyNot + QStringLiteral("\n\n");
    if (lost == 0)
        more += QStringLiteral("They are kept in %1 and saved as soon as the logbook can take "
                               "them, also after a restart.")
                        .arg(QDir::toNativeSeparators(m_spool.path()));
    else
        more += QStringLiteral("%1 of them could not be kept on disk (%2) and would be lost if "
                               "vantel ended now.")
                        .arg(lost)
                        .arg(m_spoolProblem);
    showNote(QStringLiteral("WSJT-X: ") + contactCount(count, "waits", "wait"), more, true);
    QApplication::alert(&m_form);
}

// Saves the contacts that wait, in order, one an event so that the keys go on: one
// that cannot be saved now (no logbook, another station's lock, or a logbook another
// program changed) raises no box that would take the keys from the operator; it waits,
// the note says so, and it is tried again every RetryMs and whenever the logbook changes.
void LinksController::saveWaiting()
{
    if (m_saving || m_toSave.isEmpty())
        return; // a save tells of its own change of the logbook
    m_saving = true;
    const Waiting &head = m_toSave.head();
    QString whyNot;
    const auto number = m_form.saveContact(
            head.contact.record,
            QStringLiteral("The contact with %1 from WSJT-X").arg(head.contact.call), &whyNot);
    m_saving = false;
    if (!number) {
        showWaiting(whyNot);
        m_retry.start();
        return;
    }
    // Marked only once it is in the logbook: a crash in between costs no contact.
    if (head.spooled >= 0)
        (void)m_spool.markSaved(head.spooled);
    const QString call = head.contact.call;
    m_toSave.dequeue();
    if (m_toSave.isEmpty()) {
        m_retry.stop();
        showNote(QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(call), QString(), false);
        QApplication::alert(&m_form);
        return;
    }
    showWaiting(QString());
    scheduleSaving();
}

QString LinksController::unsavedContacts()
{
    writeSpool();
    // A last try: the logbook may take them now.
    while (!m_toSave.isEmpty()) {
        const qsizetype before = m_toSave.size();
        saveWaiting();
        if (m_toSave.size() == before)
            break;
    }
    QStringList calls;
    for (const Waiting &waiting : std::as_const(m_toSave)) {
        if (waiting.spooled == NotKept)
            calls << waiting.contact.call;
    }
    if (calls.isEmpty())
        return {};
    return QStringLiteral("%1 from WSJT-X could not be saved yet (%2) and will be lost.")
            .arg(contactCount(calls.size()),
                 calls.join(QStringLiteral(", ")));
}

void LinksController::clearFldigiNote()
{
    if (m_fldigiNote)
        showNote(QString(), QString(), false);
}

void LinksController::showNote(const QString &text, const QString &more, bool trouble)
{
    m_fldigiNote = false;
    if (!m_note)
        m_note = m_form.note(QStringLiteral("linkNote"),
                             QStringLiteral("Last contact from another program"));
    m_note->setText(text);
    m_note->setToolTip(more.isEmpty() ? text : text + QStringLiteral("\n\n") + more);
    m_note->setAccessibleDescription(more);
    // Trouble shows in red: the note is the only word a peer's trouble gets.
    QPalette palette = m_note->palette();
    palette.setColor(QPalette::WindowText, trouble ? QColor(170, 0, 0) : QPalette().color(QPalette::WindowText));
    m_note->setPalette(palette);
}
