#pragma once

#include <QObject>

class Form1;
class LogWindow;

// Joins the log window to the entry window through the entry window's public face
// only: F2 and "&Log window" show it, the call field narrows it, a change of the
// logbook in use is followed, and F2 or Escape there comes back to the call field.
// The window is made the first time it is asked for.
class LogWindowLink : public QObject
{
    Q_OBJECT
public:
    explicit LogWindowLink(Form1 &form);

    void show();
    // The window, or nullptr while it has not been asked for.
    LogWindow *window() const { return m_window; }

private:
    Form1 &m_form;
    LogWindow *m_window = nullptr;
};
