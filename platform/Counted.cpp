#include "platform/Counted.h"

QString contactCount(qint64 count)
{
    return count == 1 ? QStringLiteral("1 contact") : QStringLiteral("%1 contacts").arg(count);
}

QString contactCount(qint64 count, const char *verbForOne, const char *verbForMany)
{
    return contactCount(count) + QLatin1Char(' ')
            + QLatin1String(count == 1 ? verbForOne : verbForMany);
}
