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
// The journal, 206 bytes:
//   0    8  "VNTLJNL2"
//   8    4  record number n, unsigned 32-bit little-endian
//   12   8  the logbook's inode number, unsigned 64-bit little-endian
//   20   8  L, the length of the logbook's whole records when the journal was written,
//           unsigned 64-bit little-endian
//   28   4  CRC-32 of the logbook's bytes 0..L-1 without record n, little-endian
//   32  85  the record as it was
//   117 85  the record as corrected
//   202  4  CRC-32 (the zlib/IEEE one) of bytes 0..201, little-endian
// The inode and the sum bind the journal to its logbook: saves only ever append, so the
// file it was written for still holds those bytes, while a copy, a restored backup or a
// logbook since replaced does not, and such a journal is never applied. A journal that
// is a prefix of this layout, or whole with a wrong sum, was torn while it was written:
// the logbook had not been touched yet. Anything else at the journal's path (the older
// "VNTLJNL1" journal, another program's file, a folder) is left alone: never applied,
// never removed.
constexpr qint64 JournalSize = 206;

// The journal's path: beside the file itself, not beside a link to it.
QString journalPath(const QString &logbook);
// Whether writing to `candidate` would write to the journal's path of `logbook`.
bool isJournalPath(const QString &candidate, const QString &logbook);

// Rewrites record `number` as `corrected`. Holds the logbook's lock (the one saves and
// Create take) from the check to the removal of the journal. Refused with
// StorageError::Kind::Changed when the record on disk is no longer `shown`, or no
// longer there, and with Kind::JournalInTheWay while something that is no journal of
// this logbook lies at the journal's path. A journal left by an interrupted correction
// is undone first. On any failure the record is left as it was (or, if even that
// cannot be written, the journal stays, so the next recovery puts it back).
Status correctRecord(const QString &path, qint64 number, const QsoRecord &shown,
                     const QsoRecord &corrected);

struct JournalRecovery
{
    enum class Outcome {
        None, // no journal: nothing was interrupted
        RolledBack, // record `number` holds its bytes from before the correction again
        Torn, // the journal was never whole; the logbook had not been touched; removed
        Stale, // the journal's logbook no longer holds what it held (emptied, rewritten,
               // or the contact changed again): removed, the logbook left as it is
        UnderWay, // another program holds the logbook's lock: a correction is being
                  // written right now; nothing was done
        Foreign, // a file that is no journal of this logbook (`detail` says what): left alone
        NotAFile, // the journal's path is a folder, FIFO, socket, device or link: left alone
    };
    Outcome outcome = Outcome::None;
    qint64 number = 0;
    QString journal; // its path, for Foreign and NotAFile
    QString detail; // what lies there, for Foreign and NotAFile ("a FIFO")
};

// Undoes an interrupted correction of the logbook, under its lock; the journal is
// removed afterwards. Costs one stat when there is no journal. Waits at most
// `lockWaitMs` for another holder of the lock before telling UnderWay. A journal that
// cannot be dealt with (the logbook cannot be written, say) is an error and stays.
Result<JournalRecovery> recoverJournal(const QString &path, int lockWaitMs = 0);

} // namespace storage
