#include "storage/AppendRecords.h"

#include "storage/FileHandle.h"
#include "storage/LogbookShape.h"
#include "storage/Logbook.h"

#include <QFileInfo>

#include <sys/stat.h>

#include <cstring>

namespace storage {
namespace {

constexpr char kImportMagic[] = "VNTLIMP1";
constexpr qint64 kImportHeader = 28;

quint64 importSum(const char *data, qint64 length)
{
    quint64 h = 14695981039346656037ULL;
    for (qint64 i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 1099511628211ULL;
    }
    return h;
}

void putImportLe(QByteArray &out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

quint64 getImportLe(const char *data, int bytes)
{
    quint64 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

Result<quint64> importInode(const FileHandle &file)
{
    struct stat st {};
    if (::fstat(file.descriptor(), &st) != 0)
        return fileError(file.path(), errno);
    return quint64(st.st_ino);
}

struct ImportMarker
{
    quint64 inode = 0;
    qint64 length = 0;
    std::vector<quint64> sums;
};

QByteArray encodeMarker(const ImportMarker &marker)
{
    QByteArray out(kImportMagic, 8);
    putImportLe(out, marker.inode, 8);
    putImportLe(out, quint64(marker.length), 8);
    putImportLe(out, marker.sums.size(), 4);
    for (const quint64 sum : marker.sums)
        putImportLe(out, sum, 8);
    putImportLe(out, importSum(out.constData(), out.size()), 8);
    return out;
}

enum class MarkerRead { Whole, Torn, Foreign };

MarkerRead decodeMarker(const QByteArray &bytes, ImportMarker &marker)
{
    const qint64 size = bytes.size();
    // A prefix of the magic is a marker torn at its first write.
    if (std::memcmp(bytes.constData(), kImportMagic, size_t(std::min<qint64>(size, 8))) != 0)
        return MarkerRead::Foreign;
    if (size < kImportHeader)
        return MarkerRead::Torn;
    const char *data = bytes.constData();
    const qint64 n = qint64(getImportLe(data + 24, 4));
    if (n > MaxRecords)
        return MarkerRead::Foreign;
    const qint64 whole = kImportHeader + 8 * n + 8;
    if (size < whole)
        return MarkerRead::Torn;
    if (size > whole)
        return MarkerRead::Foreign;
    if (getImportLe(data + whole - 8, 8) != importSum(data, whole - 8))
        return MarkerRead::Torn;
    marker.inode = getImportLe(data + 8, 8);
    marker.length = qint64(getImportLe(data + 16, 8));
    marker.sums.resize(size_t(n));
    for (qint64 i = 0; i < n; ++i)
        marker.sums[size_t(i)] = getImportLe(data + kImportHeader + 8 * i, 8);
    return MarkerRead::Whole;
}

Status removeMarker(const QString &marker)
{
    Status removed = removeFile(marker);
    if (removed)
        removed = syncParentFolder(marker);
    return removed;
}

// With the logbook's lock held: what a marker left by an interrupted append says, and
// the logbook cut back to where that append began when only its records follow.
Result<AppendRecovery> settle(FileHandle &logbook, const QString &path)
{
    AppendRecovery out;
    out.marker = appendMarkerPath(path);
    QFileInfo info(out.marker);
    if (!info.exists() && !info.isSymLink())
        return out;
    if (info.isSymLink() || !info.isFile()) {
        out.outcome = AppendRecovery::Outcome::Foreign;
        return out;
    }
    auto opened = FileHandle::open(out.marker, FileHandle::Mode::ReadExisting);
    if (!opened)
        return opened.error();
    auto markerSize = opened.value().size();
    if (!markerSize)
        return markerSize.error();
    if (markerSize.value() > kImportHeader + 8 * qint64(MaxRecords) + 8) {
        out.outcome = AppendRecovery::Outcome::Foreign;
        return out;
    }
    QByteArray bytes(markerSize.value(), Qt::Uninitialized);
    if (auto got = opened.value().readAt(bytes.data(), bytes.size(), 0); !got)
        return got.error();

    ImportMarker marker;
    const MarkerRead read = decodeMarker(bytes, marker);
    auto inode = importInode(logbook);
    if (!inode)
        return inode.error();
    if (read == MarkerRead::Foreign || (read == MarkerRead::Whole && marker.inode != inode.value())) {
        out.outcome = AppendRecovery::Outcome::Foreign;
        return out;
    }
    if (read == MarkerRead::Torn) {
        out.outcome = AppendRecovery::Outcome::Torn;
    } else {
        auto size = logbook.size();
        if (!size)
            return size.error();
        const qint64 n = qint64(marker.sums.size());
        const qint64 after = size.value() - marker.length;
        // Only whole records of ours may follow L, and at most all of them.
        bool ours = after >= 0 && after <= n * QsoRecord::Size;
        std::array<char, QsoRecord::Size> record {};
        for (qint64 i = 0; ours && i < after / QsoRecord::Size; ++i) {
            auto got = logbook.readAt(record.data(), QsoRecord::Size,
                                      marker.length + i * QsoRecord::Size);
            if (!got)
                return got.error();
            ours = got.value() == QsoRecord::Size
                    && importSum(record.data(), QsoRecord::Size) == marker.sums[size_t(i)];
        }
        if (!ours) {
            out.outcome = AppendRecovery::Outcome::Stale;
        } else if (after == n * QsoRecord::Size) {
            out.outcome = AppendRecovery::Outcome::Finished;
            out.records = n;
        } else {
            Status cut = logbook.truncate(marker.length);
            if (cut)
                cut = logbook.sync();
            if (!cut)
                return cut.error();
            out.outcome = AppendRecovery::Outcome::RolledBack;
            out.records = after / QsoRecord::Size;
        }
    }
    if (Status removed = removeMarker(out.marker); !removed)
        return removed.error();
    return out;
}

} // namespace

QString appendMarkerPath(const QString &logbook)
{
    // Beside the file itself, as the journal: every station finds the same marker.
    const QString file = QFileInfo(logbook).canonicalFilePath();
    return (file.isEmpty() ? logbook : file) + QStringLiteral(".import");
}

Result<AppendRecovery> recoverAppend(const QString &path, int lockWaitMs)
{
    const QString marker = appendMarkerPath(path);
    const QFileInfo info(marker);
    if (!info.exists() && !info.isSymLink())
        return AppendRecovery {};
    auto opened = FileHandle::open(path, FileHandle::Mode::UpdateExisting);
    if (!opened)
        return opened.error();
    if (Status locked = opened.value().lockExclusive(lockWaitMs); !locked) {
        if (locked.error().kind != StorageError::Kind::Locked)
            return locked.error();
        return AppendRecovery { AppendRecovery::Outcome::UnderWay, 0, marker };
    }
    return settle(opened.value(), path);
}

Result<qint64> appendRecords(const QString &path,
                             const std::function<std::vector<QsoRecord>(qint64 wholeRecords)> &make,
                             int lockWaitMs)
{
    auto opened = FileHandle::open(path, FileHandle::Mode::Update);
    if (!opened)
        return opened.error();
    FileHandle &file = opened.value();
    if (Status locked = file.lockExclusive(lockWaitMs); !locked)
        return locked.error();
    auto recovered = settle(file, path);
    if (!recovered)
        return recovered.error();
    if (recovered.value().outcome == AppendRecovery::Outcome::Foreign)
        return StorageError { StorageError::Kind::JournalInTheWay, recovered.value().marker,
                              QStringLiteral("a file that is no import marker of this logbook") };
    auto size = file.size();
    if (!size)
        return size.error();
    if (Status shape = checkLogbookShape(file, size.value(), 1); !shape)
        return shape.error();
    const qint64 whole = size.value() / QsoRecord::Size;
    const std::vector<QsoRecord> records = make(whole);
    if (records.empty())
        return qint64(0);
    const auto n = qint64(records.size());
    if (whole + n > MaxRecords)
        return StorageError { StorageError::Kind::Overflow, path, QString() };

    auto inode = importInode(file);
    if (!inode)
        return inode.error();
    ImportMarker marker { inode.value(), whole * QsoRecord::Size, {} };
    QByteArray bytes;
    bytes.reserve(n * QsoRecord::Size);
    for (const QsoRecord &record : records) {
        marker.sums.push_back(importSum(record.bytes.data(), QsoRecord::Size));
        bytes.append(record.bytes.data(), QsoRecord::Size);
    }

    const QString markerPath = appendMarkerPath(path);
    {
        auto made = FileHandle::open(markerPath, FileHandle::Mode::CreateNew);
        if (!made)
            return made.error();
        const QByteArray encoded = encodeMarker(marker);
        Status written = made.value().write(encoded.constData(), encoded.size());
        if (written)
            written = made.value().sync();
        if (written)
            written = syncParentFolder(markerPath);
        if (!written) {
            (void)removeFile(markerPath);
            return written.error();
        }
    }
    // The marker is on the disk: from here a kill leaves records it cuts away again.
    Status written = file.writeAt(bytes.constData(), bytes.size(), marker.length);
    if (written)
        written = file.sync();
    if (written && file.created())
        written = syncParentFolder(path);
    if (!written) {
        Status cut = file.truncate(marker.length);
        if (cut)
            cut = file.sync();
        if (cut)
            (void)removeMarker(markerPath);
        return written.error();
    }
    // Every record is on the disk; a marker that cannot be removed now says so to the
    // next recovery, which keeps them.
    (void)removeMarker(markerPath);
    return n;
}

} // namespace storage
