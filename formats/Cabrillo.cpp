#include "formats/Cabrillo.h"

#include "contest/Exchange.h"
#include "formats/PlainText.h"
#include "radio/Locator.h"

namespace formats {
namespace {

constexpr std::array<const char *, 4> kColumnNames = { "sent report", "sent serial",
                                                      "received report", "received serial" };

std::array<const QString *, 4> exchange(const Contact &c)
{
    return { &c.rstSent, &c.stx, &c.rstRcvd, &c.srx };
}

// Why a contact cannot make a QSO line, whatever the log's columns.
QString problem(const Contact &c)
{
    if (c.cabrilloFreq.isEmpty())
        return QStringLiteral("no band or frequency");
    if (!c.modeProblem.isEmpty())
        return c.modeProblem;
    if (c.cabrilloMode.isEmpty())
        return QStringLiteral("no mode");
    for (const auto &[what, value] : { std::pair { "call sign", &c.call },
                                       std::pair { "sent report", &c.rstSent },
                                       std::pair { "received report", &c.rstRcvd } }) {
        if (value->contains(QLatin1Char(' ')))
            return QStringLiteral("%1 \"%2\" holds a space, which would shift the QSO line's columns")
                    .arg(QLatin1String(what), *value);
    }
    return {};
}

} // namespace

std::optional<contest::Qso> scoredQso(const Contact &c)
{
    if (!c.skipReason.isEmpty() || !problem(c).isEmpty())
        return std::nullopt;
    return contest::Qso { c.call, c.band, c.cabrilloMode, QDateTime(c.date, c.time, Qt::UTC),
                          c.rstRcvd + c.srx, c.phone };
}

CabrilloFormat::CabrilloFormat(const Options &options)
    : m_program(options.program), m_myCall(options.myCall.toUpper()), m_contest(options.contest),
      m_station(options.station)
{
    setRange(options.from, options.to);
    if (options.rules)
        m_scorer.emplace(*options.rules, options.countries, m_myCall);
}

QByteArray CabrilloFormat::header() const
{
    QByteArray out = "START-OF-LOG: 3.0\nCREATED-BY: " + m_program.toUtf8() + " " VANTEL_VERSION "\n";
    // The caller checks both words; escaping keeps a stray one from breaking a line.
    out += "CALLSIGN: " + escaped(m_myCall, u"<").toUtf8() + '\n';
    if (!m_contest.isEmpty())
        out += "CONTEST: " + escaped(m_contest, u"<").toUtf8() + '\n';
    for (const auto &[category, value] : m_station.categories)
        out += category.toLatin1() + ": " + value.toLatin1() + '\n';
    if (m_scorer)
        out += "CLAIMED-SCORE: " + QByteArray::number(m_scorer->totals().score()) + '\n';
    // The profile's values were checked where they were read: ASCII, no line breaks.
    if (!m_station.grid.isEmpty())
        out += "GRID-LOCATOR: " + radio::normalLocator(m_station.grid).toLatin1() + '\n';
    if (!m_station.name.isEmpty())
        out += "NAME: " + escaped(m_station.name).toLatin1() + '\n';
    if (!m_station.operatorCall.isEmpty())
        out += "OPERATORS: " + escaped(m_station.operatorCall.toUpper()).toLatin1() + '\n';
    return out;
}

// A column is the log's when at least half the contacts that can be written fill it:
// one mistyped report must not decide the columns (and so the lines) of the whole log.
void CabrilloFormat::surveyContact(const Contact &c)
{
    const std::optional<contest::Qso> qso = scoredQso(c);
    if (!qso)
        return;
    ++m_writable;
    if (m_scorer) {
        m_scorer->add(*qso);
        return;
    }
    const auto values = exchange(c);
    for (std::size_t i = 0; i < values.size(); ++i)
        m_filled[i] += values[i]->isEmpty() ? 0 : 1;
}

bool CabrilloFormat::hasColumn(std::size_t i) const
{
    return m_filled[i] > 0 && 2 * m_filled[i] >= m_writable;
}

QByteArray CabrilloFormat::contactLine(const Contact &c, QString *why) const
{
    *why = problem(c);
    if (!why->isEmpty())
        return {};
    if (m_scorer)
        return contestLine(c);
    const auto values = exchange(c);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (hasColumn(i) == !values[i]->isEmpty())
            continue;
        *why = QString::fromLatin1(hasColumn(i) ? "no %1, which most QSO lines of this log have"
                                                : "a %1, which most QSO lines of this log lack")
                       .arg(QLatin1String(kColumnNames[i]))
                + QStringLiteral("; every line needs the same columns");
        return {};
    }
    return qsoLine(c, c.rstRcvd, c.srx);
}

// The report and exchange as the contest reads them ("599" and "MA" of "599MA"); a
// contact without its serial is written as it was logged, for the robot to judge.
QByteArray CabrilloFormat::contestLine(const Contact &c) const
{
    const contest::ReceivedExchange received = contest::splitReceived(c.rstRcvd + c.srx, c.phone);
    return qsoLine(c, received.report, received.exchange);
}

QByteArray CabrilloFormat::qsoLine(const Contact &c, const QString &rstRcvd,
                                   const QString &exchRcvd) const
{
    // Columns as the Cabrillo QSO template lays them out.
    const QString line = QStringLiteral("QSO: %1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                                 .arg(c.cabrilloFreq, 5)
                                 .arg(c.cabrilloMode, -2)
                                 .arg(c.date.toString(QStringLiteral("yyyy-MM-dd")))
                                 .arg(c.time.toString(QStringLiteral("HHmm")))
                                 .arg(m_myCall, -13)
                                 .arg(c.rstSent, -3)
                                 .arg(c.stx, -6)
                                 .arg(c.call, -13)
                                 .arg(rstRcvd, -3)
                                 .arg(exchRcvd, -6);
    return line.trimmed().toLatin1() + '\n';
}

QByteArray CabrilloFormat::footer() const
{
    return "END-OF-LOG:\n";
}

} // namespace formats
