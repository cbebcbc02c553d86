#include "links/AdifRecord.h"
#include "links/LoggedContact.h"
#include "links/WsjtxDatagram.h"

#include <cstdlib>

// WSJT-X datagrams all the way to the record they would save.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto message = links::wsjtx::parse(
            QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!message)
        return 0;
    std::optional<links::LoggedContact> contact;
    if (const auto *qso = std::get_if<links::wsjtx::QsoLogged>(&message.value().body)) {
        contact = links::contactFromQsoLogged(*qso);
    } else if (const auto *adif = std::get_if<links::wsjtx::LoggedAdif>(&message.value().body)) {
        const auto fields = links::adif::firstRecord(adif->adif);
        if (fields)
            contact = links::contactFromAdif(fields.value());
    }
    if (!contact)
        return 0;
    if (contact->call.isEmpty())
        std::abort();
    // A contact to be saved holds its call exactly as sent: printable ASCII, 15 at most.
    if (contact->refused.isEmpty()) {
        if (contact->call.size() > 15)
            std::abort();
        for (const QChar c : contact->call) {
            if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
                std::abort();
        }
    }
    return 0;
}
