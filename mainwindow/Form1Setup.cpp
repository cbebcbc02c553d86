#include "mainwindow/ContestPanel.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "mainwindow/SettingRow.h"
#include "mainwindow/UtcOffset.h"
#include "platform/FieldRules.h"
#include "storage/Settings.h"

#include <QComboBox>
#include <QLabel>

#include <cmath>

using namespace storage;

void Form1::mnuContestClick()
{
    // The action has flipped its own tick; the layout follows it.
    applyMode();
}

void Form1::mnuContestRulesClick()
{
    m_contestPanel->chooseRules();
}

void Form1::applyMode()
{
    const bool visible = !mnuContest->isChecked();
    Text7->setVisible(visible);
    Text8->setVisible(visible);
    Label9->setVisible(visible);
    Label10->setVisible(visible);
    setWindowTitle(visible ? QStringLiteral("vantel - QSO mode")
                           : QStringLiteral("vantel - Contest mode"));
}

bool Form1::contestMode() const
{
    return mnuContest->isChecked();
}

QString Form1::setting(const char *file) const
{
    const std::span<const SettingRow> rows = settingTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (qstrcmp(rows[i].file, file) == 0)
            return m_settings[i];
    }
    Q_ASSERT_X(false, "Form1::setting", file);
    return {};
}

std::span<const SettingRow> Form1::settingTable()
{
    using C = SettingRow::Check;
    // In the order start-up reads them; SettingName names the described ones by place.
    static const SettingRow rows[] = {
        { "utc_off", "mnuSetup", 0, "mnuUTC", "UTC offset", "Enter your delay from UTC",
          "Set UTC delay", C::UtcOffset, QsoRecord::DateTime, nullptr, &Form1::utcOffsetChanged,
          "The UTC offset" },
        { "band", "mnuDefault", 1, "mnuBand", "Band", "Enter the default Band(MHz)", "Band",
          C::FitsField, QsoRecord::Band, "Combo1", nullptr, nullptr },
        { "sent", "mnuDefault", 2, "mnuSent", "Sent", "Enter the default Sent report", "Sent",
          C::FitsField, QsoRecord::Sent, nullptr, &Form1::defSentChanged, nullptr },
        { "recv", "mnuDefault", 3, "mnuRecv", "Recv", "Enter the default Recv report", "Recv",
          C::FitsField, QsoRecord::Recv, nullptr, nullptr, nullptr },
        { "deflog", nullptr, 0, nullptr, nullptr, nullptr, nullptr, C::FitsField, QsoRecord::Call,
          nullptr, nullptr, nullptr },
        { "mode", "mnuDefault", 0, "mnuMode", "Mode", "Enter default Mode", "Mode", C::FitsField,
          QsoRecord::Mode, "Combo2", nullptr, nullptr },
    };
    return rows;
}

QStringList Form1::settingFiles()
{
    QStringList files;
    for (const SettingRow &row : settingTable())
        files << QLatin1String(row.file);
    return files;
}

QString &Form1::setting(const SettingRow &row)
{
    return m_settings[std::size_t(&row - settingTable().data())];
}

// Cancel keeps the setting; OK stores what was typed, empty included. The variable
// and the list change only once the file holds the new value.
void Form1::askSetting(const SettingRow &row)
{
    QString prompt = QLatin1String(row.prompt);
    // One line more says what the clock implies, so that sign and unit are not guessed.
    if (row.check == SettingRow::Check::UtcOffset)
        prompt += QLatin1Char('\n') + clockHint(m_platform.now().offsetFromUtc());
    const QString title = QLatin1String(row.title);
    const std::optional<QString> typed = m_platform.inputBox(prompt, title, setting(row));
    if (!typed)
        return;
    if (const auto problem = settingProblem(row, *typed)) {
        m_platform.showError(*problem);
        return;
    }
    const Status written = writeSetting(QLatin1String(row.file), *typed);
    if (!written) {
        const QString what = row.what ? QLatin1String(row.what)
                                      : QStringLiteral("The setting \"%1\"").arg(title);
        m_platform.showError(msg::failure(
                QStringLiteral("%1 could not be saved; it keeps its old value.").arg(what),
                written.error()));
        return;
    }
    setting(row) = *typed;
    if (row.list)
        findChild<QComboBox *>(QLatin1String(row.list))->setEditText(*typed);
    if (row.changed)
        (this->*row.changed)();
}

std::optional<QString> Form1::settingProblem(const SettingRow &row, const QString &typed) const
{
    if (row.check == SettingRow::Check::UtcOffset) {
        const std::optional<double> hours = parseUtcHours(typed);
        if (!typed.isEmpty() && (!hours || std::abs(*hours) > MaxUtcHours))
            return QStringLiteral("\"%1\" is not a UTC offset. Enter a number of hours from -24 "
                                  "to 24, such as 2, -5 or 5.5.")
                    .arg(typed);
        return std::nullopt;
    }
    // A default goes into a field as it stands: it must fit the field and be text the
    // record can hold, or the contact would be saved as something else than was seen.
    const int width = QsoRecord::Widths[row.field];
    if (typed.size() > width)
        return QStringLiteral("\"%1\" is %2 characters long; the %3 field holds at most %4. "
                              "Nothing was changed.")
                .arg(typed.left(MaxSettingLength))
                .arg(typed.size())
                .arg(QLatin1String(row.title))
                .arg(width);
    for (QChar c : typed) {
        if (!RecordTextValidator::allowed(c))
            return QStringLiteral("\"%1\" holds a character that a record cannot store (a "
                                  "control character, or one outside Western European letters). "
                                  "Nothing was changed.")
                    .arg(typed);
    }
    return std::nullopt;
}

void Form1::utcOffsetChanged()
{
    m_badOffsetReported = false;
}

void Form1::defSentChanged()
{
    // The next exchange offered uses the new report at once.
    if (!logPath.isEmpty()) {
        if (const auto next = m_session.nextNumber())
            exchangeSent = exchangeFor(*next);
    }
}
