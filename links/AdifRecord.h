#pragma once

#include "links/Parsed.h"

#include <QHash>
#include <QString>

// The ADIF text WSJT-X sends for a logged QSO, read by the one ADIF reader (adif/).
namespace links::adif {

constexpr qsizetype MaxText = 32 * qsizetype(1024);

// The fields of the first record by lower-case name (the first of a repeated name
// counts). Refused: text over MaxText, and a record the reader found broken (a length
// running past the end or not a number, no <EOR>, too many fields).
Parsed<QHash<QString, QString>> firstRecord(const QString &text);

} // namespace links::adif
