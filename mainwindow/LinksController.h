#pragma once

#include "links/LinkSettings.h"
#include "mainwindow/LinkNote.h"

#include <QObject>

#include <memory>
#include <vector>

class Form1;
class Link;
class QAction;

// Owns the links to the programs beside vantel (see Link) and their settings in
// vantel.ini, and offers what they share in the Tools menu: the connections window and
// F3, "Take from fldigi or the rig". With every link off (the default) it adds two menu
// items and nothing else happens.
class LinksController : public QObject
{
    Q_OBJECT
public:
    explicit LinksController(Form1 &form);
    ~LinksController() override;

    const links::LinkSettings &settings() const { return m_settings; }
    // Writes the settings to vantel.ini and takes them into use; false after telling why.
    bool change(const links::LinkSettings &settings);
    // The WSJT-X link's state in a few words, for the connections window.
    QString wsjtxStatus() const;
    // Opens the connections window (not waiting for it to close).
    void openConnections();
    // Tries once more to save the contacts that wait; names those that would be lost
    // with the program (the ones that could not be kept on disk), or nothing.
    QString unsavedContacts();

private:
    void apply();
    void extraKey(int keyCode);

    Form1 &m_form;
    QString m_path;
    links::LinkSettings m_settings;
    LinkNote m_note;
    std::vector<Link *> m_links; // children of this object, in the order F3 asks them
    Link *m_wsjtx = nullptr;
    QAction *m_take = nullptr;
};
