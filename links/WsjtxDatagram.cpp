#include "links/WsjtxDatagram.h"

#include <QtEndian>

namespace links::wsjtx {

namespace {

// Reads big-endian fields off the front of the bytes; every read checks what is left.
class Fields
{
public:
    explicit Fields(QByteArrayView bytes) : m_bytes(bytes) { }

    template<typename T>
    bool number(T &out)
    {
        if (m_bytes.size() - m_pos < qsizetype(sizeof(T)))
            return false;
        out = qFromBigEndian<T>(m_bytes.data() + m_pos);
        m_pos += qsizetype(sizeof(T));
        return true;
    }

    // A QByteArray as QDataStream writes it: a 32-bit length (all ones for null), then
    // that many bytes; WSJT-X's text is UTF-8 in it.
    bool utf8(QString &out)
    {
        quint32 length = 0;
        if (!number(length))
            return false;
        if (length == 0xffffffffU) {
            out.clear();
            return true;
        }
        if (qint64(length) > m_bytes.size() - m_pos)
            return false;
        out = QString::fromUtf8(m_bytes.sliced(m_pos, qsizetype(length)));
        m_pos += qsizetype(length);
        return true;
    }

    // A QDateTime of stream version 5.0 or later, as UTC.
    bool dateTime(QDateTime &out)
    {
        qint64 julianDay = 0;
        quint32 msecs = 0;
        quint8 spec = 0;
        if (!number(julianDay) || !number(msecs) || !number(spec))
            return false;
        qint32 offset = 0;
        if (spec == 2 && !number(offset))
            return false;
        if (spec == 3) {
            QString zone;
            if (!utf8(zone))
                return false;
        }
        if (spec > 3)
            return false;
        const QDate date = QDate::fromJulianDay(julianDay);
        const QTime time = msecs < 86'400'000U ? QTime::fromMSecsSinceStartOfDay(int(msecs)) : QTime();
        if (!date.isValid() || !time.isValid()) {
            out = QDateTime();
            return true;
        }
        // WSJT-X sends UTC; an offset is taken off, a local time or zone read as UTC.
        out = QDateTime(date, time, Qt::UTC);
        if (spec == 2 && offset > -86'400 && offset < 86'400)
            out = out.addSecs(-offset);
        return true;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

bool readQsoLogged(Fields &in, QsoLogged &qso)
{
    return in.dateTime(qso.timeOff) && in.utf8(qso.dxCall) && in.utf8(qso.dxGrid)
            && in.number(qso.txFrequencyHz) && in.utf8(qso.mode) && in.utf8(qso.reportSent)
            && in.utf8(qso.reportReceived) && in.utf8(qso.txPower) && in.utf8(qso.comments)
            && in.utf8(qso.name) && in.dateTime(qso.timeOn);
}

} // namespace

Parsed<Message> parse(QByteArrayView datagram)
{
    using Failure = Parsed<Message>;
    if (datagram.size() > MaxDatagram)
        return Failure::failure(QStringLiteral("a datagram over %1 bytes").arg(MaxDatagram));
    Fields in(datagram);
    quint32 magic = 0;
    Message message;
    if (!in.number(magic) || magic != Magic)
        return Failure::failure(QStringLiteral("not a WSJT-X message"));
    if (!in.number(message.schema) || !in.number(message.type) || !in.utf8(message.id))
        return Failure::failure(QStringLiteral("a message cut short"));
    if (message.schema != 2 && message.schema != 3)
        return Failure::failure(QStringLiteral("schema %1 is not read").arg(message.schema));
    switch (message.type) {
    case 0: {
        Heartbeat beat;
        if (!in.number(beat.maxSchema) || !in.utf8(beat.version))
            return Failure::failure(QStringLiteral("a heartbeat cut short"));
        message.body = beat;
        break;
    }
    case 5: {
        QsoLogged qso;
        if (!readQsoLogged(in, qso))
            return Failure::failure(QStringLiteral("a QSO Logged message cut short"));
        message.body = qso;
        break;
    }
    case 12: {
        LoggedAdif adif;
        if (!in.utf8(adif.adif))
            return Failure::failure(QStringLiteral("a Logged ADIF message cut short"));
        message.body = adif;
        break;
    }
    default:
        break;
    }
    return message;
}

} // namespace links::wsjtx
