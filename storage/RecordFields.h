#pragma once

#include "storage/QsoRecord.h"

#include <array>

namespace storage {

// Which control of the entry window shows which record field, and the title a table
// or form gives it. Written down once: the save, the duplicate display, the log window
// and the correction dialog all go by this table.
struct RecordField
{
    QsoRecord::Field field;
    const char *control; // objectName of the entry window's control
    const char *title;
};

constexpr std::array<RecordField, QsoRecord::FieldCount> RecordFields = { {
        { QsoRecord::Number, "Text1", "No." },
        { QsoRecord::Call, "Text2", "Call" },
        { QsoRecord::DateTime, "Text3", "Date/Time" },
        { QsoRecord::Recv, "Text4", "Recv" },
        { QsoRecord::Sent, "Text5", "Sent" },
        { QsoRecord::Band, "Combo1", "Band" },
        { QsoRecord::Mode, "Combo2", "Mode" },
        { QsoRecord::Name, "Text7", "Name" },
        { QsoRecord::Qth, "Text8", "QTH" },
} };

} // namespace storage
