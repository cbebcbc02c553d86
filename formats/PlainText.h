#pragma once

#include "storage/StorageText.h"

#include <QString>
#include <QStringView>

namespace formats {

// Plain ASCII for text: accents dropped (é → e), a few letters spelled out (ß → ss);
// whatever else has no ASCII form is left out and `lost` is set.
QString toAscii(const QString &text, bool *lost);

bool hasControl(QStringView text);
// Printable ASCII only (space included).
bool isPrintableAscii(QStringView text);

// Control characters (and each of `alsoEscape`) as \xNN: storage's wording, used here too.
using storage::escaped;

// Why a word that goes into a header line (a call sign, a contest name) cannot, or
// empty when it can: printable ASCII with no space and no "<".
QString headerWordProblem(QStringView word);

} // namespace formats
