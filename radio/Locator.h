#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace radio {

// Maidenhead locators of 4, 6 or 8 characters (JO62, JO62qm, JO62qm45), any letter case.
bool isLocator(QStringView text);
// As written conventionally: field in capitals, subsquare in small letters ("JO62qm").
QString normalLocator(QStringView text);

struct LatLon
{
    double lat = 0; // degrees north
    double lon = 0; // degrees east
};
// The centre of the locator's square.
std::optional<LatLon> locatorCentre(QStringView text);

// Great-circle distance in km (mean Earth radius 6371 km) and initial bearing in
// degrees from north (0 to 360) from `from` to `to`.
double distanceKm(const LatLon &from, const LatLon &to);
double bearingDeg(const LatLon &from, const LatLon &to);

} // namespace radio
