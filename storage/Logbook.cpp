#include "storage/Logbook.h"

#include "storage/SharedState.h"
#include "storage/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace storage {
namespace {

// About 128 KiB a read, always a whole number of records.
constexpr qint64 kBlockRecords = 1542;

} // namespace

Result<qint64> countWholeRecords(const QString &path)
{
    auto file = FileHandle::open(path, FileHandle::Mode::Read);
    if (!file)
        return file.error();
    auto size = file.value().size();
    if (!size)
        return size.error();
    return size.value() / QsoRecord::Size;
}

Result<qint16> countRecords(const QString &path)
{
    auto count = countWholeRecords(path);
    if (!count)
        return count.error();
    if (count.value() > MaxRecords)
        return StorageError { StorageError::Kind::Overflow, path, QString() };
    return static_cast<qint16>(count.value());
}

Status writeRecord(const QString &path, qint64 number, const QsoRecord &record)
{
    auto opened = FileHandle::open(path, FileHandle::Mode::Update);
    if (!opened)
        return opened.error();
    FileHandle &file = opened.value();
    auto size = file.size();
    if (!size)
        return size.error();
    const qint64 offset = (number - 1) * QsoRecord::Size;
    if (size.value() >= offset + QsoRecord::Size)
        return StorageError { StorageError::Kind::RecordExists, path, QString() };

    Status written = file.writeAt(record.bytes.data(), QsoRecord::Size, offset);
    if (written)
        written = file.sync();
    if (!written) {
        // Leave no torn record behind: the file goes back to what it held before.
        (void)file.truncate(size.value());
        (void)file.sync();
    }
    return written;
}

Status emptyLogbook(const QString &path)
{
    auto file = FileHandle::open(path, FileHandle::Mode::Truncate);
    if (!file)
        return file.error();
    return file.value().sync();
}

Result<LogbookReader> LogbookReader::open(const QString &path, Missing missing)
{
    auto file = FileHandle::open(path, missing == Missing::Create ? FileHandle::Mode::Read
                                                                  : FileHandle::Mode::ReadExisting);
    if (!file)
        return file.error();
    // A directory opens read-only; reading it fails, so say so now.
    auto size = file.value().size();
    if (!size)
        return size.error();
    return LogbookReader(std::move(file.value()), size.value());
}

LogbookReader::LogbookReader(FileHandle file, qint64 size) : m_file(std::move(file)), m_size(size)
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

// The call sign key as the field holds it when stored without leading spaces: the key
// padded with spaces to the field width, read as two overlapping 8-byte words.
struct CallKey
{
    explicit CallKey(const QByteArray &key) : bytes(key)
    {
        char padded[kCallWidth];
        std::memset(padded, ' ', sizeof padded);
        std::memcpy(padded, key.constData(), size_t(key.size()));
        std::memcpy(&low, padded, 8);
        std::memcpy(&high, padded + kCallWidth - 8, 8);
    }
    QByteArray bytes;
    quint64 low = 0;
    quint64 high = 0;
};

// Whether the call sign field, without surrounding spaces, is the key. A key with
// spaces of its own at either end never is; the caller leaves such keys out.
inline bool callMatches(const char *field, const CallKey &key)
{
    quint64 low;
    quint64 high;
    std::memcpy(&low, field, 8);
    std::memcpy(&high, field + kCallWidth - 8, 8);
    if (low == key.low && high == key.high)
        return true;
    if (field[0] != ' ')
        return false;
    // Stored with leading spaces: rare, so the plain way.
    int start = 0;
    while (start < kCallWidth && field[start] == ' ')
        ++start;
    const qsizetype length = key.bytes.size();
    if (length == 0 || kCallWidth - start < length
        || std::memcmp(field + start, key.bytes.constData(), size_t(length)) != 0)
        return false;
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
    auto opened = LogbookReader::open(path);
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

} // namespace storage
