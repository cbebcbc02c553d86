#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
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

// Cancel keeps the setting; OK stores what was typed, empty included. The variable
// and the list change only once the file holds the new value.
void Form1::askValue(const QString &prompt, const QString &title, QString &variable,
                     const QString &fileName, QComboBox *list, QsoRecord::Field field)
{
    const std::optional<QString> typed = m_platform.inputBox(prompt, title, variable);
    if (!typed)
        return;
    // A default goes into a field as it stands: it must fit the field and be text the
    // record can hold, or the contact would be saved as something else than was seen.
    const int width = QsoRecord::Widths[field];
    if (typed->size() > width) {
        m_platform.showError(QStringLiteral("\"%1\" is %2 characters long; the %3 field holds at "
                                            "most %4. Nothing was changed.")
                                     .arg(typed->left(MaxSettingLength))
                                     .arg(typed->size())
                                     .arg(title)
                                     .arg(width));
        return;
    }
    for (QChar c : *typed) {
        if (!RecordTextValidator::allowed(c)) {
            m_platform.showError(QStringLiteral("\"%1\" holds a character that a record cannot "
                                                "store (a control character, or one outside "
                                                "Western European letters). Nothing was changed.")
                                         .arg(*typed));
            return;
        }
    }
    const Status written = writeSetting(fileName, *typed);
    if (!written) {
        m_platform.showError(msg::failure(
                QStringLiteral("The setting \"%1\" could not be saved; it keeps its old value.")
                        .arg(title),
                written.error()));
        return;
    }
    variable = *typed;
    if (list)
        list->setEditText(variable);
}

void Form1::mnuUTCClick()
{
    // One line more says what the clock implies, so that sign and unit are not guessed.
    const std::optional<QString> typed = m_platform.inputBox(
            QStringLiteral("Enter your delay from UTC\n")
                    + clockHint(m_platform.now().offsetFromUtc()),
            QStringLiteral("Set UTC delay"), utcOffset);
    if (!typed)
        return;
    const std::optional<double> hours = parseUtcHours(*typed);
    if (!typed->isEmpty() && (!hours || std::abs(*hours) > MaxUtcHours)) {
        m_platform.showError(QStringLiteral("\"%1\" is not a UTC offset. Enter a number of hours "
                                            "from -24 to 24, such as 2, -5 or 5.5.")
                                     .arg(*typed));
        return;
    }
    const Status written = writeSetting(QStringLiteral("utc_off"), *typed);
    if (!written) {
        m_platform.showError(msg::failure(
                QStringLiteral("The UTC offset could not be saved; it keeps its old value."),
                written.error()));
        return;
    }
    utcOffset = *typed;
    m_badOffsetReported = false;
}

void Form1::mnuSentClick()
{
    askValue(QStringLiteral("Enter the default Sent report"), QStringLiteral("Sent"), defSent,
             QStringLiteral("sent"), nullptr, QsoRecord::Sent);
    // The next exchange offered uses the new report at once.
    if (!logPath.isEmpty()) {
        if (const auto next = m_session.nextNumber())
            exchangeSent = exchangeFor(*next);
    }
}
