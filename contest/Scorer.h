#pragma once

#include "contest/Rate.h"
#include "contest/RuleSet.h"
#include "country/CountryTable.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

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
    QString exchange; // the received exchange without the report
    bool exchangeComplete = true; // holds what the rules ask for
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
    struct Facts
    {
        bool known = false;
        QString entity; // cty.dat primary prefix
        QString dxcc; // the DXCC entity's name
        QString continent;
        int zone = 0;
        QString prefix; // WPX
    };
    const Facts &facts(const QString &call);
    bool holds(const Condition &when, const Facts &worked, const QString &band) const;
    QString multiplierKey(const MultiplierRule &rule, const Facts &worked,
                          const QString &exchange) const;

    RuleSet m_rules;
    country::CountryTable m_table;
    Facts m_own;
    ExchangeKind m_exchange = ExchangeKind::None;
    QHash<QString, Facts> m_facts;
    QSet<QString> m_worked; // call, band and (per the rules) mode of each contact so far
    QList<QSet<QString>> m_multipliers; // one set a multiplier rule
    Totals m_totals;
    Rate m_rate;
};

} // namespace contest
