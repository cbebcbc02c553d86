#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Makes a file or folder unwritable for the life of the object, also for root: the
// immutable flag where the file system has it, the permission bits elsewhere.
class Unwritable
{
public:
    explicit Unwritable(const QString &path) : m_path(path)
    {
        m_immutable = setImmutable(true);
        if (!m_immutable) {
            m_permissions = QFile::permissions(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther
                                          | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
        }
    }
    ~Unwritable()
    {
        if (m_immutable)
            setImmutable(false);
        else
            QFile::setPermissions(m_path, m_permissions);
    }
    // Whether writing really is refused here (permission bits do not stop root).
    bool effective() const { return m_immutable || ::geteuid() != 0; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    QString m_path;
    bool m_immutable = false;
    QFile::Permissions m_permissions;
};
