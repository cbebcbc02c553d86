#include "storage/AtomicOutput.h"

#include "storage/FileHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace storage {
namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The identity of an existing file, or of the place a missing one would take.
QString identity(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

bool isInput(const struct stat &st, const QString &inputPath)
{
    struct stat input {};
    return !inputPath.isEmpty() && ::stat(encoded(inputPath).constData(), &input) == 0
            && input.st_dev == st.st_dev && input.st_ino == st.st_ino;
}

StorageError sameAsInput(const QString &path)
{
    return fileError(path, QStringLiteral("It is the logbook being exported"));
}

// Closes a descriptor when it goes; release() hands the closing over.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// A reader that goes away mid-write must give an error, not end the program: SIGPIPE is
// held back while writing, and one raised here is taken away unseen.
class PipeSignalHeld
{
public:
    PipeSignalHeld()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        m_wasPending = pending();
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    PipeSignalHeld(const PipeSignalHeld &) = delete;
    PipeSignalHeld &operator=(const PipeSignalHeld &) = delete;
    ~PipeSignalHeld()
    {
        if (!m_wasPending && pending()) {
            const timespec none {};
            sigtimedwait(&m_pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }

private:
    static bool pending()
    {
        sigset_t set;
        sigemptyset(&set);
        return sigpending(&set) == 0 && sigismember(&set, SIGPIPE) == 1;
    }
    sigset_t m_pipe {};
    sigset_t m_old {};
    bool m_wasPending = false;
};

// A reader that goes away mid-write gives an error (EPIPE) through the one write loop.
Status writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    const PipeSignalHeld held;
    return writeDescriptor(fd, bytes.constData(), bytes.size(), path);
}

// The name a chain of symbolic links ends at (the path itself when it is no link),
// whether or not a file stands there yet.
Result<QString> linkTarget(const QString &path)
{
    QString current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(encoded(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(encoded(current).constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return fileError(path, errno);
        const QString next = QFile::decodeName(target.left(n));
        // A relative target counts from the link's own folder, as the kernel reads it.
        current = QDir::isAbsolutePath(next) ? next : QFileInfo(current).path() + QLatin1Char('/') + next;
    }
    return fileError(path, ELOOP);
}

// The bytes whole or not at all in place of `target` (a regular file or nothing): a
// temporary file beside it, fsync, rename over it, fsync of the folder.
Status replaceFile(const QString &path, const QString &target, const QByteArray &bytes,
                   const struct stat *old)
{
    const QString folder = QFileInfo(target).path();
    QString temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folder + QStringLiteral("/.vantel-export.%1.tmp")
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        // Made with the usual mode so the umask applies, as for any new file.
        fd = ::open(encoded(temp).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0 && !(errno == EEXIST && attempt < 100) && errno != EINTR)
            return fileError(path, errno);
    }
    Descriptor file(fd);
    const auto fail = [&](int err) {
        ::unlink(encoded(temp).constData());
        return fileError(path, err);
    };
    if (old) {
        // The replaced file's owner where we may give it (as root), and its permissions.
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid())
            && ::fchown(file.get(), old->st_uid, old->st_gid) != 0) {
            // Not ours to give away: the new file stays ours.
        }
        if (::fchmod(file.get(), old->st_mode & 0777) != 0)
            return fail(errno);
    }
    if (auto written = writeAll(file.get(), bytes, path); !written) {
        ::unlink(encoded(temp).constData());
        return written;
    }
    if (::fsync(file.get()) != 0 || ::close(file.release()) != 0)
        return fail(errno);
    if (::rename(encoded(temp).constData(), encoded(target).constData()) != 0)
        return fail(errno);
    return syncParentFolder(target);
}

// A device or FIFO gets the bytes written into it; opening it never waits for a peer.
Status writeInto(const QString &path, const QByteArray &bytes, const struct stat &seen)
{
    if (S_ISBLK(seen.st_mode))
        return fileError(path, QStringLiteral("It is a disk device; an export is never "
                                              "written onto one"));
    int fd = -1;
    do {
        fd = ::open(encoded(path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENXIO && S_ISFIFO(seen.st_mode))
        return fileError(path, QStringLiteral("No program reads this FIFO"));
    if (fd < 0)
        return fileError(path, errno);
    Descriptor file(fd);
    // What was opened must be what was looked at, not a file put there since.
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        return fileError(path, errno);
    if (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino)
        return fileError(path, QStringLiteral("It was replaced while it was being opened"));
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fileError(path, errno);
    if (auto written = writeAll(file.get(), bytes, path); !written)
        return written;
    if (::close(file.release()) != 0)
        return fileError(path, errno);
    return success();
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(encoded(a).constData(), &sa) == 0 && ::stat(encoded(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return identity(a) == identity(b);
}

Status writeOutput(const QString &path, const QByteArray &bytes, const QString &inputPath)
{
    if (path.isEmpty())
        return fileError(path, ENOENT);
    struct stat st {};
    const bool exists = ::stat(encoded(path).constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fileError(path, errno);
    if (exists && isInput(st, inputPath))
        return sameAsInput(path);
    if (exists && S_ISDIR(st.st_mode))
        return fileError(path, EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return writeInto(path, bytes, st);
    // A link to a file stays a link: the file it leads to is replaced.
    const auto target = linkTarget(path);
    if (!target)
        return target.error();
    return replaceFile(path, target.value(), bytes, exists ? &st : nullptr);
}

Status writeStandardOutput(const QByteArray &bytes, const QString &inputPath)
{
    const QString name = QStringLiteral("the standard output");
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) != 0)
        return fileError(name, errno);
    if (isInput(st, inputPath))
        return sameAsInput(name);
    return writeAll(STDOUT_FILENO, bytes, name);
}

} // namespace storage
