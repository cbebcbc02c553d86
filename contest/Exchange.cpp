#include "contest/Exchange.h"

namespace contest {
namespace {

bool isDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool reportDigit(QChar c, char low)
{
    return c >= QLatin1Char(low) && c <= QLatin1Char('9');
}

} // namespace

qsizetype reportLength(QStringView text, bool phone)
{
    // Readability 1-5 and strength 1-9; a tone digit only outside phone, or a 9 in phone
    // ("599" is said in every mode), as the export reads the report column.
    const bool rs = text.size() >= 2 && reportDigit(text[0], '1') && text[0] <= QLatin1Char('5')
            && reportDigit(text[1], '1');
    if (!rs)
        return 0;
    const bool tone = text.size() >= 3 && reportDigit(text[2], '1')
            && (!phone || text[2] == QLatin1Char('9'));
    return tone ? 3 : (phone ? 2 : 0);
}

ReceivedExchange splitReceived(const QString &text, bool phone)
{
    const qsizetype length = reportLength(text, phone);
    return { text.left(length), text.mid(length) };
}

bool exchangeComplete(ExchangeKind kind, QStringView exchange)
{
    switch (kind) {
    case ExchangeKind::None:
        return true;
    case ExchangeKind::Serial:
        return isDigits(exchange) && exchange.toInt() > 0;
    case ExchangeKind::Zone:
        return exchangeZone(exchange) > 0;
    case ExchangeKind::Region:
        for (const QChar c : exchange) {
            if (!c.isLetter())
                return false;
        }
        return !exchange.isEmpty();
    case ExchangeKind::Any:
        return !exchange.isEmpty();
    }
    return false;
}

int exchangeZone(QStringView exchange)
{
    if (!isDigits(exchange) || exchange.size() > 2)
        return 0;
    const int zone = exchange.toInt();
    return zone >= 1 && zone <= 40 ? zone : 0;
}

} // namespace contest
