#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace radio {

// The date/time field: "dd.mm.yy hh:mm". Two-digit years are read the POSIX way
// (00-68 are 20yy, 69-99 are 19yy), so only 1969 to 2068 can be written.
QString stampText(const QDateTime &when);
// Empty for a moment the field cannot hold.
QString stampText(const QDate &date, const QTime &time);
std::optional<QDateTime> readStamp(QStringView text); // in UTC

} // namespace radio
