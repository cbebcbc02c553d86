#pragma once

#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QString>

#include <functional>
#include <vector>

namespace storage {

// Many records appended at once (an import) must land all or not at all. Saves only ever
// append and a partial record at the end is overwritten by the next save, so a kill in the
// middle would leave whole records of a half import that look like any other contacts.
// So before the first byte goes to the logbook, a marker beside it (LOGBOOK.import) names
// the length the logbook had and a sum of every record about to be written, and is forced
// to the disk; then the records are written and forced; then the marker is removed. A
// marker found later means the append did not finish: the records of ours after that
// length are cut away again.
//
// The marker, 36 + 8n bytes, integers little-endian:
//   0    8  "VNTLIMP1"
//   8    8  the logbook's inode number
//   16   8  L, the length of the logbook's whole records before the append
//   24   4  n, the records appended
//   28  8n  FNV-1a 64 of each record, in order
//   28+8n 8 FNV-1a 64 of the bytes before it
// A marker shorter than that or with a wrong sum was torn while it was written: nothing
// had been appended yet. A marker for another inode, or anything else at that path, is
// left alone and blocks further appends until it is moved away.
QString appendMarkerPath(const QString &logbook);

// Appends the records `make` returns, numbered by the caller from `wholeRecords` + 1:
// `make` runs with the logbook's lock held and the count of its whole records then, so a
// contact another station saved meanwhile is seen (its lock is waited for at most
// `lockWaitMs`) and never overwritten. The same rules as a save: the file must look like a
// logbook of ours (a piece at the end only when a save of ours can have left it, and then
// overwritten), never past 32767 records (StorageError::Kind::Overflow, nothing written).
// Returns the number of records appended. On any failure the logbook is cut back to its
// whole records as before, or, when even that fails, the marker stays so that the next
// take-into-use cuts it back.
Result<qint64> appendRecords(const QString &path,
                             const std::function<std::vector<QsoRecord>(qint64 wholeRecords)> &make,
                             int lockWaitMs = 10000);

struct AppendRecovery
{
    enum class Outcome {
        None, // no marker
        RolledBack, // `records` records of an interrupted append were cut away
        Finished, // every record had reached the logbook; only the marker was left
        Torn, // the marker was never whole; nothing had been appended; removed
        Stale, // the logbook no longer ends in records of that append: left as it is
        UnderWay, // another program holds the lock: an append may be running now
        Foreign, // something else lies at the marker's path: left alone
    };
    Outcome outcome = Outcome::None;
    qint64 records = 0;
    QString marker; // its path
};

// Settles an interrupted append under the logbook's lock (waited for at most
// `lockWaitMs`). Costs one stat when there is no marker.
Result<AppendRecovery> recoverAppend(const QString &path, int lockWaitMs = 0);

} // namespace storage
