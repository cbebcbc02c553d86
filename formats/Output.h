#pragma once

#include "storage/AtomicOutput.h"

// Where an export goes is the file system's business: storage writes it (whole or not at
// all, never over the logbook, never waiting on a FIFO). The formats choose only the bytes.
namespace formats {

using storage::sameFile;
using storage::writeOutput;
using storage::writeStandardOutput;

} // namespace formats
