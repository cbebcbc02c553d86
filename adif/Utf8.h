#pragma once

#include <QByteArrayView>

namespace adif::utf8 {

// The length of the UTF-8 sequence at the start of `bytes`: 1 to 4 for a whole
// character, 0 when the bytes end before it is complete (more may follow), -1 when it
// cannot be UTF-8 (stray continuation, overlong form, surrogate, beyond U+10FFFF).
int sequence(QByteArrayView bytes);

// Whether the bytes are UTF-8 from end to end, the last character complete.
bool isValid(QByteArrayView bytes);

// How many leading bytes of `bytes` hold whole characters only; -1 when they are not
// UTF-8 before that point.
qsizetype wholeCharacters(QByteArrayView bytes);

} // namespace adif::utf8
