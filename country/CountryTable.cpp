#include "country/CountryTable.h"

#include "country/Bytes.h"
#include "country/CallParts.h"

namespace country {

namespace {

const char *const continentNames[] = { "AF", "AN", "AS", "EU", "NA", "OC", "SA" };

std::string_view view(QByteArrayView bytes)
{
    return std::string_view(bytes.data(), size_t(bytes.size()));
}

// Guantanamo Bay is KG4 with a two-letter suffix; KG4 with one or three letters is a
// station in the USA, which the file leaves to the shorter prefix K.
bool isKg4OutsideGuantanamo(QByteArrayView prefix, QByteArrayView call)
{
    if (prefix != "KG4")
        return false;
    const QByteArrayView suffix = bytes::mid(call, 3);
    if (suffix.size() != 2)
        return true;
    for (const char c : suffix)
        if (c < 'A' || c > 'Z')
            return true;
    return false;
}

} // namespace

CountryTable::CountryTable() : m_data(std::make_shared<Data>()) { }

Entity CountryTable::resolve(const Entry &entry) const
{
    Entity result = m_data->entities.at(entry.entity);
    if (entry.cqZone)
        result.cqZone = entry.cqZone;
    if (entry.ituZone)
        result.ituZone = entry.ituZone;
    if (entry.continent >= 0)
        result.continent = QLatin1String(continentNames[entry.continent]);
    if (entry.hasLatLon) {
        result.latitude = entry.latitude;
        result.longitude = entry.longitude;
    }
    if (entry.hasUtcOffset)
        result.utcOffsetHours = entry.utcOffsetHours;
    return result;
}

const CountryTable::Entry *CountryTable::longestPrefixEntry(QByteArrayView call, Part part,
                                                            QByteArray *matched) const
{
    // As a location ("DL1ABC/KG4") KG4 is Guantanamo whatever follows.
    for (qsizetype n = std::min(call.size(), m_data->longestPrefix); n > 0; --n) {
        const Entry *entry = m_data->prefixes.find(view(bytes::left(call, n)));
        if (!entry || (part == Part::OwnCall && isKg4OutsideGuantanamo(bytes::left(call, n), call)))
            continue;
        *matched = bytes::left(call, n).toByteArray();
        return entry;
    }
    return nullptr;
}

CallInfo CountryTable::lookup(QStringView call) const
{
    CallInfo info;
    const CallParts parts = splitCall(call);
    if (!parts.valid)
        return info;
    const auto found = [&](const Entry &entry, const QByteArray &matchedBy) {
        info.status = CallInfo::Status::Found;
        info.entity = resolve(entry);
        info.matchedBy = QString::fromLatin1(matchedBy);
        return info;
    };
    const auto exact = [&](const QByteArray &text) { return m_data->exact.find(view(text)); };

    // The file's exact calls come first, as typed and without /P and the like.
    if (const Entry *entry = exact(parts.whole))
        return found(*entry, '=' + parts.whole);
    if (parts.mobile == CallParts::Mobile::Maritime) {
        info.status = CallInfo::Status::MaritimeMobile;
        return info;
    }
    if (parts.mobile == CallParts::Mobile::Aeronautical) {
        info.status = CallInfo::Status::AeronauticalMobile;
        return info;
    }
    if (const Entry *entry = exact(parts.stripped))
        return found(*entry, '=' + parts.stripped);

    QByteArray matched;
    if (!parts.location.isEmpty()) {
        // A location prefix decides; the call-area digit of the operator's call does not.
        if (const Entry *entry = exact(parts.location))
            return found(*entry, '=' + parts.location);
        if (const Entry *entry = longestPrefixEntry(parts.location, Part::Location, &matched))
            return found(*entry, matched);
        return info;
    }
    if (parts.areaDigit) {
        // Another call area: the operator's exact entry no longer applies.
        const QByteArray moved = withCallArea(parts.base, parts.areaDigit);
        if (const Entry *entry = longestPrefixEntry(moved, Part::OwnCall, &matched))
            return found(*entry, matched);
        return info;
    }
    if (const Entry *entry = longestPrefixEntry(parts.base, Part::OwnCall, &matched))
        return found(*entry, matched);
    return info;
}

} // namespace country
