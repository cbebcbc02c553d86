#include "radio/Stamp.h"


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

// Read character by character: a regular expression cost more than the rest of a record's
// reading (the statistics read every record of a full logbook on each save).
std::optional<QDateTime> readStamp(QStringView text)
{
    static constexpr char shape[] = "00.00.00 00:00";
    if (text.size() != qsizetype(sizeof shape) - 1)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (shape[i] == '0' ? (c < u'0' || c > u'9') : c != char16_t(shape[i]))
            return std::nullopt;
    }
    const auto number = [&](qsizetype at) { return (text[at].unicode() - u'0') * 10 + (text[at + 1].unicode() - u'0'); };
    const int yy = number(6);
    // Logbooks kept past 2029 must not export their contacts as made in the 1930s.
    const QDate date(yy < 69 ? 2000 + yy : 1900 + yy, number(3), number(0));
    const QTime time(number(9), number(12));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace radio
