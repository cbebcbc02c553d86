#pragma once

#include "formats/Format.h"

#include <QByteArray>

namespace formats {

// A logbook as the conversion window's printable text listing: an optional title line
// and rule, then one fixed-column line per whole record, its fields copied as stored.
// Every line ends CR CR LF but the rule (CR LF).
namespace listing {

QByteArray titleLine(); // 76 bytes
QByteArray ruleLine(); // 87 bytes
// The 88-byte line of one 85-byte record: sent report before received report.
void appendRecordLine(QByteArray &out, const char *record);

} // namespace listing

class ListingFormat final : public Format
{
public:
    explicit ListingFormat(const Options &options) : m_title(options.title) { }
    QByteArray header() const override;
    void write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
               Report &report) override;

private:
    bool m_title = false;
};

} // namespace formats
