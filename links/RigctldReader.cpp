#include "links/RigctldReader.h"

namespace links {

namespace {

bool isError(QByteArrayView line)
{
    return line.startsWith("RPRT ");
}

bool isNumber(QByteArrayView text, bool allowFraction)
{
    if (text.startsWith('-'))
        text = text.sliced(1);
    if (text.isEmpty() || text.size() > 20)
        return false;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && allowFraction && !point)
            point = true;
        else if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool isModeName(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 16)
        return false;
    for (const char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    }
    return true;
}

} // namespace

RigctldReader::State RigctldReader::fail(const QString &why)
{
    m_state = State::Failed;
    m_error = why;
    m_reading = {};
    return m_state;
}

RigctldReader::State RigctldReader::feed(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (m_state == State::Complete)
            return fail(QStringLiteral("the rig said more than it was asked"));
        if (m_state == State::Failed)
            return m_state;
        if (c != '\n') {
            if (m_partial.size() >= MaxLine)
                return fail(QStringLiteral("a line over %1 bytes").arg(MaxLine));
            m_partial.append(c);
            continue;
        }
        const QByteArray line = m_partial.endsWith('\r') ? m_partial.chopped(1) : m_partial;
        m_partial.clear();
        takeLine(line);
    }
    return m_state;
}

RigctldReader::State RigctldReader::takeLine(QByteArrayView line)
{
    switch (m_expect) {
    case Expect::Frequency:
        if (isNumber(line, true) && !line.startsWith('-')) {
            const qsizetype point = line.indexOf('.');
            const QByteArrayView whole = point < 0 ? line : line.first(point);
            if (whole.size() > 12)
                return fail(QStringLiteral("a frequency beyond any rig"));
            m_reading.frequencyHz = whole.isEmpty() ? 0 : whole.toLongLong();
        } else if (!isError(line)) {
            return fail(QStringLiteral("a frequency that is not a number"));
        }
        m_expect = Expect::Mode;
        break;
    case Expect::Mode:
        if (isError(line)) {
            m_state = State::Complete;
        } else if (isModeName(line)) {
            m_reading.mode = QString::fromLatin1(line);
            m_expect = Expect::Passband;
        } else {
            return fail(QStringLiteral("a mode that is no mode name"));
        }
        break;
    case Expect::Passband:
        if (!isNumber(line, false))
            return fail(QStringLiteral("a passband that is not a number"));
        m_state = State::Complete;
        break;
    }
    return m_state;
}

} // namespace links
