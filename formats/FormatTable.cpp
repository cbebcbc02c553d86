#include "formats/FormatTable.h"

#include "formats/Adif.h"
#include "formats/Cabrillo.h"
#include "formats/Listing.h"

#include <algorithm>
#include <iterator>

namespace formats {
namespace {

template<typename F>
std::unique_ptr<Format> make(const Options &options)
{
    return std::make_unique<F>(options);
}

using T = FormatEntry;
const FormatEntry kFormats[] = {
        { "adif", "ADIF 3.1 (.adi)", "adi", 0, &make<AdifFormat>, "mnuExportAdif", "Export to &ADIF..." },
        { "cabrillo", "Cabrillo 3.0 log (.cbr)", "cbr", T::Call | T::Contest, &make<CabrilloFormat>,
          "mnuExportCabrillo", "Export to Ca&brillo..." },
        { "listing", "the conversion window's listing", "txt", T::Title, &make<ListingFormat>, nullptr, nullptr },
};

} // namespace

std::span<const FormatEntry> formatTable()
{
    return kFormats;
}

const FormatEntry *findFormat(QStringView name)
{
    const auto it = std::find_if(std::begin(kFormats), std::end(kFormats), [&](const FormatEntry &e) {
        return name == QLatin1String(e.name);
    });
    return it == std::end(kFormats) ? nullptr : &*it;
}

const FormatEntry &listingFormat()
{
    return *findFormat(u"listing");
}

} // namespace formats
