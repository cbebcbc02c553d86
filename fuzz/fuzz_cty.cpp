#include "country/CountryTable.h"
#include "country/KnownCalls.h"
#include "country/Wpx.h"

#include <cmath>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkEntity(const country::Entity &e)
{
    check(!e.name.isEmpty() && e.cqZone >= 1 && e.cqZone <= 40 && e.ituZone >= 1 && e.ituZone <= 90);
    check(std::abs(e.latitude) <= 90 && std::abs(e.longitude) <= 180 && std::abs(e.utcOffsetHours) <= 24);
    check(e.continent.size() == 2);
}

} // namespace

// The same bytes as a cty.dat, a cty.csv for it and a MASTER.SCP: no crash, and what
// is taken in answers for every entry it holds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    auto table = country::CountryTable::fromCtyDat(bytes, QStringLiteral("fuzz"));
    if (table.ok()) {
        (void)table.value().applyCtyCsv(bytes, QStringLiteral("fuzz"));
        for (const auto *map : { &table.value().exactCalls(), &table.value().prefixes() }) {
            map->forEach([&](std::string_view key, const country::CountryTable::Entry &entry) {
                checkEntity(table.value().resolve(entry));
                const QString call = QString::fromLatin1(key.data(), qsizetype(key.size()));
                const auto info = table.value().lookup(call);
                if (info.status == country::CallInfo::Status::Found)
                    checkEntity(info.entity);
                (void)table.value().lookup(call + QStringLiteral("/P"));
                (void)table.value().lookup(call + QStringLiteral("/7"));
                (void)country::wpxPrefix(call);
            });
        }
    }
    const auto calls = country::KnownCalls::fromMasterScp(bytes, QStringLiteral("fuzz"));
    if (calls.ok() && calls.value().size() > 0) {
        const QString typed = QString::fromLatin1(bytes.left(3)).trimmed().toUpper();
        const auto found = calls.value().containing(typed, 5);
        check(found.calls.size() <= 5);
        for (const QString &call : found.calls)
            check(call.contains(typed) && calls.value().contains(call));
    }
    return 0;
}
