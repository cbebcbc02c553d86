#pragma once

#include <QByteArray>
#include <QStringView>

namespace country {

// A call as typed or spotted, taken apart into what decides its entity and prefix:
// "KH6/W1AW/P" is the operator W1AW at location KH6, "UA1ABC/9" is UA1ABC in area 9,
// "W1AW/MM" is at sea.
struct CallParts
{
    enum class Mobile { None, Maritime, Aeronautical };

    QByteArray whole; // upper case, empty parts dropped: "KH6/W1AW/P"
    QByteArray stripped; // the same without /P, /MM and the like: "KH6/W1AW"
    QByteArray base; // the operator's own call: "W1AW"
    QByteArray location; // the prefix saying where the operator is, or empty: "KH6"
    char areaDigit = 0; // the digit of a "/9" suffix, or 0
    Mobile mobile = Mobile::None;
    bool valid = false; // false for an empty call or one with other characters than A-Z 0-9 /
};

// Longest call taken apart; longer text is no call.
constexpr int MaxCallLength = 32;

CallParts splitCall(QStringView call);

// Suffixes that say how, not where: /P /M /QRP /A and the like.
bool isIgnoredSuffix(QByteArrayView part);

// Index one past the call-area digits: "UA1ABC" 3, "HG19ABC" 4, "3DA0BP" 4; 0 when the
// call has no digit after its first character.
qsizetype areaDigitsEnd(QByteArrayView call);

// The call moved to another call area: ("UA1ABC", '9') "UA9ABC"; a call without a digit
// gets it after its first two characters.
QByteArray withCallArea(QByteArrayView call, char digit);

} // namespace country
