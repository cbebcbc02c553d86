#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace storage {

// Tells when a logbook file changes on disk, whoever changed it: grown, shrunk,
// rewritten, replaced, removed or back again. It looks a few times a second (one
// stat, no read), which also sees what file-change notices miss when a file is
// replaced or lies on a network share.
class LogbookWatch : public QObject
{
    Q_OBJECT
public:
    explicit LogbookWatch(QObject *parent = nullptr, int intervalMs = 300);

    // The file to follow; empty follows nothing. Takes the file's state as seen now.
    void setPath(const QString &path);
    const QString &path() const { return m_path; }

    // Looks now; emits changed() when the file is not as it was last seen.
    void poll();

Q_SIGNALS:
    void changed();

private:
    struct Seen
    {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Seen &) const = default;
    };
    Seen look() const;

    QString m_path;
    QByteArray m_name;
    Seen m_seen;
    QTimer m_timer;
};

} // namespace storage
