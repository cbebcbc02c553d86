#include "formats/Contact.h"

#include "formats/PlainText.h"
#include "storage/TextCodec.h"

#include <QLocale>
#include <QRegularExpression>

#include <array>

namespace formats {
namespace {

struct Band
{
    const char *name;
    double low;
    double high;
};
// Band edges in MHz, as the ADIF band table gives them.
constexpr std::array<Band, 13> kBands = { {
        { "160m", 1.8, 2.0 },     { "80m", 3.5, 4.0 },      { "60m", 5.06, 5.45 },
        { "40m", 7.0, 7.3 },      { "30m", 10.1, 10.15 },   { "20m", 14.0, 14.35 },
        { "17m", 18.068, 18.168 }, { "15m", 21.0, 21.45 },  { "12m", 24.89, 24.99 },
        { "10m", 28.0, 29.7 },    { "6m", 50.0, 54.0 },     { "2m", 144.0, 148.0 },
        { "70cm", 420.0, 450.0 },
} };

// The band list's own entries name a band, not a frequency.
struct Nominal
{
    const char *text;
    const char *band;
};
constexpr std::array<Nominal, 9> kNominal = { {
        { "1.8", "160m" }, { "3.5", "80m" }, { "7", "40m" }, { "10", "30m" }, { "14", "20m" },
        { "18", "17m" }, { "21", "15m" }, { "24", "12m" }, { "28", "10m" },
} };

struct ModeMap
{
    const char *typed;
    const char *mode;
    const char *submode;
};
constexpr std::array<ModeMap, 13> kModes = { {
        { "PSK31", "PSK", "PSK31" }, { "PSK63", "PSK", "PSK63" }, { "PSK125", "PSK", "PSK125" },
        { "PAKET", "PKT", "" },      { "PACKET", "PKT", "" },     { "AMTOR", "TOR", "" },
        { "PACT", "PAC", "" },       { "PACTOR", "PAC", "" },     { "GTOR", "TOR", "GTOR" },
        { "FT4", "MFSK", "FT4" },    { "JS8", "MFSK", "JS8" },    { "BPSK31", "PSK", "BPSK31" },
        { "QPSK31", "PSK", "QPSK31" },
} };

// ADIF 3.1 modes, taken as typed (in upper case).
const QStringList &adifModes()
{
    static const QStringList modes = QStringLiteral(
            "AM ARDOP ATV C4FM CHIP CLO CONTESTI CW DIGITALVOICE DOMINO DSTAR FAX FM FSK441 FT8 "
            "HELL ISCAT JT4 JT6M JT9 JT44 JT65 MFSK MSK144 MT63 OLIVIA OPERA PAC PAX PKT PSK PSK2K "
            "Q15 QRA64 ROS RTTY RTTYM SSB SSTV T10 THOR THRB TOR V4 VOI WINMOR WSPR")
                                             .split(QLatin1Char(' '));
    return modes;
}

// A value as a message shows it: in quotes, control characters escaped.
QString quoted(const QString &text)
{
    return QLatin1Char('"') + escaped(text) + QLatin1Char('"');
}

std::optional<double> number(QString text)
{
    static const QRegularExpression form(QStringLiteral("^\\d+([.,]\\d+)?$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return QLocale::c().toDouble(text);
}

void readBand(Contact &c, const QString &typed)
{
    if (typed.isEmpty())
        return;
    for (const Nominal &n : kNominal) {
        if (typed == QLatin1String(n.text)) {
            c.band = QLatin1String(n.band);
            for (const Band &b : kBands) {
                if (c.band == QLatin1String(b.name))
                    c.lowerEdgeMHz = b.low;
            }
            return;
        }
    }
    const std::optional<double> mhz = number(typed);
    if (!mhz) {
        c.warnings << QStringLiteral("band %1 is no band or frequency; left out").arg(quoted(typed));
        return;
    }
    c.freq = QString(typed).replace(QLatin1Char(','), QLatin1Char('.'));
    c.lowerEdgeMHz = *mhz;
    for (const Band &b : kBands) {
        if (*mhz >= b.low && *mhz <= b.high)
            c.band = QLatin1String(b.name);
    }
    if (c.band.isEmpty())
        c.warnings << QStringLiteral("frequency %1 MHz lies in no amateur band")
                              .arg(c.freq);
}

void readMode(Contact &c, const QString &typed)
{
    if (typed.isEmpty())
        return;
    const QString upper = typed.toUpper();
    for (const ModeMap &m : kModes) {
        if (upper == QLatin1String(m.typed)) {
            c.mode = QLatin1String(m.mode);
            c.submode = QLatin1String(m.submode);
            return;
        }
    }
    if (adifModes().contains(upper))
        c.mode = upper;
    else
        c.warnings << QStringLiteral("mode %1 is no ADIF mode; left out").arg(quoted(typed));
}

QString asciiField(Contact &c, const char *what, const QString &text)
{
    bool lost = false;
    QString out = toAscii(text, &lost);
    if (lost)
        c.warnings << QStringLiteral("%1 %2 has characters with no ASCII form; they are left out")
                              .arg(QLatin1String(what), quoted(text));
    return out;
}

// The names of the record's fields in messages, in record order.
constexpr std::array<const char *, storage::QsoRecord::FieldCount> kFieldNames = {
    "QSO number", "call sign", "date/time", "received report", "sent report",
    "band",       "mode",      "name",      "QTH",
};

} // namespace

bool isPhoneMode(const QString &adifMode)
{
    return adifMode == QLatin1String("SSB") || adifMode == QLatin1String("AM")
            || adifMode == QLatin1String("FM") || adifMode == QLatin1String("DIGITALVOICE");
}

void splitExchange(const QString &text, bool phone, const QString &ownNumber, QString *report,
                   QString *serial)
{
    // The window fills the sent report as the report with the contact's own number
    // behind it: where the text ends so, that is the split. A bare three-digit text is a
    // report alone ("599" of contact 9 is no "59" and "9").
    const QRegularExpression reportAlone(phone ? QStringLiteral("^[1-5][1-9]9?$")
                                               : QStringLiteral("^[1-5][1-9][1-9]$"));
    if (!ownNumber.isEmpty() && text.size() > 3 && text.size() > ownNumber.size()
        && text.endsWith(ownNumber)) {
        const QString head = text.left(text.size() - ownNumber.size());
        if (reportAlone.match(head).hasMatch()) {
            *report = head;
            *serial = ownNumber;
            return;
        }
    }
    // Otherwise a report of three digits in CW and the data modes; in phone a report of
    // two (RS), but three when the third is a 9: "599" is said in every mode, so 5991 is
    // 599 and 1, not 59 and 91.
    static const QRegularExpression rst(QStringLiteral("^([1-5][1-9][1-9])(\\d+)?$"));
    static const QRegularExpression rs9(QStringLiteral("^([1-5][1-9]9)(\\d+)?$"));
    static const QRegularExpression rs(QStringLiteral("^([1-5][1-9])(\\d+)?$"));
    QRegularExpressionMatch m = (phone ? rs9 : rst).match(text);
    if (phone && !m.hasMatch())
        m = rs.match(text);
    if (m.hasMatch()) {
        *report = m.captured(1);
        *serial = m.captured(2);
    } else {
        *report = text;
        serial->clear();
    }
}

Contact readContact(const storage::QsoRecord &record, qint64 number)
{
    using F = storage::QsoRecord;
    Contact c;
    c.number = number;
    // Only the spaces that fill a field are taken away; any other character is part of it.
    const auto field = [&](F::Field f) {
        return storage::fromDisk(storage::trimSpaces(record.fieldBytes(f)));
    };
    const auto skip = [&](const QString &why) {
        c.skipReason = why;
        return c;
    };

    // A control character came in by accident and, written out, would break a line or
    // a column: such a record is not exported at all.
    for (int f = 0; f < F::FieldCount; ++f) {
        const QString text = field(F::Field(f));
        if (hasControl(text))
            return skip(QStringLiteral("%1 %2 holds control characters")
                                .arg(QLatin1String(kFieldNames[f]), quoted(text)));
    }
    // A call sign or report is exported as written or not at all: no other call or report
    // is made of it. Call signs have no letter case, so upper case is the same call.
    c.call = field(F::Call);
    if (c.call.isEmpty())
        return skip(QStringLiteral("no call sign"));
    for (const F::Field f : { F::Call, F::Sent, F::Recv }) {
        if (!isPrintableAscii(field(f)))
            return skip(QStringLiteral("%1 %2 holds characters outside ASCII")
                                .arg(QLatin1String(kFieldNames[f]), quoted(field(f))));
    }
    c.call = c.call.toUpper();

    static const QRegularExpression stamp(
            QStringLiteral("^(\\d{2})\\.(\\d{2})\\.(\\d{2}) (\\d{2}):(\\d{2})$"));
    const QString when = field(F::DateTime);
    const QRegularExpressionMatch m = stamp.match(when);
    if (m.hasMatch()) {
        const int yy = m.captured(3).toInt();
        // The POSIX reading of two-digit years (00-68 are 20yy): logbooks kept past 2029
        // must not export their contacts as made in the 1930s.
        c.date = QDate(yy < 69 ? 2000 + yy : 1900 + yy, m.captured(2).toInt(), m.captured(1).toInt());
        c.time = QTime(m.captured(4).toInt(), m.captured(5).toInt());
    }
    if (!c.date.isValid() || !c.time.isValid())
        return skip(QStringLiteral("date/time %1 cannot be read (dd.mm.yy hh:mm)").arg(quoted(when)));
    readBand(c, field(F::Band));
    readMode(c, field(F::Mode));
    const bool phone = isPhoneMode(c.mode);
    splitExchange(field(F::Sent), phone, field(F::Number), &c.rstSent, &c.stx);
    splitExchange(field(F::Recv), phone, QString(), &c.rstRcvd, &c.srx);
    c.name = asciiField(c, "name", field(F::Name));
    c.qth = asciiField(c, "QTH", field(F::Qth));
    return c;
}

} // namespace formats
