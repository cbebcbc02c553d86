#pragma once

#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QString>

namespace storage {

// A correction rewrites one 85-byte record in place, which a crash or a full disk could
// tear. So the record's number and its old bytes first go to a journal beside the
// logbook, forced to the disk; then the new record is written in place and forced;
// then the journal is removed. A journal found later means the correction did not
// finish, and it is undone.
//
// The journal, 186 bytes:
//   0    8  "VNTLJNL1"
//   8    4  record number, unsigned 32-bit little-endian
//   12  85  the record as it was
//   97  85  the record as corrected
//   182  4  CRC-32 (the zlib/IEEE one) of bytes 0..181, little-endian
// A journal of any other length or with a wrong sum was torn while it was written:
// the logbook had not been touched yet.
constexpr qint64 JournalSize = 186;

QString journalPath(const QString &logbook);

// Rewrites record `number` as `corrected`. Holds the logbook's lock (the one saves and
// Create take) from the check to the removal of the journal. Refused with
// StorageError::Kind::Changed when the record on disk is no longer `shown`, or no
// longer there. A journal left by an interrupted correction is undone first. On any
// failure the record is left as it was (or, if even that cannot be written, the
// journal stays, so the next recovery puts it back).
Status correctRecord(const QString &path, qint64 number, const QsoRecord &shown,
                     const QsoRecord &corrected);

struct JournalRecovery
{
    enum class Outcome {
        None, // no journal: nothing was interrupted
        RolledBack, // record `number` holds its bytes from before the correction again
        Torn, // the journal was never whole; the logbook had not been touched
        Stale, // the logbook no longer holds that record in any form (replaced,
               // emptied or removed since): it was left alone
    };
    Outcome outcome = Outcome::None;
    qint64 number = 0;
};

// Undoes an interrupted correction of the logbook, under its lock; the journal is
// removed afterwards. Costs one stat when there is no journal. A journal that cannot
// be dealt with (the logbook cannot be written, say) is an error and stays.
Result<JournalRecovery> recoverJournal(const QString &path);

} // namespace storage
