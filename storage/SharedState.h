#pragma once

#include "storage/QsoRecord.h"

#include <QtGlobal>

#include <optional>

namespace storage {

// The program's one record buffer: saving fills it, every logbook read goes through it.
extern QsoRecord curQso;
// Records in the logbook in use; 32767 is the logbook's limit.
extern qint16 qsoCount;

constexpr qint16 MaxRecords = 32767;

// qsoCount + 1, or nothing when it would pass the 16-bit limit.
std::optional<qint16> nextNumber(qint16 count);

} // namespace storage
