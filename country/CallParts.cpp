#include "country/CallParts.h"

#include "country/Bytes.h"

#include <QList>

#include <array>

namespace country {

namespace {

bool isCallChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'/';
}

bool hasDigit(QByteArrayView part)
{
    for (const char c : part)
        if (c >= '0' && c <= '9')
            return true;
    return false;
}

// Letters after the last digit: a whole call has a suffix, a location prefix has few or none.
qsizetype trailingLetters(QByteArrayView part)
{
    qsizetype n = 0;
    for (qsizetype i = part.size() - 1; i >= 0 && !(part[i] >= '0' && part[i] <= '9'); --i)
        ++n;
    return n;
}

} // namespace

bool isIgnoredSuffix(QByteArrayView part)
{
    // /B (beacon) and /R (rover) are more often meant than China or Russia alone.
    static constexpr std::array<QByteArrayView, 12> ignored = {
        "P", "M", "A", "B", "E", "J", "R", "QRP", "QRPP", "LH", "AE", "AG",
    };
    for (const QByteArrayView word : ignored)
        if (part == word)
            return true;
    // Letters only and three or more: a word such as SOTA or YOTA, no location prefix.
    return part.size() >= 3 && !hasDigit(part);
}

qsizetype areaDigitsEnd(QByteArrayView call)
{
    qsizetype i = 1;
    while (i < call.size() && !(call[i] >= '0' && call[i] <= '9'))
        ++i;
    if (i >= call.size())
        return 0;
    while (i < call.size() && call[i] >= '0' && call[i] <= '9')
        ++i;
    return i;
}

QByteArray withCallArea(QByteArrayView call, char digit)
{
    const qsizetype end = areaDigitsEnd(call);
    if (end == 0) {
        const qsizetype at = std::min<qsizetype>(2, call.size());
        return bytes::left(call, at).toByteArray() + digit + bytes::mid(call, at).toByteArray();
    }
    qsizetype start = end;
    while (start > 1 && call[start - 1] >= '0' && call[start - 1] <= '9')
        --start;
    return bytes::left(call, start).toByteArray() + digit + bytes::mid(call, end).toByteArray();
}

CallParts splitCall(QStringView call)
{
    CallParts parts;
    const QStringView trimmed = call.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > MaxCallLength)
        return parts;
    QByteArray upper;
    upper.reserve(trimmed.size());
    for (const QChar qc : trimmed) {
        char16_t c = qc.unicode();
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        if (!isCallChar(c))
            return parts;
        upper.append(char(c));
    }

    QList<QByteArrayView> pieces;
    for (const QByteArrayView piece : bytes::split(upper, '/'))
        if (!piece.isEmpty())
            pieces.append(piece);
    if (pieces.isEmpty())
        return parts;

    // The first piece is never a suffix: MM/W1AW is Scotland, AM/DL1ABC Spain.
    QList<QByteArrayView> kept { pieces.first() };
    parts.whole = parts.stripped = pieces.first().toByteArray();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArrayView piece = pieces[i];
        parts.whole += '/' + piece.toByteArray();
        if (piece == "MM") {
            parts.mobile = CallParts::Mobile::Maritime;
        } else if (piece == "AM") {
            parts.mobile = CallParts::Mobile::Aeronautical;
        } else if (piece.size() == 1 && piece[0] >= '0' && piece[0] <= '9') {
            // The area digit stays in `stripped`: W1AW/4 is no longer W1AW.
            parts.areaDigit = piece[0];
            parts.stripped += '/' + piece.toByteArray();
        } else if (!isIgnoredSuffix(piece)) {
            kept.append(piece);
            parts.stripped += '/' + piece.toByteArray();
        }
    }

    // The operator's call is the longest piece; of the others the shortest says where.
    // Between two of one length, the one with fewer letters after its digit is the
    // location (VP2E beside W1AW), and otherwise the first (prefix/call is the usual order).
    qsizetype baseIndex = 0;
    for (qsizetype i = 1; i < kept.size(); ++i)
        if (kept[i].size() > kept[baseIndex].size()
            || (kept[i].size() == kept[baseIndex].size()
                && trailingLetters(kept[i]) > trailingLetters(kept[baseIndex])))
            baseIndex = i;
    if (kept.size() == 2 && kept[0].size() == kept[1].size()
        && trailingLetters(kept[0]) == trailingLetters(kept[1]))
        baseIndex = 1;
    parts.base = kept[baseIndex].toByteArray();
    qsizetype locationIndex = -1;
    for (qsizetype i = 0; i < kept.size(); ++i)
        if (i != baseIndex && (locationIndex < 0 || kept[i].size() < kept[locationIndex].size()))
            locationIndex = i;
    if (locationIndex >= 0)
        parts.location = kept[locationIndex].toByteArray();
    parts.valid = true;
    return parts;
}

} // namespace country
