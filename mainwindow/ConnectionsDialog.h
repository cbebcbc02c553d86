#pragma once

#include "links/LinkSettings.h"
#include "mainwindow/ConnectionRow.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The "Connections..." window: one row a link (see Link::connectionRow) that turns it
// on and off, says where its peer is found and whether it answers right now. Checking
// never waits: the answers come in while the window stays usable.
class ConnectionsDialog : public QDialog
{
    Q_OBJECT
public:
    using Rows = std::vector<std::unique_ptr<ConnectionRow>>;
    // makeRows gets this window: the parent of the rows' widgets.
    ConnectionsDialog(const links::LinkSettings &settings,
        const std::function<Rows(QWidget *dialog)> &makeRows, QWidget *parent = nullptr);
    ~ConnectionsDialog() override;

    // What the fields say, or nothing (and a word beside the field) where one is no value.
    std::optional<links::LinkSettings> chosen();
    // Asks the peers at the addresses in the fields.
    void check();

Q_SIGNALS:
    void settingsChosen(const links::LinkSettings &settings);

private:
    links::LinkSettings m_settings;
    Rows m_rows;
    QObject *m_probes = nullptr; // the checks under way; dropped when a new check starts
};
