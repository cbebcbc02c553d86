#pragma once

#include "contest/RuleSet.h"
#include "contest/Scorer.h"
#include "country/CountryTable.h"
#include "storage/QsoRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace stats {

// A stretch of UTC time, both ends included to the minute (the date/time field's
// resolution); an end left out is open.
struct Range
{
    std::optional<QDateTime> from;
    std::optional<QDateTime> to;

    bool isWhole() const { return !from && !to; }
    // A contact whose date/time reads as none lies only in the whole logbook.
    bool contains(const std::optional<QDateTime> &when) const;
};

// One bar: what it counts ("20m", "CW", "EU") and how many.
struct Tally
{
    QString key;
    qint64 count = 0;
    bool operator==(const Tally &other) const = default;
};

// What the statistics window shows. The word for what a record does not say.
inline constexpr char Unknown[] = "unknown";

struct Counts
{
    qint64 records = 0; // read from the logbook
    qint64 contacts = 0; // of those, in the range
    qint64 undated = 0; // in the range though their date/time reads as none
    std::map<qint64, qint64> perHour; // hours since the epoch (UTC) → contacts
    QList<Tally> byBand; // in band order, Unknown last
    QList<Tally> byMode; // the ADIF mode, most first; Unknown last
    QList<Tally> byContinent; // AF AN AS EU NA OC SA, Unknown last
    // New multipliers each band brought, in band order, as the score counts them (a band's
    // weight included); those of no band's (a per-contest multiplier) on the band first worked.
    QList<Tally> multipliersByBand;
    qint64 multipliers = 0;
};

// Counts a logbook's records under one contest's rules. Keeps what it learnt of each
// call, band and mode text, so counting the grown logbook again is cheap.
class Counter
{
public:
    Counter(contest::RuleSet rules, country::CountryTable table, const QString &myCall);

    // `records` holds `count` whole 85-byte records back to back.
    Counts count(const char *records, qint64 count, const Range &range);
    const contest::RuleSet &rules() const { return m_scorer.rules(); }

private:
    struct ModeFacts
    {
        QString adif; // empty: the text is no mode
        QString cabrillo;
        bool phone = false;
    };
    const QString &bandOf(QByteArrayView text);
    const ModeFacts &modeOf(QByteArrayView text);
    const QString &continentOf(const QString &call);

    country::CountryTable m_table;
    contest::Scorer m_scorer;
    // The band field's text (its bytes as a number: the field is four, the mode's seven, bytes
    // wide) → ADIF band, empty for none; the mode field's likewise.
    QHash<quint64, QString> m_bands;
    QHash<quint64, ModeFacts> m_modes;
    QHash<QString, QString> m_continents; // call → continent, empty for none
};

} // namespace stats
