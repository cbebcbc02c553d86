#pragma once

#include "country/StationLookup.h"
#include "storage/QsoRecord.h"

#include <QColor>
#include <QDateTime>
#include <QObject>

#include <memory>

class CheckPartialList;
class Form1;
class QAction;
class QLabel;
class QThread;

// The station behind the call being typed, in a row of its own under the status line:
// country, continent, zones, beam heading and distance, and whether the call, its country,
// this band or this mode are new in the logbook. A second row lists the known calls
// (MASTER.SCP) holding the typed text. The country data is read, and the logbook indexed,
// on a thread of its own once the window is up: start-up never waits for them.
class StationLine : public QObject
{
    Q_OBJECT
public:
    explicit StationLine(Form1 &form);
    // Waits for a load still running (tens of milliseconds at most).
    ~StationLine() override;

    // Reads the country data from these folders (first one first) off the window's thread.
    void start(const QStringList &folders);
    // Takes country data into use at once, as a finished load does.
    void setCountryData(const country::CountryData &data);
    bool isLoaded() const { return m_loaded; }
    // The country data, waiting for a load still running.
    const country::CountryData &countryData();

    // What the call field's mark shows: no colour for nothing to say.
    struct Mark
    {
        QColor colour;
        QString text;
        bool operator==(const Mark &) const = default;
    };
    const Mark &mark() const { return m_mark; }

    // Brings the rows and the mark up to the fields; markChanged when the mark moved.
    void refresh();
    // The first contact with this call on this band and mode (as the worked-before
    // status counts them), read into `record`; 0 for none. A logbook that cannot be
    // read sets `problem`.
    qint64 firstOnBandAndMode(const QString &call, const QString &band, const QString &mode,
                              storage::QsoRecord &record, QString &problem);
    // The profile's call and locator changed.
    void setStation(const QString &ownCall, const QString &locator);
    // The contest session (UTC; invalid ends are open): in contest mode a contact outside
    // it is no dupe.
    void setContestSession(const QDateTime &from, const QDateTime &to);

Q_SIGNALS:
    void markChanged();

protected:
    // Down in the call field goes to the check-partial list.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QDateTime m_sessionFrom, m_sessionTo;
    struct Pending;
    void takePending();
    void followLogbook();
    static void showText(QLabel *row, const QString &text, const QString &description);
    // "cty.dat 2023-05-02, MASTER.SCP 2023.05.02.00 from /usr/share/hamradio-files"
    QString filesText() const;
    QString problemsText() const;
    void pick(const QString &call);

    Form1 &m_form;
    QAction *m_contest = nullptr;
    QLabel *m_row = nullptr;
    QLabel *m_partialRow = nullptr;
    CheckPartialList *m_partial = nullptr;
    country::StationLookup m_lookup;
    QString m_ownCall, m_locator;
    bool m_loaded = false;
    bool m_problemsTold = false;
    QThread *m_thread = nullptr;
    std::shared_ptr<Pending> m_pending;
    Mark m_mark;
};
