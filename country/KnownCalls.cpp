#include "country/KnownCalls.h"

#include "country/Bytes.h"
#include "country/CallParts.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace country {

namespace {

// Upper case A-Z 0-9 /, or empty when the text holds anything else.
QByteArray normalized(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar qc : text) {
        char16_t c = qc.unicode();
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'/'))
            return {};
        out.append(char(c));
    }
    return out;
}

} // namespace

Loaded<KnownCalls> KnownCalls::fromMasterScp(const QByteArray &bytes, const QString &source)
{
    KnownCalls calls;
    std::vector<QByteArrayView> lines;
    int lineNumber = 0;
    for (QByteArrayView line : bytes::split(bytes, '\n')) {
        ++lineNumber;
        line = line.trimmed();
        if (line.startsWith('#')) {
            const qsizetype at = line.indexOf("Release ");
            if (at >= 0 && calls.m_release.isEmpty())
                calls.m_release = QString::fromLatin1(bytes::mid(line, at + 8).trimmed()).left(32);
            continue;
        }
        if (line.isEmpty())
            continue;
        bool good = line.size() <= MaxCallLength;
        for (const char c : line)
            good = good
                    && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                        || c == '/');
        if (!good)
            return LoadError { source, QStringLiteral("line %1: not a call").arg(lineNumber) };
        lines.push_back(line);
    }
    // Upper case first, then order: MASTER.SCP comes sorted but for a stray call or
    // two, so the calls in order are kept and only the strays sorted and merged in.
    QByteArray upper = bytes.toUpper();
    std::vector<std::string_view> ordered;
    std::vector<std::string_view> strays;
    ordered.reserve(lines.size());
    for (const QByteArrayView line : lines) {
        const std::string_view call(upper.constData() + (line.data() - bytes.constData()),
                                    size_t(line.size()));
        if (ordered.empty() || ordered.back() < call)
            ordered.push_back(call);
        else if (ordered.back() != call)
            strays.push_back(call);
    }
    std::sort(strays.begin(), strays.end());
    std::vector<std::string_view> all;
    all.reserve(ordered.size() + strays.size());
    std::merge(ordered.begin(), ordered.end(), strays.begin(), strays.end(),
               std::back_inserter(all));
    calls.m_text.reserve(bytes.size() + 1);
    calls.m_text.append('\n');
    calls.m_starts.reserve(all.size());
    std::string_view previous;
    for (const std::string_view call : all) {
        if (call == previous)
            continue;
        calls.m_starts.push_back(quint32(calls.m_text.size()));
        calls.m_text.append(call.data(), qsizetype(call.size()));
        calls.m_text.append('\n');
        previous = call;
    }
    return calls;
}

QByteArrayView KnownCalls::callAt(qsizetype index) const
{
    const char *begin = m_text.constData() + m_starts[size_t(index)];
    return QByteArrayView(begin, static_cast<const char *>(std::memchr(begin, '\n', size_t(m_text.constEnd() - begin))));
}

KnownCalls::Matches KnownCalls::containing(QStringView typed, int limit) const
{
    Matches matches;
    const QByteArray needle = normalized(typed.trimmed());
    if (needle.size() < 2 || limit <= 0 || m_text.isEmpty())
        return matches;
    const char *const begin = m_text.constData();
    const char *const end = begin + m_text.size();
    const char *at = begin;
    while (at < end) {
        const void *hit = ::memmem(at, size_t(end - at), needle.constData(), size_t(needle.size()));
        if (!hit)
            break;
        const char *h = static_cast<const char *>(hit);
        const char *lineStart = h;
        while (lineStart[-1] != '\n')
            --lineStart;
        const char *lineEnd = static_cast<const char *>(std::memchr(h, '\n', size_t(end - h)));
        if (matches.calls.size() == limit) {
            matches.more = true;
            break;
        }
        matches.calls.append(QString::fromLatin1(lineStart, lineEnd - lineStart));
        at = lineEnd + 1;
    }
    return matches;
}

bool KnownCalls::contains(QStringView call) const
{
    const QByteArray key = normalized(call.trimmed());
    if (key.isEmpty())
        return false;
    const auto it = std::lower_bound(m_starts.begin(), m_starts.end(), key,
                                     [&](quint32 start, const QByteArray &value) {
                                         const char *begin = m_text.constData() + start;
                                         const char *stop = static_cast<const char *>(
                                                 std::memchr(begin, '\n', size_t(m_text.size() - start)));
                                         return std::string_view(begin, size_t(stop - begin))
                                                 < std::string_view(value.constData(), size_t(value.size()));
                                     });
    return it != m_starts.end() && callAt(it - m_starts.begin()) == QByteArrayView(key);
}

} // namespace country
