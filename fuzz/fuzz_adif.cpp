#include "adif/Reader.h"
#include "links/AdifRecord.h"
#include "links/LoggedContact.h"

#include <cstdlib>

// The ADIF record inside "Logged ADIF", as text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto fields = links::adif::firstRecord(text);
    if (!fields)
        return 0;
    if (fields.value().size() > ::adif::MaxFields)
        std::abort();
    qsizetype total = 0;
    for (const QString &value : fields.value())
        total += value.size();
    if (total > text.size())
        std::abort();
    if (const auto contact = links::contactFromAdif(fields.value())) {
        for (const char byte : contact->record.bytes) {
            if (byte >= 0 && byte < 32)
                std::abort(); // a control character reached the record
        }
    }
    return 0;
}
