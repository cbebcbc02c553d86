#include "storage/QsoRecord.h"

#include "storage/TextCodec.h"

#include <cstring>

namespace storage {

QString QsoRecord::fit(const QString &text, int width)
{
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), QLatin1Char(' '));
}

void QsoRecord::setField(Field f, const QString &text)
{
    const QByteArray encoded = toDisk(fit(text, Widths[f]));
    std::memcpy(bytes.data() + Offsets[f], encoded.constData(), static_cast<size_t>(Widths[f]));
}

QByteArrayView QsoRecord::fieldBytes(Field f) const
{
    return QByteArrayView(bytes.data() + Offsets[f], Widths[f]);
}

QString QsoRecord::field(Field f) const
{
    return fromDisk(fieldBytes(f));
}

QByteArrayView trimSpaces(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && bytes[begin] == ' ')
        ++begin;
    while (end > begin && bytes[end - 1] == ' ')
        --end;
    return bytes.sliced(begin, end - begin);
}

} // namespace storage
