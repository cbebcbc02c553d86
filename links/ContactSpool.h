#pragma once

#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QList>
#include <QString>

namespace links {

// Contacts another program logged that the logbook could not take yet, kept on disk
// until it can: a crash, a kill or Exit loses none of them. The file is a row of
// entries of one state byte ('-' waiting, '+' saved) and the 85-byte record; each
// append and each change of state is forced to the disk before it counts. A torn entry
// at the end (a crash in the middle of an append) is no entry and is cut off.
class ContactSpool
{
public:
    static constexpr qint64 EntrySize = 1 + storage::QsoRecord::Size;

    explicit ContactSpool(QString path) : m_path(std::move(path)) { }

    const QString &path() const { return m_path; }

    struct Entry
    {
        qint64 index = 0;
        storage::QsoRecord record;
    };
    // The entries still waiting, in the order they came. Entries that are neither
    // waiting nor saved (cut short, or changed by something else) are counted in
    // `unreadable`.
    storage::Result<QList<Entry>> waiting(qint64 *unreadable = nullptr) const;
    // Keeps records, in order, with one force to the disk; the index of the first (the
    // others follow it) for markSaved.
    storage::Result<qint64> append(const QList<storage::QsoRecord> &records);
    // The entry is in the logbook now. Once none waits, the file goes.
    storage::Status markSaved(qint64 index);

private:
    QString m_path;
};

} // namespace links
