#pragma once

#include "links/LinkSettings.h"
#include "links/LoggedContact.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

class QUdpSocket;

namespace links {

class ContactMerger;

// Listens for WSJT-X (or JTDX) on a UDP port and hands on each logged contact once.
// Datagrams from other machines are dropped unless the settings accept their sender;
// datagrams that do not read are dropped without a word.
class WsjtxListener : public QObject
{
    Q_OBJECT
public:
    explicit WsjtxListener(const WsjtxSettings &settings, QObject *parent = nullptr);

    // Starts listening; the reason when the port cannot be had.
    std::optional<QString> listen();

    // Who was heard last and how long ago, for the connections window.
    QString lastHeard() const;

    static bool acceptsSender(const QHostAddress &sender, const QList<QHostAddress> &accepted);

Q_SIGNALS:
    void logged(const links::LoggedContact &contact);

private:
    void readDatagrams();
    void takeWaiting();
    void take(const QByteArray &datagram);

    WsjtxSettings m_settings;
    QUdpSocket *m_socket = nullptr;
    ContactMerger *m_merger = nullptr;
    QList<QByteArray> m_waiting; // read off the socket, not yet taken
    bool m_working = false;
    QString m_heardId;
    QElapsedTimer m_heard;
};

} // namespace links
