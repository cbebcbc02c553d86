#pragma once

#include <QStringList>

// The names the mode tables are made of, as their owners publish them.
namespace radio::names {

// ADIF 3.1.4's mode enumeration, one entry a mode: the MODE, then its SUBMODEs
// (import-only modes left out: they are written as their MODE/SUBMODE pairs).
const QList<QStringList> &adifModes();

// The modems fldigi 4.1.23 names (modem.get_names), as it spells them.
const QStringList &fldigiModems();

// fldigi's modems that make no contact: idle, receiving time signals, measuring.
bool isFldigiTool(QStringView upperName);

} // namespace radio::names
