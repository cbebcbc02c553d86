#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace radio {

// The mode field of a record holds seven characters.
constexpr int ModeTextWidth = 7;

// A mode as ADIF 3.1.4 writes it, with the Cabrillo mode of the same contact.
struct ModeReading
{
    QString mode; // ADIF MODE, e.g. "PSK"
    QString submode; // ADIF SUBMODE, may be empty
    QString cabrillo; // CW, PH, FM, RY or DG

    bool phone() const; // reports are RS (59), not RST
    bool operator==(const ModeReading &other) const
    {
        return mode == other.mode && submode == other.submode;
    }
};

// The mode list's items, in the list's order ("PSK31", "CW", … "GTOR").
QStringList modeListTexts();

// What a mode field means, in any letter case: a list item, an ADIF mode or submode,
// a modem name of fldigi or the short form F3 stores for a long one, a rig's mode.
// Nothing for a text that is no mode.
std::optional<ModeReading> readModeText(QStringView text);

// Whether the pair is one of ADIF 3.1.4's mode enumeration.
bool isAdifPair(QStringView mode, QStringView submode);
QString cabrilloMode(QStringView adifMode);

// The mode field's text for what a peer reports, at most seven characters that read
// back as the same ADIF pair (or, where seven cannot say the submode, as its mode).
// fldigi: nothing for the modems that make no contact (NULL, WWV, ANALYSIS, …); a
// modem ADIF has no mode for keeps its name, cut.
std::optional<QString> modeTextForFldigi(QStringView modem);
// A rig's mode where it names one of the list: CW, SSB from USB or LSB, RTTY.
std::optional<QString> modeTextForRig(QStringView rigMode);
// An ADIF MODE/SUBMODE pair (WSJT-X's logged contacts), or a mode name alone (mode
// empty: the name is looked up like a typed one).
QString modeTextForAdif(QStringView mode, QStringView submode);

// fldigi's modem as an ADIF pair; nothing for the modems ADIF has no mode for.
std::optional<ModeReading> pairForFldigi(QStringView modem);

} // namespace radio
