#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace storage {

// Text on disk is Windows-1252, one byte a character. The five bytes that
// Windows-1252 leaves undefined map to the C1 controls of the same number, so
// every byte value reads to a character that writes back to the same byte.
// A character with no byte is written as '?'.
QByteArray toDisk(const QString &text);
QString fromDisk(QByteArrayView bytes);

// The byte for one character, or -1 when it has none.
int diskByte(QChar c);

} // namespace storage
