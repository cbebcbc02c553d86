#include "mainwindow/Messages.h"

#include <QDir>

namespace msg {

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString noLogbook()
{
    return QStringLiteral("No logbook is open.\n\nOpen or create a logbook from the File menu.");
}

QString failure(const QString &what, const storage::StorageError &error)
{
    using Kind = storage::StorageError::Kind;
    QString why;
    switch (error.kind) {
    case Kind::File:
        why = error.reason;
        break;
    case Kind::Overflow:
        why = QStringLiteral("A logbook holds at most 32767 contacts");
        break;
    case Kind::RecordLength:
        why = QStringLiteral("The value is longer than 124 characters");
        break;
    case Kind::RecordExists:
        why = QStringLiteral("Another program has written to the logbook since it was opened");
        break;
    case Kind::RecordsMissing:
        why = QStringLiteral("The logbook holds fewer contacts than were counted: another "
                             "program has shortened, replaced or emptied it");
        break;
    case Kind::Locked:
        why = QStringLiteral("Another program holds the logbook's lock");
        break;
    case Kind::Changed:
        why = QStringLiteral("The contact on disk is no longer the one shown");
        break;
    }
    return QStringLiteral("%1\n\nFile: %2\nReason: %3.").arg(what, nativePath(error.path), why);
}

QString logbookFull(const QString &path)
{
    return QStringLiteral("The logbook %1 is full: a logbook holds at most 32767 contacts."
                          "\n\nCreate a new logbook from the File menu.")
            .arg(nativePath(path));
}

} // namespace msg
