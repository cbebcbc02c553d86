#pragma once

#include <QString>

namespace formats {

// Whether two paths name one file, also through links or another spelling.
bool sameFile(const QString &a, const QString &b);

} // namespace formats
