#include "adif/Utf8.h"

#include <cstring>

namespace adif::utf8 {

int sequence(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return 0;
    const auto lead = uchar(bytes[0]);
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80; // the range the second byte must lie in
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        if (i >= bytes.size())
            return 0;
        const auto byte = uchar(bytes[i]);
        const uchar min = i == 1 ? low : 0x80;
        const uchar max = i == 1 ? high : 0xBF;
        if (byte < min || byte > max)
            return -1;
    }
    return length;
}

qsizetype wholeCharacters(QByteArrayView bytes)
{
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        // Plain ASCII, eight bytes at a time.
        quint64 word = 0;
        while (pos + 8 <= bytes.size()
               && (std::memcpy(&word, bytes.data() + pos, 8), (word & 0x8080808080808080ULL) == 0))
            pos += 8;
        if (pos >= bytes.size())
            break;
        if (uchar(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const int length = sequence(bytes.sliced(pos));
        if (length < 0)
            return -1;
        if (length == 0)
            break;
        pos += length;
    }
    return pos;
}

bool isValid(QByteArrayView bytes)
{
    return wholeCharacters(bytes) == bytes.size();
}

} // namespace adif::utf8
