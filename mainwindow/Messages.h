#pragma once

#include "storage/Result.h"

#include <QString>

// The texts the operator reads when something cannot be done: what failed, on which
// file and why, and what to do next.
namespace msg {

QString noLogbook();
// "<what>" then the file and the system's reason.
QString failure(const QString &what, const storage::StorageError &error);
QString logbookFull(const QString &path);
// A path for a message: native separators, control characters escaped.
QString nativePath(const QString &path);

} // namespace msg
