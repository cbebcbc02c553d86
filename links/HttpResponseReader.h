#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace links {

// Collects one HTTP answer from a peer, piece by piece as the socket delivers it, and
// says when it is whole. Bounded: a peer that sends without end is cut off.
class HttpResponseReader
{
public:
    static constexpr qsizetype MaxHeader = 8 * qsizetype(1024);
    static constexpr qsizetype MaxBody = 64 * qsizetype(1024);

    enum class State { Reading, Complete, Failed };

    State feed(QByteArrayView bytes);
    // The peer closed the connection: an answer without a length ends here.
    State finish();

    State state() const { return m_state; }
    QByteArray body() const;
    QString error() const { return m_error; }

private:
    State fail(const QString &why);
    State parseHeader();
    State checkBody();

    State m_state = State::Reading;
    QByteArray m_buffer;
    qsizetype m_bodyStart = -1;
    qsizetype m_length = -1; // from Content-Length; -1 until the connection closes
    QString m_error;
};

} // namespace links
