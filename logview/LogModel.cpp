#include "logview/LogModel.h"

#include "storage/FileHandle.h"
#include "storage/LogbookWatch.h"
#include "storage/RecordFields.h"
#include "storage/Logbook.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"
#include "storage/TextCodec.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using storage::QsoRecord;

namespace {

// About 128 KiB a read.
constexpr qint64 kBlockRecords = 1542;

} // namespace

LogModel::LogModel(QObject *parent, int pollMs)
    : QAbstractTableModel(parent), m_watch(new storage::LogbookWatch(this, pollMs))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(pollMs);
    connect(m_watch, &storage::LogbookWatch::changed, this, &LogModel::fileChanged);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (read())
            m_settle.start();
    });
}

void LogModel::fileChanged()
{
    read();
    m_settle.start();
}

LogModel::~LogModel() = default;

void LogModel::setPath(const QString &path)
{
    if (path == m_path && m_state != State::NoLogbook) {
        refresh();
        return;
    }
    // Another file: nothing of the last one may stay on screen, even for a moment.
    beginResetModel();
    m_path = path;
    m_bytes = QByteArray();
    m_count = 0;
    m_rows.clear();
    m_state = State::NoLogbook;
    m_problem.clear();
    m_shrank = false;
    endResetModel();
    m_watch->setPath(path);
    refresh();
}

void LogModel::refresh()
{
    read();
}

bool LogModel::read()
{
    if (m_path.isEmpty())
        return apply(0, -1, -1, State::NoLogbook, QString());
    // Taken into use as every reader takes it, but the journal is the entry window's: the
    // model only reads. A file swapped for one that is no logbook shows no rows.
    const auto taken = storage::takeIntoUse(m_path, storage::IfMissing::Fail, 0,
                                            storage::JournalWork::Leave);
    auto opened = taken ? storage::FileHandle::open(m_path, storage::FileHandle::Mode::ReadExisting)
                        : storage::Result<storage::FileHandle>(taken.error());
    if (!opened) {
        struct stat st {};
        const bool gone = ::stat(QFile::encodeName(m_path).constData(), &st) != 0
                && (errno == ENOENT || errno == ENOTDIR);
        return apply(0, -1, -1, gone ? State::Missing : State::Unreadable,
                     storage::failureReason(opened.error()));
    }
    const storage::FileHandle &file = opened.value();
    const auto size = file.size();
    if (!size)
        return apply(0, -1, -1, State::Unreadable, size.error().reason);
    // No logbook holds more; a larger file shows its first 32767 contacts.
    qint64 records = std::min<qint64>(size.value() / QsoRecord::Size, storage::MaxRecords);

    // Block by block into the records already held, noting which of them changed: the
    // file is never held twice, however often it is read.
    const qint64 oldCount = recordCount();
    if (records > oldCount)
        m_bytes.resize(records * QsoRecord::Size);
    m_block.resize(kBlockRecords * QsoRecord::Size);
    qint64 firstChanged = -1;
    qint64 lastChanged = -1;
    for (qint64 at = 0; at < records;) {
        const qint64 wanted = std::min(kBlockRecords, records - at);
        const auto got =
                file.readAt(m_block.data(), wanted * QsoRecord::Size, at * QsoRecord::Size);
        if (!got)
            return apply(0, -1, -1, State::Unreadable, got.error().reason);
        // The file may have shrunk since its size was taken: whole records only.
        const qint64 whole = got.value() / QsoRecord::Size;
        for (qint64 i = 0; i < whole; ++i) {
            const char *fresh = m_block.constData() + i * QsoRecord::Size;
            char *held = m_bytes.data() + (at + i) * QsoRecord::Size;
            if (at + i < oldCount && std::memcmp(held, fresh, QsoRecord::Size) != 0) {
                firstChanged = firstChanged < 0 ? at + i : firstChanged;
                lastChanged = at + i;
            }
            std::memcpy(held, fresh, QsoRecord::Size);
        }
        at += whole;
        if (whole < wanted)
            records = at;
    }
    return apply(records, firstChanged, lastChanged, State::Shown, QString());
}

QList<int> LogModel::rowsFor(qint64 records) const
{
    QList<int> rows;
    rows.reserve(records);
    const char *record = m_bytes.constData();
    const bool all = m_filter.isEmpty();
    for (int i = 0; i < records; ++i, record += QsoRecord::Size) {
        if (all || m_filter.accepts(record))
            rows.append(i);
    }
    return rows;
}

// Tells the view as little as is true: rows added at the end stay an insertion (the
// selection and scroll position survive a new contact), records rewritten in place
// are a change of data, anything else shows the file afresh. The records before
// `records` are already the file's; those after it go only once the view knows.
bool LogModel::apply(qint64 records, qint64 firstChanged, qint64 lastChanged, State state,
                     const QString &problem)
{
    const qint64 oldCount = recordCount();
    const bool statusDiffers = state != m_state || problem != m_problem || oldCount != records;
    if (state == State::Shown && m_state == State::Shown && records < oldCount)
        m_shrank = true;
    else if (records > oldCount)
        m_shrank = false; // growing again: what is shown is simply the file
    m_state = state;
    m_problem = problem;
    const bool changed = statusDiffers || firstChanged >= 0;

    QList<int> rows = rowsFor(records);
    const bool rowsExtend = rows.size() >= m_rows.size()
            && std::equal(m_rows.cbegin(), m_rows.cend(), rows.cbegin());
    if (firstChanged < 0 && rowsExtend) {
        const int added = int(rows.size() - m_rows.size());
        if (added > 0)
            beginInsertRows(QModelIndex(), int(m_rows.size()), int(rows.size()) - 1);
        m_rows = std::move(rows);
        m_count = records;
        m_bytes.truncate(records * QsoRecord::Size); // any removed were not shown
        if (added > 0)
            endInsertRows();
    } else if (rows == m_rows) {
        m_count = records;
        m_bytes.truncate(records * QsoRecord::Size);
        const auto first = std::lower_bound(m_rows.cbegin(), m_rows.cend(), firstChanged);
        const auto last = std::upper_bound(m_rows.cbegin(), m_rows.cend(), lastChanged);
        if (first < last)
            Q_EMIT dataChanged(index(int(first - m_rows.cbegin()), 0),
                               index(int(last - m_rows.cbegin()) - 1, ColumnCount - 1));
    } else {
        m_count = records;
        showRows(std::move(rows));
        m_bytes.truncate(records * QsoRecord::Size);
    }
    if (records == 0)
        m_bytes = QByteArray(); // give the memory back
    if (statusDiffers)
        Q_EMIT statusChanged();
    return changed;
}

QList<int> LogModel::narrowed() const
{
    if (m_filter.isEmpty())
        return m_rows; // nothing narrows: the same rows
    QList<int> rows;
    rows.reserve(m_rows.size());
    const char *bytes = m_bytes.constData();
    for (const int record : m_rows) {
        if (m_filter.accepts(bytes + qsizetype(record) * QsoRecord::Size))
            rows.append(record);
    }
    return rows;
}

// One change of layout whatever the difference: a view repaints what it shows once and
// keeps its selection and current row on the records they were on (gone with the record
// when it is no longer shown). Rows added at the end only are an insertion.
void LogModel::showRows(QList<int> rows)
{
    // Compared element by element: Qt 6.4's list comparison hands memcmp a null pointer
    // for an empty list.
    if (std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(), m_rows.cend()))
        return;
    if (rows.size() > m_rows.size() && std::equal(m_rows.cbegin(), m_rows.cend(), rows.cbegin())) {
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(rows.size()) - 1);
        m_rows = std::move(rows);
        endInsertRows();
        return;
    }
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before) {
        const int record = m_rows.value(old.row(), -1);
        const auto at = std::lower_bound(rows.cbegin(), rows.cend(), record);
        after << (at != rows.cend() && *at == record ? createIndex(int(at - rows.cbegin()), old.column())
                                                     : QModelIndex());
    }
    m_rows = std::move(rows);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

void LogModel::refilter()
{
    showRows(rowsFor(recordCount()));
}

void LogModel::setCallFilter(const QString &text)
{
    // A key that lengthens the call looks only at what the last key left.
    if (m_filter.setCall(text))
        showRows(narrowed());
    else
        refilter();
}

void LogModel::setSearchText(const QString &text)
{
    m_filter.setSearch(text);
    refilter();
}

QsoRecord LogModel::record(int row) const
{
    QsoRecord record;
    const char *bytes = m_bytes.constData() + qsizetype(m_rows.at(row)) * QsoRecord::Size;
    std::memcpy(record.bytes.data(), bytes, QsoRecord::Size);
    return record;
}

int LogModel::rowOf(qint64 number) const
{
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), number - 1);
    return it != m_rows.cend() && *it == number - 1 ? int(it - m_rows.cbegin()) : -1;
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    if (index.column() >= CountryColumn) {
        if (m_countries.isEmpty())
            return QVariant();
        const char *call = m_bytes.constData() + qsizetype(m_rows.at(index.row())) * QsoRecord::Size
                + QsoRecord::Offsets[QsoRecord::Call];
        const CountryCells &cells =
                countryCells(storage::trimSpaces(QByteArrayView(call, QsoRecord::Widths[QsoRecord::Call])));
        if (index.column() == CountryColumn)
            return cells.country;
        if (index.column() == ContinentColumn)
            return cells.continent;
        return cells.cqZone ? QVariant(cells.cqZone) : QVariant();
    }
    const auto field = storage::RecordFields[size_t(index.column())].field;
    const char *bytes = m_bytes.constData() + qsizetype(m_rows.at(index.row())) * QsoRecord::Size
            + QsoRecord::Offsets[field];
    int width = QsoRecord::Widths[field];
    while (width > 0 && bytes[width - 1] == ' ')
        --width;
    return storage::fromDisk(QByteArrayView(bytes, width));
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section < m_rows.size() ? QVariant(recordNumber(section)) : QVariant();
    if (section == CountryColumn)
        return QStringLiteral("Country");
    if (section == ContinentColumn)
        return QStringLiteral("Continent");
    if (section == CqZoneColumn)
        return QStringLiteral("CQ zone");
    if (section < 0 || section >= QsoRecord::FieldCount)
        return QVariant();
    return QLatin1String(storage::RecordFields[size_t(section)].title);
}

void LogModel::setCountries(const country::CountryTable &table)
{
    m_countries = table;
    m_countryCells.clear();
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, CountryColumn), index(int(m_rows.size()) - 1, CqZoneColumn));
}

const LogModel::CountryCells &LogModel::countryCells(QByteArrayView call) const
{
    const QByteArray key = call.toByteArray();
    auto it = m_countryCells.find(key);
    if (it != m_countryCells.end())
        return *it;
    CountryCells cells;
    const country::CallInfo info = m_countries.lookup(storage::fromDisk(call));
    if (info.status == country::CallInfo::Status::Found) {
        cells.country = info.entity.name;
        cells.continent = info.entity.continent;
        cells.cqZone = info.entity.cqZone;
    }
    return *m_countryCells.insert(key, cells);
}
