#include "mainwindow/StatsWindowLink.h"

#include "contest/ChosenContest.h"
#include "contest/RuleFiles.h"
#include "formats/Station.h"
#include "mainwindow/Form1.h"
#include "stats/StatsWindow.h"
#include "storage/Settings.h"


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
        m_window->followLogbook(m_form.session().path());
    }
    // The multipliers of the contest chosen under Setup → "Contest rules..." (it may have
    // changed since the last look); without one, the rule of any contest: DXCC per band.
    const QString ini = storage::iniPath();
    const QString chosen = contest::loadChosenContest(ini).chosen.name;
    const contest::RuleBook book = contest::loadRules();
    const contest::RuleSet *rules = chosen.isEmpty() ? nullptr : book.find(chosen);
    if (!rules)
        rules = book.find(QStringLiteral("GENERIC"));
    const QString myCall = formats::loadStation(ini).station.call;
    if (rules && (rules->names.value(0) != m_rulesName || myCall != m_myCall)) {
        m_rulesName = rules->names.value(0);
        m_myCall = myCall;
        m_window->setRules(*rules, myCall);
    }
    m_window->showAndCount();
}
