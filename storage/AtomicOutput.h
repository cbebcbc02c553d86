#pragma once

#include "storage/Result.h"

#include <QByteArray>
#include <QString>

namespace storage {

// Whether two paths name one file, also through links or another spelling.
bool sameFile(const QString &a, const QString &b);

// Writes a file made elsewhere (an export) to `path` without ever destroying what it
// names or waiting for a peer:
// - the same file as `inputPath` (links followed, hard links too) is refused, unwritten;
// - a regular file or a missing name gets the bytes whole or not at all: a temporary file
//   beside the file a link leads to, fsync, rename, fsync of the folder (a link stays a
//   link; an existing file keeps its permission bits);
// - anything else that exists (a device, a FIFO) is written into, never replaced; a FIFO
//   that no program reads is refused at once, a directory always.
Status writeOutput(const QString &path, const QByteArray &bytes, const QString &inputPath);

// Writes to the standard output, refusing one that is the file `inputPath`.
Status writeStandardOutput(const QByteArray &bytes, const QString &inputPath);

} // namespace storage
