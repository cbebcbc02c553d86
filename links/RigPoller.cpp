#include "links/RigPoller.h"

#include <QNetworkProxy>
#include <QTcpSocket>

namespace links {

RigPoller::RigPoller(const QString &host, quint16 port, QObject *parent)
    : QObject(parent), m_host(host), m_port(port), m_socket(new QTcpSocket(this))
{
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RigPoller::tick);
    connect(m_socket, &QTcpSocket::connected, this, &RigPoller::ask);
    connect(m_socket, &QTcpSocket::readyRead, this, &RigPoller::readAnswer);
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { giveUp(m_socket->errorString()); });
}

void RigPoller::start()
{
    m_timer.start();
    tick();
}

void RigPoller::stop()
{
    m_timer.stop();
    m_socket->abort();
    m_waiting = false;
}

std::optional<RigReading> RigPoller::fresh() const
{
    // A question that went unanswered since counts as silence at once, as the rig row says.
    if (!m_answered.isValid() || m_answered.elapsed() > FreshMs || !m_problem.isEmpty())
        return std::nullopt;
    return m_last;
}

void RigPoller::tick()
{
    if (m_waiting || m_socket->state() == QAbstractSocket::ConnectingState
        || m_socket->state() == QAbstractSocket::HostLookupState) {
        if (m_asked.isValid() && m_asked.elapsed() > TimeoutMs)
            giveUp(QStringLiteral("no answer in time"));
        return;
    }
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        ask();
        return;
    }
    // After a failure wait a little before the next connection.
    if (m_failedAt.isValid() && m_failedAt.elapsed() < TimeoutMs)
        return;
    m_asked.start();
    m_socket->connectToHost(m_host, m_port);
}

void RigPoller::ask()
{
    if (m_waiting)
        return;
    m_reader = RigctldReader();
    m_waiting = true;
    m_asked.start();
    m_socket->write(RigctldReader::question());
}

void RigPoller::readAnswer()
{
    const QByteArray bytes = m_socket->read(RigctldReader::MaxLine * 4);
    if (!m_waiting) {
        giveUp(QStringLiteral("the rig spoke unasked"));
        return;
    }
    switch (m_reader.feed(bytes)) {
    case RigctldReader::State::Complete:
        m_waiting = false;
        m_last = m_reader.reading();
        m_answered.start();
        m_problem.clear();
        Q_EMIT answered(m_last);
        break;
    case RigctldReader::State::Failed:
        giveUp(m_reader.error());
        return;
    case RigctldReader::State::Reading:
        break;
    }
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &RigPoller::readAnswer, Qt::QueuedConnection);
}

void RigPoller::giveUp(const QString &why)
{
    // Start again on a new connection: a half-read answer cannot be trusted to line up.
    m_waiting = false;
    m_socket->abort();
    m_failedAt.start();
    m_asked.invalidate();
    m_problem = why;
    Q_EMIT failed(why);
}

} // namespace links
