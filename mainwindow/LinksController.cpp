#include "mainwindow/LinksController.h"

#include "links/BandMode.h"
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
        m_form.setBandModeSource([this] {
            Form1::BandMode from;
            if (const auto reading = m_rig->fresh()) {
                if (reading->frequencyHz)
                    from.band = links::bandForFrequency(double(*reading->frequencyHz));
                if (reading->mode)
                    from.mode = links::modeForRig(*reading->mode);
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

void LinksController::takeFromFldigi()
{
    const QString where = m_fldigi->where();
    m_fldigi->fetchContact([this, where](const links::Parsed<links::FldigiContact> &contact) {
        if (contact)
            fill(contact.value());
        else
            m_form.platform().showError(
                    QStringLiteral("fldigi at %1 did not answer (%2); nothing was filled in.")
                            .arg(where, contact.error()));
    });
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
    if (isNumber) {
        if (const auto band = links::bandForFrequency(khz * 1000.0))
            put(QsoRecord::Band, *band);
    }
    if (!contact.modem.trimmed().isEmpty())
        put(QsoRecord::Mode, links::modeForFldigi(contact.modem));
    // Name and QTH are hidden in contest mode; nothing is saved unseen.
    if (!contest) {
        put(QsoRecord::Name, contact.name);
        put(QsoRecord::Qth, contact.qth);
    }
}

void LinksController::save(const links::LoggedContact &contact)
{
    // A box about one contact runs the event loop, and the next contact may arrive in it:
    // it waits its turn rather than stack a box on the box. A flood beyond any operator's
    // pace is dropped.
    constexpr qsizetype MaxWaiting = 256;
    if (m_toSave.size() >= MaxWaiting)
        return;
    m_toSave.enqueue(contact);
    if (m_saving)
        return;
    m_saving = true;
    while (!m_toSave.isEmpty())
        saveOne(m_toSave.dequeue());
    m_saving = false;
}

void LinksController::saveOne(const links::LoggedContact &contact)
{
    const auto number = m_form.saveContact(
            contact.record, QStringLiteral("The contact with %1 from WSJT-X").arg(contact.call));
    if (!number)
        return;
    showNote(QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(contact.call));
    // Seen without taking the focus: the window asks for attention when it is not in front.
    QApplication::alert(&m_form);
}

void LinksController::showNote(const QString &text)
{
    if (!m_note) {
        m_note = new QLabel(m_form.centralWidget());
        m_note->setObjectName(QStringLiteral("linkNote"));
        m_note->setGeometry(twipsRect(7560, 600, 1875, 255));
        m_note->setAccessibleName(QStringLiteral("Last contact from another program"));
        m_note->show();
    }
    m_note->setText(text);
    m_note->setToolTip(text);
}
