#pragma once

#include "links/Parsed.h"

#include <QHash>
#include <QString>

// The ADIF text WSJT-X sends for a logged QSO: an optional header up to <EOH>, then
// fields <NAME:LENGTH[:TYPE]>DATA up to <EOR>.
namespace links::adif {

constexpr qsizetype MaxText = 32 * qsizetype(1024);
constexpr int MaxFields = 256;

// The fields of the first record by lower-case name (the first of a repeated name
// counts). Refused: text over MaxText, a length running past the end, no <EOR>.
Parsed<QHash<QString, QString>> firstRecord(const QString &text);

} // namespace links::adif
