#pragma once

#include "formats/ContactFormat.h"

#include <QHash>

namespace formats {

// ADIF 3.1 in its tagged text form (.adi): a header naming the logbook, then one
// contact a line as <NAME:length>data fields closed by <EOR>.
class AdifFormat final : public ContactFormat
{
public:
    explicit AdifFormat(const Options &options);
    QByteArray header() const override;
    void write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
               Report &report) override;

protected:
    QByteArray contactLine(const Contact &contact, QString *why) const override;

private:
    Options m_options;
    QString m_stationCall, m_operator, m_myGrid; // written with every contact
    bool m_toldNoCountries = false;
    // The country fields of each call met, worked out once.
    mutable QHash<QString, QByteArray> m_countryFields;
};

} // namespace formats
