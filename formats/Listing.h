#pragma once

#include "storage/Result.h"

#include <QByteArray>
#include <QString>

// A logbook as a printable text listing: an optional title line and rule, then one
// fixed-column line per whole record. Every line ends CR CR LF but the rule (CR LF).
namespace listing {

QByteArray titleLine(); // 76 bytes
QByteArray ruleLine(); // 87 bytes
// The 88-byte line of one 85-byte record: sent report before received report.
void appendRecordLine(QByteArray &out, const char *record);

// Whether two paths name one file, also through links or another spelling.
bool sameFile(const QString &a, const QString &b);

// Appends the listing of `source` to `destination`, the title and rule first when
// asked, and returns the number of record lines. Everything converted before a failure
// stays in the destination; a destination that would receive nothing is not created.
storage::Result<qint64> convert(const QString &source, const QString &destination, bool withTitle);

} // namespace listing
