#pragma once

#include "country/CountryFiles.h"

#include <QString>

namespace bench {

// Debian's country file, read once per program.
inline const country::CountryData &debianCountries()
{
    static const country::CountryData data = country::loadCountryData({ QStringLiteral("/usr/share/hamradio-files") });
    return data;
}

} // namespace bench
