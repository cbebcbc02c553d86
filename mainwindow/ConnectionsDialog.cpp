#include "mainwindow/ConnectionsDialog.h"

#include "radio/Band.h"
#include "links/FldigiClient.h"
#include "links/RigPoller.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QSpinBox *portBox(QWidget *parent, const QString &name, quint16 port)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 65535);
    box->setValue(port);
    return box;
}

} // namespace

ConnectionsDialog::ConnectionsDialog(const links::LinkSettings &settings,
                                     std::function<QString()> wsjtxStatus, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_wsjtxStatus(std::move(wsjtxStatus))
{
    setObjectName(QStringLiteral("Connections"));
    setWindowTitle(QStringLiteral("Connections"));
    auto *grid = new QGridLayout(this);
    const QStringList headings { QString(), QStringLiteral("Host"), QStringLiteral("Port"),
                                 QStringLiteral("Answers?") };
    for (int column = 0; column < int(headings.size()); ++column)
        grid->addWidget(new QLabel(headings[column], this), 0, column);
    m_fldigi = addPeer(1, "fldigi", QStringLiteral("&fldigi (XML-RPC)"), settings.fldigi);
    m_rig = addPeer(2, "rig", QStringLiteral("&Rig (hamlib rigctld)"), settings.rig);

    m_wsjtxEnabled = new QCheckBox(QStringLiteral("&WSJT-X, JTDX (UDP)"), this);
    m_wsjtxEnabled->setObjectName(QStringLiteral("wsjtxEnabled"));
    m_wsjtxEnabled->setChecked(settings.wsjtx.enabled);
    auto *listen = new QLabel(settings.wsjtx.address, this);
    listen->setToolTip(QStringLiteral("vantel listens here; WSJT-X sends its UDP messages to it"));
    m_wsjtxPort = portBox(this, QStringLiteral("wsjtxPort"), settings.wsjtx.port);
    m_wsjtxStatusLabel = new QLabel(this);
    m_wsjtxStatusLabel->setObjectName(QStringLiteral("wsjtxStatus"));
    grid->addWidget(m_wsjtxEnabled, 3, 0);
    grid->addWidget(listen, 3, 1);
    grid->addWidget(m_wsjtxPort, 3, 2);
    grid->addWidget(m_wsjtxStatusLabel, 3, 3);
    grid->setColumnMinimumWidth(3, 260);
    connect(m_wsjtxEnabled, &QCheckBox::toggled, this, &ConnectionsDialog::showWsjtxStatus);
    connect(m_wsjtxPort, &QSpinBox::valueChanged, this, &ConnectionsDialog::showWsjtxStatus);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *checkButton = buttons->addButton(QStringLiteral("&Check"), QDialogButtonBox::ActionRole);
    checkButton->setObjectName(QStringLiteral("checkButton"));
    grid->addWidget(buttons, 4, 0, 1, 4);
    connect(checkButton, &QPushButton::clicked, this, &ConnectionsDialog::check);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (const auto settingsNow = chosen()) {
            Q_EMIT settingsChosen(*settingsNow);
            accept();
        }
    });
    check();
}

ConnectionsDialog::PeerRow ConnectionsDialog::addPeer(int row, const char *name,
                                                      const QString &caption,
                                                      const links::PeerSettings &peer)
{
    const QString prefix = QLatin1String(name);
    auto *grid = static_cast<QGridLayout *>(layout());
    PeerRow out;
    out.enabled = new QCheckBox(caption, this);
    out.enabled->setObjectName(prefix + QStringLiteral("Enabled"));
    out.enabled->setChecked(peer.enabled);
    out.host = new QLineEdit(peer.host, this);
    out.host->setObjectName(prefix + QStringLiteral("Host"));
    out.host->setMaxLength(253);
    out.port = portBox(this, prefix + QStringLiteral("Port"), peer.port);
    out.status = new QLabel(this);
    out.status->setObjectName(prefix + QStringLiteral("Status"));
    grid->addWidget(out.enabled, row, 0);
    grid->addWidget(out.host, row, 1);
    grid->addWidget(out.port, row, 2);
    grid->addWidget(out.status, row, 3);
    return out;
}

std::optional<links::LinkSettings> ConnectionsDialog::chosen()
{
    links::LinkSettings out = m_settings;
    bool good = true;
    const auto peer = [&good](const PeerRow &row, links::PeerSettings &into) {
        into.enabled = row.enabled->isChecked();
        into.host = row.host->text().trimmed();
        into.port = quint16(row.port->value());
        if (!links::isHostName(into.host)) {
            row.status->setText(QStringLiteral("Type a host name or address."));
            row.host->setFocus();
            good = false;
        }
    };
    peer(m_fldigi, out.fldigi);
    peer(m_rig, out.rig);
    out.wsjtx.enabled = m_wsjtxEnabled->isChecked();
    out.wsjtx.port = quint16(m_wsjtxPort->value());
    if (!good)
        return std::nullopt;
    return out;
}

void ConnectionsDialog::check()
{
    delete m_probes;
    m_probes = new QObject(this);
    checkFldigi();
    checkRig();
    showWsjtxStatus();
}

void ConnectionsDialog::showWsjtxStatus()
{
    // The listener changes only with OK: say so rather than show the one still running.
    const bool changed = m_wsjtxEnabled->isChecked() != m_settings.wsjtx.enabled
            || (m_wsjtxEnabled->isChecked() && m_wsjtxPort->value() != m_settings.wsjtx.port);
    if (changed)
        m_wsjtxStatusLabel->setText(m_wsjtxEnabled->isChecked() ? QStringLiteral("listens after OK")
                                                                : QStringLiteral("off after OK"));
    else
        m_wsjtxStatusLabel->setText(m_wsjtxStatus ? m_wsjtxStatus() : QString());
}

void ConnectionsDialog::checkFldigi()
{
    const QString host = m_fldigi.host->text().trimmed();
    if (!links::isHostName(host)) {
        m_fldigi.status->setText(QStringLiteral("Type a host name or address."));
        return;
    }
    m_fldigi.status->setText(QStringLiteral("asking..."));
    auto *client = new links::FldigiClient(host, quint16(m_fldigi.port->value()), m_probes);
    QLabel *status = m_fldigi.status;
    client->probe([status](const links::Parsed<QString> &version) {
        status->setText(version ? QStringLiteral("yes: fldigi %1").arg(version.value().left(20))
                                : QStringLiteral("no: %1").arg(version.error()));
    });
}

void ConnectionsDialog::checkRig()
{
    const QString host = m_rig.host->text().trimmed();
    if (!links::isHostName(host)) {
        m_rig.status->setText(QStringLiteral("Type a host name or address."));
        return;
    }
    m_rig.status->setText(QStringLiteral("asking..."));
    auto *poller = new links::RigPoller(host, quint16(m_rig.port->value()), m_probes);
    QLabel *status = m_rig.status;
    connect(poller, &links::RigPoller::answered, status, [status, poller](const links::RigReading &r) {
        const QString band = r.frequencyHz ? radio::bandTextForFrequency(double(*r.frequencyHz)).value_or(QStringLiteral("?"))
                                           : QStringLiteral("?");
        status->setText(QStringLiteral("yes: band %1, mode %2").arg(band, r.mode.value_or(QStringLiteral("?"))));
        poller->stop();
        poller->deleteLater();
    });
    connect(poller, &links::RigPoller::failed, status, [status, poller](const QString &why) {
        status->setText(QStringLiteral("no: %1").arg(why));
        poller->stop();
        poller->deleteLater();
    });
    poller->start();
}
