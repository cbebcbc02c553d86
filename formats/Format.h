#pragma once

#include "contest/RuleSet.h"
#include "country/CountryTable.h"
#include "formats/Station.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace formats {

// What an export knows beyond the records; each format reads what it needs.
struct Options
{
    QString logbookName; // file name of the logbook, for a header that names it
    QString myCall; // the station's own call sign
    Station station; // the rest of the operator's station (its call is myCall)
    QString contest; // contest name, may be empty
    bool title = false; // a title line and rule before the records
    QDateTime created; // creation time a header states
    QString program = QStringLiteral("vantel-export"); // the writer a header names
    // Only the contacts from `from` to `to` (UTC, to the minute, both included); an
    // invalid end is open. Records whose date cannot be read are still reported.
    QDateTime from, to;
    // The contest's rules, which select the exchange columns and give the claimed score.
    std::optional<contest::RuleSet> rules;
    // The country file's entities: the contacted station's country and zones (ADIF) and
    // the places the rules count; empty: none are written, and `countriesMissing`, when
    // set, says why (once).
    country::CountryTable countries;
    QString countriesMissing;
};

// What an export did with the records it was given.
struct Report
{
    qint64 written = 0; // records written
    int skipped = 0; // records left out whole
    QStringList messages; // skipped records and left-out fields, one a line
};

// One export format. A fresh instance serves one export, so a format may settle
// something for the whole log before it writes the first record.
class Format
{
public:
    virtual ~Format() = default;

    // Whether the format wants to see every record (survey) before it writes one.
    virtual bool surveys() const { return false; }
    virtual void survey(const char * /*records*/, qint64 /*count*/, qint64 /*firstNumber*/) { }

    virtual QByteArray header() const = 0;
    // Appends the output for `count` whole 85-byte records lying back to back, the first
    // of them record number `firstNumber`. A record that cannot be written as it stands
    // is left out and named in `report`.
    virtual void write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
                       Report &report) = 0;
    virtual QByteArray footer() const { return {}; }
};

} // namespace formats
