#pragma once

#include "storage/QsoRecord.h"

#include <QString>

#include <optional>

// What the programs beside vantel call a band or a mode, in the words of the lists.
namespace links {

// The band list item whose amateur band holds the frequency (1.8 … 28); otherwise the
// frequency in MHz as far as the band field's four characters hold it ("50.3", "145").
// Nothing for a frequency that is not one or that four characters cannot show.
std::optional<QString> bandForFrequency(double hz);

// An ADIF band name ("20m") as a list item ("14"); nothing for the bands off the list.
std::optional<QString> bandForAdif(const QString &band);
// For an ADIF band name beyond the list ("6m", "70cm"), its lower edge in MHz as the
// band field holds it ("50", "420"); nothing for a name it does not know.
std::optional<QString> lowerEdgeForAdif(const QString &band);

// fldigi's modem name as a mode: BPSK31 is PSK31, the other list items go by their
// names, anything else as fldigi names it, fitted to the mode field.
QString modeForFldigi(const QString &modem);

// A rig's mode where it maps to a list item: CW, SSB from USB or LSB, RTTY.
std::optional<QString> modeForRig(const QString &rigMode);

// A peer's text as a record field holds it: without surrounding white space, control
// characters and characters that have no byte on disk (as the fields refuse them when
// typed), cut to the field's width.
QString fieldText(const QString &text, storage::QsoRecord::Field field);

} // namespace links
