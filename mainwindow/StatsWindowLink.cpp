#include "mainwindow/StatsWindowLink.h"

#include "contest/RuleFiles.h"
#include "mainwindow/Form1.h"
#include "stats/StatsWindow.h"

StatsWindowLink::StatsWindowLink(Form1 &form) : QObject(&form), m_form(form)
{
    connect(&form, &Form1::logbookChanged, this, [this] {
        if (m_window)
            m_window->followLogbook(m_form.session().path());
    });
}

void StatsWindowLink::show()
{
    if (!m_window) {
        m_window = new StatsWindow(m_form.platform(), &m_form);
        // Until a contest is chosen for the logbook, the rule of any contest: DXCC per band.
        const contest::RuleBook book = contest::loadRules();
        if (const contest::RuleSet *rules = book.find(QStringLiteral("GENERIC")))
            m_window->setRules(*rules);
        m_window->followLogbook(m_form.session().path());
    }
    m_window->showAndCount();
}
