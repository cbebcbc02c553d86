#pragma once

#include "adif/Record.h"
#include "storage/QsoRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace importer {

// One ADIF record fitted into the 85-byte record, as the entry window would have saved
// the contact. The number field stays empty: the record's running number is given when
// it is appended.
struct Fitted
{
    storage::QsoRecord record;
    QString unstorable; // non-empty: why the contact cannot be stored
    QStringList changes; // what was cut or replaced to fit, one phrase each
};

Fitted fitRecord(const adif::Record &adif);

// The text stored in a field of `width` characters: control characters as spaces, a
// character that Windows-1252 has no byte for as "?", cut to the width. `cut` and
// `replaced` tell whether either happened.
QString fitText(const QString &text, int width, bool *cut, bool *replaced);

} // namespace importer
