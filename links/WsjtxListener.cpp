#include "links/WsjtxListener.h"

#include "links/AdifRecord.h"
#include "links/ContactMerger.h"
#include "links/WsjtxDatagram.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace links {

namespace {

// Datagrams read in one go before the window gets its turn again.
constexpr int Batch = 64;
// Datagrams waiting to be read; a flood beyond this is dropped, not queued for ever.
constexpr qsizetype MaxWaiting = 1024;

} // namespace

WsjtxListener::WsjtxListener(const WsjtxSettings &settings, QObject *parent)
    : QObject(parent),
      m_settings(settings),
      m_socket(new QUdpSocket(this)),
      m_merger(new ContactMerger(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &WsjtxListener::readDatagrams);
    connect(m_merger, &ContactMerger::logged, this, &WsjtxListener::logged);
}

std::optional<QString> WsjtxListener::listen()
{
    if (!m_socket->bind(QHostAddress(m_settings.address), m_settings.port))
        return m_socket->errorString();
    return std::nullopt;
}

bool WsjtxListener::acceptsSender(const QHostAddress &sender, const QList<QHostAddress> &accepted)
{
    if (sender.isLoopback())
        return true;
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    const QHostAddress plain = isV4 ? QHostAddress(v4) : sender;
    for (const QHostAddress &address : accepted) {
        if (address.isEqual(plain, QHostAddress::TolerantConversion))
            return true;
    }
    return false;
}

QString WsjtxListener::lastHeard() const
{
    if (!m_heard.isValid())
        return {};
    return QStringLiteral("%1, %2 s ago").arg(m_heardId).arg(m_heard.elapsed() / 1000);
}

void WsjtxListener::readDatagrams()
{
    // Everything comes off the socket at once: a datagram left there can keep the
    // socket from telling of the next ones, and the link would go deaf. Taking one off
    // costs a system call; reading it is what waits behind the keys.
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(wsjtx::MaxDatagram + 1);
        if (m_waiting.size() < MaxWaiting && acceptsSender(datagram.senderAddress(), m_settings.accept))
            m_waiting.append(datagram.data());
    }
    if (!m_working && !m_waiting.isEmpty()) {
        m_working = true;
        QMetaObject::invokeMethod(this, &WsjtxListener::takeWaiting, Qt::QueuedConnection);
    }
}

void WsjtxListener::takeWaiting()
{
    for (int i = 0; i < Batch && !m_waiting.isEmpty(); ++i)
        take(m_waiting.takeFirst());
    m_working = !m_waiting.isEmpty();
    if (m_working)
        QMetaObject::invokeMethod(this, &WsjtxListener::takeWaiting, Qt::QueuedConnection);
}

void WsjtxListener::take(const QByteArray &datagram)
{
    const Parsed<wsjtx::Message> message = wsjtx::parse(datagram);
    if (!message)
        return;
    m_heardId = message.value().id.left(40);
    m_heard.start();
    if (const auto *qso = std::get_if<wsjtx::QsoLogged>(&message.value().body)) {
        if (const auto contact = contactFromQsoLogged(*qso))
            m_merger->takeQsoLogged(*contact);
    } else if (const auto *logged = std::get_if<wsjtx::LoggedAdif>(&message.value().body)) {
        const auto fields = adif::firstRecord(logged->adif);
        if (!fields)
            return;
        if (const auto contact = contactFromAdif(fields.value()))
            m_merger->takeAdif(*contact);
    }
}

} // namespace links
