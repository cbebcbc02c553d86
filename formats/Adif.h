#pragma once

#include "formats/ContactFormat.h"

namespace formats {

// ADIF 3.1 in its tagged text form (.adi): a header naming the logbook, then one
// contact a line as <NAME:length>data fields closed by <EOR>.
class AdifFormat final : public ContactFormat
{
public:
    explicit AdifFormat(const Options &options);
    QByteArray header() const override;

protected:
    QByteArray contactLine(const Contact &contact, QString *why) const override;

private:
    Options m_options;
    QString m_stationCall, m_operator, m_myGrid; // written with every contact
};

} // namespace formats
