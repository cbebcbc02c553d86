#pragma once

#include "links/HttpResponseReader.h"
#include "links/Parsed.h"

#include <QObject>
#include <QTimer>
#include <QVariant>

#include <functional>

class QTcpSocket;

namespace links {

// One XML-RPC call on a connection of its own: connect, send, read the answer within
// the time allowed, close. Nothing waits for it; the answer (or why there is none)
// comes to `done` from the event loop, and the call then deletes itself. Deleting
// the parent first ends it without an answer.
class XmlRpcCall : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const Parsed<QVariant> &)>;

    static void start(QObject *parent, const QString &host, quint16 port, const QString &method,
                      const QVariantList &params, int timeoutMs, Done done);

private:
    XmlRpcCall(QObject *parent, Done done);
    void finish(const Parsed<QVariant> &result);
    void readAnswer();

    QTcpSocket *m_socket = nullptr;
    QTimer m_timer;
    HttpResponseReader m_reader;
    QByteArray m_request;
    Done m_done;
    bool m_finished = false;
};

} // namespace links
