#include "storage/Settings.h"

#include "storage/FileHandle.h"
#include "storage/TextCodec.h"

namespace storage {
namespace {

constexpr int kRecordLength = 128;
constexpr int kTextTag = 8;

} // namespace

Result<QString> readSetting(const QString &fileName)
{
    auto file = FileHandle::open(fileName, FileHandle::Mode::Read);
    if (!file)
        return file.error();
    char record[kRecordLength];
    auto got = file.value().readAt(record, kRecordLength, 0);
    if (!got)
        return got.error();
    const qint64 n = got.value();
    if (n < 4)
        return QString();
    const auto byte = [&](int i) { return static_cast<unsigned char>(record[i]); };
    const int tag = byte(0) | (byte(1) << 8);
    const int length = byte(2) | (byte(3) << 8);
    if (tag != kTextTag || 4 + length > n)
        return QString();
    return fromDisk(QByteArrayView(record + 4, length));
}

Status writeSetting(const QString &fileName, const QString &value)
{
    if (value.size() > MaxSettingLength)
        return StorageError { StorageError::Kind::RecordLength, fileName, QString() };
    const QByteArray text = toDisk(value);
    QByteArray record;
    record.reserve(4 + text.size());
    record.append(static_cast<char>(kTextTag));
    record.append('\0');
    record.append(static_cast<char>(text.size() & 0xFF));
    record.append(static_cast<char>((text.size() >> 8) & 0xFF));
    record.append(text);

    auto file = FileHandle::open(fileName, FileHandle::Mode::Update);
    if (!file)
        return file.error();
    Status written = file.value().writeAt(record.constData(), record.size(), 0);
    if (!written)
        return written;
    return file.value().sync();
}

Status checkSettingWritable(const QString &fileName)
{
    auto file = FileHandle::open(fileName, FileHandle::Mode::Update);
    if (!file)
        return file.error();
    return success();
}

} // namespace storage
