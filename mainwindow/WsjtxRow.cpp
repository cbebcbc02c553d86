#include "mainwindow/WsjtxRow.h"

#include "mainwindow/PeerRow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

WsjtxRow::WsjtxRow(
    QWidget *dialog, const links::LinkSettings &settings, std::function<QString()> status)
    : m_settings(settings.get<links::WsjtxSettings>(Group))
    , m_statusNow(std::move(status))
{
    m_enabled = new QCheckBox(QStringLiteral("&WSJT-X, JTDX (UDP)"), dialog);
    m_enabled->setObjectName(QStringLiteral("wsjtxEnabled"));
    m_enabled->setChecked(m_settings.enabled);
    m_listen = new QLabel(m_settings.address, dialog);
    m_listen->setToolTip(
        QStringLiteral("vantel listens here; WSJT-X sends its UDP messages to it"));
    m_port = PeerRow::portBox(dialog, QStringLiteral("wsjtxPort"), m_settings.port);
    m_status = new QLabel(dialog);
    m_status->setObjectName(QStringLiteral("wsjtxStatus"));
    QObject::connect(m_enabled, &QCheckBox::toggled, m_status, [this] { showStatus(); });
    QObject::connect(m_port, &QSpinBox::valueChanged, m_status, [this] { showStatus(); });
}

bool WsjtxRow::read(links::LinkSettings &into)
{
    auto &wsjtx = into.get<links::WsjtxSettings>(Group);
    wsjtx.enabled = m_enabled->isChecked();
    wsjtx.port = quint16(m_port->value());
    return true;
}

void WsjtxRow::check(QObject * /*probes*/)
{
    showStatus();
}

void WsjtxRow::showStatus()
{
    // The listener changes only with OK: say so rather than show the one still running.
    const bool changed = m_enabled->isChecked() != m_settings.enabled
        || (m_enabled->isChecked() && m_port->value() != m_settings.port);
    if (changed)
        m_status->setText(m_enabled->isChecked() ? QStringLiteral("listens after OK")
                                                 : QStringLiteral("off after OK"));
    else
        m_status->setText(m_statusNow ? m_statusNow() : QString());
}

std::array<QWidget *, 4> WsjtxRow::cells() const
{
    return { m_enabled, m_listen, m_port, m_status };
}
