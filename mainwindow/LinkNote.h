#pragma once

#include <QString>

class Form1;
class QLabel;

// The note beside the hint: what came last from a program beside vantel, or (in red)
// what went wrong. A word a link left may be taken back by that link alone, and only
// while it is still the one shown.
class LinkNote
{
public:
    explicit LinkNote(Form1 &form)
        : m_form(form)
    {
    }

    void show(const QString &text, const QString &more, bool trouble, const void *owner = nullptr);
    // Clears the note if `owner` left the one shown.
    void clear(const void *owner);

private:
    Form1 &m_form;
    QLabel *m_label = nullptr;
    const void *m_owner = nullptr;
};
