#pragma once

#include "links/ContactSpool.h"
#include "links/LoggedContact.h"
#include "mainwindow/Link.h"

#include <QQueue>
#include <QTimer>

namespace links {
class WsjtxListener;
}

// WSJT-X (or JTDX): each contact it logs is saved as the next record; one the logbook
// cannot take now waits in a spool on disk and is saved as soon as it can.
class WsjtxLink : public Link
{
    Q_OBJECT
public:
    WsjtxLink(Form1 &form, LinkNote &note, QObject *parent);

    void addSettings(links::LinkSettings &settings) const override;
    void apply(const links::LinkSettings &settings) override;
    std::unique_ptr<ConnectionRow> connectionRow(QWidget *dialog, const links::LinkSettings &settings) override;
    QString unsavedContacts() override;
    QString status() const override;
    // Where WSJT-X contacts wait on disk for the logbook.
    static QString spoolFileName() { return QStringLiteral("wsjtx.spool"); }

private:
    void listen(const links::WsjtxSettings &settings);
    void save(const links::LoggedContact &contact);
    void keep(const links::LoggedContact &contact);
    void writeSpool();
    void restoreSpooled();
    bool keepDamagedSpool(qint64 unreadable, qsizetype readable);
    void saveWaiting();
    void scheduleSaving();
    bool alreadyInLogbook(const storage::QsoRecord &record) const;
    void showWaiting(const QString &whyNot);

    links::WsjtxSettings m_settings;
    links::WsjtxListener *m_listener = nullptr;
    QString m_problem; // why it cannot listen
    // Contacts not yet saved, in order, each with its place in the spool.
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
    bool m_restored = false; // the spool has been read
};
