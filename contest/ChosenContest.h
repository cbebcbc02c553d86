#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace contest {

// The contest the operator works: the Cabrillo name that selects its rules, and the
// session, the span of the log it scores (UTC, to the minute; an invalid end is open).
// Kept in the [contest] group of vantel.ini; the Cabrillo export offers the same span.
struct ChosenContest
{
    QString name; // empty: no contest chosen
    QDateTime from, to;
    bool holds(const QDateTime &when) const
    {
        return when.isValid() && (!from.isValid() || when >= from) && (!to.isValid() || when <= to);
    }
};

struct LoadedContest
{
    ChosenContest chosen;
    QStringList problems; // values left out, one a line
};

// The [contest] group of the INI file at `path`; an absent file chooses nothing.
LoadedContest loadChosenContest(const QString &path);
// Writes the [contest] group, leaving the file's other groups as they are; why it could
// not, or nothing.
std::optional<QString> saveChosenContest(const QString &path, const ChosenContest &chosen);

// "YYYY-MM-DD HH:MM", read as UTC; nothing for any other text.
std::optional<QDateTime> readMoment(const QString &text);
QString momentText(const QDateTime &when);

} // namespace contest
