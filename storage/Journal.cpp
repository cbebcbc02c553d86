#include "storage/Journal.h"

#include "storage/FileHandle.h"
#include "storage/LogbookShape.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace storage {
namespace {

constexpr char kMagic[] = "VNTLJNL2";
constexpr char kOldMagic[] = "VNTLJNL1";
constexpr qint64 kMagicSize = 8;
constexpr qint64 kOldJournalSize = 186;
constexpr qint64 kNumberAt = 8;
constexpr qint64 kInodeAt = 12;
constexpr qint64 kLengthAt = 20;
constexpr qint64 kDigestAt = 28;
constexpr qint64 kOldAt = 32;
constexpr qint64 kNewAt = kOldAt + QsoRecord::Size;
constexpr qint64 kSumAt = kNewAt + QsoRecord::Size;
static_assert(kSumAt + 4 == JournalSize);

constexpr std::array<quint32, 256> kCrcTable = [] {
    std::array<quint32, 256> table {};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c >> 1) ^ (0xEDB88320U & (0U - (c & 1U)));
        table[n] = c;
    }
    return table;
}();

// CRC-32 continued over more bytes: start with 0, feed each piece in turn.
quint32 crc32(quint32 crc, const char *data, qint64 length)
{
    crc = ~crc;
    for (qint64 i = 0; i < length; ++i)
        crc = kCrcTable[(crc ^ static_cast<unsigned char>(data[i])) & 0xFFU] ^ (crc >> 8);
    return ~crc;
}

template<int Bytes>
void putLe(char *at, quint64 value)
{
    for (int i = 0; i < Bytes; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFFU);
}

template<int Bytes>
quint64 getLe(const char *at)
{
    quint64 value = 0;
    for (int i = 0; i < Bytes; ++i)
        value |= quint64(static_cast<unsigned char>(at[i])) << (8 * i);
    return value;
}

// Which logbook a journal belongs to.
struct Binding
{
    quint64 inode = 0;
    qint64 length = 0;
    quint32 digest = 0;
};

struct Entry
{
    qint64 number = 0;
    Binding binding;
    QsoRecord before;
    QsoRecord after;
};

QByteArray encode(const Entry &entry)
{
    QByteArray bytes(JournalSize, '\0');
    char *data = bytes.data();
    std::memcpy(data, kMagic, kMagicSize);
    putLe<4>(data + kNumberAt, quint64(entry.number));
    putLe<8>(data + kInodeAt, entry.binding.inode);
    putLe<8>(data + kLengthAt, quint64(entry.binding.length));
    putLe<4>(data + kDigestAt, entry.binding.digest);
    std::memcpy(data + kOldAt, entry.before.bytes.data(), QsoRecord::Size);
    std::memcpy(data + kNewAt, entry.after.bytes.data(), QsoRecord::Size);
    putLe<4>(data + kSumAt, crc32(0, data, kSumAt));
    return bytes;
}

// What a regular file at the journal's path holds.
struct Decoded
{
    enum class Kind { Entry, Torn, Old, Other } kind = Kind::Other;
    Entry entry;
};

// `inode` is the logbook's: a journal torn after its inode was written names it.
Decoded decode(const QByteArray &bytes, quint64 inode)
{
    const char *data = bytes.constData();
    const qint64 size = bytes.size();
    // Only a file that begins as ours does can be a journal of ours cut short; an empty
    // one (the power failed before its bytes reached the disk) holds nothing to lose.
    const bool ourMagic = size >= kMagicSize ? std::memcmp(data, kMagic, kMagicSize) == 0
                                             : std::memcmp(data, kMagic, size_t(size)) == 0;
    if (size == kOldJournalSize && std::memcmp(data, kOldMagic, kMagicSize) == 0
        && getLe<4>(data + kOldJournalSize - 4) == crc32(0, data, kOldJournalSize - 4))
        return { Decoded::Kind::Old, {} };
    if (!ourMagic || size > JournalSize)
        return { Decoded::Kind::Other, {} };
    if (size < JournalSize || getLe<4>(data + kSumAt) != crc32(0, data, kSumAt)) {
        const bool namesAnother = size >= kLengthAt && getLe<8>(data + kInodeAt) != inode;
        return { namesAnother ? Decoded::Kind::Other : Decoded::Kind::Torn, {} };
    }
    Decoded decoded { Decoded::Kind::Entry, {} };
    Entry &entry = decoded.entry;
    entry.number = qint64(getLe<4>(data + kNumberAt));
    entry.binding = { getLe<8>(data + kInodeAt), qint64(getLe<8>(data + kLengthAt)),
                      quint32(getLe<4>(data + kDigestAt)) };
    if (entry.number < 1 || entry.binding.length < entry.number * QsoRecord::Size
        || entry.binding.length % QsoRecord::Size != 0)
        return { Decoded::Kind::Other, {} };
    std::memcpy(entry.before.bytes.data(), data + kOldAt, QsoRecord::Size);
    std::memcpy(entry.after.bytes.data(), data + kNewAt, QsoRecord::Size);
    return decoded;
}

// The logbook's first `length` bytes without record `number`, summed. Only a journal
// that is about to be written or applied pays for this read.
Result<quint32> digest(const FileHandle &logbook, qint64 length, qint64 number)
{
    const qint64 skipFrom = (number - 1) * QsoRecord::Size;
    QByteArray block(qsizetype(1542) * QsoRecord::Size, '\0');
    quint32 crc = 0;
    for (qint64 at = 0; at < length;) {
        auto got = logbook.readAt(block.data(), std::min<qint64>(block.size(), length - at), at);
        if (!got)
            return got.error();
        if (got.value() == 0)
            break; // shorter than `length`: the caller has already looked
        const qint64 end = at + got.value();
        // The block without the part that belongs to record `number`.
        const qint64 cutFrom = std::clamp(skipFrom, at, end);
        const qint64 cutTo = std::clamp(skipFrom + QsoRecord::Size, at, end);
        crc = crc32(crc, block.constData(), cutFrom - at);
        crc = crc32(crc, block.constData() + (cutTo - at), end - cutTo);
        at = end;
    }
    return crc;
}

Result<Binding> bindingOf(const FileHandle &logbook, qint64 number)
{
    struct stat st {};
    if (::fstat(logbook.descriptor(), &st) != 0)
        return fileError(logbook.path(), errno);
    Binding binding { quint64(st.st_ino), qint64(st.st_size) / QsoRecord::Size * QsoRecord::Size, 0 };
    auto sum = digest(logbook, binding.length, number);
    if (!sum)
        return sum.error();
    binding.digest = sum.value();
    return binding;
}

// What a path that is no regular file is, in the operator's words; empty for a
// regular file.
Result<QString> oddPath(const QString &path, bool *exists)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    *exists = true;
    if (::lstat(name.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *exists = false;
            return QString();
        }
        return fileError(path, errno);
    }
    if (S_ISREG(st.st_mode))
        return QString();
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        return ::stat(name.constData(), &target) == 0 ? QStringLiteral("a symbolic link")
                                                      : QStringLiteral("a broken symbolic link");
    }
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
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

JournalRecovery leftAlone(JournalRecovery::Outcome outcome, const QString &journal,
                          const QString &detail)
{
    return JournalRecovery { outcome, 0, journal, detail };
}

// What a regular file at the journal's path is to `logbook`: decoded, or (when it is no
// journal of this very file) the outcome that leaves it alone.
struct Looked
{
    Decoded decoded;
    std::optional<JournalRecovery> leftAlone;
    struct stat logbookStat {};
};

Result<Looked> lookAtJournal(const FileHandle &logbook, const QString &journal)
{
    using Outcome = JournalRecovery::Outcome;
    auto opened = FileHandle::open(journal, FileHandle::Mode::ReadExisting);
    if (!opened)
        return opened.error();
    QByteArray bytes(JournalSize + 1, '\0');
    auto got = opened.value().readAt(bytes.data(), bytes.size(), 0);
    if (!got)
        return got.error();
    bytes.truncate(got.value());

    Looked looked;
    if (::fstat(logbook.descriptor(), &looked.logbookStat) != 0)
        return fileError(logbook.path(), errno);
    looked.decoded = decode(bytes, quint64(looked.logbookStat.st_ino));
    if (looked.decoded.kind == Decoded::Kind::Old)
        looked.leftAlone = leftAlone(Outcome::Foreign, journal,
                                     QStringLiteral("the journal of an older vantel, which this one "
                                                    "does not apply"));
    else if (looked.decoded.kind == Decoded::Kind::Other)
        looked.leftAlone = leftAlone(Outcome::Foreign, journal,
                                     QStringLiteral("a file that is no journal of vantel"));
    else if (looked.decoded.kind == Decoded::Kind::Entry
             && quint64(looked.logbookStat.st_ino) != looked.decoded.entry.binding.inode)
        looked.leftAlone = leftAlone(Outcome::Foreign, journal,
                                     QStringLiteral("the journal of another file (a copy of this "
                                                    "logbook, or the logbook this one replaced)"));
    return looked;
}

// The journal's work, with the logbook open and locked.
Result<JournalRecovery> recoverLocked(FileHandle &logbook, const QString &journal)
{
    using Outcome = JournalRecovery::Outcome;
    bool exists = false;
    auto odd = oddPath(journal, &exists);
    if (!odd)
        return odd.error();
    if (!exists)
        return JournalRecovery {};
    if (!odd.value().isEmpty())
        return leftAlone(Outcome::NotAFile, journal, odd.value());

    auto looked = lookAtJournal(logbook, journal);
    if (!looked)
        return looked.error();
    if (looked.value().leftAlone)
        return *looked.value().leftAlone;
    const Decoded &decoded = looked.value().decoded;
    const struct stat &st = looked.value().logbookStat;
    if (decoded.kind == Decoded::Kind::Torn) {
        if (Status removed = removeJournal(journal); !removed)
            return removed.error();
        return JournalRecovery { Outcome::Torn, 0, {}, {} };
    }
    const Entry &entry = decoded.entry;
    JournalRecovery done { Outcome::Stale, entry.number, {}, {} };
    if (qint64(st.st_size) >= entry.binding.length) {
        auto sum = digest(logbook, entry.binding.length, entry.number);
        if (!sum)
            return sum.error();
        auto onDisk = readRecord(logbook, entry.number);
        if (!onDisk)
            return onDisk.error();
        if (sum.value() == entry.binding.digest && onDisk.value()
            && fromThisCorrection(*onDisk.value(), entry)) {
            done.outcome = Outcome::RolledBack;
            if (onDisk.value()->bytes != entry.before.bytes) {
                if (Status restored = writeInPlace(logbook, entry.number, entry.before); !restored)
                    return restored.error();
            }
        }
    }
    if (Status removed = removeJournal(journal); !removed)
        return removed.error();
    return done;
}

StorageError changed(const QString &path)
{
    return StorageError { StorageError::Kind::Changed, QDir::toNativeSeparators(path), QString() };
}

// The path as it names a file: through links to the file itself, and for a name not
// made yet through its folder's links.
QString resolved(const QString &path)
{
    QFileInfo info(path);
    // A link leads where it leads even when nothing is there yet: writing through it
    // would make the file at its end.
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops)
        info.setFile(info.absoluteDir(), info.symLinkTarget());
    const QString file = info.canonicalFilePath();
    if (!file.isEmpty())
        return file;
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

QString journalPath(const QString &logbook)
{
    // Beside the file itself, not beside a link to it: a station that opens the logbook
    // through a link and one that opens it directly must find the same journal.
    const QString file = QFileInfo(logbook).canonicalFilePath();
    return (file.isEmpty() ? logbook : file) + QStringLiteral(".journal");
}

bool isJournalPath(const QString &candidate, const QString &logbook)
{
    return resolved(candidate) == resolved(journalPath(logbook));
}

Result<JournalRecovery> recoverJournal(const QString &path, int lockWaitMs)
{
    const QString journal = journalPath(path);
    bool exists = false;
    auto odd = oddPath(journal, &exists);
    if (!odd)
        return odd.error();
    if (!exists)
        return JournalRecovery {};
    // Nothing at an odd path is read, and a folder or FIFO there never holds the logbook up.
    if (!odd.value().isEmpty())
        return leftAlone(JournalRecovery::Outcome::NotAFile, journal, odd.value());

    auto opened = FileHandle::open(path, FileHandle::Mode::UpdateExisting);
    if (!opened) {
        // Without its logbook the journal guards nothing now; it waits for the logbook.
        auto logbookOdd = oddPath(path, &exists);
        if (logbookOdd && !exists)
            return JournalRecovery {};
        // A logbook that may only be read is still read, past a file that is no journal
        // of its own; one of its own cannot be applied, and says why.
        auto readOnly = FileHandle::open(path, FileHandle::Mode::ReadExisting);
        if (readOnly) {
            auto looked = lookAtJournal(readOnly.value(), journal);
            if (looked && looked.value().leftAlone)
                return *looked.value().leftAlone;
        }
        return opened.error();
    }
    FileHandle &logbook = opened.value();
    if (Status locked = logbook.lockExclusive(lockWaitMs); !locked) {
        // The holder is writing this very journal, or saving: its work is not ours to judge.
        if (locked.error().kind == StorageError::Kind::Locked)
            return JournalRecovery { JournalRecovery::Outcome::UnderWay, 0, journal, {} };
        return locked.error();
    }
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

    // What another correction left half-done is put right before this one looks; what
    // is no journal of ours keeps its place, and the correction waits until it is moved.
    const QString journal = journalPath(path);
    auto recovered = recoverLocked(logbook, journal);
    if (!recovered)
        return recovered.error();
    using Outcome = JournalRecovery::Outcome;
    if (recovered.value().outcome == Outcome::Foreign || recovered.value().outcome == Outcome::NotAFile)
        return StorageError { StorageError::Kind::JournalInTheWay,
                              QDir::toNativeSeparators(journal), recovered.value().detail };

    // A file swapped for one that is no logbook since it was shown is not written into.
    auto size = logbook.size();
    if (!size)
        return size.error();
    if (Status shape = checkLogbookShape(logbook, size.value(), 1); !shape)
        return shape;
    auto onDisk = readRecord(logbook, number);
    if (!onDisk)
        return onDisk.error();
    if (!onDisk.value() || onDisk.value()->bytes != shown.bytes)
        return changed(path);
    if (corrected.bytes == shown.bytes)
        return success();
    auto binding = bindingOf(logbook, number);
    if (!binding)
        return binding.error();

    // 1. The old bytes, safe on the disk, name and all, before the record is touched.
    //    Made new: a file that appeared at the path meanwhile is never written over.
    {
        auto created = FileHandle::open(journal, FileHandle::Mode::CreateNew);
        if (!created)
            return created.error();
        FileHandle &file = created.value();
        const QByteArray bytes = encode(Entry { number, binding.value(), shown, corrected });
        Status saved = file.writeAt(bytes.constData(), bytes.size(), 0);
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
