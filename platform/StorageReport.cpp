#include "platform/StorageReport.h"

namespace {

using Outcome = storage::JournalRecovery::Outcome;

// What was undone, or empty when nothing was.
QString recoveryText(const QString &path, const storage::JournalRecovery &recovery)
{
    const QString file = storage::shownPath(path);
    const QString lookAgain = QStringLiteral("\n\nIf you corrected a contact just before, look at it "
                                             "in the log window (F2).");
    switch (recovery.outcome) {
    case Outcome::Torn:
        return QStringLiteral("A correction of a contact in the logbook %1 was interrupted before it "
                              "changed anything; its journal has been removed and the logbook is as "
                              "it was.")
                       .arg(file)
                + lookAgain;
    case Outcome::Stale:
        return QStringLiteral("A correction of a contact in the logbook %1 was interrupted, and the "
                              "logbook has changed since (it was replaced or shortened, or the "
                              "contact changed again); its journal has been removed and the logbook "
                              "left as it is.")
                       .arg(file)
                + lookAgain;
    case Outcome::RolledBack:
        return QStringLiteral("The correction of contact %1 in the logbook %2 was interrupted (the "
                              "program stopped, or the disk failed) and has been undone: the contact "
                              "is as it was before.\n\nCorrect it again in the log window (F2).")
                .arg(recovery.number)
                .arg(file);
    case Outcome::None:
    case Outcome::UnderWay:
    case Outcome::Foreign:
    case Outcome::NotAFile:
        break;
    }
    return QString();
}

} // namespace

bool recoverBeforeUse(Platform &platform, const QString &path, const QString &purpose)
{
    const auto recovered = storage::recoverJournal(path);
    if (!recovered) {
        platform.showError(failureText(
                purpose
                        + QStringLiteral(" A correction of one of its contacts was interrupted, "
                                         "and it could not be undone yet."),
                recovered.error()));
        return false;
    }
    tellRecovery(platform, path, recovered.value());
    return true;
}

void tellRecovery(Platform &platform, const QString &path, const storage::JournalRecovery &recovery)
{
    const QString text = recoveryText(path, recovery);
    if (!text.isEmpty())
        platform.messageBox(text, QStringLiteral("vantel"), MsgBox::OkOnly | MsgBox::Information);
}

void tellTaken(Platform &platform, const QString &path, const storage::TakenLogbook &taken)
{
    QStringList notes;
    if (const QString undone = recoveryText(path, taken.journal); !undone.isEmpty())
        notes << undone;
    if (taken.journal.outcome == Outcome::Foreign || taken.journal.outcome == Outcome::NotAFile)
        notes << QStringLiteral("Where a correction of the logbook %1 keeps its journal, %2 is %3. "
                                "vantel leaves it alone (it is never applied and never removed) and "
                                "uses the logbook as it is; contacts can be corrected once it has "
                                "been moved away.")
                         .arg(storage::shownPath(path), storage::shownPath(taken.journal.journal),
                              taken.journal.detail);
    if (taken.beyondLimit())
        notes << QStringLiteral("The file %1 holds %2 whole records, more than a logbook can (32767): "
                                "only the first 32767 are read, and no contact can be saved to it.")
                         .arg(storage::shownPath(path))
                         .arg(taken.records);
    if (!notes.isEmpty())
        platform.messageBox(notes.join(QStringLiteral("\n\n")), QStringLiteral("vantel"),
                            MsgBox::OkOnly | MsgBox::Information);
}

QString correctionUnderWay(const QString &path)
{
    return QStringLiteral("Another program is correcting a contact of the logbook %1 right now.")
            .arg(storage::shownPath(path));
}
