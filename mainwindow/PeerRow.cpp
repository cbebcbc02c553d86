#include "mainwindow/PeerRow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

QSpinBox *PeerRow::portBox(QWidget *parent, const QString &name, quint16 port)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 65535);
    box->setValue(port);
    return box;
}

PeerRow::PeerRow(QWidget *dialog, const char *name, const QString &caption,
    const links::LinkSettings &settings, Probe probe)
    : m_name(name)
    , m_probe(probe)
{
    const QString prefix = QLatin1String(name);
    const auto &now = settings.get<links::PeerSettings>(name);
    m_enabled = new QCheckBox(caption, dialog);
    m_enabled->setObjectName(prefix + QStringLiteral("Enabled"));
    m_enabled->setChecked(now.enabled);
    m_host = new QLineEdit(now.host, dialog);
    m_host->setObjectName(prefix + QStringLiteral("Host"));
    m_host->setMaxLength(253);
    m_port = portBox(dialog, prefix + QStringLiteral("Port"), now.port);
    m_status = new QLabel(dialog);
    m_status->setObjectName(prefix + QStringLiteral("Status"));
}

bool PeerRow::read(links::LinkSettings &into)
{
    auto &peer = into.get<links::PeerSettings>(m_name);
    peer.enabled = m_enabled->isChecked();
    peer.host = m_host->text().trimmed();
    peer.port = quint16(m_port->value());
    if (links::isHostName(peer.host))
        return true;
    m_status->setText(QStringLiteral("Type a host name or address."));
    m_host->setFocus();
    return false;
}

void PeerRow::check(QObject *probes)
{
    const QString host = m_host->text().trimmed();
    if (!links::isHostName(host)) {
        m_status->setText(QStringLiteral("Type a host name or address."));
        return;
    }
    m_status->setText(QStringLiteral("asking..."));
    m_probe(host, quint16(m_port->value()), m_status, probes);
}

std::array<QWidget *, 4> PeerRow::cells() const
{
    return { m_enabled, m_host, m_port, m_status };
}
