#pragma once

#include "country/CountryTable.h"
#include "logview/RecordFilter.h"
#include "storage/QsoRecord.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTimer>

namespace storage {
class LogbookWatch;
}

// The contacts of a logbook file, one row a record and one column a field in record
// order. The model reads the file itself (the file on disk is the truth; nothing is
// taken from the entry window) and follows it: what this program or any other writes
// shows within a poll, a partial record at the end is not shown, and a logbook that
// shrinks or goes is shown as it now is, never as the rows it had.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class State {
        NoLogbook, // no path to follow
        Shown, // the file was read
        Missing, // the file is not there (any more)
        Unreadable, // the file is there but could not be read; problem() says why
    };

    // After the record's fields: what the country file says of each call.
    enum Column { CountryColumn = storage::QsoRecord::FieldCount, ContinentColumn, CqZoneColumn, ColumnCount };

    explicit LogModel(QObject *parent = nullptr, int pollMs = 300);
    ~LogModel() override;

    // The logbook to follow from now on; empty follows none. Reads it at once.
    void setPath(const QString &path);
    const QString &path() const { return m_path; }
    // Reads the file again and shows what changed.
    void refresh();

    // The country file's entities for the country columns; empty leaves them empty.
    void setCountries(const country::CountryTable &table);

    void setCallFilter(const QString &text);
    void setSearchText(const QString &text);

    State state() const { return m_state; }
    QString problem() const { return m_problem; }
    // Whether the file held more records at some read than it does now.
    bool shrank() const { return m_shrank; }
    // Whole records in the file at the last read, shown or filtered out.
    qint64 recordCount() const { return m_count; }

    // The record a row shows, and its number in the file (from 1).
    storage::QsoRecord record(int row) const;
    qint64 recordNumber(int row) const { return qint64(m_rows.at(row)) + 1; }
    // The row that shows record `number`, or -1 when none does.
    int rowOf(qint64 number) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // state(), problem(), shrank() or the number of records changed.
    void statusChanged();

private:
    // Returns whether anything shown changed.
    bool read();
    bool apply(qint64 records, qint64 firstChanged, qint64 lastChanged, State state,
               const QString &problem);
    void fileChanged();
    QList<int> rowsFor(qint64 records) const;
    // The rows still let through of those shown now.
    QList<int> narrowed() const;
    // Shows these rows instead of the current ones as a change of rows, never a reset.
    void showRows(QList<int> rows);
    void refilter();
    struct CountryCells
    {
        QString country, continent;
        int cqZone = 0;
    };
    const CountryCells &countryCells(QByteArrayView call) const;

    QString m_path;
    QByteArray m_bytes; // the whole records, as read
    qint64 m_count = 0; // how many of them are the file's
    QByteArray m_block; // what one read brings
    QList<int> m_rows; // the record index each row shows
    RecordFilter m_filter;
    State m_state = State::NoLogbook;
    QString m_problem;
    bool m_shrank = false;
    storage::LogbookWatch *m_watch = nullptr;
    // One more read a poll after a change: a second write within the file system's
    // time stamp granularity leaves no trace the watch could see.
    QTimer m_settle;
    country::CountryTable m_countries;
    // Worked out when a row is shown, once a call.
    mutable QHash<QByteArray, CountryCells> m_countryCells;
};
