#pragma once

#include "contest/Rate.h"
#include "contest/RuleSet.h"
#include "country/CountryTable.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace contest {

// One contact as the score sees it.
struct Qso
{
    QString call; // upper case
    QString band; // ADIF band name ("20m"); empty when unknown
    QString mode; // Cabrillo mode (CW, PH, RY, DG); dupes per mode compare it
    QDateTime when; // UTC
    QString received; // the received report field as logged ("59914", "599MA")
    bool phone = false; // the report is RS
};

struct QsoScore
{
    int points = 0;
    bool dupe = false;
    bool newMultiplier = false;
    bool exchangeComplete = true; // the received exchange holds what the rules ask for
};

struct Totals
{
    qint64 contacts = 0; // dupes included
    qint64 dupes = 0;
    qint64 points = 0;
    qint64 multipliers = 0; // weighted by band where the rules weight bands
    qint64 score() const { return points * multipliers; }
};

// The score of a log under one contest's rules, a contact at a time: a save adds one
// contact, a changed log starts again from clear(). What the country file says of a
// call is kept across clear(), so a recount looks up no call twice.
class Scorer
{
public:
    Scorer(RuleSet rules, country::CountryTable table, const QString &myCall);

    QsoScore add(const Qso &qso);
    void clear();

    const Totals &totals() const { return m_totals; }
    const Rate &rate() const { return m_rate; }
    const RuleSet &rules() const { return m_rules; }
    ExchangeKind exchangeKind() const { return m_exchange; }

private:
    // What the country file says of a call, and which rules' worked-… parts hold for it.
    struct Facts
    {
        bool known = false;
        QString entity; // cty.dat primary prefix
        QString dxcc; // the DXCC entity's name
        QString continent;
        int zone = 0;
        QString prefix; // WPX
        quint64 pointRules = 0; // bit i: point rule i may apply (band aside)
        quint64 multiplierRules = 0;
        std::array<int, 5> keys {}; // a number for each multiplier kind's value, 0 none
    };
    int factsIndex(const QString &call);
    Facts lookupFacts(const QString &call);
    bool holdsFor(const Condition &when, const Facts &worked) const;
    int keyNumber(const QString &value);
    int bandIndex(const QString &band);
    int multiplierKey(const MultiplierRule &rule, const Facts &worked, QStringView exchange);

    RuleSet m_rules;
    country::CountryTable m_table;
    Facts m_own;
    ExchangeKind m_exchange = ExchangeKind::None;
    std::vector<Facts> m_facts; // by call number
    QHash<std::pair<quint64, quint64>, int> m_packedCalls; // call numbers of plain calls
    QHash<QString, int> m_otherCalls; // and of the rest
    QHash<QString, int> m_keys; // multiplier values (prefixes, entities …) numbered
    QStringList m_bands; // ADIF band names, numbered from 1 in this order
    qsizetype m_lastBand = 0; // contacts come band after band: the last one is tried first
    QList<quint64> m_pointBands; // a bit a band number, for each point rule
    QList<quint64> m_multiplierBands;
    // The bands each call was worked on so far, a word for each mode the rules tell apart.
    std::vector<quint64> m_worked;
    // For each multiplier rule, the bands (a bit each) its values were worked on.
    std::vector<std::vector<quint64>> m_multipliers;
    Totals m_totals;
    Rate m_rate;
};

} // namespace contest
