#pragma once

#include <QByteArray>

#include <array>

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

inline QByteArray journal(quint32 number, const QByteArray &before, const QByteArray &after)
{
    const QByteArray body = "VNTLJNL1" + le32(number) + before + after;
    return body + le32(crc32(body));
}

} // namespace ts
