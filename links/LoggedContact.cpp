#include "links/LoggedContact.h"

#include "links/FieldText.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "radio/Stamp.h"

#include <QDate>
#include <QTime>

namespace links {

namespace {

using Field = storage::QsoRecord::Field;

// The date/time field as the window fills it; the times are UTC already, so no
// offset is added. Empty where two digits of the year cannot say it.
QString stamp(const QDate &date, const QTime &time)
{
    return radio::stampText(date, time);
}

std::optional<LoggedContact> contact(const QString &call, const QString &dateTime,
                                     const QString &recv, const QString &sent, const QString &band,
                                     const QString &mode, const QString &name, const QString &qth)
{
    // Call signs have no letter case; the logbook holds them as the window shows them.
    // A call is saved exactly as told or not at all: a character dropped or cut off
    // would log another station.
    QString fittedCall = call.trimmed();
    if (fittedCall.isEmpty())
        return std::nullopt;
    LoggedContact out;
    for (QChar &c : fittedCall) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = c.toUpper();
        else if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            out.refused = QStringLiteral("its call sign holds characters other than letters, digits and signs");
    }
    if (fittedCall.size() > storage::QsoRecord::Widths[storage::QsoRecord::Call])
        out.refused = QStringLiteral("its call sign is longer than the 15 characters a logbook holds");
    if (dateTime.isEmpty())
        out.refused = QStringLiteral("its date and time cannot be read, or lie outside 1969 to 2068");
    out.call = fittedCall;
    out.key = fittedCall + QLatin1Char('|') + dateTime;
    const auto set = [&out](Field field, const QString &text) {
        out.record.setField(field, fieldText(text, field));
    };
    set(storage::QsoRecord::Call, fittedCall);
    set(storage::QsoRecord::DateTime, dateTime);
    set(storage::QsoRecord::Recv, recv);
    set(storage::QsoRecord::Sent, sent);
    set(storage::QsoRecord::Band, band);
    set(storage::QsoRecord::Mode, mode);
    set(storage::QsoRecord::Name, name);
    set(storage::QsoRecord::Qth, qth);
    return out;
}

} // namespace

std::optional<LoggedContact> contactFromQsoLogged(const wsjtx::QsoLogged &qso)
{
    const QDateTime on = qso.timeOn.isValid() ? qso.timeOn : qso.timeOff;
    const QString band = radio::bandTextForFrequency(double(qso.txFrequencyHz)).value_or(QString());
    return contact(qso.dxCall, stamp(on.date(), on.time()), qso.reportReceived, qso.reportSent,
                   band, radio::modeTextForAdif(qso.mode, {}), qso.name, qso.dxGrid);
}

std::optional<LoggedContact> contactFromAdif(const QHash<QString, QString> &fields)
{
    const auto field = [&fields](const char *name) {
        return fields.value(QLatin1String(name)).trimmed();
    };
    const QDate date = QDate::fromString(field("qso_date"), QStringLiteral("yyyyMMdd"));
    const QString timeText = field("time_on");
    const QTime time = QTime::fromString(timeText.left(4), QStringLiteral("HHmm"));

    // The band field holds MHz like the list ("14", "50.3"): a band of the list by its
    // name, else the frequency, else the band named by its own text ("222").
    const radio::Band *named = radio::bandNamed(field("band"));
    std::optional<QString> band;
    if (named && radio::bandListTexts().contains(QLatin1String(named->text)))
        band = QLatin1String(named->text);
    if (!band) {
        bool ok = false;
        const double mhz = field("freq").toDouble(&ok);
        if (ok)
            band = radio::bandTextForFrequency(mhz * 1e6);
    }
    if (!band && named)
        band = QLatin1String(named->text);
    const QString qth = field("qth");
    return contact(field("call"), stamp(date, time), field("rst_rcvd"), field("rst_sent"),
                   band.value_or(QString()), radio::modeTextForAdif(field("mode"), field("submode")),
                   field("name"), qth.isEmpty() ? field("gridsquare") : qth);
}

} // namespace links
