#include "links/BandMode.h"

#include "storage/TextCodec.h"

#include <array>
#include <cmath>
#include <utility>

namespace links {

namespace {

struct BandEdge
{
    const char *item;
    qint64 low;
    qint64 high;
    const char *adif;
};

// The amateur bands of the list, edges in Hz as wide as any region allows.
constexpr std::array<BandEdge, 9> Bands = { {
        { "1.8", 1'800'000, 2'000'000, "160m" },
        { "3.5", 3'500'000, 4'000'000, "80m" },
        { "7", 7'000'000, 7'300'000, "40m" },
        { "10", 10'100'000, 10'150'000, "30m" },
        { "14", 14'000'000, 14'350'000, "20m" },
        { "18", 18'068'000, 18'168'000, "17m" },
        { "21", 21'000'000, 21'450'000, "15m" },
        { "24", 24'890'000, 24'990'000, "12m" },
        { "28", 28'000'000, 29'700'000, "10m" },
} };

constexpr int BandWidth = storage::QsoRecord::Widths[storage::QsoRecord::Band];

} // namespace

std::optional<QString> bandForFrequency(double hz)
{
    if (!std::isfinite(hz) || hz < 1.0 || hz >= 1e10)
        return std::nullopt;
    const auto whole = qint64(std::llround(hz));
    for (const BandEdge &band : Bands) {
        if (whole >= band.low && whole <= band.high)
            return QString::fromLatin1(band.item);
    }
    // Cut, not rounded: 50.3135 MHz is "50.3", never a frequency beside it.
    QString text = QString::number(whole / 1'000'000) + QLatin1Char('.')
            + QStringLiteral("%1").arg(whole % 1'000'000, 6, 10, QLatin1Char('0'));
    text.truncate(BandWidth);
    while (text.contains(QLatin1Char('.'))
           && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    if (text.isEmpty() || text == QLatin1String("0"))
        return std::nullopt;
    return text;
}

std::optional<QString> bandForAdif(const QString &band)
{
    const QString name = band.trimmed().toLower();
    for (const BandEdge &edge : Bands) {
        if (name == QLatin1String(edge.adif))
            return QString::fromLatin1(edge.item);
    }
    return std::nullopt;
}

std::optional<QString> lowerEdgeForAdif(const QString &band)
{
    // The bands beyond the list that WSJT-X and JTDX work, by their ADIF names.
    static constexpr std::pair<const char *, double> Edges[] = {
        { "2190m", 0.1357 }, { "630m", 0.472 }, { "60m", 5.06 }, { "6m", 50.0 }, { "4m", 70.0 },
        { "2m", 144.0 },     { "1.25m", 222.0 }, { "70cm", 420.0 }, { "33cm", 902.0 }, { "23cm", 1240.0 },
    };
    const QString name = band.trimmed().toLower();
    for (const auto &[adif, mhz] : Edges) {
        if (name == QLatin1String(adif))
            return bandForFrequency(mhz * 1e6);
    }
    return std::nullopt;
}

QString modeForFldigi(const QString &modem)
{
    const QString name = modem.trimmed().toUpper();
    if (name == QLatin1String("BPSK31"))
        return QStringLiteral("PSK31");
    if (name == QLatin1String("PACKET"))
        return QStringLiteral("PAKET");
    if (name == QLatin1String("PACTOR"))
        return QStringLiteral("PACT");
    for (const char *item : { "PSK31", "CW", "SSB", "RTTY", "SSTV", "AMTOR", "GTOR" }) {
        if (name == QLatin1String(item))
            return name;
    }
    return fieldText(modem, storage::QsoRecord::Mode);
}

std::optional<QString> modeForRig(const QString &rigMode)
{
    const QString name = rigMode.trimmed().toUpper();
    if (name == QLatin1String("CW") || name == QLatin1String("CWR"))
        return QStringLiteral("CW");
    if (name == QLatin1String("USB") || name == QLatin1String("LSB"))
        return QStringLiteral("SSB");
    if (name == QLatin1String("RTTY") || name == QLatin1String("RTTYR"))
        return QStringLiteral("RTTY");
    return std::nullopt;
}

QString fieldText(const QString &text, storage::QsoRecord::Field field)
{
    // Nothing is dropped without a trace: dropping would make "Łukasz" into another name.
    // A control character becomes a space, one a record cannot hold a "?", as the
    // logbook's own codec writes it.
    QString kept;
    const QString trimmed = text.trimmed();
    kept.reserve(trimmed.size());
    for (const QChar c : trimmed) {
        if (c.isLowSurrogate())
            continue; // its high half already stands for the character
        if (c.category() == QChar::Other_Control)
            kept += QLatin1Char(' ');
        else if (c.isHighSurrogate() || storage::diskByte(c) < 0)
            kept += QLatin1Char('?');
        else
            kept += c;
    }
    return kept.trimmed().left(storage::QsoRecord::Widths[field]);
}

} // namespace links
