#pragma once

#include "links/RigctldReader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

class QTcpSocket;

namespace links {

// Keeps the rig's frequency and mode fresh by asking rigctld over one connection a few
// times a second. Nothing ever waits for the rig: a fill reads the last answer, and an
// answer older than FreshMs counts as none, so a rig that falls silent falls back to
// the defaults on its own.
class RigPoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMs = 250;
    static constexpr int TimeoutMs = 1000;
    static constexpr int FreshMs = 1500;

    RigPoller(const QString &host, quint16 port, QObject *parent = nullptr);

    void start();
    void stop();
    // The last answer, if it is fresh and no question has gone unanswered since.
    std::optional<RigReading> fresh() const;
    // Why the last question got no answer (empty while the rig answers).
    QString problem() const { return m_problem; }

Q_SIGNALS:
    void answered(const links::RigReading &reading);
    void failed(const QString &why);

private:
    void tick();
    void ask();
    void readAnswer();
    void giveUp(const QString &why);

    QString m_host;
    quint16 m_port;
    QTcpSocket *m_socket = nullptr;
    QTimer m_timer;
    QElapsedTimer m_asked; // since the question went out, or the connection was begun
    QElapsedTimer m_answered;
    QElapsedTimer m_failedAt;
    bool m_waiting = false;
    RigctldReader m_reader;
    RigReading m_last;
    QString m_problem;
};

} // namespace links
