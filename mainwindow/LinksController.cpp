#include "mainwindow/LinksController.h"

#include "mainwindow/ConnectionsDialog.h"
#include "mainwindow/FldigiLink.h"
#include "mainwindow/Form1.h"
#include "mainwindow/RigLink.h"
#include "mainwindow/WsjtxLink.h"
#include "platform/Keys.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace {

template<typename L>
Link *make(Form1 &form, LinkNote &note, QObject *parent)
{
    return new L(form, note, parent);
}

// The links, in the order F3 asks them: fldigi's contact before the rig's band and mode.
Link *(*const kLinks[])(Form1 &, LinkNote &, QObject *) = {
    &make<FldigiLink>,
    &make<RigLink>,
    &make<WsjtxLink>,
};

} // namespace

LinksController::LinksController(Form1 &form)
    : QObject(&form),
      m_form(form),
      m_path(QDir::current().absoluteFilePath(links::LinkSettings::fileName())),
      m_note(form)
{
    setObjectName(QStringLiteral("links"));
    QAction *connections = form.toolsMenu()->addAction(QStringLiteral("&Connections..."));
    connections->setObjectName(QStringLiteral("mnuConnections"));
    // No shortcut: a menu shortcut would swallow F3 before the field's handler sees it.
    m_take = form.toolsMenu()->addAction(QStringLiteral("&Take from fldigi or the rig\tF3"));
    m_take->setObjectName(QStringLiteral("mnuTake"));
    connect(connections, &QAction::triggered, this, &LinksController::openConnections);
    connect(m_take, &QAction::triggered, this, [this] { extraKey(Vk::F3); });
    connect(&form, &Form1::extraKey, this, &LinksController::extraKey);

    links::LinkSettings defaults;
    for (const auto make : kLinks) {
        m_links.push_back(make(form, m_note, this));
        m_links.back()->addSettings(defaults);
    }
    m_wsjtx = findChild<WsjtxLink *>();

    const links::LoadedLinkSettings loaded = links::loadLinkSettings(m_path, defaults);
    m_settings = loaded.settings;
    if (!loaded.problems.isEmpty())
        form.platform().showError(QStringLiteral("%1:\n\n%2")
                                          .arg(QDir::toNativeSeparators(m_path),
                                               loaded.problems.join(QLatin1Char('\n'))));
    apply();
}

LinksController::~LinksController() = default;

void LinksController::apply()
{
    bool takes = false;
    for (Link *link : m_links) {
        link->apply(m_settings);
        takes = takes || link->takesKey();
    }
    m_take->setEnabled(takes);
}

bool LinksController::change(const links::LinkSettings &settings)
{
    if (const auto problem = links::saveLinkSettings(m_path, settings)) {
        m_form.platform().showError(
                QStringLiteral("The connections were not changed: %1.").arg(*problem));
        return false;
    }
    m_settings = settings;
    apply();
    return true;
}

QString LinksController::wsjtxStatus() const
{
    return m_wsjtx ? m_wsjtx->status() : QString();
}

void LinksController::openConnections()
{
    const auto rows = [this](QWidget *window) {
        ConnectionsDialog::Rows made;
        for (Link *link : m_links)
            made.push_back(link->connectionRow(window, m_settings));
        return made;
    };
    auto *dialog = new ConnectionsDialog(m_settings, rows, &m_form);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    connect(dialog, &ConnectionsDialog::settingsChosen, this, &LinksController::change);
    dialog->show();
}

void LinksController::extraKey(int keyCode)
{
    if (keyCode != Vk::F3)
        return;
    for (Link *link : m_links) {
        if (link->takeKey())
            return;
    }
}

QString LinksController::unsavedContacts()
{
    QStringList unsaved;
    for (Link *link : m_links) {
        const QString text = link->unsavedContacts();
        if (!text.isEmpty())
            unsaved << text;
    }
    return unsaved.join(QStringLiteral("\n\n"));
}
