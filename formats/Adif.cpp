#include "formats/Adif.h"

#include "formats/PlainText.h"
#include "radio/Locator.h"

namespace formats {
namespace {

// Text in ADIF is ASCII here, so the length in bytes is the length in characters.
void field(QByteArray &out, const char *name, const QString &value)
{
    if (value.isEmpty())
        return;
    const QByteArray data = value.toLatin1();
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += ' ';
    out += '<' + QByteArray(name) + ':' + QByteArray::number(data.size()) + '>' + data;
}

} // namespace

AdifFormat::AdifFormat(const Options &options)
    : m_options(options),
      m_stationCall(options.myCall.toUpper()),
      m_operator(options.station.operatorCall.toUpper()),
      m_myGrid(radio::normalLocator(options.station.grid))
{
}

QByteArray AdifFormat::header() const
{
    // Free text up to the first tag: a "<" in the logbook's name would start one.
    QByteArray out = "ADIF export of " + escaped(m_options.logbookName, u"<").toUtf8()
            + " by " + m_options.program.toUtf8() + " " VANTEL_VERSION "\n";
    for (const auto &[name, value] :
         { std::pair { "ADIF_VER", QStringLiteral("3.1.4") },
           std::pair { "PROGRAMID", QStringLiteral("vantel") },
           std::pair { "PROGRAMVERSION", QStringLiteral(VANTEL_VERSION) },
           std::pair { "CREATED_TIMESTAMP",
                       m_options.created.toUTC().toString(QStringLiteral("yyyyMMdd HHmmss")) } }) {
        field(out, name, value);
        out += '\n';
    }
    return out + "<EOH>\n";
}

QByteArray AdifFormat::contactLine(const Contact &c, QString *) const
{
    QByteArray out;
    field(out, "CALL", c.call);
    field(out, "QSO_DATE", c.date.toString(QStringLiteral("yyyyMMdd")));
    field(out, "TIME_ON", c.time.toString(QStringLiteral("HHmm")));
    field(out, "BAND", c.band);
    field(out, "FREQ", c.freq);
    field(out, "MODE", c.mode);
    field(out, "SUBMODE", c.submode);
    field(out, "RST_SENT", c.rstSent);
    field(out, "STX", c.stx);
    field(out, "RST_RCVD", c.rstRcvd);
    field(out, "SRX", c.srx);
    field(out, "NAME", c.name);
    field(out, "QTH", c.qth);
    field(out, "GRIDSQUARE", c.grid);
    field(out, "STATION_CALLSIGN", m_stationCall);
    field(out, "OPERATOR", m_operator);
    field(out, "MY_GRIDSQUARE", m_myGrid);
    return out + " <EOR>\n";
}

} // namespace formats
