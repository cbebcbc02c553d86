#include "mainwindow/StationDialog.h"

#include "formats/PlainText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

StationDialog::StationDialog(const formats::Station &station, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Station"));
    setWindowTitle(QStringLiteral("Station"));
    auto *form = new QFormLayout(this);
    const auto line = [&](const char *name, const QString &caption, const QString &value, int width) {
        auto *edit = new QLineEdit(value, this);
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(width);
        form->addRow(caption, edit);
        return edit;
    };
    m_call = line("stationCall", QStringLiteral("Your &call sign"), station.call, 15);
    m_operator = line("stationOperator", QStringLiteral("&Operator"), station.operatorCall, 15);
    m_name = line("stationName", QStringLiteral("&Name"), station.name, 40);
    m_grid = line("stationGrid", QStringLiteral("&Locator"), station.grid, 8);
    for (const auto &[category, words] : formats::cabrilloCategories()) {
        auto *box = new QComboBox(this);
        box->setObjectName(category.toLower());
        box->addItem(QString());
        box->addItems(words);
        for (const auto &[key, value] : station.categories) {
            if (key == category)
                box->setCurrentIndex(box->findText(value));
        }
        form->addRow(category.mid(int(qstrlen("CATEGORY-"))).toLower().prepend(QStringLiteral("Cabrillo ")), box);
        m_categories << box;
    }
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("stationProblem"));
    form->addRow(m_problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &StationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StationDialog::reject);
}

void StationDialog::accept()
{
    formats::Station s;
    for (const auto &[edit, key, caption, into] :
         { std::tuple { m_call, "call", "The call sign", &s.call },
           std::tuple { m_operator, "operator", "The operator", &s.operatorCall },
           std::tuple { m_name, "name", "The name", &s.name },
           std::tuple { m_grid, "grid", "The locator", &s.grid } }) {
        const QString value = edit->text().trimmed();
        if (value.isEmpty())
            continue;
        if (const QString problem = formats::stationValueProblem(QLatin1String(key), value); !problem.isEmpty()) {
            m_problem->setText(QStringLiteral("%1 \"%2\" %3.").arg(QLatin1String(caption),
                                                                   formats::escaped(value), problem));
            edit->setFocus();
            return;
        }
        *into = value;
    }
    s.call = s.call.toUpper();
    s.operatorCall = s.operatorCall.toUpper();
    for (QComboBox *box : std::as_const(m_categories)) {
        if (!box->currentText().isEmpty())
            s.categories.append({ box->objectName().toUpper(), box->currentText() });
    }
    Q_EMIT stationChosen(s);
    QDialog::accept();
}
