#include "formats/Contact.h"

#include "formats/PlainText.h"
#include "radio/Band.h"
#include "radio/Locator.h"
#include "radio/Mode.h"
#include "radio/Stamp.h"
#include "storage/TextCodec.h"

#include <QRegularExpression>

#include <array>

namespace formats {
namespace {

static_assert(radio::BandTextWidth == storage::QsoRecord::Widths[storage::QsoRecord::Band]);
static_assert(radio::ModeTextWidth == storage::QsoRecord::Widths[storage::QsoRecord::Mode]);

// A value as a message shows it: in quotes, control characters escaped.
QString quoted(const QString &text)
{
    return QLatin1Char('"') + escaped(text) + QLatin1Char('"');
}

void readBand(Contact &c, const QString &typed)
{
    if (typed.isEmpty())
        return;
    const std::optional<radio::BandReading> reading = radio::readBandText(typed);
    if (!reading) {
        c.warnings << QStringLiteral("band %1 is no band or frequency; left out").arg(quoted(typed));
        return;
    }
    c.freq = reading->freqText;
    c.cabrilloFreq = radio::cabrilloFrequency(*reading);
    if (reading->band)
        c.band = QLatin1String(reading->band->adif);
    else
        c.warnings << QStringLiteral("frequency %1 MHz lies in no amateur band").arg(c.freq);
}

void readMode(Contact &c, const QString &typed)
{
    if (typed.isEmpty())
        return;
    const std::optional<radio::ModeReading> reading = radio::readModeText(typed);
    if (!reading) {
        c.modeProblem = QStringLiteral("mode %1 is no mode ADIF or Cabrillo knows").arg(quoted(typed));
        c.warnings << c.modeProblem
                        + QStringLiteral("; written without MODE, which LoTW, Club Log and KLog refuse");
        return;
    }
    c.mode = reading->mode;
    c.submode = reading->submode;
    c.cabrilloMode = reading->cabrillo;
    c.phone = reading->phone();
}

// ADIF's .adi fields and Cabrillo hold ASCII only (the _INTL fields are for .adx): a name
// is written without its accents, and the operator is told.
QString asciiField(Contact &c, const char *what, const QString &text)
{
    bool lost = false;
    QString out = toAscii(text, &lost);
    if (lost)
        c.textWarnings << QStringLiteral("%1 %2 has characters with no ASCII form; written as %3")
                                  .arg(QLatin1String(what), quoted(text), quoted(out));
    else if (out != text)
        c.textWarnings << QStringLiteral("%1 %2 written as %3 (ADIF holds ASCII only)")
                                  .arg(QLatin1String(what), quoted(text), quoted(out));
    return out;
}

// The names of the record's fields in messages, in record order.
constexpr std::array<const char *, storage::QsoRecord::FieldCount> kFieldNames = {
    "QSO number", "call sign", "date/time", "received report", "sent report",
    "band",       "mode",      "name",      "QTH",
};

} // namespace

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

    const QString when = field(F::DateTime);
    const std::optional<QDateTime> stamp = radio::readStamp(when);
    if (!stamp)
        return skip(QStringLiteral("date/time %1 cannot be read (dd.mm.yy hh:mm)").arg(quoted(when)));
    c.date = stamp->date();
    c.time = stamp->time();
    readBand(c, field(F::Band));
    readMode(c, field(F::Mode));
    splitExchange(field(F::Sent), c.phone, field(F::Number), &c.rstSent, &c.stx);
    splitExchange(field(F::Recv), c.phone, QString(), &c.rstRcvd, &c.srx);
    c.name = asciiField(c, "name", field(F::Name));
    // WSJT-X's grid and a typed locator stand in the QTH field: a locator is the grid
    // square, which every program reads as one, not a place name.
    const QString qth = field(F::Qth);
    if (radio::isLocator(qth))
        c.grid = radio::normalLocator(qth);
    else
        c.qth = asciiField(c, "QTH", qth);
    return c;
}

} // namespace formats
