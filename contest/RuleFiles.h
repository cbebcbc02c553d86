#pragma once

#include "contest/RuleSet.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace contest {

// The contests vantel knows: the *.rules files of the rule folders.
struct RuleBook
{
    QList<RuleSet> contests;
    QStringList problems; // a file that could not be used, and why: one a line

    // The contest a Cabrillo name (any letter case) selects, or nothing.
    const RuleSet *find(const QString &name) const;
    QStringList names() const; // every Cabrillo name, in file order
};

// Searched first to last; a file name found in an earlier folder hides the same name in
// a later one: the installed files beside the program (../share/vantel/contests), then
// the source tree's, for a program run from its build folder.
QStringList ruleFolders();

// Rule files are small; a bigger one is refused unread.
constexpr qint64 MaxRuleFileSize = qint64(64) << 10;

RuleBook loadRules(const QStringList &folders = ruleFolders());

} // namespace contest
