#pragma once

#include "storage/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace exporter {

enum class Format { Adif, Cabrillo, Listing };

struct Options
{
    Format format = Format::Adif;
    QString myCall; // Cabrillo
    QString contest; // Cabrillo, optional
    bool title = false; // listing
    QDateTime created; // ADIF header
};

struct Outcome
{
    QByteArray output;
    int skipped = 0;
    QStringList messages; // skipped records and left-out fields, one a line
};

// Reads the logbook (never creates or writes it) and renders it whole in memory.
storage::Result<Outcome> exportLogbook(const QString &path, const Options &options);

} // namespace exporter
