#pragma once

#include "storage/Result.h"

#include <QString>

namespace storage {

StorageError fileError(const QString &path, int err);

// An open file descriptor, closed when the handle goes. Plain POSIX calls so that a
// save can be forced to the disk (fsync) and every failure comes back with errno.
class FileHandle
{
public:
    enum class Mode {
        Read, // created when missing; opened for writing too where allowed, so that a
              // missing file can be created, else read-only
        ReadExisting, // read only; a missing file is an error
        Update, // read and write, created when missing
        Truncate, // created when missing, emptied
        Append, // created when missing, every write at the end
    };

    static Result<FileHandle> open(const QString &path, Mode mode);

    FileHandle(FileHandle &&other) noexcept;
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle();

    const QString &path() const { return m_path; }
    Result<qint64> size() const;
    // Reads up to len bytes at offset; fewer only at the end of the file.
    Result<qint64> readAt(char *buffer, qint64 len, qint64 offset) const;
    Status writeAt(const char *data, qint64 len, qint64 offset);
    Status write(const char *data, qint64 len);
    Status truncate(qint64 length);
    Status sync();

private:
    FileHandle(int fd, QString path) : m_fd(fd), m_path(std::move(path)) { }
    int m_fd = -1;
    QString m_path;
};

} // namespace storage
