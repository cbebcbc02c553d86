#pragma once

#include "storage/FileHandle.h"
#include "storage/Result.h"

#include <QByteArrayView>

namespace storage {

// Whether a piece shorter than a record at the end of a logbook may be what a save of
// record `number` left when it was cut short: text only, as every field is, starting
// with that number. Only such a piece is ever overwritten; anything else was written by
// another program.
bool tornRecordOfOurs(QByteArrayView partial, qint64 number);

// Looks at the first and the last `sampleRecords` whole records of a file that is to
// be used as a logbook, and at the piece after them: an ADIF or other text file, a
// binary file or a file ending in bytes no save of ours leaves is refused
// (StorageError::Kind::NotALogbook, the reason saying what it looks like). Reads at
// most two samples, never the whole file: it runs whenever a logbook is taken into use.
Status checkLogbookShape(const FileHandle &file, qint64 size, qint64 sampleRecords);

} // namespace storage
