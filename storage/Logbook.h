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
    static Result<LogbookReader> open(const QString &path);

    // The next whole record, or nullptr at the end of the file or on a read error.
    const char *next();
    const std::optional<StorageError> &error() const { return m_error; }
    qint64 recordNumber() const { return m_number; }

private:
    explicit LogbookReader(FileHandle file);
    bool fill();

    FileHandle m_file;
    QByteArray m_buffer;
    qint64 m_fileOffset = 0;
    qint64 m_pos = 0;
    qint64 m_end = 0;
    qint64 m_number = 0;
    bool m_eof = false;
    std::optional<StorageError> m_error;
};

// Searches the whole file for the first record whose call sign, without surrounding
// spaces, equals the key exactly. The last record read (the match, if any) is left
// in `lastRead`. Returns the match's record number.
Result<std::optional<qint64>> findCall(const QString &path, const QString &key,
                                       QsoRecord &lastRead);

} // namespace storage
