#include "../tests/TrickleDevice.h"
#include "adif/Reader.h"

#include <QBuffer>

#include <cstdlib>

namespace {

QList<adif::Record> readAll(adif::Reader &reader)
{
    QList<adif::Record> records;
    while (auto record = reader.next())
        records << std::move(*record);
    return records;
}

} // namespace

// An ADIF file to import: read whole, then again a few bytes at a time. The two must
// agree, and every record stay within the limits and the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    adif::Reader reader(&buffer);
    (void)reader.isAdif();
    const QList<adif::Record> records = readAll(reader);
    qint64 lastOffset = -1;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const adif::Record &record = records[i];
        if (record.index != i || record.offset <= lastOffset || record.offset >= qint64(size))
            std::abort();
        lastOffset = record.offset;
        if (record.fields.size() > adif::MaxFields)
            std::abort();
        for (const QString &value : record.fields) {
            if (value.size() > adif::MaxValueBytes)
                std::abort();
        }
    }
    TrickleDevice pipe(bytes, quint32(size));
    adif::Reader piped(&pipe, reader.encoding());
    const QList<adif::Record> again = readAll(piped);
    if (again.size() != records.size() || piped.header() != reader.header())
        std::abort();
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (again[i].fields != records[i].fields || again[i].offset != records[i].offset
            || again[i].problems.size() != records[i].problems.size())
            std::abort();
    }
    return 0;
}
