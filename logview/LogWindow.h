#pragma once

#include "platform/Platform.h"
#include "storage/LogbookSession.h"

#include <QWidget>

namespace country {
class CountryLoader;
class CountryTable;
}
class LogModel;
class QLabel;
class QLineEdit;
class QTableView;

// The log window: every contact of the logbook in use, one row each, newest at the
// bottom. Not modal: it stays beside the entry window while the operator types, and
// narrows to the calls that contain what is typed there. Enter (or a double click)
// on a row opens the contact for correction; F2 or Escape goes back to the entry.
class LogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LogWindow(Platform &platform, QWidget *parent = nullptr);

    // Follows this logbook from now on (an interrupted correction is undone first),
    // or reads the one it follows again.
    void followLogbook(const QString &path);
    // The text of the entry window's call field: only calls that contain it are shown.
    void setCallFilter(const QString &text);
    // Shows the window with the newest contact visible and selected, the list focused.
    void showNewest();
    // The country file's entities for the country columns, from whoever has them; the
    // window then reads none itself.
    void setCountries(const country::CountryTable &table);
    // Corrections go through this session (the entry window's, on the logbook this
    // window follows); without one, through a session of the window's own.
    void setSession(const storage::LogbookSession &session) { m_session = &session; }
    // Opens the correction dialog for the selected contact.
    void correctSelected();

    LogModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    QLineEdit *searchBox() const { return m_search; }
    QLabel *statusLabel() const { return m_status; }

Q_SIGNALS:
    // F2 or Escape: the operator wants the entry window's call field back.
    void backToEntry();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showStatus();
    void selectNewest();
    void sizeColumns();
    void placeBesideOwner();
    void selectRow(int row);

    Platform &m_platform;
    storage::LogbookSession m_ownSession; // on the followed logbook, for corrections only
    const storage::LogbookSession *m_session = &m_ownSession;
    LogModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    QLineEdit *m_search = nullptr;
    QLabel *m_status = nullptr;
    // Whether the newest contact was the selected one, so a new contact takes over.
    bool m_followTail = true;
    // Placed beside the entry window the first time it shows; then where the operator puts it.
    bool m_placed = false;
    // Reads the country file once the window has been shown, off the path to its first paint.
    country::CountryLoader *m_countries = nullptr;
    bool m_countriesGiven = false;
};
