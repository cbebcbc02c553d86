#include "country/Wpx.h"

#include "country/Bytes.h"
#include "country/CallParts.h"

namespace country {

namespace {

// Letters and digits up to the call-area digits; without digits the first two
// characters and a zero.
QByteArray prefixOf(QByteArrayView call)
{
    const qsizetype end = areaDigitsEnd(call);
    if (end > 0)
        return bytes::left(call, end).toByteArray();
    return bytes::left(call, 2).toByteArray() + '0';
}

} // namespace

QString wpxPrefix(QStringView call)
{
    const CallParts parts = splitCall(call);
    if (!parts.valid)
        return {};
    if (!parts.location.isEmpty())
        return QString::fromLatin1(prefixOf(parts.location));
    QByteArray base = parts.base;
    if (parts.areaDigit)
        base = withCallArea(base, parts.areaDigit);
    return QString::fromLatin1(prefixOf(base));
}

} // namespace country
