#pragma once

#include "storage/AppendRecords.h"
#include "storage/Journal.h"
#include "storage/Logbook.h"
#include "storage/Result.h"

#include <QString>

namespace storage {

// A logbook file as it was found when taken into use.
struct TakenLogbook
{
    qint16 count = 0; // the records read from now on: whole ones, at most 32767
    qint64 records = 0; // the whole records in the file, also beyond the limit
    JournalRecovery journal; // what the journal step found and did
    AppendRecovery append; // an interrupted import, settled
    // No next number can be formed: looked up, shown, corrected and exported, never saved to.
    bool full() const;
    // The file holds more than a logbook can; only the first 32767 records are read.
    bool beyondLimit() const;
};

enum class JournalWork {
    Recover, // undo an interrupted correction before anything is read
    Leave, // a reader that follows a logbook another window took into use
};

// The one step every reader and writer takes before it uses a logbook: the file must be
// a regular file; it must look like a logbook of ours at its head, its tail and the
// piece after its last whole record (an ADIF or text file, a binary file, bytes at the
// end that no save of ours leaves are refused, StorageError::Kind::NotALogbook, with
// what it looks like); a correction left half-done is undone through its journal (a
// journal whose logbook lock is held belongs to a correction under way: waited for at
// most `lockWaitMs`, then left to it); an import cut short is cut away again (see
// AppendRecords.h); and the records are counted, never past 32767.
// Cheap when there is nothing to recover: a few reads at both ends, never the whole file.
Result<TakenLogbook> takeIntoUse(const QString &path, IfMissing missing, int lockWaitMs = 0,
                                 JournalWork work = JournalWork::Recover);

} // namespace storage
