#include "storage/FileHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace storage {

namespace hooks {
Hook beforeCall = nullptr;
} // namespace hooks

namespace {

// What a path names when it is no regular file, in the operator's words.
QString notRegular(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("Not a regular file but a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("Not a regular file but a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("Not a regular file but a device");
    return QStringLiteral("Not a regular file");
}

int injected(hooks::Call call, qint64 *length = nullptr)
{
    qint64 unused = 0;
    return hooks::beforeCall ? hooks::beforeCall(call, length ? length : &unused) : 0;
}

// The one retry loop: moves len bytes with `call(buffer offset, count, file offset)`,
// again after an interruption or a short transfer. Reading stops early only at the end
// of the file.
template<typename Call>
Result<qint64> transfer(int fd, const QString &path, qint64 len, bool writing, Call call)
{
    qint64 done = 0;
    while (done < len) {
        qint64 want = len - done;
        if (writing) {
            if (const int err = injected(hooks::Call::Write, &want); err != 0 || want < len - done) {
                // A write the test cut short lands partly before it fails.
                if (want > 0 && call(done, want) > 0)
                    done += want;
                return fileError(path, err != 0 ? err : EIO);
            }
        }
        const ssize_t n = call(done, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (writing && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd ready { fd, POLLOUT, 0 };
                ::poll(&ready, 1, -1);
                continue;
            }
            return fileError(path, errno);
        }
        if (n == 0) {
            if (writing)
                return fileError(path, EIO);
            break;
        }
        done += n;
    }
    return done;
}

} // namespace

StorageError fileError(const QString &path, int err)
{
    return fileError(path, QString::fromLocal8Bit(std::strerror(err)));
}

StorageError fileError(const QString &path, const QString &reason)
{
    return StorageError { StorageError::Kind::File, QDir::toNativeSeparators(path), reason };
}

Result<FileHandle> FileHandle::open(const QString &path, Mode mode)
{
    if (path.isEmpty())
        return fileError(path, ENOENT);
    const QByteArray name = QFile::encodeName(path);
    const bool create = mode == Mode::Read || mode == Mode::Update || mode == Mode::Append
            || mode == Mode::CreateNew;

    // Look before opening: opening a FIFO or a device can wait for a peer, rewind a
    // tape or take a terminal.
    struct stat st {};
    bool exists = ::stat(name.constData(), &st) == 0;
    if (!exists && (errno != ENOENT || !create))
        return fileError(path, errno);
    if (exists && mode == Mode::CreateNew)
        return fileError(path, EEXIST);
    if (exists && S_ISDIR(st.st_mode))
        return fileError(path, EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return fileError(path, notRegular(st.st_mode));

    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (create ? O_CREAT : 0);
    switch (mode) {
    case Mode::Read:
    case Mode::ReadExisting:
        flags |= O_RDONLY;
        break;
    case Mode::Update:
    case Mode::UpdateExisting:
        flags |= O_RDWR;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_EXCL;
        break;
    case Mode::Append:
        flags |= O_WRONLY | O_APPEND;
        break;
    }
    int fd = -1;
    do {
        fd = ::open(name.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fileError(path, errno);
    FileHandle handle(fd, path, !exists);
    // The name may have been swapped for something else between the look and the open.
    if (::fstat(fd, &st) != 0)
        return fileError(path, errno);
    if (!S_ISREG(st.st_mode))
        return fileError(path, S_ISDIR(st.st_mode) ? QString::fromLocal8Bit(std::strerror(EISDIR))
                                                   : notRegular(st.st_mode));
    return handle;
}

FileHandle::FileHandle(FileHandle &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_created(other.m_created)
{
}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_created = other.m_created;
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<qint64> FileHandle::size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fileError(m_path, errno);
    return static_cast<qint64>(st.st_size);
}

Result<qint64> FileHandle::readAt(char *buffer, qint64 len, qint64 offset) const
{
    return transfer(m_fd, m_path, len, false, [&](qint64 done, qint64 count) {
        return ::pread(m_fd, buffer + done, size_t(count), off_t(offset + done));
    });
}

Status FileHandle::writeAt(const char *data, qint64 len, qint64 offset)
{
    auto done = transfer(m_fd, m_path, len, true, [&](qint64 at, qint64 count) {
        return ::pwrite(m_fd, data + at, size_t(count), off_t(offset + at));
    });
    if (!done)
        return done.error();
    return success();
}

Status FileHandle::write(const char *data, qint64 len)
{
    auto done = transfer(m_fd, m_path, len, true, [&](qint64 at, qint64 count) {
        return ::write(m_fd, data + at, size_t(count));
    });
    if (!done)
        return done.error();
    return success();
}

Status writeDescriptor(int fd, const char *data, qint64 len, const QString &path)
{
    // One write(2) takes at most about 2 GiB; the loop goes on after a short write.
    auto done = transfer(fd, path, len, true, [&](qint64 at, qint64 count) {
        return ::write(fd, data + at, size_t(std::min<qint64>(count, qint64(1) << 30)));
    });
    if (!done)
        return done.error();
    return success();
}

Status FileHandle::truncate(qint64 length)
{
    if (const int err = injected(hooks::Call::Truncate))
        return fileError(m_path, err);
    int rc = 0;
    do {
        rc = ::ftruncate(m_fd, off_t(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return fileError(m_path, errno);
    return success();
}

Status FileHandle::sync()
{
    if (const int err = injected(hooks::Call::Sync))
        return fileError(m_path, err);
    if (::fsync(m_fd) != 0)
        return fileError(m_path, errno);
    return success();
}

Status FileHandle::lockExclusive(int waitMs)
{
    if (const int err = injected(hooks::Call::Lock))
        return fileError(m_path, err);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // the whole file, however long it grows
    int command = F_OFD_SETLK;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::fcntl(m_fd, command, &lock) == 0)
            return success();
        const int err = errno;
        if (err == EINVAL && command == F_OFD_SETLK) {
            command = F_SETLK; // a kernel without open-file-description locks
            continue;
        }
        // A file system without locks (an old network share) still takes contacts.
        if (err == ENOLCK || err == EOPNOTSUPP)
            return success();
        if (err != EINTR && err != EACCES && err != EAGAIN)
            return fileError(m_path, err);
        if (std::chrono::steady_clock::now() >= deadline)
            return StorageError { StorageError::Kind::Locked, QDir::toNativeSeparators(m_path),
                                  QString() };
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Status syncParentFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (const int err = injected(hooks::Call::SyncFolder))
        return fileError(folder, err);
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fileError(folder, errno);
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int err = errno;
    ::close(fd);
    if (!ok)
        return fileError(folder, err);
    return success();
}

Status removeFile(const QString &path)
{
    if (const int err = injected(hooks::Call::Remove))
        return fileError(path, err);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return fileError(path, errno);
    return success();
}

} // namespace storage
