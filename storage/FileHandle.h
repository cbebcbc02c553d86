#pragma once

#include "storage/Result.h"

#include <QString>

namespace storage {

StorageError fileError(const QString &path, int err);
StorageError fileError(const QString &path, const QString &reason);

// Test seam: tests set `beforeCall` to make a system call fail (return its errno) or,
// for a write, to stop after fewer bytes (lower *length). Left null, it costs nothing.
namespace hooks {
enum class Call { Write, Sync, Truncate, Lock, SyncFolder, Remove };
using Hook = int (*)(Call call, qint64 *length);
extern Hook beforeCall;
} // namespace hooks

// An open regular file, closed when the handle goes. Plain POSIX calls so that a save
// can be forced to the disk (fsync), a logbook can be locked, and every failure comes
// back with errno. Nothing opened here blocks: a FIFO, device or socket is refused
// before it is opened, and opens never wait for a peer.
class FileHandle
{
public:
    enum class Mode {
        Read, // read only, created empty when missing
        ReadExisting, // read only; a missing file is an error
        Update, // read and write, created when missing
        UpdateExisting, // read and write; a missing file is an error
        Append, // created when missing, every write at the end
        CreateNew, // read and write, made by this open; an existing file is an error
    };

    static Result<FileHandle> open(const QString &path, Mode mode);

    FileHandle(FileHandle &&other) noexcept;
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle();

    const QString &path() const { return m_path; }
    int descriptor() const { return m_fd; }
    // Whether this open made the file (its folder entry is not on the disk yet).
    bool created() const { return m_created; }
    Result<qint64> size() const;
    // Reads up to len bytes at offset; fewer only at the end of the file.
    Result<qint64> readAt(char *buffer, qint64 len, qint64 offset) const;
    Status writeAt(const char *data, qint64 len, qint64 offset);
    Status write(const char *data, qint64 len);
    Status truncate(qint64 length);
    Status sync();
    // An exclusive lock on the whole file, held until the handle closes. A POSIX record
    // lock (open-file-description lock where the kernel has it), so stations sharing a
    // logbook on a network file system exclude each other too. Waits at most
    // `waitMs` for another holder to let go.
    Status lockExclusive(int waitMs = 1500);

private:
    FileHandle(int fd, QString path, bool created)
        : m_fd(fd), m_path(std::move(path)), m_created(created) { }
    int m_fd = -1;
    QString m_path;
    bool m_created = false;
};

// The write loop of FileHandle for a descriptor it does not own (the standard output, a
// device): everything, again after an interruption or a short write; a descriptor left
// non-blocking by someone else (a shared standard output) is waited for, not failed.
Status writeDescriptor(int fd, const char *data, qint64 len, const QString &path);

// Forces the folder entry of a file just created or removed to the disk.
Status syncParentFolder(const QString &path);

// Removes a file's name from its folder (not forced to the disk: see syncParentFolder).
// A file that is already gone is no error.
Status removeFile(const QString &path);

} // namespace storage
