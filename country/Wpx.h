#pragma once

#include <QString>
#include <QStringView>

namespace country {

// The prefix a call counts as in the CQ WPX contest: "W1AW" W1, "LY1000A" LY1000,
// "XEFTJW" XE0, "KH9/N8BJQ" KH9, "PA/N8BJQ" PA0, "W1AW/4" W4. /P, /M, /MM, /QRP and
// the like do not count. Empty for text that is no call.
QString wpxPrefix(QStringView call);

} // namespace country
