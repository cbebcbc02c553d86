#pragma once

#include "platform/Platform.h"
#include "storage/Result.h"

#include <QString>

// What the operator reads when storage could not do something, shared by every window:
// what failed, on which file and why.
QString failureReason(const storage::StorageError &error);
// "<what>" then the file and the reason.
QString failureText(const QString &what, const storage::StorageError &error);

// Undoes a correction of the logbook that was interrupted (see storage/Journal.h) before
// the logbook is used, and tells the operator when one was undone. Returns false, after
// saying why with `purpose` first, when the logbook must not be used yet.
bool recoverBeforeUse(Platform &platform, const QString &path, const QString &purpose);
