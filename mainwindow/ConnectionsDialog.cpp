#include "mainwindow/ConnectionsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

ConnectionsDialog::ConnectionsDialog(const links::LinkSettings &settings,
    const std::function<Rows(QWidget *dialog)> &makeRows, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("Connections"));
    setWindowTitle(QStringLiteral("Connections"));
    auto *grid = new QGridLayout(this);
    const QStringList headings { QString(), QStringLiteral("Host"), QStringLiteral("Port"),
        QStringLiteral("Answers?") };
    for (int column = 0; column < int(headings.size()); ++column)
        grid->addWidget(new QLabel(headings[column], this), 0, column);
    m_rows = makeRows(this);
    int row = 1;
    for (const auto &each : m_rows)
        each->place(*grid, row++);
    grid->setColumnMinimumWidth(3, 260);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *checkButton
        = buttons->addButton(QStringLiteral("&Check"), QDialogButtonBox::ActionRole);
    checkButton->setObjectName(QStringLiteral("checkButton"));
    grid->addWidget(buttons, row, 0, 1, 4);
    connect(checkButton, &QPushButton::clicked, this, &ConnectionsDialog::check);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (const auto settingsNow = chosen()) {
            Q_EMIT settingsChosen(*settingsNow);
            accept();
        }
    });
    check();
}

ConnectionsDialog::~ConnectionsDialog() = default;

std::optional<links::LinkSettings> ConnectionsDialog::chosen()
{
    links::LinkSettings out = m_settings;
    bool good = true;
    for (const auto &row : m_rows)
        good = row->read(out) && good;
    if (!good)
        return std::nullopt;
    return out;
}

void ConnectionsDialog::check()
{
    delete m_probes;
    m_probes = new QObject(this);
    for (const auto &row : m_rows)
        row->check(m_probes);
}
