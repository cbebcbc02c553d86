#include "links/XmlRpcCall.h"

#include "links/XmlRpc.h"

#include <QNetworkProxy>
#include <QTcpSocket>

namespace links {

XmlRpcCall::XmlRpcCall(QObject *parent, Done done)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_done(std::move(done))
{
    // A proxy from the environment has no business between two programs on one desk.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_timer.setSingleShot(true);
}

void XmlRpcCall::start(QObject *parent, const QString &host, quint16 port, const QString &method,
                       const QVariantList &params, int timeoutMs, Done done)
{
    auto *call = new XmlRpcCall(parent, std::move(done));
    call->m_request = xmlrpc::httpPost(host, port, xmlrpc::request(method, params));
    connect(&call->m_timer, &QTimer::timeout, call, [call] {
        call->finish(Parsed<QVariant>::failure(QStringLiteral("no answer in time")));
    });
    connect(call->m_socket, &QTcpSocket::connected, call,
            [call] { call->m_socket->write(call->m_request); });
    connect(call->m_socket, &QTcpSocket::readyRead, call, &XmlRpcCall::readAnswer);
    connect(call->m_socket, &QTcpSocket::disconnected, call, [call] {
        call->readAnswer();
        if (call->m_reader.finish() == HttpResponseReader::State::Complete)
            call->finish(xmlrpc::parseAnswer(call->m_reader.body()));
        else
            call->finish(Parsed<QVariant>::failure(call->m_reader.error()));
    });
    connect(call->m_socket, &QTcpSocket::errorOccurred, call, [call](QAbstractSocket::SocketError error) {
        // The peer closing after its answer is how an answer without a length ends.
        if (error != QAbstractSocket::RemoteHostClosedError)
            call->finish(Parsed<QVariant>::failure(call->m_socket->errorString()));
    });
    call->m_timer.start(timeoutMs);
    call->m_socket->connectToHost(host, port);
}

void XmlRpcCall::readAnswer()
{
    if (m_finished)
        return;
    const QByteArray bytes = m_socket->readAll();
    switch (m_reader.feed(bytes)) {
    case HttpResponseReader::State::Complete:
        finish(xmlrpc::parseAnswer(m_reader.body()));
        break;
    case HttpResponseReader::State::Failed:
        finish(Parsed<QVariant>::failure(m_reader.error()));
        break;
    case HttpResponseReader::State::Reading:
        break;
    }
}

void XmlRpcCall::finish(const Parsed<QVariant> &result)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    m_socket->disconnect(this);
    m_socket->abort();
    // The callback may delete the parent, and with it this call: take what it needs first.
    const Done done = std::move(m_done);
    deleteLater();
    done(result);
}

} // namespace links
