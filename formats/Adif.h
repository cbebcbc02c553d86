#pragma once

#include "formats/Contact.h"

#include <QByteArray>
#include <QDateTime>

namespace adif {

// The header: a line of text, then version, program and creation time (UTC).
QByteArray header(const QString &logbookName, const QDateTime &createdUtc);
// One contact as <NAME:len>data fields and <EOR>, on one line.
QByteArray record(const Contact &contact);

} // namespace adif
