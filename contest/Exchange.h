#pragma once

#include "contest/RuleSet.h"

#include <QString>

namespace contest {

// A received report field split into the report and what follows it: "59914" is 599 and
// 14 in CW, "5914" 59 and 14 in phone, "599MA" 599 and MA. A field that starts with no
// report is all exchange.
struct ReceivedExchange
{
    QString report;
    QString exchange;
};
ReceivedExchange splitReceived(const QString &text, bool phone);
// How many characters of `text` the report takes.
qsizetype reportLength(QStringView text, bool phone);

// Whether `exchange` is what `kind` asks for (a serial is digits, a zone 1 to 40 …).
bool exchangeComplete(ExchangeKind kind, QStringView exchange);

// The zone an exchange names, or 0.
int exchangeZone(QStringView exchange);

} // namespace contest
