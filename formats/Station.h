#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace formats {

// The operator's own station as the exports state it: ADIF's STATION_CALLSIGN, OPERATOR
// and MY_GRIDSQUARE, Cabrillo's header. Kept in the [station] group of vantel.ini.
struct Station
{
    QString call;
    QString operatorCall;
    QString name;
    QString grid;
    QList<std::pair<QString, QString>> categories; // ("CATEGORY-MODE", "CW"), in Cabrillo's order
};

struct LoadedStation
{
    Station station;
    QStringList problems; // values left out, one a line
};

// The [station] group of the INI file at `path`; an absent file is an empty profile.
LoadedStation loadStation(const QString &path);

// Writes the profile into the [station] group of the INI file at `path`, leaving its
// other groups as they are; why it could not, or nothing.
std::optional<QString> saveStation(const QString &path, const Station &station);

// Why a value cannot stand for `key` (call, operator, name, grid, category-…), or empty.
// Categories take the words of Cabrillo 3 (CATEGORY-MODE: CW, DIGI, FM, RTTY, SSB, MIXED …).
QString stationValueProblem(const QString &key, const QString &value);

// The Cabrillo categories and the words each takes, in header order.
const QList<std::pair<QString, QStringList>> &cabrilloCategories();

} // namespace formats
