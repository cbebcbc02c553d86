#include "adif/Reader.h"
#include "import/Fit.h"
#include "radio/Stamp.h"

#include <QBuffer>

#include <cstdlib>

// An ADIF file to import, each record fitted: a stored record always has a call sign, a
// date/time that reads back, and no control byte in any field.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    adif::Reader reader(&buffer);
    (void)reader.isAdif();
    while (const auto record = reader.next()) {
        const importer::Fitted fitted = importer::fitRecord(*record);
        if (!fitted.unstorable.isEmpty())
            continue;
        const storage::QsoRecord &r = fitted.record;
        if (storage::trimSpaces(r.fieldBytes(storage::QsoRecord::Call)).isEmpty())
            std::abort();
        if (!radio::readStamp(r.field(storage::QsoRecord::DateTime)))
            std::abort();
        for (const char c : r.bytes) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                std::abort();
        }
    }
    return 0;
}
