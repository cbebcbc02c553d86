#include "links/HttpResponseReader.h"

#include <QList>

namespace links {

namespace {

bool isDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

HttpResponseReader::State HttpResponseReader::fail(const QString &why)
{
    m_state = State::Failed;
    m_error = why;
    m_buffer.clear();
    return m_state;
}

HttpResponseReader::State HttpResponseReader::feed(QByteArrayView bytes)
{
    if (m_state != State::Reading)
        return m_state;
    m_buffer.append(bytes);
    if (m_bodyStart < 0) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > MaxHeader)
                return fail(QStringLiteral("the answer's header is too long"));
            return m_state;
        }
        if (end > MaxHeader)
            return fail(QStringLiteral("the answer's header is too long"));
        m_bodyStart = end + 4;
        if (parseHeader() == State::Failed)
            return m_state;
    }
    return checkBody();
}

HttpResponseReader::State HttpResponseReader::parseHeader()
{
    const QList<QByteArray> lines = m_buffer.left(m_bodyStart - 4).split('\n');
    const QByteArray status = lines.first().trimmed();
    const QList<QByteArray> parts = status.split(' ');
    if (parts.size() < 2 || !parts[0].startsWith("HTTP/1."))
        return fail(QStringLiteral("the answer is not HTTP"));
    if (parts[1] != "200")
        return fail(QStringLiteral("the answer was HTTP status %1")
                            .arg(QString::fromLatin1(parts[1].left(3))));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            if (!isDigits(value) || value.size() > 9)
                return fail(QStringLiteral("the answer's length is not a number"));
            m_length = value.toLongLong();
            if (m_length > MaxBody)
                return fail(QStringLiteral("the answer is too long"));
        } else if (name == "transfer-encoding" && value.toLower() != "identity") {
            return fail(QStringLiteral("the answer is sent in pieces this program does not read"));
        }
    }
    return m_state;
}

HttpResponseReader::State HttpResponseReader::checkBody()
{
    const qsizetype have = m_buffer.size() - m_bodyStart;
    if (m_length >= 0 && have >= m_length) {
        m_buffer.truncate(m_bodyStart + m_length);
        m_state = State::Complete;
    } else if (have > MaxBody) {
        return fail(QStringLiteral("the answer is too long"));
    }
    return m_state;
}

HttpResponseReader::State HttpResponseReader::finish()
{
    if (m_state != State::Reading)
        return m_state;
    if (m_bodyStart < 0 || m_length >= 0)
        return fail(QStringLiteral("the answer broke off"));
    m_state = State::Complete;
    return m_state;
}

QByteArray HttpResponseReader::body() const
{
    return m_state == State::Complete ? m_buffer.mid(m_bodyStart) : QByteArray();
}

} // namespace links
