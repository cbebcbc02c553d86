#include "mainwindow/Messages.h"

#include "platform/StorageReport.h"

namespace msg {

QString nativePath(const QString &path)
{
    // A control character in a name (a hand-edited settings file) must not break the
    // message it stands in: it is shown as \xNN, as every storage message shows it.
    return storage::shownPath(path);
}

QString noLogbook()
{
    return QStringLiteral("No logbook is open.\n\nOpen or create a logbook from the File menu.");
}

QString failure(const QString &what, const storage::StorageError &error)
{
    return failureText(what, error);
}

QString logbookFull(const QString &path)
{
    return QStringLiteral("The logbook %1 is full: a logbook holds at most 32767 contacts."
                          "\n\nCreate a new logbook from the File menu.")
            .arg(nativePath(path));
}

} // namespace msg
