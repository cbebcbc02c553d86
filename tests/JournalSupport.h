#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <sys/stat.h>

// The journal of a correction, built by the test apart from the program's encoder.
namespace ts {

// CRC-32 as zlib computes it, written here apart from the program's.
inline quint32 crc32(const QByteArray &bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t {};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFU;
    for (char b : bytes)
        c = table[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFU;
}

inline QByteArray le32(quint32 v)
{
    return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF) + char((v >> 16) & 0xFF)
            + char(v >> 24);
}

inline QByteArray le64(quint64 v)
{
    return le32(quint32(v & 0xFFFFFFFFU)) + le32(quint32(v >> 32));
}

// The journal of an older vantel, bound to nothing.
inline QByteArray oldJournal(quint32 number, const QByteArray &before, const QByteArray &after)
{
    const QByteArray body = "VNTLJNL1" + le32(number) + before + after;
    return body + le32(crc32(body));
}

// The journal a correction of record `number` writes beside `logbook` as it is on disk now.
inline QByteArray journal(const QString &logbook, quint32 number, const QByteArray &before,
                          const QByteArray &after)
{
    struct stat st {};
    ::stat(QFile::encodeName(logbook).constData(), &st);
    QFile file(logbook);
    (void)file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const qsizetype length = bytes.size() / 85 * 85;
    const QByteArray others = bytes.left((number - 1) * 85) + bytes.mid(number * 85, length - number * 85);
    const QByteArray body = "VNTLJNL2" + le32(number) + le64(st.st_ino) + le64(quint64(length))
            + le32(crc32(others)) + before + after;
    return body + le32(crc32(body));
}

} // namespace ts
