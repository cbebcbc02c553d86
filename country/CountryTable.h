#pragma once

#include "country/Entity.h"
#include "country/EntryMap.h"
#include "country/Loaded.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QStringView>

#include <memory>

namespace country {

// The entities of a cty.dat and its prefixes and exact calls, with the file's rules for
// finding a call's entity. Cheap to copy: copies share the read-only tables.
class CountryTable
{
public:
    // What an entry of the file sets besides its entity; 0 or NaN where it sets nothing.
    struct Entry
    {
        int entity = -1;
        quint8 cqZone = 0;
        quint8 ituZone = 0;
        qint8 continent = -1;
        float latitude = 0;
        float longitude = 0; // east positive
        float utcOffsetHours = 0; // local time minus UTC
        bool hasLatLon = false;
        bool hasUtcOffset = false;
    };
    using Map = EntryMap<Entry>;

    CountryTable();

    // Parses the text of a cty.dat. `source` names the file in the error.
    static Loaded<CountryTable> fromCtyDat(QByteArray bytes, const QString &source);

    // Takes the ADIF DXCC numbers from the text of a cty.csv (primary prefix, name,
    // number, ...), matched by primary prefix. Entities it does not name keep 0.
    Loaded<int> applyCtyCsv(const QByteArray &bytes, const QString &source);

    bool isEmpty() const { return m_data->entities.isEmpty(); }
    qsizetype entityCount() const { return m_data->entities.size(); }
    const Entity &entity(qsizetype index) const { return m_data->entities.at(index); }
    // The release the file gives in its =VERyyyymmdd entry; invalid when it has none.
    QDate release() const { return m_data->release; }

    const Map &exactCalls() const { return m_data->exact; }
    const Map &prefixes() const { return m_data->prefixes; }

    CallInfo lookup(QStringView call) const;
    // The entity an entry gives, with its overrides applied.
    Entity resolve(const Entry &entry) const;

private:
    struct Data
    {
        QByteArray bytes; // the file's text; the maps' keys point into it
        QList<Entity> entities;
        Map exact;
        Map prefixes;
        QDate release;
        qsizetype longestPrefix = 0;
    };
    enum class Part { OwnCall, Location };
    const Entry *longestPrefixEntry(QByteArrayView call, Part part, QByteArray *matched) const;

    std::shared_ptr<Data> m_data;
};

} // namespace country
