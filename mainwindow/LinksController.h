#pragma once

#include "links/ContactSpool.h"
#include "links/LinkSettings.h"
#include "links/LoggedContact.h"
#include "mainwindow/Form1.h"

#include <QDateTime>
#include <QObject>
#include <QQueue>
#include <QTimer>

class QAction;
class QLabel;
namespace links {
class FldigiClient;
class RigPoller;
class WsjtxListener;
struct FldigiContact;
} // namespace links

// Ties the links to the programs beside vantel into the entry window: F3 takes the
// contact from fldigi (or band and mode from the rig), the band and mode fills ask the
// rig, and contacts WSJT-X logged are saved as the next records. With every link off
// (the default) it adds two menu items and nothing else happens.
class LinksController : public QObject
{
    Q_OBJECT
public:
    explicit LinksController(Form1 &form);

    const links::LinkSettings &settings() const { return m_settings; }
    // Writes the settings to vantel.ini and takes them into use; false after telling why.
    bool change(const links::LinkSettings &settings);
    // The WSJT-X link's state in a few words, for the connections window.
    QString wsjtxStatus() const;
    // Opens the connections window (not waiting for it to close).
    void openConnections();
    // Tries once more to save the WSJT-X contacts that wait; names those that would be
    // lost with the program (the ones that could not be kept on disk), or nothing.
    QString unsavedContacts();
    // Where WSJT-X contacts wait on disk for the logbook.
    static QString spoolFileName() { return QStringLiteral("wsjtx.spool"); }

private:
    void apply();
    void extraKey(int keyCode);
    void takeFromFldigi();
    void fill(const links::FldigiContact &contact);
    void save(const links::LoggedContact &contact);
    void keep(const links::LoggedContact &contact);
    void writeSpool();
    void restoreSpooled();
    void saveWaiting();
    void scheduleSaving();
    bool alreadyInLogbook(const storage::QsoRecord &record) const;
    void showWaiting(const QString &whyNot);
    void showRig(bool answers);
    QStringList fieldTexts() const;
    // The note beside the hint: what came from a peer, or (in red) what went wrong.
    void showNote(const QString &text, const QString &more, bool trouble);
    void clearFldigiNote();

    Form1 &m_form;
    QString m_path;
    links::LinkSettings m_settings;
    links::FldigiClient *m_fldigi = nullptr;
    links::RigPoller *m_rig = nullptr;
    links::WsjtxListener *m_wsjtx = nullptr;
    QString m_wsjtxProblem;
    QAction *m_connections = nullptr;
    QAction *m_take = nullptr;
    QLabel *m_note = nullptr;
    QLabel *m_rigRow = nullptr; // Form1's status row for the rig, shown while the link is on
    bool m_fldigiNote = false; // the note tells of a failed F3
    // WSJT-X contacts not yet saved, in order, each with its place in the spool.
    static constexpr qint64 Unwritten = -2; // goes to the spool once this event is done
    static constexpr qint64 NotKept = -1; // the spool could not take it: lost with the program
    struct Waiting
    {
        links::LoggedContact contact;
        qint64 spooled = NotKept;
    };
    QQueue<Waiting> m_toSave;
    links::ContactSpool m_spool;
    QString m_spoolProblem;
    QString m_lastWhyNot; // why the last save of a waiting contact failed
    bool m_saving = false;
    bool m_savingScheduled = false;
    bool m_spoolScheduled = false;
    static constexpr int RetryMs = 2000;
    QTimer m_retry;
    quint64 m_request = 0; // the F3 whose answer is awaited
    // The rig's last answer and when it came (the window's clock), for the rig row.
    QString m_rigLast;
    QDateTime m_rigAnsweredAt;
};
