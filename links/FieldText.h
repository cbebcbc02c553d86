#pragma once

#include "storage/QsoRecord.h"

#include <QString>

namespace links {

// A peer's text as a record field holds it: without surrounding white space, control
// characters and characters that have no byte on disk (as the fields refuse them when
// typed), cut to the field's width.
QString fieldText(const QString &text, storage::QsoRecord::Field field);

} // namespace links
