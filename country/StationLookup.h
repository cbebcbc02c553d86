#pragma once

#include "country/CountryFiles.h"
#include "country/WorkedIndex.h"
#include "radio/Locator.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace country {

// Everything known about a call as it is typed.
struct StationInfo
{
    CallInfo country; // entity, continent, zones (with the file's overrides); status
    std::optional<double> headingDeg; // beam heading from the own station, 0 to 360
    std::optional<double> distanceKm;
    Worked worked; // against the logbook followed, on the band and mode asked
};

// The station behind a call for the entry window: country data, the operator's own
// station (call and locator of the profile) and the logbook in use, followed as it
// grows. Asked at every key, so it keeps an index of the logbook that a save extends
// and only a change other than an append builds again; when the file has not changed
// since the last question, one stat is all it costs.
class StationLookup
{
public:
    StationLookup() = default;

    void setCountryData(const CountryData &data);
    // The profile's call and locator. Headings and distances start at the locator's
    // centre, or without one at the own call's entity.
    void setStation(const QString &ownCall, const QString &locator);
    // The logbook to answer for; empty answers for none. Read at the next question.
    void setLogbook(const QString &path);

    // Reads what changed in the logbook since the last look. Returns the problem when it
    // cannot be read (the index then answers for no records), or an empty text.
    QString refresh();

    // `from` and `to` bound the contest session (see WorkedIndex::worked).
    StationInfo info(QStringView call, QStringView band, QStringView mode, const QDateTime &from = {},
                     const QDateTime &to = {});
    // Check partial: the known calls (MASTER.SCP) holding the typed text.
    KnownCalls::Matches partial(QStringView typed, int limit) const;
    // A complete call that neither the known calls nor the logbook hold; false while
    // no known calls are loaded.
    bool possiblyBusted(QStringView call);
    // The per-band duplicate check of the entry window.
    bool duplicateOnBandAndMode(QStringView call, QStringView band, QStringView mode);

    const WorkedIndex &index() const { return m_index; }
    const CountryData &data() const { return m_data; }
    // Where headings start, when known.
    std::optional<radio::LatLon> origin() const { return m_origin; }

private:
    void placeOrigin();

    CountryData m_data;
    WorkedIndex m_index;
    QString m_ownCall, m_locator;
    std::optional<radio::LatLon> m_origin;
    QString m_path;
    // What the file looked like when last read: an unchanged file is not read again.
    struct Seen
    {
        qint64 size = -1;
        qint64 mtimeNs = -1;
        quint64 inode = 0;
        bool operator==(const Seen &) const = default;
    };
    Seen m_seen;
};

} // namespace country
