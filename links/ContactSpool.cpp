#include "links/ContactSpool.h"

#include "storage/FileHandle.h"

#include <QFileInfo>

#include <algorithm>

using namespace storage;

namespace links {

namespace {

constexpr char Waiting = '-';
constexpr char Saved = '+';

} // namespace

Result<QList<ContactSpool::Entry>> ContactSpool::waiting(qint64 *unreadable) const
{
    qint64 bad = 0;
    QList<Entry> out;
    if (!QFileInfo::exists(m_path))
        return out;
    auto file = FileHandle::open(m_path, FileHandle::Mode::ReadExisting);
    if (!file)
        return file.error();
    const auto size = file.value().size();
    if (!size)
        return size.error();
    // Anything beyond what an evening could hold is no spool of ours.
    constexpr qint64 MaxEntries = 65536;
    const qint64 entries = std::min(size.value() / EntrySize, MaxEntries);
    bad += size.value() / EntrySize - entries + (size.value() % EntrySize != 0 ? 1 : 0);
    QByteArray bytes(entries * EntrySize, Qt::Uninitialized);
    const auto read = file.value().readAt(bytes.data(), bytes.size(), 0);
    if (!read)
        return read.error();
    for (qint64 i = 0; i < read.value() / EntrySize; ++i) {
        const char *entry = bytes.constData() + i * EntrySize;
        // Only what a save of ours could have written: no control characters.
        const auto control = [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7F; };
        const bool broken = std::any_of(entry + 1, entry + EntrySize, control);
        if (entry[0] != Waiting || broken) {
            bad += (entry[0] != Waiting && entry[0] != Saved) || broken ? 1 : 0;
            continue;
        }
        Entry e;
        e.index = i;
        std::copy(entry + 1, entry + EntrySize, e.record.bytes.begin());
        out.append(e);
    }
    if (unreadable)
        *unreadable = bad + (read.value() < bytes.size() ? 1 : 0);
    return out;
}

Result<qint64> ContactSpool::append(const QList<QsoRecord> &records)
{
    auto opened = FileHandle::open(m_path, FileHandle::Mode::Update);
    if (!opened)
        return opened.error();
    FileHandle &file = opened.value();
    const auto size = file.size();
    if (!size)
        return size.error();
    const qint64 index = size.value() / EntrySize;
    QByteArray entries;
    for (const QsoRecord &record : records) {
        entries.append(Waiting);
        entries.append(record.bytes.data(), QsoRecord::Size);
    }
    Status done = file.truncate(index * EntrySize);
    if (done)
        done = file.writeAt(entries.constData(), entries.size(), index * EntrySize);
    if (done)
        done = file.sync();
    if (done && file.created())
        done = syncParentFolder(m_path);
    if (!done)
        return done.error();
    return index;
}

Status ContactSpool::markSaved(qint64 index)
{
    {
        auto opened = FileHandle::open(m_path, FileHandle::Mode::UpdateExisting);
        if (!opened)
            return opened.error();
        Status done = opened.value().writeAt(&Saved, 1, index * EntrySize);
        if (done)
            done = opened.value().sync();
        if (!done)
            return done;
    }
    const auto left = waiting();
    if (left && left.value().isEmpty()) {
        if (Status removed = removeFile(m_path); !removed)
            return removed;
        return syncParentFolder(m_path);
    }
    return success();
}

} // namespace links
