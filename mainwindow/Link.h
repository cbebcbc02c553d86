#pragma once

#include "links/LinkSettings.h"
#include "mainwindow/ConnectionRow.h"

#include <QObject>
#include <QString>

#include <memory>

class Form1;
class LinkNote;

// A link to a program beside vantel, as the entry window sees it. Each link reads its
// own part of the settings (links/LinkSettings: its block of vantel.ini), starts or
// stops itself by them, and speaks through what Form1 offers (the note, a status row,
// the band and mode source, takeAsTyped, saveContact). None ever makes the window wait.
// LinksController owns one of each; a new link is its own files and one line in its table.
class Link : public QObject
{
    Q_OBJECT
public:
    Link(Form1 &form, LinkNote &note, QObject *parent)
        : QObject(parent)
        , m_form(form)
        , m_note(note)
    {
    }

    // Adds the link's block of vantel.ini (links::LinkSettings::add): its group, its
    // values and their defaults.
    virtual void addSettings(links::LinkSettings &settings) const = 0;
    // Takes the settings into use: starts, restarts or stops the link.
    virtual void apply(const links::LinkSettings &settings) = 0;
    // F3 (Tools, "Take from fldigi or the rig"): true if this link took it.
    virtual bool takeKey() { return false; }
    // Whether F3 would do something now.
    virtual bool takesKey() const { return false; }
    // Contacts this link holds that would be lost with the program, in a sentence, or
    // nothing; a last try to save them first.
    virtual QString unsavedContacts() { return {}; }
    // The link's state in a few words, for the connections window.
    virtual QString status() const { return {}; }
    // Its row in the connections window, its widgets made as children of `dialog`.
    virtual std::unique_ptr<ConnectionRow> connectionRow(QWidget *dialog,
                                                         const links::LinkSettings &settings) = 0;

protected:
    Form1 &m_form;
    LinkNote &m_note;
};
