#pragma once

#include <QObject>
#include <QString>

class Form1;
class StatsWindow;

// Joins the statistics window to the entry window: Tools → Statistics shows it, and a
// change of the logbook (a save, another logbook opened) is counted again. The window is
// made the first time it is asked for.
class StatsWindowLink : public QObject
{
    Q_OBJECT
public:
    explicit StatsWindowLink(Form1 &form);

    void show();
    // The window, or nullptr while it has not been asked for.
    StatsWindow *window() const { return m_window; }

private:
    Form1 &m_form;
    StatsWindow *m_window = nullptr;
    QString m_rulesName, m_myCall; // what the window counts multipliers under
};
