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

Result<QList<ContactSpool::Entry>> ContactSpool::waiting() const
{
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
    QByteArray bytes(entries * EntrySize, Qt::Uninitialized);
    const auto read = file.value().readAt(bytes.data(), bytes.size(), 0);
    if (!read)
        return read.error();
    for (qint64 i = 0; i < read.value() / EntrySize; ++i) {
        const char *entry = bytes.constData() + i * EntrySize;
        // Only what a save of ours could have written: no control characters.
        const auto control = [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7F; };
        if (entry[0] != Waiting || std::any_of(entry + 1, entry + EntrySize, control))
            continue;
        Entry e;
        e.index = i;
        std::copy(entry + 1, entry + EntrySize, e.record.bytes.begin());
        out.append(e);
    }
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
