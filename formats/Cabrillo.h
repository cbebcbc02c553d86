#pragma once

#include "formats/ContactFormat.h"

namespace formats {

// A Cabrillo 3.0 log: header lines, one QSO: line a contact, END-OF-LOG:.
class CabrilloFormat final : public ContactFormat
{
public:
    explicit CabrilloFormat(const Options &options);
    QByteArray header() const override;
    QByteArray footer() const override;

protected:
    QByteArray contactLine(const Contact &contact, QString *why) const override;

private:
    QString m_myCall;
    QString m_contest;
};

} // namespace formats
