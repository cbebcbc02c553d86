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

    // Every format takes any bytes: each record is written or skipped, and every
    // Cabrillo QSO line has the same number of columns.
    formats::Options options;
    options.myCall = QStringLiteral("DL0XX");
    for (const formats::FormatEntry &format : formats::formatTable()) {
        const auto rendered = formats::exportLogbook(format, log, options);
        if (!rendered.ok())
            std::abort();
        const formats::Report &report = rendered.value().report;
        if (report.written + report.skipped != qint64(size / 85))
            std::abort();
        if (QByteArrayView(format.name) != "cabrillo")
            continue;
        qsizetype columns = -1;
        for (const QByteArray &line : rendered.value().output.split('\n')) {
            if (!line.startsWith("QSO:"))
                continue;
            const qsizetype n = line.simplified().count(' ');
            if (columns >= 0 && n != columns)
                std::abort();
            columns = n;
        }
    }
    return 0;
}
