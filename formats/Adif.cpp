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

// COUNTRY, DXCC, CQZ, ITUZ and CONT of a call, or nothing when it resolves to no entity
// (at sea, in the air, a call the file does not know). COUNTRY is the DXCC entity's
// name as the country file spells it; an entity the file keeps apart from its DXCC
// entity (Sicily, Shetland) gives that entity's name and number, with its own zones.
QByteArray countryFields(const country::CountryTable &table, const QString &call)
{
    const country::CallInfo info = table.lookup(call);
    if (info.status != country::CallInfo::Status::Found)
        return {};
    const country::Entity &e = info.entity;
    QByteArray out;
    field(out, "COUNTRY", e.dxccName);
    field(out, "DXCC", e.dxcc ? QString::number(e.dxcc) : QString());
    field(out, "CQZ", e.cqZone ? QString::number(e.cqZone) : QString());
    field(out, "ITUZ", e.ituZone ? QString::number(e.ituZone) : QString());
    field(out, "CONT", e.continent);
    return out;
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
    if (!m_options.countries.isEmpty()) {
        auto it = m_countryFields.constFind(c.call);
        if (it == m_countryFields.cend())
            it = m_countryFields.insert(c.call, countryFields(m_options.countries, c.call));
        if (!it->isEmpty())
            out += ' ' + *it;
    }
    field(out, "STATION_CALLSIGN", m_stationCall);
    field(out, "OPERATOR", m_operator);
    field(out, "MY_GRIDSQUARE", m_myGrid);
    return out + " <EOR>\n";
}

} // namespace formats

namespace formats {

void AdifFormat::write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
                       Report &report)
{
    // Without the country file every contact lacks the same fields: said once.
    if (count > 0 && m_options.countries.isEmpty() && !m_options.countriesMissing.isEmpty()
        && !m_toldNoCountries) {
        m_toldNoCountries = true;
        report.messages << QStringLiteral("no country file (%1): COUNTRY, DXCC, CQZ, ITUZ and CONT "
                                          "are left out")
                                   .arg(m_options.countriesMissing);
    }
    ContactFormat::write(out, records, count, firstNumber, report);
}

} // namespace formats
