#pragma once

#include "country/CountryTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>

#include <vector>

namespace country {

// What a logbook says about a call on a band and mode: the call's own contacts and
// whether its DXCC entity was worked, on this band, in this mode.
struct Worked
{
    enum class Status {
        Nothing, // no call, or nothing to say about it
        NewOne, // its entity was never worked
        NewBand, // its entity was never worked on this band
        NewMode, // its entity was never worked in this mode (on any band)
        WorkedBefore, // this call is in the logbook
        DupeOnBand, // contest: this call on this band already
        WorkedOtherBand, // contest: this call, but on other bands only
        New, // a call not in the logbook, of an entity worked on this band and mode
    };

    struct Contact
    {
        qint64 number = 0; // record number, from 1
        QString band, mode; // as the record holds them
        QDate date; // invalid when the record's date cannot be read
    };

    bool entityKnown = false; // false: the call resolves to no entity (or no country data)
    bool entityWorked = false;
    bool entityOnBand = false;
    bool entityInMode = false;
    int callContacts = 0; // this call's contacts in the logbook
    bool callOnBand = false;
    bool callOnBandAndMode = false;
    // The same, counting only the contacts of the contest session asked for (all of them
    // when none was): a contact before the contest is no dupe in it.
    int sessionContacts = 0;
    bool sessionOnBand = false;
    QList<Contact> latest; // this call's latest contacts, newest first (at most three)
    qint64 firstOnBandAndMode = 0; // record number of the first on this band and mode, or 0

    Status status(bool contest) const;
};

// An index of a logbook's records for the worked-before questions asked at every key:
// calls, and the bands and modes each DXCC entity was worked on. Built once from the
// records; records appended later are indexed alone, anything else builds it again.
// Bands are the same when their band texts name the same band (radio's reading:
// "14" and "20m" are one band; a text that names none is a band of its own); modes are
// the same when they are of one family (radio's ADIF MODE: PSK31 and PSK63 are PSK).
class WorkedIndex
{
public:
    explicit WorkedIndex(CountryTable table = {});

    // Brings the index to these whole 85-byte records (the logbook as it now is).
    // Returns true when it had to start again (the records before the end changed).
    bool sync(QByteArrayView records);
    // Starts again with another country table (the file arrived, or changed).
    void setCountries(const CountryTable &table);

    qint64 recordCount() const { return qint64(m_records.size()); }
    // The 85 bytes of record `number` (from 1) as indexed; empty beyond the last.
    QByteArrayView record(qint64 number) const;
    // `from` and `to` (UTC, either invalid for open) bound the contest session.
    Worked worked(QStringView call, QStringView band, QStringView mode, const QDateTime &from = {},
                  const QDateTime &to = {}) const;

private:
    struct Record
    {
        int band = 0;
        int mode = 0;
    };
    struct EntityWork
    {
        QSet<int> bands;
        QSet<int> modes;
    };

    void clear();
    void add(const char *record);
    int bandId(QByteArrayView text) const;
    int modeId(QByteArrayView text) const;
    int entityId(QByteArrayView call) const;
    int entityOf(QStringView call) const;

    CountryTable m_table;
    QByteArray m_bytes; // the records indexed, to see an append from a change
    std::vector<Record> m_records;
    QHash<QByteArray, std::vector<int>> m_calls; // upper-case call: its record indices
    QList<EntityWork> m_entities;
    // Texts seen in the records, read once each.
    mutable QHash<QByteArray, int> m_bandTexts, m_modeTexts; // field text: id
    mutable QHash<QString, int> m_bandKeys, m_modeKeys; // band or mode family: id
    mutable QHash<QString, int> m_entityIds; // DXCC entity name
    mutable QHash<QByteArray, int> m_callEntities; // call: entity id, -1 none
};

// The per-band duplicate check: the call was worked on this band in this mode.
bool isDuplicateOnBandAndMode(const WorkedIndex &index, QStringView call, QStringView band,
                              QStringView mode);

// The key a call is indexed by: trimmed, ASCII letters in capitals.
QByteArray callKey(QByteArrayView call);

} // namespace country
