#pragma once

#include "formats/Contact.h"

#include <QByteArray>

namespace cabrillo {

QByteArray header(const QString &myCall, const QString &contest);
// The QSO: line, or nothing with `why` set when the contact has no band or mode.
QByteArray qso(const Contact &contact, const QString &myCall, QString *why);
QByteArray footer();

} // namespace cabrillo
