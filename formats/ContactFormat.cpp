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

void ContactFormat::setRange(const QDateTime &from, const QDateTime &to)
{
    m_from = from;
    m_to = to;
}

bool ContactFormat::inRange(const Contact &c) const
{
    if (!c.skipReason.isEmpty() || (!m_from.isValid() && !m_to.isValid()))
        return true;
    const QDateTime when(c.date, c.time, Qt::UTC);
    return (!m_from.isValid() || when >= m_from) && (!m_to.isValid() || when <= m_to);
}

void ContactFormat::survey(const char *records, qint64 count, qint64 firstNumber)
{
    for (qint64 i = 0; i < count; ++i) {
        const Contact c = contactAt(records, i, firstNumber);
        if (c.skipReason.isEmpty() && inRange(c))
            surveyContact(c);
    }
}

void ContactFormat::write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
                          Report &report)
{
    for (qint64 i = 0; i < count; ++i) {
        const Contact c = contactAt(records, i, firstNumber);
        if (!inRange(c))
            continue;
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
