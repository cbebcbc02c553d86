#include "storage/Logbook.h"

#include "storage/SharedState.h"
#include "storage/TextCodec.h"

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

Result<LogbookReader> LogbookReader::open(const QString &path)
{
    auto file = FileHandle::open(path, FileHandle::Mode::Read);
    if (!file)
        return file.error();
    // A directory opens read-only; reading it fails, so say so now.
    auto size = file.value().size();
    if (!size)
        return size.error();
    return LogbookReader(std::move(file.value()));
}

LogbookReader::LogbookReader(FileHandle file) : m_file(std::move(file))
{
    m_buffer.resize(kBlockRecords * QsoRecord::Size);
}

bool LogbookReader::fill()
{
    // Keep a partial record from the last block in front of the next one.
    const qint64 rest = m_end - m_pos;
    if (rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, static_cast<size_t>(rest));
    m_pos = 0;
    m_end = rest;
    auto got = m_file.readAt(m_buffer.data() + m_end, m_buffer.size() - m_end, m_fileOffset);
    if (!got) {
        m_error = got.error();
        return false;
    }
    if (got.value() == 0)
        m_eof = true;
    m_fileOffset += got.value();
    m_end += got.value();
    return got.value() > 0;
}

const char *LogbookReader::next()
{
    while (m_end - m_pos < QsoRecord::Size) {
        if (m_eof || m_error || !fill())
            return nullptr;
    }
    const char *record = m_buffer.constData() + m_pos;
    m_pos += QsoRecord::Size;
    ++m_number;
    return record;
}

Result<std::optional<qint64>> findCall(const QString &path, const QString &key,
                                       QsoRecord &lastRead)
{
    auto opened = LogbookReader::open(path);
    if (!opened)
        return opened.error();
    LogbookReader &reader = opened.value();

    // A key with a character that has no byte on disk can match no stored call, but
    // the whole file is still read, as for any other miss.
    bool encodable = true;
    for (QChar c : key)
        encodable = encodable && diskByte(c) >= 0;
    const QByteArray wanted = toDisk(key);
    const QByteArrayView wantedView(wanted);

    const char *last = nullptr;
    std::optional<qint64> found;
    while (const char *record = reader.next()) {
        last = record;
        const QByteArrayView call = trimSpaces(QByteArrayView(
                record + QsoRecord::Offsets[QsoRecord::Call], QsoRecord::Widths[QsoRecord::Call]));
        if (encodable && call == wantedView) {
            found = reader.recordNumber();
            break;
        }
    }
    if (last)
        std::memcpy(lastRead.bytes.data(), last, QsoRecord::Size);
    if (reader.error())
        return *reader.error();
    return found;
}

} // namespace storage
