#include "storage/Logbook.h"

#include "storage/LogbookShape.h"
#include "storage/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace storage {
namespace {

// About 128 KiB a read, always a whole number of records.
constexpr qint64 kBlockRecords = 1542;

} // namespace

Result<qint64> countWholeRecords(const QString &path, IfMissing missing)
{
    auto file = FileHandle::open(path, missing == IfMissing::Create ? FileHandle::Mode::Read
                                                                   : FileHandle::Mode::ReadExisting);
    if (!file)
        return file.error();
    auto size = file.value().size();
    if (!size)
        return size.error();
    return size.value() / QsoRecord::Size;
}

Result<qint16> countRecords(const QString &path, IfMissing missing)
{
    auto count = countWholeRecords(path, missing);
    if (!count)
        return count.error();
    if (count.value() > MaxRecords)
        return StorageError { StorageError::Kind::Overflow, path, QString() };
    return static_cast<qint16>(count.value());
}

Status writeRecord(const QString &path, qint64 number, const QsoRecord &record, int lockWaitMs)
{
    if (number < 1 || number > MaxRecords)
        return StorageError { StorageError::Kind::Overflow, path, QString() };
    auto opened = FileHandle::open(path, number == 1 ? FileHandle::Mode::Update
                                                     : FileHandle::Mode::UpdateExisting);
    if (!opened)
        return opened.error();
    FileHandle &file = opened.value();
    if (Status locked = file.lockExclusive(lockWaitMs); !locked)
        return locked;
    auto size = file.size();
    if (!size)
        return size.error();
    const qint64 offset = (number - 1) * QsoRecord::Size;
    if (size.value() >= offset + QsoRecord::Size)
        return StorageError { StorageError::Kind::RecordExists, path, QString() };
    if (size.value() < offset)
        return StorageError { StorageError::Kind::RecordsMissing, path, QString() };
    // The file may have been swapped for another since it was taken into use: a piece
    // at the end is overwritten only when a save of ours can have left it.
    if (Status shape = checkLogbookShape(file, size.value(), 1); !shape)
        return shape;

    Status written = file.writeAt(record.bytes.data(), QsoRecord::Size, offset);
    if (written)
        written = file.sync();
    if (written && file.created())
        written = syncParentFolder(path);
    if (!written) {
        // Leave no torn record behind: the file goes back to what it held before.
        if (file.truncate(size.value()))
            (void)file.sync();
    }
    return written;
}

Status emptyLogbook(const QString &path, std::optional<qint64> confirmed)
{
    auto opened = FileHandle::open(path, FileHandle::Mode::Update);
    if (!opened)
        return opened.error();
    FileHandle &file = opened.value();
    Status done = file.lockExclusive();
    if (done && confirmed) {
        const auto size = file.size();
        if (!size)
            return size.error();
        if (size.value() / QsoRecord::Size != *confirmed)
            return StorageError { StorageError::Kind::Changed, path,
                                  QString::number(size.value() / QsoRecord::Size) };
    }
    if (done)
        done = file.truncate(0);
    if (done)
        done = file.sync();
    if (done && file.created())
        done = syncParentFolder(path);
    return done;
}

Result<LogbookReader> LogbookReader::open(const QString &path, IfMissing missing)
{
    auto file = FileHandle::open(path, missing == IfMissing::Create ? FileHandle::Mode::Read
                                                                   : FileHandle::Mode::ReadExisting);
    if (!file)
        return file.error();
    auto size = file.value().size();
    if (!size)
        return size.error();
    return LogbookReader(std::move(file.value()), size.value());
}

LogbookReader::LogbookReader(FileHandle file, qint64 size)
    : m_file(std::move(file)),
      // No logbook holds more: a file grown by another program is never read past it.
      m_size(std::min<qint64>(size, qint64(MaxRecords) * QsoRecord::Size))
{
    m_buffer.resize(kBlockRecords * QsoRecord::Size);
}

LogbookReader::Block LogbookReader::nextBlock()
{
    if (m_atEnd)
        return {};
    const qint64 offset = (m_nextNumber - 1) * QsoRecord::Size;
    const qint64 wanted = std::min<qint64>(m_buffer.size(), m_size - offset);
    auto got = wanted > 0 ? m_file.readAt(m_buffer.data(), wanted, offset) : Result<qint64>(0);
    if (!got) {
        m_error = got.error();
        m_atEnd = true;
        return {};
    }
    // readAt only comes back short at the end of the file.
    if (got.value() < m_buffer.size())
        m_atEnd = true;
    const Block block { m_buffer.constData(), got.value() / QsoRecord::Size, m_nextNumber };
    m_nextNumber += block.records;
    return block;
}

void LogbookReader::skipTo(qint64 number)
{
    m_nextNumber = std::max<qint64>(number, 1);
    m_atEnd = false;
    m_block = {};
    m_index = 0;
}

const char *LogbookReader::next()
{
    if (m_index >= m_block.records) {
        m_block = nextBlock();
        m_index = 0;
        if (m_block.records == 0)
            return nullptr;
    }
    return m_block.data + QsoRecord::Size * m_index++;
}

namespace {

constexpr int kCallWidth = QsoRecord::Widths[QsoRecord::Call];
constexpr quint64 kEachByte = 0x0101010101010101ULL;

// Eight bytes at once with ASCII capitals made small; every other byte, the accented
// letters of Windows-1252 included, stays as it is.
inline quint64 foldCase(quint64 word)
{
    const quint64 low7 = word & (0x7F * kEachByte);
    const quint64 aboveZ = low7 + (0x7F - 'Z') * kEachByte; // high bit set: byte > 'Z'
    const quint64 fromA = low7 + (0x80 - 'A') * kEachByte; // high bit set: byte >= 'A'
    const quint64 capital = (fromA ^ aboveZ) & ~word & (0x80 * kEachByte);
    return word | (capital >> 2); // 0x80 >> 2 is the 0x20 between 'A' and 'a'
}

inline quint64 load(const char *bytes)
{
    quint64 word;
    std::memcpy(&word, bytes, 8);
    return word;
}

// The key as the field holds it when stored without leading spaces: padded with spaces
// to the field width and read as two overlapping 8-byte words, case folded.
struct CallKey
{
    explicit CallKey(const QByteArray &key) : bytes(key)
    {
        char padded[kCallWidth];
        std::memset(padded, ' ', sizeof padded);
        std::memcpy(padded, key.constData(), size_t(key.size()));
        low = foldCase(load(padded));
        high = foldCase(load(padded + kCallWidth - 8));
    }
    QByteArray bytes;
    quint64 low = 0;
    quint64 high = 0;
};

inline char foldByte(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Whether the call sign field, without surrounding spaces, is the key (case ignored).
// A key with spaces of its own at either end never is; the caller leaves such keys out.
inline bool callMatches(const char *field, const CallKey &key)
{
    if (foldCase(load(field)) == key.low && foldCase(load(field + kCallWidth - 8)) == key.high)
        return true;
    if (field[0] != ' ')
        return false;
    // Stored with leading spaces: rare, so the plain way.
    int start = 0;
    while (start < kCallWidth && field[start] == ' ')
        ++start;
    const qsizetype length = key.bytes.size();
    if (length == 0 || kCallWidth - start < length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (foldByte(field[start + i]) != foldByte(key.bytes[i]))
            return false;
    }
    for (qsizetype i = start + length; i < kCallWidth; ++i) {
        if (field[i] != ' ')
            return false;
    }
    return true;
}

} // namespace

Result<std::optional<qint64>> findCall(const QString &path, const QString &key,
                                       QsoRecord &lastRead)
{
    auto opened = LogbookReader::open(path, IfMissing::Fail);
    if (!opened)
        return opened.error();
    LogbookReader &reader = opened.value();

    // A key longer than the field, with a character that has no byte on disk, or with
    // spaces at either end can match no trimmed call; the whole file is still read, as
    // for any other miss.
    bool possible = key.size() <= kCallWidth
            && (key.isEmpty() || (key.front() != QLatin1Char(' ') && key.back() != QLatin1Char(' ')));
    for (QChar c : key)
        possible = possible && diskByte(c) >= 0;
    const CallKey wanted(possible ? toDisk(key) : QByteArray());

    const char *last = nullptr;
    std::optional<qint64> found;
    for (auto block = reader.nextBlock(); block.records > 0 && !found; block = reader.nextBlock()) {
        const char *record = block.data;
        for (qint64 i = 0; i < block.records; ++i, record += QsoRecord::Size) {
            if (possible && callMatches(record + QsoRecord::Offsets[QsoRecord::Call], wanted)) {
                found = block.firstNumber + i;
                break;
            }
        }
        last = found ? record : block.data + (block.records - 1) * QsoRecord::Size;
        std::memcpy(lastRead.bytes.data(), last, QsoRecord::Size);
    }
    if (reader.error())
        return *reader.error();
    return found;
}

std::optional<qint16> nextNumber(qint16 count)
{
    if (count >= MaxRecords)
        return std::nullopt;
    return static_cast<qint16>(count + 1);
}

} // namespace storage
