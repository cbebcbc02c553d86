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
#include "platform/Keys.h"
#include "platform/Twips.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPalette>
#include <QMenu>

using storage::QsoRecord;

LinksController::LinksController(Form1 &form)
    : QObject(&form), m_form(form), m_path(QDir::current().absoluteFilePath(links::LinkSettings::fileName()))
{
    setObjectName(QStringLiteral("links"));
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
            saveWaiting();
    });

    const links::LoadedLinkSettings loaded = links::loadLinkSettings(m_path);
    m_settings = loaded.settings;
    if (!loaded.problems.isEmpty())
        form.platform().showError(QStringLiteral("%1:\n\n%2")
                                          .arg(QDir::toNativeSeparators(m_path),
                                               loaded.problems.join(QLatin1Char('\n'))));
    apply();
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
    if (m_settings.rig.enabled) {
        m_rig = new links::RigPoller(m_settings.rig.host, m_settings.rig.port, this);
        m_rig->start();
    }
    if (m_fldigi || m_rig) {
        // What F3 took for the contact on screen first, then the rig, then the defaults.
        m_form.setBandModeSource([this] {
            Form1::BandMode from;
            const QString call = m_form.fieldText(QsoRecord::Call);
            if (!call.trimmed().isEmpty() && call == m_takenFor)
                from = m_taken;
            if (m_rig) {
                if (const auto reading = m_rig->fresh()) {
                    if (reading->frequencyHz && !from.band)
                        from.band = radio::bandTextForFrequency(double(*reading->frequencyHz));
                    if (reading->mode && !from.mode)
                        from.mode = radio::modeTextForRig(*reading->mode);
                }
            }
            return from;
        });
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
    // As if typed: what fldigi leaves empty keeps what the field holds.
    const auto put = [this](QsoRecord::Field field, const QString &text) {
        const QString fitted = links::fieldText(text, field);
        if (!fitted.isEmpty() && m_form.fieldText(field) != fitted)
            m_form.setFieldText(field, fitted);
    };
    const bool contest = m_form.mnuContest->isChecked();
    put(QsoRecord::Call, contact.call);
    put(QsoRecord::Recv, contact.rstIn);
    // A contest exchange carries the serial fldigi knows nothing of.
    if (!contest)
        put(QsoRecord::Sent, contact.rstOut);
    bool isNumber = false;
    const double khz = contact.frequencyKhz.trimmed().toDouble(&isNumber);
    m_taken = {};
    if (isNumber) {
        if (const auto band = radio::bandTextForFrequency(khz * 1000.0)) {
            put(QsoRecord::Band, *band);
            m_taken.band = links::fieldText(*band, QsoRecord::Band);
        }
    }
    // A modem that makes no contact (fldigi idle, measuring) leaves the mode as it is.
    if (const auto mode = radio::modeTextForFldigi(contact.modem)) {
        put(QsoRecord::Mode, *mode);
        m_taken.mode = links::fieldText(*mode, QsoRecord::Mode);
    }
    // The band and mode stay this contact's when the date/time fill comes next.
    m_takenFor = m_form.fieldText(QsoRecord::Call);
    // Name and QTH are hidden in contest mode; nothing is saved unseen.
    if (!contest) {
        put(QsoRecord::Name, contact.name);
        put(QsoRecord::Qth, contact.qth);
    }
}

void LinksController::save(const links::LoggedContact &contact)
{
    // A flood beyond any operator's pace is dropped rather than kept for ever.
    constexpr qsizetype MaxWaiting = 256;
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
    if (m_toSave.size() < MaxWaiting)
        m_toSave.enqueue(contact);
    saveWaiting();
}

// Saves the contacts WSJT-X logged, in order. One that cannot be saved now (no logbook,
// or one another program changed) is not lost and raises no box that would take the
// keys from the operator: it waits, the note says so, and it is saved as soon as the
// logbook can take it (after Open or Create, or any change of the logbook).
void LinksController::saveWaiting()
{
    if (m_saving)
        return; // a save tells of its own change of the logbook
    m_saving = true;
    while (!m_toSave.isEmpty()) {
        const links::LoggedContact &contact = m_toSave.head();
        QString whyNot;
        const auto number = m_form.saveContact(
                contact.record, QStringLiteral("The contact with %1 from WSJT-X").arg(contact.call),
                &whyNot);
        if (!number) {
            const qsizetype waiting = m_toSave.size();
            showNote(waiting == 1 ? QStringLiteral("WSJT-X: 1 contact waits")
                                  : QStringLiteral("WSJT-X: %1 contacts wait").arg(waiting),
                     whyNot + QStringLiteral("\n\nIt is saved as soon as the logbook can take it."),
                     true);
            QApplication::alert(&m_form);
            m_retry.start();
            break;
        }
        showNote(QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(contact.call), QString(), false);
        m_toSave.dequeue();
        // Seen without taking the focus: the window asks for attention when not in front.
        QApplication::alert(&m_form);
    }
    m_saving = false;
    if (m_toSave.isEmpty())
        m_retry.stop();
}

QString LinksController::unsavedContacts()
{
    if (m_toSave.isEmpty())
        return {};
    saveWaiting(); // a last try: the logbook may take them now
    QStringList calls;
    for (const links::LoggedContact &contact : std::as_const(m_toSave))
        calls << contact.call;
    return QStringLiteral("%1 from WSJT-X could not be saved yet (%2) and will be lost.")
            .arg(m_toSave.size() == 1 ? QStringLiteral("1 contact") : QStringLiteral("%1 contacts").arg(m_toSave.size()),
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
    if (!m_note) {
        m_note = new QLabel(m_form.centralWidget());
        m_note->setObjectName(QStringLiteral("linkNote"));
        m_note->setGeometry(twipsRect(7560, 600, 1875, 255));
        m_note->setAccessibleName(QStringLiteral("Last contact from another program"));
        m_note->show();
    }
    m_note->setText(text);
    m_note->setToolTip(more.isEmpty() ? text : text + QStringLiteral("\n\n") + more);
    m_note->setAccessibleDescription(more);
    // Trouble shows in red: the note is the only word a peer's trouble gets.
    QPalette palette = m_note->palette();
    palette.setColor(QPalette::WindowText, trouble ? QColor(170, 0, 0) : QPalette().color(QPalette::WindowText));
    m_note->setPalette(palette);
}
