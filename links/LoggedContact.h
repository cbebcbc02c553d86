#pragma once

#include "links/WsjtxDatagram.h"
#include "storage/QsoRecord.h"

#include <QHash>
#include <QString>

#include <optional>

namespace links {

// A contact another program logged, as the record vantel saves (the number is left to
// the save), and the key that tells two messages about the same contact apart from
// two contacts: the call and the minute it began.
struct LoggedContact
{
    storage::QsoRecord record;
    QString key;
    QString call;
    // Why the contact cannot be saved as told (a call sign a logbook cannot hold as it is,
    // a date it cannot keep); empty when it can.
    QString refused;
};

// Nothing when the message names no call sign.
std::optional<LoggedContact> contactFromQsoLogged(const wsjtx::QsoLogged &qso);
std::optional<LoggedContact> contactFromAdif(const QHash<QString, QString> &fields);

} // namespace links
