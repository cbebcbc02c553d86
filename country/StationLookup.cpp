#include "country/StationLookup.h"

#include "storage/FileHandle.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace country {

void StationLookup::setCountryData(const CountryData &data)
{
    m_data = data;
    m_index.setCountries(data.table);
    placeOrigin();
}

void StationLookup::setStation(const QString &ownCall, const QString &locator)
{
    m_ownCall = ownCall;
    m_locator = locator;
    placeOrigin();
}

void StationLookup::placeOrigin()
{
    m_origin = radio::locatorCentre(m_locator);
    if (m_origin || m_ownCall.isEmpty())
        return;
    const CallInfo own = m_data.table.lookup(m_ownCall);
    if (own.status == CallInfo::Status::Found)
        m_origin = radio::LatLon { own.entity.latitude, own.entity.longitude };
}

void StationLookup::setLogbook(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    m_seen = Seen {};
    m_index.sync({});
}

QString StationLookup::refresh()
{
    if (m_path.isEmpty())
        return {};
    struct stat st {};
    QString why;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        why = QStringLiteral("not a regular file");
    if (!why.isEmpty()) {
        m_seen = Seen {};
        m_index.sync({});
        return why;
    }
    const Seen now { qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     quint64(st.st_ino) };
    if (now == m_seen)
        return {};
    auto file = storage::FileHandle::open(m_path, storage::FileHandle::Mode::ReadExisting);
    if (!file) {
        m_seen = Seen {};
        m_index.sync({});
        return file.error().reason;
    }
    // No read goes past the last record a logbook can hold.
    const qint64 wanted = std::min<qint64>(now.size, qint64(storage::MaxRecords) * storage::QsoRecord::Size);
    QByteArray bytes(wanted, Qt::Uninitialized);
    qint64 got = 0;
    while (got < wanted) {
        const auto n = file.value().readAt(bytes.data() + got, wanted - got, got);
        if (!n) {
            m_seen = Seen {};
            m_index.sync({});
            return n.error().reason;
        }
        if (n.value() == 0)
            break;
        got += n.value();
    }
    bytes.truncate(got);
    // A file that changed while read is looked at again next time; so is one written
    // within the last second, where another write may leave the same size and time stamp
    // (file systems stamp in clock ticks).
    const bool settled = QDateTime::currentMSecsSinceEpoch() - now.mtimeNs / 1000000 > 1000;
    m_seen = got == now.size && settled ? now : Seen {};
    m_index.sync(bytes);
    return {};
}

StationInfo StationLookup::info(QStringView call, QStringView band, QStringView mode,
                                const QDateTime &from, const QDateTime &to)
{
    refresh();
    StationInfo info;
    info.country = m_data.table.lookup(call);
    if (info.country.status == CallInfo::Status::Found && m_origin) {
        const radio::LatLon there { info.country.entity.latitude, info.country.entity.longitude };
        info.headingDeg = radio::bearingDeg(*m_origin, there);
        info.distanceKm = radio::distanceKm(*m_origin, there);
    }
    info.worked = m_index.worked(call, band, mode, from, to);
    return info;
}

KnownCalls::Matches StationLookup::partial(QStringView typed, int limit) const
{
    return m_data.calls.containing(typed, limit);
}

bool StationLookup::possiblyBusted(QStringView call)
{
    if (m_data.calls.size() == 0 || call.trimmed().isEmpty())
        return false;
    if (m_data.calls.contains(call))
        return false;
    refresh();
    return m_index.worked(call, {}, {}).callContacts == 0;
}

bool StationLookup::duplicateOnBandAndMode(QStringView call, QStringView band, QStringView mode)
{
    refresh();
    return isDuplicateOnBandAndMode(m_index, call, band, mode);
}

} // namespace country
