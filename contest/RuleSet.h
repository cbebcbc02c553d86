#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace contest {

// When a rule applies, seen from the contact: every part that is set must hold.
struct Condition
{
    enum class Relation { Any, SameCountry, SameContinent, OtherContinent };
    // A list of words; with `negated` the condition holds for what is not in it.
    struct Set
    {
        QStringList words;
        bool negated = false;
        bool isSet() const { return !words.isEmpty(); }
        bool holds(const QString &word) const { return !isSet() || words.contains(word) != negated; }
    };
    Relation worked = Relation::Any; // same-continent: another country of the same continent
    Set continent; // the worked station's continent (EU, NA …)
    Set entity; // the worked station's entity, by its cty.dat primary prefix (K, VE, DL)
    Set ownContinent;
    Set ownEntity;
    Set band; // ADIF band names (20m)
};

enum class ExchangeKind {
    None, // only the report
    Serial, // a number the other station counts up
    Zone, // a CQ zone, 1 to 40
    Region, // letters: a state or province
    Any, // anything but nothing (ARRL DX's power)
};

enum class MultiplierKind {
    Prefix, // the WPX prefix
    CqZone, // from the exchange where it holds one, else from the country file
    Country, // the cty.dat entity, WAE-only entities included
    Dxcc, // the DXCC entity
    Exchange, // the received exchange itself (a state, a province)
};

struct PointRule
{
    int points = 0;
    Condition when;
};

struct ExchangeRule
{
    ExchangeKind kind = ExchangeKind::None;
    Condition when; // only the own-… parts are read
};

struct MultiplierRule
{
    MultiplierKind kind = MultiplierKind::Dxcc;
    bool perBand = false;
    Condition when;
};

// One contest as its rule file describes it.
struct RuleSet
{
    QStringList names; // Cabrillo contest names, first the one it is known by
    QString title; // for people
    QList<ExchangeRule> exchanges; // first that applies to the own station
    bool dupePerMode = false; // a call counts again on another mode of the same band
    QList<PointRule> points; // first that applies; none: 0 points
    QList<MultiplierRule> multipliers; // each adds its own
    QHash<QString, int> bandWeights; // per-band multipliers count this often; absent 1

    // The exchange the own station receives.
    ExchangeKind exchangeFor(const QString &ownContinent, const QString &ownEntity) const;
    int bandWeight(const QString &band) const { return bandWeights.value(band, 1); }
};

struct ParsedRules
{
    std::optional<RuleSet> rules;
    QString error; // "line 4: unknown word \"pints\"" when rules is empty
};

// Reads the text of a rule file (docs/contest-rules.md describes it).
ParsedRules parseRules(const QString &text);

} // namespace contest
