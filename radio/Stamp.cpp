#include "radio/Stamp.h"

#include <QRegularExpression>

namespace radio {

QString stampText(const QDateTime &when)
{
    return stampText(when.date(), when.time());
}

QString stampText(const QDate &date, const QTime &time)
{
    if (!date.isValid() || !time.isValid() || date.year() < 1969 || date.year() > 2068)
        return {};
    return date.toString(QStringLiteral("dd.MM.yy")) + QLatin1Char(' ')
            + time.toString(QStringLiteral("HH:mm"));
}

std::optional<QDateTime> readStamp(QStringView text)
{
    static const QRegularExpression stamp(
            QStringLiteral("^(\\d{2})\\.(\\d{2})\\.(\\d{2}) (\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = stamp.match(text.toString());
    if (!m.hasMatch())
        return std::nullopt;
    const int yy = m.capturedView(3).toInt();
    // Logbooks kept past 2029 must not export their contacts as made in the 1930s.
    const QDate date(yy < 69 ? 2000 + yy : 1900 + yy, m.capturedView(2).toInt(),
                     m.capturedView(1).toInt());
    const QTime time(m.capturedView(4).toInt(), m.capturedView(5).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace radio
