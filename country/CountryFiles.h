#pragma once

#include "country/CountryTable.h"
#include "country/KnownCalls.h"
#include "country/Loaded.h"

#include <QDate>
#include <QList>
#include <QStringList>

namespace country {

// The country table and the known calls, where they came from, and what went wrong on
// the way. Loaded once; a problem is listed once, for the window to tell.
struct CountryData
{
    CountryTable table; // empty when no country file could be read
    QString ctyPath; // the cty.dat in use, or empty
    QDate ctyRelease; // its release (=VERyyyymmdd), invalid when it names none
    QString csvPath; // the cty.csv that gave the DXCC numbers, or empty
    KnownCalls calls; // empty when no MASTER.SCP could be read
    QString scpPath;
    QString scpRelease; // "2023.05.02.00" from the file's "# Release" line
    QList<LoadError> problems;

    // "cty.dat 2023-05-02 (/usr/share/hamradio-files/cty.dat), MASTER.SCP 2023.05.02.00
    // (...)", or what is missing: for the About box or a status line.
    QString describe() const;
};

// Largest file read; the real ones are well under 1 MB. A bigger one is refused unread.
constexpr qint64 MaxCountryFileSize = qint64(16) << 20;

// The folders searched, first one first: vantel's data folder (XDG data home), where
// an operator may drop newer files, then Debian's hamradio-files.
QStringList countryFolders();

// Reads the whole of a regular file of at most `maxSize` bytes; FIFOs and devices are
// refused without waiting on them.
Loaded<QByteArray> readSmallFile(const QString &path, qint64 maxSize);

// cty.dat and MASTER.SCP from the first folder holding a good copy of each; cty.csv from
// the folder of the cty.dat in use, else the first other folder holding one. A broken
// copy is listed in problems and the next folder tried. Touches no shared state, so it
// may run on a worker thread and hand its result to the window.
CountryData loadCountryData(const QStringList &folders = countryFolders());

} // namespace country
