#include "import/Fit.h"

#include "radio/Band.h"
#include "radio/Locator.h"
#include "radio/Mode.h"
#include "radio/Stamp.h"
#include "storage/TextCodec.h"

namespace importer {
namespace {

using F = storage::QsoRecord;

QString value(const adif::Record &adif, const QString &name)
{
    const auto field = adif.fields.constFind(name);
    return field == adif.fields.constEnd() ? QString() : field->trimmed();
}

// Digits only, as QSO_DATE (YYYYMMDD) and TIME_ON (HHMM or HHMMSS) are written; -1 else.
int number(QStringView text)
{
    int out = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        out = out * 10 + (c.unicode() - '0');
    }
    return text.isEmpty() ? -1 : out;
}

// The field's name as the plan shows it.
const char *fieldName(F::Field field)
{
    switch (field) {
    case F::Recv:
        return "received report";
    case F::Sent:
        return "sent report";
    case F::Band:
        return "band";
    case F::Mode:
        return "mode";
    case F::Name:
        return "name";
    case F::Qth:
        return "QTH";
    default:
        return "call sign";
    }
}

void put(Fitted &out, F::Field field, const QString &text)
{
    bool cut = false;
    bool replaced = false;
    const QString fitted = fitText(text, F::Widths[field], &cut, &replaced);
    out.record.setField(field, fitted);
    if (cut)
        out.changes << QStringLiteral("%1 cut to %2 characters")
                               .arg(QLatin1String(fieldName(field)))
                               .arg(F::Widths[field]);
    if (replaced)
        out.changes << QStringLiteral("%1 with characters Windows-1252 lacks, stored as \"?\"")
                               .arg(QLatin1String(fieldName(field)));
}

// The report with the serial behind it, as the contest fill writes the exchange ("59913").
QString exchange(const adif::Record &adif, const QString &rst, const QString &serial,
                 const QString &serialString)
{
    QString tail = value(adif, serial);
    if (tail.isEmpty())
        tail = value(adif, serialString);
    return value(adif, rst) + tail;
}

QString bandText(const adif::Record &adif, bool *understood)
{
    const QString band = value(adif, QStringLiteral("band"));
    const QString freq = value(adif, QStringLiteral("freq"));
    *understood = true;
    bool isNumber = false;
    const double mhz = freq.toDouble(&isNumber);
    const radio::Band *named = band.isEmpty() ? nullptr : radio::bandNamed(band);
    // A frequency keeps more than its band, as the band list keeps a typed one; not one
    // that contradicts the band the record names.
    if (isNumber && (!named || named == radio::bandHolding(mhz * 1e6))) {
        if (const auto text = radio::bandTextForFrequency(mhz * 1e6))
            return *text;
    }
    if (named)
        return QString::fromLatin1(named->text);
    *understood = band.isEmpty() && freq.isEmpty();
    return {};
}

} // namespace

QString fitText(const QString &text, int width, bool *cut, bool *replaced)
{
    QString out;
    *cut = false;
    *replaced = false;
    for (const char32_t c : text.toUcs4()) {
        if (out.size() == width) {
            *cut = true;
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += QLatin1Char(' ');
        } else if (c > 0xFFFF || storage::diskByte(QChar(char16_t(c))) < 0) {
            out += QLatin1Char('?');
            *replaced = true;
        } else {
            out += QChar(char16_t(c));
        }
    }
    return out;
}

Fitted fitRecord(const adif::Record &adif)
{
    Fitted out;
    if (adif.hasProblem(adif::Problem::Kind::NoEndOfRecord)) {
        out.unstorable = QStringLiteral("the file ends inside the record");
        return out;
    }
    const QString call = value(adif, QStringLiteral("call"));
    if (call.isEmpty()) {
        out.unstorable = QStringLiteral("no call sign");
        return out;
    }
    bool cut = false;
    bool replaced = false;
    const QString storedCall = fitText(call, F::Widths[F::Call], &cut, &replaced);
    // A call sign cut or changed would be another station's.
    if (cut || replaced || storedCall != call) {
        out.unstorable = QStringLiteral("call sign longer than 15 characters or not Western European");
        return out;
    }
    out.record.setField(F::Call, call);

    const QString qsoDate = value(adif, QStringLiteral("qso_date"));
    const QString timeOn = value(adif, QStringLiteral("time_on"));
    const QDate date = qsoDate.size() == 8 ? QDate(number(QStringView(qsoDate).left(4)),
                                                   number(QStringView(qsoDate).mid(4, 2)),
                                                   number(QStringView(qsoDate).mid(6, 2)))
                                           : QDate();
    const QTime time = QTime(number(QStringView(timeOn).left(2)), number(QStringView(timeOn).mid(2, 2)));
    if (!date.isValid() || !time.isValid() || (timeOn.size() != 4 && timeOn.size() != 6)
        || number(timeOn) < 0) {
        out.unstorable = QStringLiteral("no date or start time (QSO_DATE, TIME_ON)");
        return out;
    }
    const QString stamp = radio::stampText(date, time);
    if (stamp.isEmpty()) {
        out.unstorable = QStringLiteral("date outside 1969-2068, which the logbook cannot hold");
        return out;
    }
    out.record.setField(F::DateTime, stamp);

    put(out, F::Recv, exchange(adif, QStringLiteral("rst_rcvd"), QStringLiteral("srx"),
                                   QStringLiteral("srx_string")));
    put(out, F::Sent, exchange(adif, QStringLiteral("rst_sent"), QStringLiteral("stx"),
                                   QStringLiteral("stx_string")));
    bool understood = true;
    put(out, F::Band, bandText(adif, &understood));
    if (!understood)
        out.changes << QStringLiteral("band left empty: BAND and FREQ name no amateur band");
    const QString mode = value(adif, QStringLiteral("mode"));
    const QString submode = value(adif, QStringLiteral("submode"));
    const QString modeText = radio::modeTextForAdif(mode, submode);
    put(out, F::Mode, modeText);
    const QString named = submode.isEmpty() ? mode : submode;
    if (named.size() > radio::ModeTextWidth && !radio::readModeText(modeText))
        out.changes << QStringLiteral("mode cut to %1 characters").arg(radio::ModeTextWidth);
    put(out, F::Name, value(adif, QStringLiteral("name")));
    QString qth = value(adif, QStringLiteral("qth"));
    if (qth.isEmpty()) {
        const QString grid = value(adif, QStringLiteral("gridsquare"));
        qth = radio::isLocator(grid) ? radio::normalLocator(grid) : grid;
    }
    put(out, F::Qth, qth);
    return out;
}

} // namespace importer
