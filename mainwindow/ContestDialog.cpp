#include "mainwindow/ContestDialog.h"

#include "formats/PlainText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QString noneText()
{
    return QStringLiteral("(none)");
}

} // namespace

ContestDialog::ContestDialog(Purpose purpose, const QStringList &names,
                             const contest::ChosenContest &current,
                             const QList<std::pair<QString, QString>> &categories, QWidget *parent)
    : QDialog(parent), m_purpose(purpose)
{
    const bool rules = purpose == Purpose::Rules;
    setObjectName(rules ? QStringLiteral("contestRules") : QStringLiteral("cabrilloExport"));
    setWindowTitle(rules ? QStringLiteral("Contest rules") : QStringLiteral("Export to Cabrillo"));
    auto *form = new QFormLayout(this);
    m_contest = new QComboBox(this);
    m_contest->setObjectName(QStringLiteral("contest"));
    // The rules choose from what vantel can score; a Cabrillo may name any contest.
    if (rules)
        m_contest->addItem(noneText());
    m_contest->addItems(names);
    m_contest->setEditable(!rules);
    if (!rules)
        m_contest->setCurrentText(current.name);
    else
        m_contest->setCurrentIndex(std::max(0, int(m_contest->findText(current.name))));
    form->addRow(QStringLiteral("&Contest"), m_contest);
    const auto moment = [&](const char *name, const QString &caption, const QDateTime &value) {
        auto *edit = new QLineEdit(contest::momentText(value), this);
        edit->setObjectName(QLatin1String(name));
        edit->setPlaceholderText(QStringLiteral("YYYY-MM-DD HH:MM"));
        form->addRow(caption, edit);
        return edit;
    };
    m_from = moment("from", rules ? QStringLiteral("Session &from (UTC)") : QStringLiteral("&From (UTC)"), current.from);
    m_to = moment("to", rules ? QStringLiteral("Session &to (UTC)") : QStringLiteral("&To (UTC)"), current.to);
    if (!rules) {
        for (const auto &[category, words] : formats::allCabrilloCategories()) {
            auto *box = new QComboBox(this);
            box->setObjectName(category.toLower());
            box->addItem(QString());
            box->addItems(words);
            for (const auto &[key, value] : categories) {
                if (key == category)
                    box->setCurrentIndex(box->findText(value));
            }
            form->addRow(category.mid(int(qstrlen("CATEGORY-"))).toLower().prepend(QStringLiteral("Category ")), box);
            m_categories << box;
        }
    }
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("contestProblem"));
    m_problem->setWordWrap(true);
    form->addRow(m_problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ContestDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ContestDialog::reject);
    m_contest->setFocus();
}

void ContestDialog::accept()
{
    formats::CabrilloRequest request;
    const auto refuse = [&](QWidget *where, const QString &text) {
        m_problem->setText(text);
        m_problem->setAccessibleDescription(text);
        // The dialog grows by the wrapped lines rather than squeezing them.
        layout()->activate();
        adjustSize();
        where->setFocus();
    };
    const QString name = m_contest->currentText().trimmed();
    request.contest = name == noneText() && m_purpose == Purpose::Rules ? QString() : name.toUpper();
    if (const QString problem = formats::headerWordProblem(request.contest); !problem.isEmpty())
        return refuse(m_contest, QStringLiteral("The contest \"%1\" %2.").arg(formats::escaped(name), problem));
    for (const auto &[edit, into, caption] : { std::tuple { m_from, &request.from, "The start" },
                                               std::tuple { m_to, &request.to, "The end" } }) {
        const QString text = edit->text().trimmed();
        if (text.isEmpty())
            continue;
        const auto when = contest::readMoment(text);
        if (!when)
            return refuse(edit, QStringLiteral("%1 \"%2\" is no date and time as YYYY-MM-DD HH:MM.")
                                        .arg(QLatin1String(caption), formats::escaped(text)));
        *into = *when;
    }
    if (request.from.isValid() && request.to.isValid() && request.from > request.to)
        return refuse(m_to, QStringLiteral("The end lies before the start."));
    for (QComboBox *box : std::as_const(m_categories)) {
        if (!box->currentText().isEmpty())
            request.categories.append({ box->objectName().toUpper(), box->currentText() });
    }
    Q_EMIT chosen(request);
    QDialog::accept();
}
