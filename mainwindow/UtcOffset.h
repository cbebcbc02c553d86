#pragma once

#include <QString>

#include <optional>

// Hours as the operator types them: "2", "-5", "5.5" or "5,5" (the decimal part
// counts as a fraction of an hour, so 5.5 is 5 hours 30 minutes). Spaces around
// the number are allowed; anything else is no number.
std::optional<double> parseUtcHours(const QString &text);
