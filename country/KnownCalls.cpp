#include "country/KnownCalls.h"

#include "country/CallParts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

namespace country {

namespace {

// A-Z, 0-9 and '/' as 0..36; pairs of them as 0..1368.
constexpr size_t Symbols = 37;

int symbol(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= '0' && c <= '9')
        return 26 + (c - '0');
    return 36;
}

// The distinct pairs of a call, at most MaxCallLength - 1 of them.
int pairsOf(std::string_view call, std::array<quint16, MaxCallLength> &pairs)
{
    int n = 0;
    for (size_t i = 1; i < call.size(); ++i) {
        const auto pair = quint16(size_t(symbol(call[i - 1])) * Symbols + size_t(symbol(call[i])));
        if (std::find(pairs.begin(), pairs.begin() + n, pair) == pairs.begin() + n)
            pairs[size_t(n++)] = pair;
    }
    return n;
}

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
    // The calls in order: MASTER.SCP comes sorted but for a stray call or two, so those
    // in order are kept as they come and only the strays sorted and merged in. Calls in
    // lower case are upper-cased into `upper`, whose room is reserved so views stay put.
    const QByteArray &text = bytes;
    QByteArray upper;
    std::vector<std::string_view> ordered;
    std::vector<std::string_view> strays;
    ordered.reserve(size_t(bytes.size() / 7));
    const char *at = text.constData();
    const char *const end = at + text.size();
    int lineNumber = 0;
    while (at < end) {
        ++lineNumber;
        const char *lineEnd = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
        if (!lineEnd)
            lineEnd = end;
        std::string_view line(at, size_t(lineEnd - at));
        at = lineEnd + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty())
            continue;
        if (line.front() == '#') {
            const size_t release = line.find("Release ");
            if (release != std::string_view::npos && calls.m_release.isEmpty())
                calls.m_release = QString::fromLatin1(QByteArrayView(line.substr(release + 8)).trimmed()).left(32);
            continue;
        }
        bool good = line.size() <= size_t(MaxCallLength);
        bool lower = false;
        for (const char c : line) {
            lower = lower || (c >= 'a' && c <= 'z');
            good = good && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/');
        }
        if (!good)
            return LoadError { source, QStringLiteral("line %1: not a call").arg(lineNumber) };
        if (lower) {
            if (upper.capacity() == 0)
                upper.reserve(bytes.size());
            const qsizetype from = upper.size();
            upper.append(QByteArray(line.data(), qsizetype(line.size())).toUpper());
            line = std::string_view(upper.constData() + from, line.size());
        }
        if (ordered.empty() || ordered.back() < line)
            ordered.push_back(line);
        else if (ordered.back() != line)
            strays.push_back(line);
    }
    std::sort(strays.begin(), strays.end());
    std::vector<std::string_view> all;
    if (strays.size() <= 64) {
        for (const std::string_view stray : strays) {
            const auto place = std::lower_bound(ordered.begin(), ordered.end(), stray);
            if (place == ordered.end() || *place != stray)
                ordered.insert(place, stray);
        }
        all = std::move(ordered);
    } else {
        all.reserve(ordered.size() + strays.size());
        std::merge(ordered.begin(), ordered.end(), strays.begin(), strays.end(), std::back_inserter(all));
        all.erase(std::unique(all.begin(), all.end()), all.end());
    }

    qsizetype total = 1;
    for (const std::string_view call : all)
        total += qsizetype(call.size()) + 1;
    calls.m_text = QByteArray(total, Qt::Uninitialized);
    char *out = calls.m_text.data();
    *out++ = '\n';
    calls.m_starts.reserve(all.size());
    for (const std::string_view call : all) {
        calls.m_starts.push_back(quint32(out - calls.m_text.constData()));
        std::memcpy(out, call.data(), call.size());
        out += call.size();
        *out++ = '\n';
    }
    calls.buildIndex();
    return calls;
}

void KnownCalls::buildIndex()
{
    // Two passes over the calls, counting each pair once a call, then placing it: the
    // calls stay in order within each pair's list.
    m_pairStarts.assign(Symbols * Symbols + 1, 0);
    std::vector<quint32> seen;
    const auto forEachPair = [&](auto function) {
        seen.assign(Symbols * Symbols, quint32(-1));
        const char *text = m_text.constData();
        for (size_t i = 0; i < m_starts.size(); ++i) {
            const char *c = text + m_starts[i];
            for (int left = symbol(*c++); *c != '\n'; ++c) {
                const int right = symbol(*c);
                const size_t pair = size_t(left) * Symbols + size_t(right);
                left = right;
                if (seen[pair] != quint32(i)) {
                    seen[pair] = quint32(i);
                    function(pair, quint32(i));
                }
            }
        }
    };
    forEachPair([&](size_t pair, quint32) { ++m_pairStarts[pair + 1]; });
    for (size_t k = 1; k < m_pairStarts.size(); ++k)
        m_pairStarts[k] += m_pairStarts[k - 1];
    m_pairCalls.resize(m_pairStarts.back());
    std::vector<quint32> fill(m_pairStarts.begin(), m_pairStarts.end() - 1);
    forEachPair([&](size_t pair, quint32 call) { m_pairCalls[fill[pair]++] = call; });
}

QByteArrayView KnownCalls::callAt(qsizetype index) const
{
    const char *begin = m_text.constData() + m_starts[size_t(index)];
    const char *end = static_cast<const char *>(std::memchr(begin, '\n', size_t(m_text.constEnd() - begin)));
    return QByteArrayView(begin, end - begin);
}

KnownCalls::Matches KnownCalls::containing(QStringView typed, int limit) const
{
    Matches matches;
    const QByteArray needle = normalized(typed.trimmed());
    if (needle.size() < 2 || limit <= 0 || m_starts.empty())
        return matches;
    std::array<quint16, MaxCallLength> pairs {};
    const int n = pairsOf(std::string_view(needle.constData(), size_t(std::min<qsizetype>(needle.size(), MaxCallLength))), pairs);
    quint16 rarest = pairs[0];
    for (int k = 1; k < n; ++k)
        if (m_pairStarts[pairs[size_t(k)] + 1u] - m_pairStarts[pairs[size_t(k)]]
            < m_pairStarts[rarest + 1u] - m_pairStarts[rarest])
            rarest = pairs[size_t(k)];
    for (quint32 k = m_pairStarts[rarest]; k < m_pairStarts[rarest + 1u]; ++k) {
        const QByteArrayView call = callAt(m_pairCalls[k]);
        if (needle.size() > 2 && call.indexOf(needle) < 0)
            continue;
        if (matches.calls.size() == limit) {
            matches.more = true;
            break;
        }
        matches.calls.append(QString::fromLatin1(call));
    }
    return matches;
}

bool KnownCalls::contains(QStringView call) const
{
    const QByteArray key = normalized(call.trimmed());
    if (key.isEmpty())
        return false;
    const std::string_view wanted(key.constData(), size_t(key.size()));
    const auto it = std::lower_bound(m_starts.begin(), m_starts.end(), wanted,
                                     [&](quint32 start, std::string_view value) {
                                         const QByteArrayView c = callAt(&start - m_starts.data());
                                         return std::string_view(c.data(), size_t(c.size())) < value;
                                     });
    if (it == m_starts.end())
        return false;
    const QByteArrayView found = callAt(it - m_starts.begin());
    return std::string_view(found.data(), size_t(found.size())) == wanted;
}

} // namespace country
