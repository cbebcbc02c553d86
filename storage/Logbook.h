#pragma once

#include "storage/FileHandle.h"
#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace storage {

// What an operation does when the logbook is missing: a logbook the operator names
// anew is created; one that vanished while in use is reported, never made again.
enum class IfMissing { Create, Fail };

// The most records a logbook holds: numbers are 16-bit.
constexpr qint16 MaxRecords = 32767;
// count + 1, or nothing when it would pass the 16-bit limit.
std::optional<qint16> nextNumber(qint16 count);

// Whole 85-byte records in the logbook.
Result<qint64> countWholeRecords(const QString &path, IfMissing missing = IfMissing::Create);
// The same as a record count, refused when it passes 32767.
Result<qint16> countRecords(const QString &path, IfMissing missing = IfMissing::Create);

// Writes the record as record `number` and forces it to the disk, holding the
// logbook's lock from the check to the fsync. The file must end within record
// `number`: a whole record already there (another station saved first) or a file
// that ends before it (shortened or replaced behind our back) is refused, so a save
// never overwrites a contact and never leaves a gap; a partial record there is
// overwritten. The file is created only for record 1. On failure the file is left at
// its old length. Another station's lock is waited for at most `lockWaitMs`. A file that
// no longer looks like a logbook at its ends, or ends in a piece no save of ours left,
// is refused untouched (StorageError::Kind::NotALogbook).
Status writeRecord(const QString &path, qint64 number, const QsoRecord &record,
                   int lockWaitMs = 1500);

// Creates the file, or cuts an existing one to length 0, under the logbook's lock. With
// `confirmed`, the whole records the operator agreed to lose: a logbook that holds
// another number by the time the lock is held (another station saved meanwhile) is
// refused untouched (StorageError::Kind::Changed, the count now in `reason`).
Status emptyLogbook(const QString &path, std::optional<qint64> confirmed = std::nullopt);

// Reads records 1, 2, ... in large blocks, never past record 32767. The file is created
// empty when missing.
class LogbookReader
{
public:
    static Result<LogbookReader> open(const QString &path, IfMissing missing);

    // The whole records of the next block, back to back; none at the end of the file
    // (a partial record there is no record) or after a read error.
    struct Block
    {
        const char *data = nullptr;
        qint64 records = 0;
        qint64 firstNumber = 0; // record number of the first one
    };
    Block nextBlock();

    // The next whole record, or nullptr at the end of the file or on a read error.
    const char *next();
    // Goes on at record `number` (from 1): the records a reader knew already are not
    // read again.
    void skipTo(qint64 number);
    // Whole records the file held when it was opened (never more than a logbook can).
    qint64 wholeRecords() const { return m_size / QsoRecord::Size; }
    const std::optional<StorageError> &error() const { return m_error; }
    // The number of the record next() returned last.
    qint64 recordNumber() const { return m_block.firstNumber + m_index - 1; }

private:
    LogbookReader(FileHandle file, qint64 size);

    FileHandle m_file;
    qint64 m_size = 0; // the length when opened: a device such as /dev/zero never ends
    QByteArray m_buffer;
    qint64 m_nextNumber = 1;
    bool m_atEnd = false;
    Block m_block;
    qint64 m_index = 0;
    std::optional<StorageError> m_error;
};

// Searches the whole file for the first record whose call sign, without surrounding
// spaces, equals the key; call signs have no letter case, so ASCII letters match in
// either case (the bytes stay as typed). The last record read (the match, if any) is
// left in `lastRead`. Returns the match's record number. A missing logbook is an
// error: it vanished while in use.
Result<std::optional<qint64>> findCall(const QString &path, const QString &key,
                                       QsoRecord &lastRead);

} // namespace storage
