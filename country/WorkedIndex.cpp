#include "country/WorkedIndex.h"

#include "radio/Band.h"
#include "radio/Mode.h"
#include "radio/Stamp.h"
#include "storage/QsoRecord.h"
#include "storage/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace country {

using storage::QsoRecord;

namespace {

constexpr int LatestShown = 3;

QByteArrayView field(const char *record, QsoRecord::Field f)
{
    return storage::trimSpaces(QByteArrayView(record + QsoRecord::Offsets[f], QsoRecord::Widths[f]));
}

QByteArray latin1Key(QStringView text)
{
    return callKey(text.trimmed().toLatin1());
}

// One id a key, handed out in order of arrival.
int idFor(QHash<QString, int> &ids, const QString &key)
{
    const auto it = ids.constFind(key);
    if (it != ids.cend())
        return *it;
    const int id = int(ids.size());
    ids.insert(key, id);
    return id;
}

} // namespace

QByteArray callKey(QByteArrayView call)
{
    QByteArray key = storage::trimSpaces(call).toByteArray();
    for (char &c : key) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return key;
}

Worked::Status Worked::status(bool contest) const
{
    if (contest && sessionOnBand)
        return Status::DupeOnBand;
    if (contest && sessionContacts > 0)
        return Status::WorkedOtherBand;
    if (entityKnown && !entityWorked)
        return Status::NewOne;
    if (entityKnown && !entityOnBand)
        return Status::NewBand;
    if (entityKnown && !entityInMode)
        return Status::NewMode;
    if (callContacts > 0)
        return Status::WorkedBefore;
    return entityKnown ? Status::New : Status::Nothing;
}

WorkedIndex::WorkedIndex(CountryTable table) : m_table(std::move(table)) { }

void WorkedIndex::setCountries(const CountryTable &table)
{
    m_table = table;
    const QByteArray records = m_bytes;
    clear();
    sync(records);
}

void WorkedIndex::clear()
{
    m_bytes.clear();
    m_records.clear();
    m_calls.clear();
    m_entities.clear();
    m_entityIds.clear();
    m_callEntities.clear();
}

bool WorkedIndex::sync(QByteArrayView records)
{
    const qsizetype whole = records.size() / QsoRecord::Size * QsoRecord::Size;
    records = records.first(whole);
    // An append leaves every record indexed so far as it was; anything else (a
    // correction, a shorter or another file) is indexed afresh.
    const bool appended = m_bytes.isEmpty()
            || (records.size() >= m_bytes.size()
                && std::memcmp(records.data(), m_bytes.constData(), size_t(m_bytes.size())) == 0);
    if (!appended)
        clear();
    const qsizetype from = m_bytes.size();
    m_bytes.append(records.sliced(from));
    m_records.reserve(size_t(whole / QsoRecord::Size));
    for (qsizetype at = from; at < whole; at += QsoRecord::Size)
        add(m_bytes.constData() + at);
    return !appended;
}

int WorkedIndex::bandId(QByteArrayView text) const
{
    const QByteArray key = callKey(text);
    if (const auto it = m_bandTexts.constFind(key); it != m_bandTexts.cend())
        return *it;
    // The band a text names; a text that names none (a frequency outside every band,
    // a typing error) stands for itself.
    const auto reading = radio::readBandText(QString::fromLatin1(key));
    const QString band = reading && reading->band ? QString::fromLatin1(reading->band->adif)
                                                  : QLatin1Char('=') + QString::fromLatin1(key);
    const int id = idFor(m_bandKeys, band);
    m_bandTexts.insert(key, id);
    return id;
}

int WorkedIndex::modeId(QByteArrayView text) const
{
    const QByteArray key = callKey(text);
    if (const auto it = m_modeTexts.constFind(key); it != m_modeTexts.cend())
        return *it;
    const auto reading = radio::readModeText(QString::fromLatin1(key));
    const QString family = reading ? reading->mode : QLatin1Char('=') + QString::fromLatin1(key);
    const int id = idFor(m_modeKeys, family);
    m_modeTexts.insert(key, id);
    return id;
}

int WorkedIndex::entityId(QByteArrayView call) const
{
    const QByteArray key = call.toByteArray();
    if (const auto it = m_callEntities.constFind(key); it != m_callEntities.cend())
        return *it;
    const int id = entityOf(QString::fromLatin1(key));
    m_callEntities.insert(key, id);
    return id;
}

int WorkedIndex::entityOf(QStringView call) const
{
    if (m_table.isEmpty())
        return -1;
    const CallInfo info = m_table.lookup(call);
    if (info.status != CallInfo::Status::Found)
        return -1;
    // An entity the file keeps apart (Sicily, Shetland) counts for its DXCC entity.
    const Entity &e = info.entity;
    return idFor(m_entityIds, e.dxccName.isEmpty() ? e.name : e.dxccName);
}

void WorkedIndex::add(const char *bytes)
{
    const int index = int(m_records.size());
    const QByteArray call = callKey(field(bytes, QsoRecord::Call));
    Record record { bandId(field(bytes, QsoRecord::Band)), modeId(field(bytes, QsoRecord::Mode)) };
    m_records.push_back(record);
    if (call.isEmpty())
        return;
    m_calls[call].push_back(index);
    const int entity = entityId(call);
    if (entity < 0)
        return;
    if (entity >= m_entities.size())
        m_entities.resize(entity + 1);
    m_entities[entity].bands.insert(record.band);
    m_entities[entity].modes.insert(record.mode);
}

Worked WorkedIndex::worked(QStringView call, QStringView band, QStringView mode,
                           const QDateTime &from, const QDateTime &to) const
{
    Worked w;
    const QByteArray key = latin1Key(call);
    if (key.isEmpty())
        return w;
    const int bandOf = bandId(band.trimmed().toLatin1());
    const int modeOf = modeId(mode.trimmed().toLatin1());
    const int entity = entityOf(QString::fromLatin1(key));
    w.entityKnown = entity >= 0;
    if (w.entityKnown && entity < m_entities.size()) {
        const EntityWork &work = m_entities.at(entity);
        w.entityWorked = !work.bands.isEmpty();
        w.entityOnBand = work.bands.contains(bandOf);
        w.entityInMode = work.modes.contains(modeOf);
    }
    const auto it = m_calls.constFind(key);
    if (it == m_calls.cend())
        return w;
    const std::vector<int> &indices = *it;
    w.callContacts = int(indices.size());
    const bool bounded = from.isValid() || to.isValid();
    for (const int i : indices) {
        const Record &r = m_records.at(size_t(i));
        w.callOnBand = w.callOnBand || r.band == bandOf;
        bool inSession = true;
        if (bounded) {
            // A call's few contacts: their stamps are read only when a session asks.
            const char *bytes = m_bytes.constData() + qsizetype(i) * QsoRecord::Size;
            const auto stamp = radio::readStamp(storage::fromDisk(field(bytes, QsoRecord::DateTime)));
            inSession = stamp && (!from.isValid() || *stamp >= from) && (!to.isValid() || *stamp <= to);
        }
        if (inSession) {
            ++w.sessionContacts;
            w.sessionOnBand = w.sessionOnBand || r.band == bandOf;
        }
        if (!w.callOnBandAndMode && r.band == bandOf && r.mode == modeOf) {
            w.callOnBandAndMode = true;
            w.firstOnBandAndMode = i + 1;
        }
    }
    for (auto i = indices.crbegin(); i != indices.crend() && w.latest.size() < LatestShown; ++i) {
        const char *bytes = m_bytes.constData() + qsizetype(*i) * QsoRecord::Size;
        const auto stamp = radio::readStamp(storage::fromDisk(field(bytes, QsoRecord::DateTime)));
        w.latest.append({ *i + 1, storage::fromDisk(field(bytes, QsoRecord::Band)),
                          storage::fromDisk(field(bytes, QsoRecord::Mode)),
                          stamp ? stamp->date() : QDate() });
    }
    return w;
}

QByteArrayView WorkedIndex::record(qint64 number) const
{
    if (number < 1 || number > recordCount())
        return {};
    return QByteArrayView(m_bytes).sliced((number - 1) * QsoRecord::Size, QsoRecord::Size);
}

bool isDuplicateOnBandAndMode(const WorkedIndex &index, QStringView call, QStringView band,
                              QStringView mode)
{
    return index.worked(call, band, mode).callOnBandAndMode;
}

} // namespace country
