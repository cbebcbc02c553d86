#include "radio/Band.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <array>
#include <cmath>

namespace radio {
namespace {

// ADIF 3.1.4's band table. The band field's text for the nine bands of the list is the
// list's item; for the others it is the lower edge in MHz as four characters hold it,
// except where those characters could also be a frequency of the band below (5 m
// starts where 6 m ends) or MHz no longer fit (from 10 GHz on).
constexpr std::array<Band, 33> Bands = { {
        { "2190m", 135'700, 137'800, "0.13", nullptr },
        { "630m", 472'000, 479'000, "0.47", nullptr },
        { "560m", 501'000, 504'000, "0.5", nullptr },
        { "160m", 1'800'000, 2'000'000, "1.8", nullptr },
        { "80m", 3'500'000, 4'000'000, "3.5", nullptr },
        { "60m", 5'060'000, 5'450'000, "5.06", nullptr },
        { "40m", 7'000'000, 7'300'000, "7", nullptr },
        { "30m", 10'100'000, 10'150'000, "10", nullptr },
        { "20m", 14'000'000, 14'350'000, "14", nullptr },
        { "17m", 18'068'000, 18'168'000, "18", nullptr },
        { "15m", 21'000'000, 21'450'000, "21", nullptr },
        { "12m", 24'890'000, 24'990'000, "24", nullptr },
        { "10m", 28'000'000, 29'700'000, "28", nullptr },
        { "8m", 40'000'000, 45'000'000, "40", nullptr },
        { "6m", 50'000'000, 54'000'000, "50", "50" },
        { "5m", 54'000'001, 69'900'000, "5m", nullptr },
        { "4m", 70'000'000, 71'000'000, "70", "70" },
        { "2m", 144'000'000, 148'000'000, "144", "144" },
        { "1.25m", 222'000'000, 225'000'000, "222", "222" },
        { "70cm", 420'000'000, 450'000'000, "420", "432" },
        { "33cm", 902'000'000, 928'000'000, "902", "902" },
        { "23cm", 1'240'000'000, 1'300'000'000, "1240", "1.2G" },
        { "13cm", 2'300'000'000, 2'450'000'000, "2300", "2.3G" },
        { "9cm", 3'300'000'000, 3'500'000'000, "3300", "3.4G" },
        { "6cm", 5'650'000'000, 5'925'000'000, "5650", "5.7G" },
        { "3cm", 10'000'000'000, 10'500'000'000, "10G", "10G" },
        { "1.25cm", 24'000'000'000, 24'250'000'000, "24G", "24G" },
        { "6mm", 47'000'000'000, 47'200'000'000, "47G", "47G" },
        { "4mm", 75'500'000'000, 81'000'000'000, "75G", "75G" },
        { "2.5mm", 119'980'000'000, 123'000'000'000, "122G", "122G" },
        { "2mm", 134'000'000'000, 149'000'000'000, "134G", "134G" },
        { "1mm", 241'000'000'000, 250'000'000'000, "241G", "241G" },
        { "submm", 300'000'000'000, 7'500'000'000'000, "300G", nullptr },
} };

// The band list shows 20 m first: the band most of its operators work.
constexpr std::array<const char *, 9> ListOrder = { "20m", "160m", "80m", "40m", "30m",
                                                    "17m", "15m", "12m", "10m" };

// MHz cut, not rounded, to the field's width: 50.3135 MHz is "50.3", never a
// frequency beside it.
QString cutMegahertz(qint64 hz)
{
    QString text = QString::number(hz / 1'000'000) + QLatin1Char('.')
            + QStringLiteral("%1").arg(hz % 1'000'000, 6, 10, QLatin1Char('0'));
    text.truncate(BandTextWidth);
    while (text.contains(QLatin1Char('.'))
           && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    return text;
}

} // namespace

std::span<const Band> bands()
{
    return Bands;
}

const Band *bandHolding(double hz)
{
    for (const Band &band : Bands) {
        if (hz >= double(band.lowHz) && hz <= double(band.highHz))
            return &band;
    }
    return nullptr;
}

const Band *bandNamed(QStringView adif)
{
    const QStringView name = adif.trimmed();
    for (const Band &band : Bands) {
        if (name.compare(QLatin1String(band.adif), Qt::CaseInsensitive) == 0)
            return &band;
    }
    return nullptr;
}

QStringList bandListTexts()
{
    QStringList texts;
    for (const char *adif : ListOrder)
        texts << QLatin1String(bandNamed(QString::fromLatin1(adif))->text);
    return texts;
}

std::optional<QString> bandTextForFrequency(double hz)
{
    if (!std::isfinite(hz) || hz < 1.0 || hz >= 1e13)
        return std::nullopt;
    const auto whole = qint64(std::llround(hz));
    const Band *holding = bandHolding(double(whole));
    if (holding && (holding->lowHz == whole || whole >= 10'000'000'000
                    || bandListTexts().contains(QLatin1String(holding->text))))
        return QString::fromLatin1(holding->text);
    if (whole >= 10'000'000'000)
        return std::nullopt;
    const QString text = cutMegahertz(whole);
    if (text.isEmpty() || text == QLatin1String("0"))
        return std::nullopt;
    // A text that reads back as another band's own would log the contact there.
    const std::optional<BandReading> back = readBandText(text);
    if (!back || (!back->mhz && back->band != holding))
        return std::nullopt;
    return text;
}

std::optional<QString> bandTextForAdif(QStringView adif)
{
    const Band *band = bandNamed(adif);
    return band ? std::optional(QString::fromLatin1(band->text)) : std::nullopt;
}

std::optional<BandReading> readBandText(QStringView typed)
{
    const QStringView text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // Each band's own text, then its ADIF name, in capitals: one look-up a record.
    static const QHash<QString, const Band *> names = [] {
        QHash<QString, const Band *> out;
        for (const Band &band : Bands)
            out.insert(QString::fromLatin1(band.text).toUpper(), &band);
        for (const Band &band : Bands) {
            if (!out.contains(QString::fromLatin1(band.adif).toUpper()))
                out.insert(QString::fromLatin1(band.adif).toUpper(), &band);
        }
        return out;
    }();
    BandReading reading;
    if (const auto it = names.constFind(text.toString().toUpper()); it != names.cend()) {
        reading.band = *it;
        return reading;
    }
    static const QRegularExpression number(QStringLiteral("^\\d+([.,]\\d+)?$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    reading.freqText = text.toString().replace(QLatin1Char(','), QLatin1Char('.'));
    reading.mhz = QLocale::c().toDouble(reading.freqText);
    reading.band = bandHolding(*reading.mhz * 1e6);
    return reading;
}

QString cabrilloFrequency(const BandReading &reading)
{
    if (reading.band && reading.band->cabrillo)
        return QLatin1String(reading.band->cabrillo);
    const double mhz = reading.mhz ? *reading.mhz : double(reading.band->lowHz) / 1e6;
    return QString::number(std::llround(mhz * 1000.0));
}

} // namespace radio
