#pragma once

#include <QString>

namespace country {

// One entity of the country file, or what a call resolves to with the overrides of the
// entry that matched it applied.
struct Entity
{
    QString name; // "Fed. Rep. of Germany"
    QString primaryPrefix; // "DL", "3D2/c"; without the file's '*'
    int dxcc = 0; // ADIF DXCC number from cty.csv; 0 when unknown
    QString dxccName; // the DXCC entity this one counts for (itself when isDxcc)
    QString continent; // AF AN AS EU NA OC SA
    int cqZone = 0;
    int ituZone = 0;
    double latitude = 0; // degrees, north positive
    double longitude = 0; // degrees, east positive (the file counts west positive)
    double utcOffsetHours = 0; // local time minus UTC: 1.0 for UTC+1 (the file has -1.0)
    bool isDxcc = true; // false for entities the file marks '*' (WAE, CQ-only)
};

// The outcome of a lookup.
struct CallInfo
{
    enum class Status {
        Found,
        MaritimeMobile, // /MM: no entity
        AeronauticalMobile, // /AM: no entity
        Unknown, // not a call, or no entry of the file matches
    };
    Status status = Status::Unknown;
    Entity entity; // valid when Found
    QString matchedBy; // the file's entry that decided: "=KG4AC", "KH6", "UA9"
};

} // namespace country
