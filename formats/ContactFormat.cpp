#include "formats/ContactFormat.h"

#include <cstring>

namespace formats {
namespace {

Contact contactAt(const char *records, qint64 index, qint64 firstNumber)
{
    storage::QsoRecord record;
    std::memcpy(record.bytes.data(), records + index * storage::QsoRecord::Size,
                storage::QsoRecord::Size);
    return readContact(record, firstNumber + index);
}

} // namespace

void ContactFormat::surveyContact(const Contact &) { }

void ContactFormat::survey(const char *records, qint64 count, qint64 firstNumber)
{
    for (qint64 i = 0; i < count; ++i) {
        const Contact c = contactAt(records, i, firstNumber);
        if (c.skipReason.isEmpty())
            surveyContact(c);
    }
}

void ContactFormat::write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
                          Report &report)
{
    for (qint64 i = 0; i < count; ++i) {
        const Contact c = contactAt(records, i, firstNumber);
        QString why = c.skipReason;
        QByteArray line;
        if (why.isEmpty())
            line = contactLine(c, &why);
        if (!why.isEmpty()) {
            ++report.skipped;
            report.messages << QStringLiteral("record %1 skipped: %2").arg(c.number).arg(why);
            continue;
        }
        for (const QString &warning : c.warnings)
            report.messages << QStringLiteral("record %1: %2").arg(c.number).arg(warning);
        if (writesNameAndQth()) {
            for (const QString &warning : c.textWarnings)
                report.messages << QStringLiteral("record %1: %2").arg(c.number).arg(warning);
        }
        out += line;
        ++report.written;
    }
}

} // namespace formats
