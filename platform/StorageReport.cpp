#include "platform/StorageReport.h"

#include "storage/Journal.h"

#include <QDir>

QString failureReason(const storage::StorageError &error)
{
    using Kind = storage::StorageError::Kind;
    switch (error.kind) {
    case Kind::File:
        return error.reason;
    case Kind::Overflow:
        return QStringLiteral("A logbook holds at most 32767 contacts");
    case Kind::RecordLength:
        return QStringLiteral("The value is longer than 124 characters");
    case Kind::RecordExists:
        return QStringLiteral("Another program has written to the logbook since it was opened");
    case Kind::RecordsMissing:
        return QStringLiteral("The logbook holds fewer contacts than were counted: another "
                              "program has shortened, replaced or emptied it");
    case Kind::Locked:
        return QStringLiteral("Another program holds the logbook's lock");
    case Kind::Changed:
        return QStringLiteral("The contact on disk is no longer the one shown");
    }
    return error.reason;
}

QString failureText(const QString &what, const storage::StorageError &error)
{
    return QStringLiteral("%1\n\nFile: %2\nReason: %3.")
            .arg(what, QDir::toNativeSeparators(error.path), failureReason(error));
}

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
    using Outcome = storage::JournalRecovery::Outcome;
    const QString file = QDir::toNativeSeparators(path);
    if (recovered.value().outcome == Outcome::Torn || recovered.value().outcome == Outcome::Stale) {
        // Removed either way, but the operator should know a correction may be missing.
        platform.messageBox(
                (recovered.value().outcome == Outcome::Torn
                         ? QStringLiteral("A correction of a contact in the logbook %1 was interrupted "
                                          "before it changed anything; its journal has been removed "
                                          "and the logbook is as it was.")
                         : QStringLiteral("A correction of a contact in the logbook %1 was interrupted, "
                                          "and the logbook has changed since (it was replaced or "
                                          "shortened, or the contact changed again); its journal has "
                                          "been removed and the logbook left as it is."))
                                .arg(file)
                        + QStringLiteral("\n\nIf you corrected a contact just before, look at it in "
                                         "the log window (F2)."),
                QStringLiteral("vantel"), MsgBox::OkOnly | MsgBox::Information);
    }
    if (recovered.value().outcome == Outcome::RolledBack) {
        platform.messageBox(
                QStringLiteral("The correction of contact %1 in the logbook %2 was interrupted "
                               "(the program stopped, or the disk failed) and has been undone: "
                               "the contact is as it was before.\n\nCorrect it again in the log "
                               "window (F2).")
                        .arg(recovered.value().number)
                        .arg(QDir::toNativeSeparators(path)),
                QStringLiteral("vantel"), MsgBox::OkOnly | MsgBox::Information);
    }
    return true;
}
