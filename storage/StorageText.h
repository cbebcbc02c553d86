#pragma once

#include "storage/Result.h"

#include <QString>
#include <QStringView>

// The operator's words for what storage reports, written once for every layer: the
// windows, the conversion window and vantel-export.
namespace storage {

// The text with each control character (and each of `alsoEscape`) written as \xNN,
// so that a message or a header line shows it and is not cut or broken by it.
QString escaped(QStringView text, QStringView alsoEscape = {});
// A path as a message shows it: native separators, control characters as \xNN, so a
// hand-edited name can never break the text it stands in.
QString shownPath(const QString &path);
// Why an operation failed, one sentence without its full stop.
QString failureReason(const StorageError &error);
// "<what>", then "File: <path>" and "Reason: <why>." on lines of their own.
QString failureText(const QString &what, const StorageError &error);
// One line for a command line that could not take `path` into use: what a file that is
// no logbook looks like, otherwise "<cannot> <path>: <why>".
QString takeIntoUseText(const QString &path, const StorageError &error, const QString &cannot);

} // namespace storage
