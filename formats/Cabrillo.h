#pragma once

#include "contest/Scorer.h"
#include "formats/ContactFormat.h"

#include <array>
#include <optional>

namespace formats {

// The contact as a contest scores it, or nothing when it makes no QSO line (no band,
// no mode …): the claimed score and the window's live score count the same contacts.
std::optional<contest::Qso> scoredQso(const Contact &contact);

// A Cabrillo 3.0 log: header lines, one QSO: line a contact, END-OF-LOG:. Robots read a
// QSO line as whitespace-separated columns, so every line of a log has the same ones:
// the exchange columns are settled once, from the whole log, before the first line.
// With a contest's rules every contact is written with its report and exchange as they
// are, and the header claims the score the rules give.
class CabrilloFormat final : public ContactFormat
{
public:
    explicit CabrilloFormat(const Options &options);
    bool surveys() const override { return true; }
    QByteArray header() const override;
    QByteArray footer() const override;

protected:
    void surveyContact(const Contact &contact) override;
    bool writesNameAndQth() const override { return false; }
    QByteArray contactLine(const Contact &contact, QString *why) const override;

private:
    QString m_program;
    QString m_myCall;
    QString m_contest;
    Station m_station;
    // Whether the log has a sent report, sent serial, received report, received serial.
    bool hasColumn(std::size_t i) const;
    QByteArray contestLine(const Contact &contact) const;
    QByteArray qsoLine(const Contact &contact, const QString &rstRcvd, const QString &exchRcvd) const;
    std::array<qint64, 4> m_filled {}; // contacts that fill each exchange column
    qint64 m_writable = 0;
    std::optional<contest::Scorer> m_scorer;
};

} // namespace formats
