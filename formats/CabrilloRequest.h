#pragma once

#include "formats/Format.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace formats {

// What a Cabrillo export is asked for beyond the logbook, by vantel-export's options or
// the window's export dialog: both go through applyCabrilloRequest, so the same request
// writes the same log.
struct CabrilloRequest
{
    QString contest; // the Cabrillo contest name; where vantel has its rules they score it
    QDateTime from, to; // UTC, both included; invalid: open
    QList<std::pair<QString, QString>> categories; // ("CATEGORY-POWER", "LOW"), over the profile's
};

// Every category a header takes: the station profile's, then those it does not keep.
const QList<std::pair<QString, QStringList>> &allCabrilloCategories();
// Why `value` cannot stand for the category `key` ("CATEGORY-TIME"), or empty.
QString categoryProblem(const QString &key, const QString &value);

// The country file the exports read: vantel's data folder first (a newer copy the operator
// dropped there), then Debian's. Problems with a copy that was passed over go to `notes`.
void loadExportCountries(Options &options, QStringList &notes);

// Puts the request into `options`, whose station is already set: each category over the
// profile's (the others keep Cabrillo's order), the range, the contest's name, and its
// rules with the country file when vantel has rules for it. What went wrong on the way
// (a rule file, the country file) goes to `notes`, one a line.
void applyCabrilloRequest(Options &options, const CabrilloRequest &request, QStringList &notes);

} // namespace formats
