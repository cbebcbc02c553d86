#include "formats/Export.h"

#include "formats/Listing.h"
#include "formats/Adif.h"
#include "formats/Cabrillo.h"
#include "formats/Contact.h"
#include "storage/Logbook.h"

#include <QFileInfo>

#include <cstring>

namespace exporter {

storage::Result<Outcome> exportLogbook(const QString &path, const Options &options)
{
    auto reader = storage::LogbookReader::open(path, storage::IfMissing::Fail);
    if (!reader)
        return reader.error();

    Outcome result;
    QByteArray &out = result.output;
    const QString myCall = options.myCall.toUpper();
    switch (options.format) {
    case Format::Adif:
        out = adif::header(QFileInfo(path).fileName(), options.created);
        break;
    case Format::Cabrillo:
        out = cabrillo::header(myCall, options.contest);
        break;
    case Format::Listing:
        if (options.title)
            out = listing::titleLine() + listing::ruleLine();
        break;
    }

    storage::QsoRecord record;
    while (const char *bytes = reader.value().next()) {
        if (options.format == Format::Listing) {
            listing::appendRecordLine(out, bytes);
            continue;
        }
        std::memcpy(record.bytes.data(), bytes, storage::QsoRecord::Size);
        const qint64 number = reader.value().recordNumber();
        const Contact c = readContact(record, number);
        QString why = c.skipReason;
        QByteArray line;
        if (why.isEmpty())
            line = options.format == Format::Adif ? adif::record(c) : cabrillo::qso(c, myCall, &why);
        if (!why.isEmpty()) {
            ++result.skipped;
            result.messages << QStringLiteral("record %1 skipped: %2").arg(number).arg(why);
            continue;
        }
        for (const QString &warning : c.warnings)
            result.messages << QStringLiteral("record %1: %2").arg(number).arg(warning);
        out += line;
    }
    if (reader.value().error())
        return *reader.value().error();
    if (options.format == Format::Cabrillo)
        out += cabrillo::footer();
    return result;
}

} // namespace exporter
