#include "mainwindow/RigLink.h"

#include "formats/PlainText.h"
#include "links/RigPoller.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PeerRow.h"
#include "radio/Band.h"
#include "radio/Mode.h"

#include <QLabel>
#include <QPalette>

RigLink::RigLink(Form1 &form, LinkNote &note, QObject *parent)
    : Link(form, note, parent)
    , m_row(form.addStatusRow(QStringLiteral("rigStatus"), QStringLiteral("Rig")))
{
}

void RigLink::addSettings(links::LinkSettings &settings) const
{
    settings.add(Group, "rig", links::PeerSettings { false, QStringLiteral("127.0.0.1"), 4532 });
}

void RigLink::apply(const links::LinkSettings &settings)
{
    delete m_poller;
    m_poller = nullptr;
    m_settings = settings.get<links::PeerSettings>(Group);
    if (m_settings.enabled)
        m_poller = new links::RigPoller(m_settings.host, m_settings.port, this);
    m_last.clear();
    m_answeredAt = {};
    m_form.showStatusRow(m_row, m_poller != nullptr);
    if (!m_poller) {
        m_form.setBandModeSource({});
        return;
    }
    // The rig first, then the defaults (what F3 took from fldigi the window keeps).
    m_form.setBandModeSource([this] {
        Form1::BandMode from;
        if (const auto reading = m_poller->fresh()) {
            if (reading->frequencyHz)
                from.band = radio::bandTextForFrequency(double(*reading->frequencyHz));
            if (reading->mode)
                from.mode = radio::modeTextForRig(*reading->mode);
        }
        return from;
    });
    m_answeredAt = m_form.platform().now();
    connect(m_poller, &links::RigPoller::answered, this, [this](const links::RigReading &reading) {
        m_last = reading.frequencyHz
            ? QStringLiteral("%1 MHz").arg(double(*reading.frequencyHz) / 1e6, 0, 'f', 6)
            : QStringLiteral("no frequency");
        if (reading.mode)
            m_last += QLatin1Char(' ') + formats::escaped(reading.mode->left(12));
        m_answeredAt = m_form.platform().now();
        show(true);
    });
    connect(m_poller, &links::RigPoller::failed, this, [this] { show(false); });
    m_row->setText(
        QStringLiteral("Rig: asking rigctld at %1:%2").arg(m_settings.host).arg(m_settings.port));
    m_poller->start();
}

bool RigLink::takeKey()
{
    if (!m_poller)
        return false;
    m_form.fillBandAndMode();
    return true;
}

// The row says what the band and mode fills use: the rig's frequency, or since when it
// has not answered (the fills then take the defaults).
void RigLink::show(bool answers)
{
    const QString since = m_answeredAt.time().toString(QStringLiteral("HH:mm:ss"));
    if (answers)
        m_row->setText(QStringLiteral("Rig: %1").arg(m_last));
    else if (m_last.isEmpty())
        m_row->setText(
            QStringLiteral("Rig: no answer since %1; band and mode come from your defaults")
                .arg(since));
    else
        m_row->setText(QStringLiteral("Rig: no answer since %1 (it was on %2); band and mode come "
                                      "from your defaults")
                           .arg(since, m_last));
    m_row->setToolTip(answers ? QString()
                              : QStringLiteral("rigctld at %1:%2: %3")
                                    .arg(m_settings.host)
                                    .arg(m_settings.port)
                                    .arg(m_poller->problem()));
    QPalette palette = m_row->palette();
    palette.setColor(
        QPalette::WindowText, answers ? QPalette().color(QPalette::WindowText) : QColor(170, 0, 0));
    m_row->setPalette(palette);
}

std::unique_ptr<ConnectionRow> RigLink::connectionRow(QWidget *dialog, const links::LinkSettings &settings)
{
    const auto probe = [](const QString &host, quint16 port, QLabel *status, QObject *probes) {
        auto *poller = new links::RigPoller(host, port, probes);
        QObject::connect(poller, &links::RigPoller::answered, status, [status, poller](const links::RigReading &r) {
            const QString band = r.frequencyHz
                    ? radio::bandTextForFrequency(double(*r.frequencyHz)).value_or(QStringLiteral("?"))
                    : QStringLiteral("?");
            status->setText(QStringLiteral("yes: band %1, mode %2").arg(band, r.mode.value_or(QStringLiteral("?"))));
            poller->stop();
            poller->deleteLater();
        });
        QObject::connect(poller, &links::RigPoller::failed, status, [status, poller](const QString &why) {
            status->setText(QStringLiteral("no: %1").arg(why));
            poller->stop();
            poller->deleteLater();
        });
        poller->start();
    };
    return std::make_unique<PeerRow>(dialog, Group, QStringLiteral("&Rig (hamlib rigctld)"),
                                     settings, probe);
}
