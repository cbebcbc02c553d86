#pragma once

#include <QString>

#include <optional>

// Hours as the operator types them: "2", "-5", "5.5" or "5,5" (the decimal part
// counts as a fraction of an hour, so 5.5 is 5 hours 30 minutes), or hours and
// minutes as a clock shows them ("-5:30"). Spaces around the number are allowed;
// anything else is no number.
std::optional<double> parseUtcHours(const QString &text);

// No clock on Earth is further from UTC than this; a larger stored offset is no offset.
constexpr double MaxUtcHours = 24.0;

// One line that says what this computer's clock implies, e.g. "This computer's clock is
// at UTC+1:00: enter -1 to log in UTC", for a clock `offsetSeconds` ahead of UTC.
QString clockHint(int offsetSeconds);
