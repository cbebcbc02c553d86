#include "radio/Locator.h"

#include <cmath>
#include <numbers>

namespace radio {
namespace {

constexpr double EarthRadiusKm = 6371.0;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

bool inRange(QChar c, char low, char high)
{
    const char16_t u = c.toUpper().unicode();
    return u >= char16_t(low) && u <= char16_t(high);
}

} // namespace

bool isLocator(QStringView text)
{
    if (text.size() != 4 && text.size() != 6 && text.size() != 8)
        return false;
    // Pairs: field A-R, square 0-9, subsquare A-X, extended square 0-9.
    static constexpr char Low[] = { 'A', '0', 'A', '0' };
    static constexpr char High[] = { 'R', '9', 'X', '9' };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!inRange(text[i], Low[i / 2], High[i / 2]))
            return false;
    }
    return true;
}

QString normalLocator(QStringView text)
{
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = (i / 2 == 2) ? out[i].toLower() : out[i].toUpper();
    return out;
}

std::optional<LatLon> locatorCentre(QStringView text)
{
    if (!isLocator(text))
        return std::nullopt;
    const auto at = [&](qsizetype i) {
        const char16_t u = text[i].toUpper().unicode();
        return double(u >= u'A' ? u - u'A' : u - u'0');
    };
    double lon = -180.0 + at(0) * 20.0 + at(2) * 2.0;
    double lat = -90.0 + at(1) * 10.0 + at(3) * 1.0;
    double lonStep = 2.0;
    double latStep = 1.0;
    if (text.size() >= 6) {
        lonStep /= 24.0;
        latStep /= 24.0;
        lon += at(4) * lonStep;
        lat += at(5) * latStep;
    }
    if (text.size() == 8) {
        lonStep /= 10.0;
        latStep /= 10.0;
        lon += at(6) * lonStep;
        lat += at(7) * latStep;
    }
    return LatLon { lat + latStep / 2.0, lon + lonStep / 2.0 };
}

double distanceKm(const LatLon &from, const LatLon &to)
{
    // Haversine: well-conditioned for short distances as for antipodes.
    const double dLat = radians(to.lat - from.lat);
    const double dLon = radians(to.lon - from.lon);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2)
            + std::cos(radians(from.lat)) * std::cos(radians(to.lat)) * std::sin(dLon / 2)
                    * std::sin(dLon / 2);
    return 2.0 * EarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

double bearingDeg(const LatLon &from, const LatLon &to)
{
    const double phi1 = radians(from.lat);
    const double phi2 = radians(to.lat);
    const double dLon = radians(to.lon - from.lon);
    const double y = std::sin(dLon) * std::cos(phi2);
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLon);
    const double deg = std::atan2(y, x) * 180.0 / std::numbers::pi;
    return std::fmod(deg + 360.0, 360.0);
}

} // namespace radio
