#include "storage/StorageText.h"

#include <QDir>

namespace storage {

QString escaped(QStringView text, QStringView alsoEscape)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control || alsoEscape.contains(c))
            out += QStringLiteral("\\x")
                    + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString shownPath(const QString &path)
{
    return escaped(QDir::toNativeSeparators(path));
}

QString failureReason(const StorageError &error)
{
    using Kind = StorageError::Kind;
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
    case Kind::NotALogbook:
        return QStringLiteral("Not a vantel logbook: %1").arg(error.reason);
    case Kind::JournalInTheWay:
        return QStringLiteral("A correction writes its journal here, but %1 lies there, which "
                              "vantel did not write for this logbook and leaves alone; move it "
                              "away to correct contacts")
                .arg(error.reason);
    }
    return error.reason;
}

QString failureText(const QString &what, const StorageError &error)
{
    return QStringLiteral("%1\n\nFile: %2\nReason: %3.")
            .arg(what, shownPath(error.path), failureReason(error));
}

QString takeIntoUseText(const QString &path, const StorageError &error, const QString &cannot)
{
    if (error.kind == StorageError::Kind::NotALogbook)
        return QStringLiteral("%1 is not a vantel logbook: %2").arg(shownPath(path), error.reason);
    return QStringLiteral("%1 %2: %3").arg(cannot, shownPath(path), failureReason(error));
}

} // namespace storage
