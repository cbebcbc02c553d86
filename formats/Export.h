#pragma once

#include "formats/FormatTable.h"
#include "storage/Result.h"

#include <QByteArray>
#include <QString>

namespace formats {

struct Rendered
{
    QByteArray output;
    Report report;
};

// The logbook at `path` in `format`, whole, in memory. Reads the logbook (never creates
// or writes it); the options' logbook name is the file's name when left empty.
storage::Result<Rendered> exportLogbook(const FormatEntry &format, const QString &path,
                                        Options options);

// Appends the logbook `source` in `format` to `destination`, one block of records at a
// time, the header first (before the source is opened, so a bad source still leaves it).
// Everything written before a failure stays in the destination; a destination that would
// receive nothing is not created. The report counts the records written.
storage::Result<Report> appendLogbook(const FormatEntry &format, const QString &source,
                                      const QString &destination, Options options);

} // namespace formats
