#include "formats/Cabrillo.h"

#include <cmath>

namespace formats {
namespace {

QString modeCode(const QString &adifMode)
{
    if (adifMode == QLatin1String("CW"))
        return QStringLiteral("CW");
    if (isPhoneMode(adifMode))
        return QStringLiteral("PH");
    if (adifMode == QLatin1String("RTTY"))
        return QStringLiteral("RY");
    return QStringLiteral("DG");
}

} // namespace

CabrilloFormat::CabrilloFormat(const Options &options)
    : m_myCall(options.myCall.toUpper()), m_contest(options.contest)
{
}

QByteArray CabrilloFormat::header() const
{
    QByteArray out = "START-OF-LOG: 3.0\nCREATED-BY: vantel-export " VANTEL_VERSION "\n";
    out += "CALLSIGN: " + m_myCall.toLatin1() + '\n';
    if (!m_contest.isEmpty())
        out += "CONTEST: " + m_contest.toLatin1() + '\n';
    return out;
}

QByteArray CabrilloFormat::contactLine(const Contact &c, QString *why) const
{
    if (c.lowerEdgeMHz <= 0) {
        *why = QStringLiteral("no band or frequency");
        return {};
    }
    if (c.mode.isEmpty()) {
        *why = QStringLiteral("no mode");
        return {};
    }
    const long khz = std::lround(c.lowerEdgeMHz * 1000.0);
    // Columns as the Cabrillo QSO template lays them out.
    const QString line = QStringLiteral("QSO: %1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                                 .arg(khz, 5)
                                 .arg(modeCode(c.mode), -2)
                                 .arg(c.date.toString(QStringLiteral("yyyy-MM-dd")))
                                 .arg(c.time.toString(QStringLiteral("HHmm")))
                                 .arg(m_myCall, -13)
                                 .arg(c.rstSent, -3)
                                 .arg(c.stx, -6)
                                 .arg(c.call, -13)
                                 .arg(c.rstRcvd, -3)
                                 .arg(c.srx, -6);
    return line.trimmed().toLatin1() + '\n';
}

QByteArray CabrilloFormat::footer() const
{
    return "END-OF-LOG:\n";
}

} // namespace formats
