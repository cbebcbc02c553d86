#include "stats/LogStats.h"

#include "radio/Band.h"
#include "radio/Mode.h"
#include "radio/Stamp.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace stats {
namespace {

using storage::QsoRecord;

QByteArrayView fieldOf(const char *record, QsoRecord::Field field)
{
    return storage::trimSpaces(QByteArrayView(record + QsoRecord::Offsets[field], QsoRecord::Widths[field]));
}

// A field of at most seven bytes as one number, its length in the top byte (a NUL byte in
// the field must not make it another field's twin), for a look-up that allocates nothing.
static_assert(QsoRecord::Widths[QsoRecord::Band] <= 7 && QsoRecord::Widths[QsoRecord::Mode] <= 7);
quint64 packed(QByteArrayView bytes)
{
    quint64 key = quint64(bytes.size()) << 56;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        key |= quint64(quint8(bytes[i])) << (8 * i);
    return key;
}

int bandOrder(const QString &adif)
{
    const auto all = radio::bands();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (adif == QLatin1String(all[i].adif))
            return int(i);
    }
    return int(all.size()); // Unknown
}

int continentOrder(const QString &continent)
{
    static const QStringList order = { QStringLiteral("AF"), QStringLiteral("AN"), QStringLiteral("AS"),
                                       QStringLiteral("EU"), QStringLiteral("NA"), QStringLiteral("OC"),
                                       QStringLiteral("SA") };
    const qsizetype at = order.indexOf(continent);
    return int(at < 0 ? order.size() : at);
}

// The tallies of a hash, ordered by `order` (then by name); Unknown always last.
template<typename Order>
QList<Tally> tallies(const QHash<QString, qint64> &counts, Order order)
{
    QList<Tally> out;
    out.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out.append({ it.key().isEmpty() ? QLatin1String(Unknown) : it.key(), it.value() });
    std::sort(out.begin(), out.end(), [&](const Tally &a, const Tally &b) {
        const bool aUnknown = a.key == QLatin1String(Unknown);
        const bool bUnknown = b.key == QLatin1String(Unknown);
        if (aUnknown != bUnknown)
            return bUnknown;
        const auto ka = order(a);
        const auto kb = order(b);
        return ka != kb ? ka < kb : a.key < b.key;
    });
    return out;
}

} // namespace

bool Range::contains(const std::optional<QDateTime> &when) const
{
    if (!when)
        return isWhole();
    return (!from || *when >= *from) && (!to || *when <= *to);
}

Counter::Counter(contest::RuleSet rules, country::CountryTable table, const QString &myCall)
    : m_table(table), m_scorer(std::move(rules), std::move(table), myCall)
{
}

const QString &Counter::bandOf(QByteArrayView text)
{
    const quint64 key = packed(text);
    if (const auto it = m_bands.constFind(key); it != m_bands.constEnd())
        return *it;
    const auto reading = radio::readBandText(QString::fromLatin1(text));
    return *m_bands.insert(key, reading && reading->band ? QString::fromLatin1(reading->band->adif) : QString());
}

const Counter::ModeFacts &Counter::modeOf(QByteArrayView text)
{
    const quint64 key = packed(text);
    if (const auto it = m_modes.constFind(key); it != m_modes.constEnd())
        return *it;
    ModeFacts facts;
    if (const auto reading = radio::readModeText(QString::fromLatin1(text))) {
        facts.adif = reading->mode;
        facts.cabrillo = reading->cabrillo;
        facts.phone = reading->phone();
    }
    return *m_modes.insert(key, facts);
}

const QString &Counter::continentOf(const QString &call)
{
    if (const auto it = m_continents.constFind(call); it != m_continents.constEnd())
        return *it;
    const country::CallInfo info = m_table.lookup(call);
    return *m_continents.insert(call, info.status == country::CallInfo::Status::Found ? info.entity.continent
                                                                                       : QString());
}

Counts Counter::count(const char *records, qint64 count, const Range &range)
{
    Counts counts;
    counts.records = count;
    m_scorer.clear();
    QHash<QString, qint64> bands, modes, continents, multipliers;
    for (qint64 i = 0; i < count; ++i) {
        const char *record = records + i * QsoRecord::Size;
        const std::optional<QDateTime> when =
                radio::readStamp(QString::fromLatin1(fieldOf(record, QsoRecord::DateTime)));
        if (!range.contains(when))
            continue;
        ++counts.contacts;
        if (when)
            ++counts.perHour[when->toSecsSinceEpoch() / 3600];
        else
            ++counts.undated;
        const QString call = QString::fromLatin1(fieldOf(record, QsoRecord::Call)).toUpper();
        const QString &band = bandOf(fieldOf(record, QsoRecord::Band));
        const ModeFacts &mode = modeOf(fieldOf(record, QsoRecord::Mode));
        ++bands[band];
        ++modes[mode.adif];
        ++continents[continentOf(call)];
        const qint64 before = m_scorer.totals().multipliers;
        m_scorer.add({ call, band, mode.cabrillo, when.value_or(QDateTime()),
                       QString::fromLatin1(fieldOf(record, QsoRecord::Recv)), mode.phone });
        if (const qint64 added = m_scorer.totals().multipliers - before)
            multipliers[band] += added;
    }
    counts.byBand = tallies(bands, [](const Tally &t) { return bandOrder(t.key); });
    counts.byMode = tallies(modes, [](const Tally &t) { return -t.count; });
    counts.byContinent = tallies(continents, [](const Tally &t) { return continentOrder(t.key); });
    counts.multipliersByBand = tallies(multipliers, [](const Tally &t) { return bandOrder(t.key); });
    counts.multipliers = m_scorer.totals().multipliers;
    return counts;
}

} // namespace stats
