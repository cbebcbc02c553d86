#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>

namespace radio {

// The band field of a record holds four characters.
constexpr int BandTextWidth = 4;

// An amateur band as ADIF 3.1.4 names it, with its edges.
struct Band
{
    const char *adif; // "20m"
    qint64 lowHz;
    qint64 highHz;
    const char *text; // how the band field names it: a list item or the lower edge in MHz
    const char *cabrillo; // Cabrillo's band designator from 50 MHz on; nullptr: kHz
};

// Every band of ADIF 3.1.4, lowest first.
std::span<const Band> bands();

const Band *bandHolding(double hz);
// By ADIF name, any letter case ("20m", "70CM").
const Band *bandNamed(QStringView adif);

// The band list's items, in the list's order ("14", "1.8", … "28").
QStringList bandListTexts();

// What the band field holds for a frequency a peer reported: the band list's item for
// the bands of the list, the band's own text (its lower edge) at that edge, otherwise
// the frequency in MHz cut (never rounded) to four characters ("50.3", "145"); at
// 10 GHz and above, where MHz no longer fit, the band's text ("10G"). Nothing for a
// frequency that is no number or none of these can show.
std::optional<QString> bandTextForFrequency(double hz);
// The band field's text for a band named in ADIF ("6m" → "50").
std::optional<QString> bandTextForAdif(QStringView adif);

// What a band field means: a band's own text names the band (no frequency was told);
// any other number is a frequency in MHz ("7.04", "7,04"), placed in its band if it has
// one. An ADIF band name typed into the field ("2m") names its band too.
struct BandReading
{
    const Band *band = nullptr;
    std::optional<double> mhz; // only when the text is a frequency
    QString freqText; // that frequency as ADIF writes it ("7.04")
};
std::optional<BandReading> readBandText(QStringView text);

// Cabrillo's frequency column: kHz below 30 MHz, the band designator from 50 MHz on
// ("50", "144", "1.2G"); kHz where a band has no designator.
QString cabrilloFrequency(const BandReading &reading);

} // namespace radio
