#include "storage/Journal.h"

#include "storage/FileHandle.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace storage {
namespace {

constexpr char kMagic[] = "VNTLJNL1";
constexpr qint64 kMagicSize = 8;
constexpr qint64 kNumberAt = 8;
constexpr qint64 kOldAt = 12;
constexpr qint64 kNewAt = kOldAt + QsoRecord::Size;
constexpr qint64 kSumAt = kNewAt + QsoRecord::Size;
static_assert(kSumAt + 4 == JournalSize);

quint32 crc32(const char *data, qint64 length)
{
    quint32 crc = 0xFFFFFFFFU;
    for (qint64 i = 0; i < length; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

void putLe32(char *at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFFU);
}

quint32 getLe32(const char *at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value |= quint32(static_cast<unsigned char>(at[i])) << (8 * i);
    return value;
}

struct Entry
{
    qint64 number = 0;
    QsoRecord before;
    QsoRecord after;
};

QByteArray encode(const Entry &entry)
{
    QByteArray bytes(JournalSize, '\0');
    char *data = bytes.data();
    std::memcpy(data, kMagic, kMagicSize);
    putLe32(data + kNumberAt, quint32(entry.number));
    std::memcpy(data + kOldAt, entry.before.bytes.data(), QsoRecord::Size);
    std::memcpy(data + kNewAt, entry.after.bytes.data(), QsoRecord::Size);
    putLe32(data + kSumAt, crc32(data, kSumAt));
    return bytes;
}

std::optional<Entry> decode(const QByteArray &bytes)
{
    if (bytes.size() != JournalSize)
        return std::nullopt;
    const char *data = bytes.constData();
    if (std::memcmp(data, kMagic, kMagicSize) != 0 || getLe32(data + kSumAt) != crc32(data, kSumAt))
        return std::nullopt;
    Entry entry;
    entry.number = getLe32(data + kNumberAt);
    if (entry.number < 1)
        return std::nullopt;
    std::memcpy(entry.before.bytes.data(), data + kOldAt, QsoRecord::Size);
    std::memcpy(entry.after.bytes.data(), data + kNewAt, QsoRecord::Size);
    return entry;
}

// Whether a name is in the folder; trouble other than its absence is an error.
Result<bool> present(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    return fileError(path, errno);
}

Status removeJournal(const QString &journal)
{
    Status removed = removeFile(journal);
    if (removed)
        removed = syncParentFolder(journal);
    return removed;
}

// The record at `number`, or nothing when the file ends before its last byte.
Result<std::optional<QsoRecord>> readRecord(const FileHandle &logbook, qint64 number)
{
    QsoRecord record;
    auto got = logbook.readAt(record.bytes.data(), QsoRecord::Size, (number - 1) * QsoRecord::Size);
    if (!got)
        return got.error();
    if (got.value() < QsoRecord::Size)
        return std::optional<QsoRecord>();
    return std::optional<QsoRecord>(record);
}

Status writeInPlace(FileHandle &logbook, qint64 number, const QsoRecord &record)
{
    Status written = logbook.writeAt(record.bytes.data(), QsoRecord::Size,
                                     (number - 1) * QsoRecord::Size);
    if (written)
        written = logbook.sync();
    return written;
}

// Whether every byte of the record is the byte from before or the byte from after the
// correction: what a write torn at any point leaves. Anything else is another record.
bool fromThisCorrection(const QsoRecord &onDisk, const Entry &entry)
{
    for (int i = 0; i < QsoRecord::Size; ++i) {
        const char b = onDisk.bytes[size_t(i)];
        if (b != entry.before.bytes[size_t(i)] && b != entry.after.bytes[size_t(i)])
            return false;
    }
    return true;
}

// The journal's work, with the logbook open and locked.
Result<JournalRecovery> recoverLocked(FileHandle &logbook, const QString &journal)
{
    auto there = present(journal);
    if (!there)
        return there.error();
    if (!there.value())
        return JournalRecovery {};

    auto opened = FileHandle::open(journal, FileHandle::Mode::ReadExisting);
    if (!opened)
        return opened.error();
    QByteArray bytes(JournalSize + 1, '\0');
    auto got = opened.value().readAt(bytes.data(), bytes.size(), 0);
    if (!got)
        return got.error();
    bytes.truncate(got.value());

    const std::optional<Entry> entry = decode(bytes);
    if (!entry) {
        if (Status removed = removeJournal(journal); !removed)
            return removed.error();
        return JournalRecovery { JournalRecovery::Outcome::Torn, 0 };
    }
    auto onDisk = readRecord(logbook, entry->number);
    if (!onDisk)
        return onDisk.error();
    JournalRecovery done { JournalRecovery::Outcome::RolledBack, entry->number };
    if (!onDisk.value() || !fromThisCorrection(*onDisk.value(), *entry)) {
        done.outcome = JournalRecovery::Outcome::Stale;
    } else if (onDisk.value()->bytes != entry->before.bytes) {
        if (Status restored = writeInPlace(logbook, entry->number, entry->before); !restored)
            return restored.error();
    }
    if (Status removed = removeJournal(journal); !removed)
        return removed.error();
    return done;
}

StorageError changed(const QString &path)
{
    return StorageError { StorageError::Kind::Changed, QDir::toNativeSeparators(path), QString() };
}

} // namespace

QString journalPath(const QString &logbook)
{
    // Beside the file itself, not beside a link to it: a station that opens the logbook
    // through a link and one that opens it directly must find the same journal.
    const QString file = QFileInfo(logbook).canonicalFilePath();
    return (file.isEmpty() ? logbook : file) + QStringLiteral(".journal");
}

Result<JournalRecovery> recoverJournal(const QString &path)
{
    const QString journal = journalPath(path);
    auto there = present(journal);
    if (!there)
        return there.error();
    if (!there.value())
        return JournalRecovery {};

    auto opened = FileHandle::open(path, FileHandle::Mode::UpdateExisting);
    if (!opened) {
        // Without its logbook the journal guards nothing.
        auto logbookThere = present(path);
        if (!logbookThere || logbookThere.value())
            return opened.error();
        if (Status removed = removeJournal(journal); !removed)
            return removed.error();
        return JournalRecovery { JournalRecovery::Outcome::Stale, 0 };
    }
    FileHandle &logbook = opened.value();
    if (Status locked = logbook.lockExclusive(); !locked)
        return locked.error();
    return recoverLocked(logbook, journal);
}

Status correctRecord(const QString &path, qint64 number, const QsoRecord &shown,
                     const QsoRecord &corrected)
{
    if (number < 1)
        return changed(path);
    auto opened = FileHandle::open(path, FileHandle::Mode::UpdateExisting);
    if (!opened)
        return opened.error();
    FileHandle &logbook = opened.value();
    if (Status locked = logbook.lockExclusive(); !locked)
        return locked;

    // What another correction left half-done is put right before this one looks.
    const QString journal = journalPath(path);
    if (auto recovered = recoverLocked(logbook, journal); !recovered)
        return recovered.error();

    auto onDisk = readRecord(logbook, number);
    if (!onDisk)
        return onDisk.error();
    if (!onDisk.value() || onDisk.value()->bytes != shown.bytes)
        return changed(path);
    if (corrected.bytes == shown.bytes)
        return success();

    // 1. The old bytes, safe on the disk, name and all, before the record is touched.
    {
        auto created = FileHandle::open(journal, FileHandle::Mode::Update);
        if (!created)
            return created.error();
        FileHandle &file = created.value();
        const QByteArray bytes = encode(Entry { number, shown, corrected });
        Status saved = file.truncate(0);
        if (saved)
            saved = file.writeAt(bytes.constData(), bytes.size(), 0);
        if (saved)
            saved = file.sync();
        if (saved)
            saved = syncParentFolder(journal);
        if (!saved) {
            // The record is untouched; a journal that stays behind is undone harmlessly.
            (void)removeFile(journal);
            return saved;
        }
    }

    // 2. The new record in place; on failure the old one goes back at once.
    Status written = writeInPlace(logbook, number, corrected);
    // 3. The journal goes; until its name is removed the correction is not done.
    if (written)
        written = removeFile(journal);
    if (!written) {
        if (writeInPlace(logbook, number, shown))
            (void)removeJournal(journal);
        return written;
    }
    // The correction stands. Should the removal not reach the disk, a crash now brings
    // the journal back and the next recovery undoes the correction and says so.
    (void)syncParentFolder(journal);
    return success();
}

} // namespace storage
