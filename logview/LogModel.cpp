#include "logview/LogModel.h"

#include "storage/FileHandle.h"
#include "storage/LogbookWatch.h"
#include "storage/RecordFields.h"
#include "storage/SharedState.h"
#include "storage/TextCodec.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using storage::QsoRecord;

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
    m_bytes.clear();
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
        return apply(QByteArray(), State::NoLogbook, QString());
    auto opened = storage::FileHandle::open(m_path, storage::FileHandle::Mode::ReadExisting);
    if (!opened) {
        struct stat st {};
        const bool gone = ::stat(QFile::encodeName(m_path).constData(), &st) != 0
                && (errno == ENOENT || errno == ENOTDIR);
        return apply(QByteArray(), gone ? State::Missing : State::Unreadable, opened.error().reason);
    }
    const auto size = opened.value().size();
    if (!size)
        return apply(QByteArray(), State::Unreadable, size.error().reason);
    // No logbook holds more; a larger file shows its first 32767 contacts.
    const qint64 records = std::min<qint64>(size.value() / QsoRecord::Size, storage::MaxRecords);
    QByteArray bytes(records * QsoRecord::Size, Qt::Uninitialized);
    const auto got = opened.value().readAt(bytes.data(), bytes.size(), 0);
    if (!got)
        return apply(QByteArray(), State::Unreadable, got.error().reason);
    // The file may have shrunk since its size was taken: whole records only.
    bytes.truncate(got.value() / QsoRecord::Size * QsoRecord::Size);
    return apply(std::move(bytes), State::Shown, QString());
}

QList<int> LogModel::rowsFor(const QByteArray &bytes) const
{
    const int records = int(bytes.size() / QsoRecord::Size);
    QList<int> rows;
    rows.reserve(records);
    const char *record = bytes.constData();
    const bool all = m_filter.isEmpty();
    for (int i = 0; i < records; ++i, record += QsoRecord::Size) {
        if (all || m_filter.accepts(record))
            rows.append(i);
    }
    return rows;
}

// Tells the view as little as is true: rows added at the end stay an insertion (the
// selection and scroll position survive a new contact), records rewritten in place
// are a change of data, anything else shows the file afresh.
bool LogModel::apply(QByteArray bytes, State state, const QString &problem)
{
    const qint64 oldCount = recordCount();
    const qint64 newCount = bytes.size() / QsoRecord::Size;
    const bool statusDiffers = state != m_state || problem != m_problem || oldCount != newCount;
    if (state == State::Shown && m_state == State::Shown && newCount < oldCount)
        m_shrank = true;
    m_state = state;
    m_problem = problem;

    QList<int> rows = rowsFor(bytes);
    const qsizetype common = std::min(m_bytes.size(), bytes.size());
    const bool prefixSame = std::memcmp(m_bytes.constData(), bytes.constData(), size_t(common)) == 0;
    const bool rowsExtend = rows.size() >= m_rows.size()
            && std::equal(m_rows.cbegin(), m_rows.cend(), rows.cbegin());
    const bool changed = statusDiffers || !prefixSame || m_bytes.size() != bytes.size();
    if (prefixSame && rowsExtend) {
        const int added = int(rows.size() - m_rows.size());
        if (added > 0)
            beginInsertRows(QModelIndex(), int(m_rows.size()), int(rows.size()) - 1);
        m_bytes = std::move(bytes);
        m_rows = std::move(rows);
        if (added > 0)
            endInsertRows();
    } else if (rows == m_rows) {
        int first = -1;
        int last = -1;
        for (int row = 0; row < int(rows.size()); ++row) {
            const qsizetype at = qsizetype(rows.at(row)) * QsoRecord::Size;
            if (std::memcmp(m_bytes.constData() + at, bytes.constData() + at, QsoRecord::Size) != 0) {
                first = first < 0 ? row : first;
                last = row;
            }
        }
        m_bytes = std::move(bytes);
        if (first >= 0)
            Q_EMIT dataChanged(index(first, 0), index(last, QsoRecord::FieldCount - 1));
    } else {
        beginResetModel();
        m_bytes = std::move(bytes);
        m_rows = std::move(rows);
        endResetModel();
    }
    if (statusDiffers)
        Q_EMIT statusChanged();
    return changed;
}

void LogModel::refilter()
{
    QList<int> rows = rowsFor(m_bytes);
    if (rows == m_rows)
        return;
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void LogModel::setCallFilter(const QString &text)
{
    m_filter.setCall(text);
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
    std::memcpy(record.bytes.data(), m_bytes.constData() + qsizetype(m_rows.at(row)) * QsoRecord::Size,
                QsoRecord::Size);
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
    return parent.isValid() ? 0 : QsoRecord::FieldCount;
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
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
    if (section < 0 || section >= QsoRecord::FieldCount)
        return QVariant();
    return QLatin1String(storage::RecordFields[size_t(section)].title);
}
