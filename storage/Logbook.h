#pragma once

#include "storage/FileHandle.h"
#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace storage {

// Whole 85-byte records in the logbook; the file is created empty when missing.
Result<qint64> countWholeRecords(const QString &path);
// The same as a record count, refused when it passes 32767.
Result<qint16> countRecords(const QString &path);

// Writes the record as record `number` and forces it to the disk. A whole record
// already standing there is never overwritten (another program wrote to the file);
// a partial record there is. On failure the file is left at its old length.
Status writeRecord(const QString &path, qint64 number, const QsoRecord &record);

// Creates the file, or cuts an existing one to length 0.
Status emptyLogbook(const QString &path);

// Reads records 1, 2, ... in large blocks. The file is created empty when missing.
class LogbookReader
{
public:
    enum class Missing { Create, Fail };
    static Result<LogbookReader> open(const QString &path, Missing missing = Missing::Create);

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
// spaces, equals the key exactly. The last record read (the match, if any) is left
// in `lastRead`. Returns the match's record number.
Result<std::optional<qint64>> findCall(const QString &path, const QString &key,
                                       QsoRecord &lastRead);

} // namespace storage
