#include "contest/Scorer.h"

#include "contest/Exchange.h"
#include "country/Wpx.h"

#include <algorithm>

#include <optional>
#include <utility>

namespace contest {
namespace {

// Rules are bits of a 64-bit mask, bands of another: far more than any contest needs.
constexpr qsizetype MaxRules = 64;
constexpr int MaxBands = 63;

// Modes a dupe check tells apart: Cabrillo's and any other.
constexpr int ModeSlots = 6;

// A call of letters, digits and '/' (up to 20) as two numbers, six bits a character:
// cheaper to hash than its text. Nothing for any other call.
std::optional<std::pair<quint64, quint64>> packCall(QStringView call)
{
    if (call.size() > 20)
        return std::nullopt;
    quint64 part[2] = { 0, 0 };
    for (qsizetype i = 0; i < call.size(); ++i) {
        const char16_t c = call[i].unicode();
        quint64 code = 0;
        if (c >= u'A' && c <= u'Z')
            code = c - u'A' + 1;
        else if (c >= u'0' && c <= u'9')
            code = c - u'0' + 27;
        else if (c == u'/')
            code = 37;
        else
            return std::nullopt;
        part[i / 10] |= code << (6 * (i % 10));
    }
    return std::pair { part[0], part[1] };
}

} // namespace

Scorer::Scorer(RuleSet rules, country::CountryTable table, const QString &myCall)
    : m_rules(std::move(rules)), m_table(std::move(table))
{
    m_rules.points = m_rules.points.mid(0, MaxRules);
    m_rules.multipliers = m_rules.multipliers.mid(0, MaxRules);
    m_own = lookupFacts(myCall.toUpper());
    m_exchange = m_rules.exchangeFor(m_own.continent, m_own.entity);
    // The own station's parts and the bands hold or not once for all contacts.
    const auto bands = [&](const Condition &when) {
        if (!when.ownContinent.holds(m_own.continent) || !when.ownEntity.holds(m_own.entity))
            return quint64(0);
        if (!when.band.isSet())
            return ~quint64(0);
        quint64 mask = 0;
        for (const QString &band : when.band.words)
            mask |= quint64(1) << bandIndex(band);
        return mask;
    };
    for (const PointRule &rule : std::as_const(m_rules.points))
        m_pointBands << bands(rule.when);
    for (const MultiplierRule &rule : std::as_const(m_rules.multipliers))
        m_multiplierBands << bands(rule.when);
    m_multipliers.resize(m_rules.multipliers.size());
}

int Scorer::bandIndex(const QString &band)
{
    if (band.isEmpty())
        return 0;
    if (m_lastBand < m_bands.size() && m_bands.at(m_lastBand) == band)
        return int(std::min<qsizetype>(m_lastBand + 1, MaxBands));
    m_lastBand = m_bands.indexOf(band);
    if (m_lastBand < 0) {
        m_lastBand = m_bands.size();
        m_bands << band;
    }
    // Bands past the last bit share it: only "any band" rules meet them there.
    return int(std::min<qsizetype>(m_lastBand + 1, MaxBands));
}

int Scorer::keyNumber(const QString &value)
{
    if (value.isEmpty())
        return 0;
    return *m_keys.insert(value, int(m_keys.value(value, int(m_keys.size()) + 1)));
}

int Scorer::factsIndex(const QString &call)
{
    const auto packed = packCall(call);
    if (packed) {
        if (const auto it = m_packedCalls.constFind(*packed); it != m_packedCalls.constEnd())
            return *it;
    } else if (const auto it = m_otherCalls.constFind(call); it != m_otherCalls.constEnd()) {
        return *it;
    }
    const int index = int(m_facts.size());
    m_facts.push_back(lookupFacts(call));
    m_worked.resize(m_facts.size() * ModeSlots);
    if (packed)
        m_packedCalls.insert(*packed, index);
    else
        m_otherCalls.insert(call, index);
    return index;
}

Scorer::Facts Scorer::lookupFacts(const QString &call)
{
    Facts f;
    const country::CallInfo info = m_table.lookup(call);
    if (info.status == country::CallInfo::Status::Found) {
        f.known = true;
        f.entity = info.entity.primaryPrefix.toUpper();
        f.dxcc = info.entity.dxccName;
        f.continent = info.entity.continent;
        f.zone = info.entity.cqZone;
    }
    f.prefix = country::wpxPrefix(call);
    for (qsizetype i = 0; i < m_rules.points.size(); ++i)
        f.pointRules |= quint64(holdsFor(m_rules.points.at(i).when, f) ? 1 : 0) << i;
    for (qsizetype i = 0; i < m_rules.multipliers.size(); ++i)
        f.multiplierRules |= quint64(holdsFor(m_rules.multipliers.at(i).when, f) ? 1 : 0) << i;
    f.keys[int(MultiplierKind::Prefix)] = keyNumber(QLatin1String("p ") + f.prefix);
    f.keys[int(MultiplierKind::Country)] = f.entity.isEmpty() ? 0 : keyNumber(QLatin1String("c ") + f.entity);
    f.keys[int(MultiplierKind::Dxcc)] = f.dxcc.isEmpty() ? 0 : keyNumber(QLatin1String("d ") + f.dxcc);
    return f;
}

// The worked station's part of a condition.
bool Scorer::holdsFor(const Condition &when, const Facts &worked) const
{
    const bool asksCountry = when.worked != Condition::Relation::Any || when.continent.isSet()
            || when.entity.isSet();
    if (!asksCountry)
        return true;
    // A call no country file entry places meets no rule that asks where it is.
    if (!worked.known || !m_own.known)
        return false;
    if (!when.continent.holds(worked.continent) || !when.entity.holds(worked.entity))
        return false;
    const bool sameCountry = worked.entity == m_own.entity;
    const bool sameContinent = worked.continent == m_own.continent;
    switch (when.worked) {
    case Condition::Relation::Any:
        return true;
    case Condition::Relation::SameCountry:
        return sameCountry;
    case Condition::Relation::SameContinent:
        return sameContinent && !sameCountry;
    case Condition::Relation::OtherContinent:
        return !sameContinent;
    }
    return false;
}

int Scorer::multiplierKey(const MultiplierRule &rule, const Facts &worked, QStringView exchange)
{
    switch (rule.kind) {
    case MultiplierKind::CqZone: {
        // The zone the station sent counts; the country file's is the fallback.
        const int sent = m_exchange == ExchangeKind::Zone ? exchangeZone(exchange) : 0;
        return sent > 0 ? sent : worked.zone;
    }
    case MultiplierKind::Exchange:
        return exchangeComplete(m_exchange, exchange) ? keyNumber(QLatin1String("x ") + exchange.toString().toUpper())
                                                      : 0;
    default:
        return worked.keys[int(rule.kind)];
    }
}

QsoScore Scorer::add(const Qso &qso)
{
    QsoScore score;
    ++m_totals.contacts;
    m_rate.add(qso.when);
    const QStringView exchange = QStringView(qso.received).mid(reportLength(qso.received, qso.phone));
    score.exchangeComplete = exchangeComplete(m_exchange, exchange);

    const int call = factsIndex(qso.call);
    const Facts &worked = m_facts[std::size_t(call)];
    const int band = bandIndex(qso.band);
    const quint64 bandBit = quint64(1) << band;
    static const QStringList modes = { QStringLiteral("CW"), QStringLiteral("PH"),
                                       QStringLiteral("RY"), QStringLiteral("DG"),
                                       QStringLiteral("FM") };
    // A mode outside Cabrillo's counts as one more.
    const int mode = m_rules.dupePerMode ? int(modes.indexOf(qso.mode)) + 1 : 0;
    quint64 &workedBands = m_worked[std::size_t(call) * ModeSlots + std::size_t(mode)];
    if (workedBands & bandBit) {
        score.dupe = true;
        ++m_totals.dupes;
        return score;
    }
    workedBands |= bandBit;

    for (qsizetype i = 0; i < m_rules.points.size(); ++i) {
        if ((worked.pointRules >> i & 1) && (m_pointBands.at(i) & bandBit)) {
            score.points = m_rules.points.at(i).points;
            break;
        }
    }
    m_totals.points += score.points;

    for (qsizetype i = 0; i < m_rules.multipliers.size(); ++i) {
        const MultiplierRule &rule = m_rules.multipliers.at(i);
        if (!(worked.multiplierRules >> i & 1) || !(m_multiplierBands.at(i) & bandBit))
            continue;
        const int key = multiplierKey(rule, worked, exchange);
        if (key == 0 || (rule.perBand && band == 0))
            continue;
        std::vector<quint64> &seen = m_multipliers[std::size_t(i)];
        if (seen.size() <= std::size_t(key))
            seen.resize(std::size_t(key) + 64);
        const quint64 slot = rule.perBand ? bandBit : 1;
        if (seen[std::size_t(key)] & slot)
            continue;
        seen[std::size_t(key)] |= slot;
        score.newMultiplier = true;
        m_totals.multipliers += rule.perBand ? m_rules.bandWeight(qso.band) : 1;
    }
    return score;
}

void Scorer::clear()
{
    // The calls keep their numbers and facts: a recount looks none up again.
    std::fill(m_worked.begin(), m_worked.end(), 0);
    for (std::vector<quint64> &seen : m_multipliers)
        std::fill(seen.begin(), seen.end(), 0);
    m_totals = {};
    m_rate.clear();
}

} // namespace contest
