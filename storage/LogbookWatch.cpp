#include "storage/LogbookWatch.h"

#include <QFile>

#include <sys/stat.h>

namespace storage {

LogbookWatch::LogbookWatch(QObject *parent, int intervalMs) : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LogbookWatch::poll);
}

void LogbookWatch::setPath(const QString &path)
{
    m_path = path;
    m_name = QFile::encodeName(path);
    m_seen = look();
    if (path.isEmpty())
        m_timer.stop();
    else
        m_timer.start();
}

LogbookWatch::Seen LogbookWatch::look() const
{
    Seen seen;
    struct stat st {};
    if (m_name.isEmpty() || ::stat(m_name.constData(), &st) != 0)
        return seen;
    seen.exists = true;
    seen.device = st.st_dev;
    seen.inode = st.st_ino;
    seen.size = st.st_size;
    seen.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    seen.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return seen;
}

void LogbookWatch::poll()
{
    const Seen now = look();
    if (now == m_seen)
        return;
    m_seen = now;
    Q_EMIT changed();
}

} // namespace storage
