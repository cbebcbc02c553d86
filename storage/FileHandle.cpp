#include "storage/FileHandle.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

StorageError fileError(const QString &path, int err)
{
    return StorageError { StorageError::Kind::File, QDir::toNativeSeparators(path),
                          QString::fromLocal8Bit(std::strerror(err)) };
}

Result<FileHandle> FileHandle::open(const QString &path, Mode mode)
{
    if (path.isEmpty())
        return fileError(path, ENOENT);
    const QByteArray name = QFile::encodeName(path);
    int flags = O_CLOEXEC | O_CREAT;
    switch (mode) {
    case Mode::ReadExisting:
        flags = O_CLOEXEC | O_RDONLY;
        break;
    case Mode::Read:
    case Mode::Update:
        flags |= O_RDWR;
        break;
    case Mode::Truncate:
        flags |= O_WRONLY | O_TRUNC;
        break;
    case Mode::Append:
        flags |= O_WRONLY | O_APPEND;
        break;
    }
    int fd = ::open(name.constData(), flags, 0666);
    if (fd < 0 && mode == Mode::Read && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        // A file we may only read can still be counted and searched.
        const int saved = errno;
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            errno = saved;
    }
    if (fd < 0)
        return fileError(path, errno);
    return FileHandle(fd, path);
}

FileHandle::FileHandle(FileHandle &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path))
{
}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
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
    if (S_ISDIR(st.st_mode))
        return fileError(m_path, EISDIR);
    return static_cast<qint64>(st.st_size);
}

Result<qint64> FileHandle::readAt(char *buffer, qint64 len, qint64 offset) const
{
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pread(m_fd, buffer + done, static_cast<size_t>(len - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fileError(m_path, errno);
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

Status FileHandle::writeAt(const char *data, qint64 len, qint64 offset)
{
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pwrite(m_fd, data + done, static_cast<size_t>(len - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fileError(m_path, errno);
        }
        done += n;
    }
    return success();
}

Status FileHandle::write(const char *data, qint64 len)
{
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(len - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fileError(m_path, errno);
        }
        done += n;
    }
    return success();
}

Status FileHandle::truncate(qint64 length)
{
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0)
        return fileError(m_path, errno);
    return success();
}

Status FileHandle::sync()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL) // EINVAL: a special file such as /dev/full
        return fileError(m_path, errno);
    return success();
}

} // namespace storage
