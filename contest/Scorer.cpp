#include "contest/Scorer.h"

#include "contest/Exchange.h"
#include "country/Wpx.h"

#include <utility>

namespace contest {

Scorer::Scorer(RuleSet rules, country::CountryTable table, const QString &myCall)
    : m_rules(std::move(rules)), m_table(std::move(table))
{
    m_own = facts(myCall.toUpper());
    m_exchange = m_rules.exchangeFor(m_own.continent, m_own.entity);
    m_multipliers.resize(m_rules.multipliers.size());
}

const Scorer::Facts &Scorer::facts(const QString &call)
{
    auto it = m_facts.find(call);
    if (it != m_facts.end())
        return *it;
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
    return *m_facts.insert(call, f);
}

bool Scorer::holds(const Condition &when, const Facts &worked, const QString &band) const
{
    if (!when.band.holds(band) || !when.ownContinent.holds(m_own.continent)
        || !when.ownEntity.holds(m_own.entity))
        return false;
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

QString Scorer::multiplierKey(const MultiplierRule &rule, const Facts &worked,
                              const QString &exchange) const
{
    switch (rule.kind) {
    case MultiplierKind::Prefix:
        return worked.prefix;
    case MultiplierKind::CqZone: {
        // The zone the station sent counts; the country file's is the fallback.
        const int sent = m_exchange == ExchangeKind::Zone ? exchangeZone(exchange) : 0;
        const int zone = sent > 0 ? sent : worked.zone;
        return zone > 0 ? QString::number(zone) : QString();
    }
    case MultiplierKind::Country:
        return worked.entity;
    case MultiplierKind::Dxcc:
        return worked.dxcc;
    case MultiplierKind::Exchange:
        return exchangeComplete(m_exchange, exchange) ? exchange.toUpper() : QString();
    }
    return {};
}

QsoScore Scorer::add(const Qso &qso)
{
    QsoScore score;
    ++m_totals.contacts;
    m_rate.add(qso.when);
    score.exchange = splitReceived(qso.received, qso.phone).exchange;
    score.exchangeComplete = exchangeComplete(m_exchange, score.exchange);

    QString dupeKey = qso.call + QLatin1Char(' ') + qso.band;
    if (m_rules.dupePerMode)
        dupeKey += QLatin1Char(' ') + qso.mode;
    if (m_worked.contains(dupeKey)) {
        score.dupe = true;
        ++m_totals.dupes;
        return score;
    }
    m_worked.insert(dupeKey);

    const Facts &worked = facts(qso.call);
    for (const PointRule &rule : std::as_const(m_rules.points)) {
        if (holds(rule.when, worked, qso.band)) {
            score.points = rule.points;
            break;
        }
    }
    m_totals.points += score.points;

    for (qsizetype i = 0; i < m_rules.multipliers.size(); ++i) {
        const MultiplierRule &rule = m_rules.multipliers.at(i);
        if (!holds(rule.when, worked, qso.band))
            continue;
        QString key = multiplierKey(rule, worked, score.exchange);
        if (key.isEmpty() || (rule.perBand && qso.band.isEmpty()))
            continue;
        if (rule.perBand)
            key = qso.band + QLatin1Char(' ') + key;
        if (m_multipliers[i].contains(key))
            continue;
        m_multipliers[i].insert(key);
        score.newMultiplier = true;
        m_totals.multipliers += rule.perBand ? m_rules.bandWeight(qso.band) : 1;
    }
    return score;
}

void Scorer::clear()
{
    m_worked.clear();
    for (QSet<QString> &seen : m_multipliers)
        seen.clear();
    m_totals = {};
    m_rate.clear();
}

} // namespace contest
