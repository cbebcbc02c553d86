#include "FuzzFiles.h"
#include "formats/Export.h"
#include "storage/Logbook.h"
#include "storage/TextCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (storage::toDisk(storage::fromDisk(bytes)) != bytes)
        std::abort();

    const QString log = fuzzFile("fuzz.log", data, size);
    const auto count = storage::countWholeRecords(log);
    if (!count.ok() || count.value() != qint64(size / 85))
        std::abort();

    // Search for the call sign of the last whole record: it must be found, and first.
    storage::QsoRecord last;
    QString key = QStringLiteral("NONE");
    if (size >= 85) {
        const auto call = storage::trimSpaces(bytes.sliced((count.value() - 1) * 85 + 3, 15));
        key = storage::fromDisk(call);
    }
    const auto found = storage::findCall(log, key, last);
    if (!found.ok() || (size >= 85 && !found.value()))
        std::abort();

    const QString out = fuzzFolder().filePath(QStringLiteral("fuzz.txt"));
    QFile::remove(out);
    if (!formats::appendLogbook(formats::listingFormat(), log, out, {}).ok())
        std::abort();
    if (QFile(out).size() != qint64(size / 85) * 88)
        std::abort();
    return 0;
}
