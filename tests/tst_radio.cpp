#include "Peers.h"
#include "TestSupport.h"
#include "formats/Contact.h"
#include "links/FieldText.h"
#include "radio/Band.h"
#include "radio/Locator.h"
#include "radio/Mode.h"
#include "radio/ModeNames.h"
#include "radio/Stamp.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <cstring>

// The radio model against what the peers report, what the exports write and what LoTW
// accepts.
class TestRadio : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bandsFromFrequencies_data();
    void bandsFromFrequencies();
    void bandTexts_data();
    void bandTexts();
    void everyStorableBandIsExported();
    void everyStorableModeIsExported();
    void lotwAcceptsOurPairs();
    void realFldigiModems();
    void stamps_data();
    void stamps();
    void locators_data();
    void locators();
    void greatCircle_data();
    void greatCircle();
};

namespace {

using Field = storage::QsoRecord::Field;

// A record with this band and mode read as the exports read it.
formats::Contact exported(const QString &band, const QString &mode, const QString &qth = {})
{
    storage::QsoRecord record;
    const auto raw = ts::record("1", "DL1ABC", "09.03.24 18:42", "599", "599",
                                band.toLatin1().constData(), mode.toLatin1().constData(), "",
                                qth.toLatin1().constData());
    std::memcpy(record.bytes.data(), raw.constData(), storage::QsoRecord::Size);
    return formats::readContact(record, 1);
}

// What the links store for modes: the list, fldigi's modems through F3, a rig's modes,
// WSJT-X's modes as logged; each with the ADIF pair it must come back as.
QList<std::pair<QString, radio::ModeReading>> storableModes()
{
    QList<std::pair<QString, radio::ModeReading>> out;
    for (const QString &text : radio::modeListTexts())
        out.append({ text, *radio::readModeText(text) });
    for (const QString &modem : radio::names::fldigiModems()) {
        const auto text = radio::modeTextForFldigi(modem);
        if (const auto pair = radio::pairForFldigi(modem); text && pair)
            out.append({ links::fieldText(*text, Field::Mode), *pair });
    }
    for (const auto &[rig, mode] : { std::pair { "CW", "CW" }, { "CWR", "CW" }, { "USB", "SSB" },
                                     { "LSB", "SSB" }, { "RTTY", "RTTY" }, { "RTTYR", "RTTY" } })
        out.append({ radio::modeTextForRig(QString::fromLatin1(rig)).value_or(""), { mode, "", "" } });
    // WSJT-X 2.6.1's modes, as "QSO Logged" names them and as its ADIF pairs.
    for (const char *wsjtx : { "FT8", "FT4", "JT4", "JT9", "JT65", "Q65", "FST4", "FST4W", "MSK144",
                               "WSPR", "ISCAT", "JS8" }) {
        const QString text = radio::modeTextForAdif(QString::fromLatin1(wsjtx), {});
        out.append({ text, *radio::readModeText(QString::fromLatin1(wsjtx)) });
    }
    out.append({ radio::modeTextForAdif(u"MFSK", u"FT4"), { "MFSK", "FT4", "DG" } });
    out.append({ radio::modeTextForAdif(u"OLIVIA", u"OLIVIA 16/500"), { "OLIVIA", "OLIVIA 16/500", "DG" } });
    return out;
}

} // namespace

void TestRadio::bandsFromFrequencies_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<QString>("band"); // "-": none
    QTest::newRow("160 m edge") << 1800000.0 << "1.8";
    QTest::newRow("just below 160 m") << 1799999.0 << "1.79";
    QTest::newRow("80 m top") << 4000000.0 << "3.5";
    QTest::newRow("fldigi 40 m") << 7041500.0 << "7";
    QTest::newRow("30 m") << 10136000.0 << "10";
    QTest::newRow("20 m") << 14070000.0 << "14";
    QTest::newRow("just above 20 m") << 14350001.0 << "14.3";
    QTest::newRow("10 m top") << 29700000.0 << "28";
    QTest::newRow("60 m") << 5357000.0 << "5.35";
    QTest::newRow("6 m cut not rounded") << 50399999.0 << "50.3";
    QTest::newRow("6 m top is not 5 m") << 54000000.0 << "54";
    QTest::newRow("2 m dummy rig") << 145000000.0 << "145";
    QTest::newRow("2190 m") << 136000.0 << "0.13";
    QTest::newRow("630 m") << 475000.0 << "0.47";
    QTest::newRow("130 kHz would read as 2190 m") << 130000.0 << "-";
    QTest::newRow("23 cm") << 1296200000.0 << "1296";
    QTest::newRow("3 cm") << 10368000000.0 << "10G";
    QTest::newRow("beyond 3 cm, in no band") << 11000000000.0 << "-";
    QTest::newRow("zero") << 0.0 << "-";
    QTest::newRow("a few Hz") << 50.0 << "-";
    QTest::newRow("negative") << -7000000.0 << "-";
    QTest::newRow("not a number") << std::nan("") << "-";
    QTest::newRow("infinite") << HUGE_VAL << "-";
}

void TestRadio::bandsFromFrequencies()
{
    QFETCH(double, hz);
    QFETCH(QString, band);
    QCOMPARE(radio::bandTextForFrequency(hz).value_or("-"), band);
}

void TestRadio::bandTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("adif"); // BAND, FREQ and Cabrillo's frequency
    QTest::newRow("list item") << "14" << "20m||14000";
    QTest::newRow("frequency") << "7.04" << "40m|7.04|7040";
    QTest::newRow("decimal comma") << "7,04" << "40m|7.04|7040";
    QTest::newRow("2190 m from WSJT-X") << "0.13" << "2190m||136";
    QTest::newRow("630 m") << "0.47" << "630m||472";
    QTest::newRow("4 m") << "70" << "4m||70";
    QTest::newRow("1.25 m") << "222" << "1.25m||222";
    QTest::newRow("70 cm") << "420" << "70cm||432";
    QTest::newRow("23 cm") << "1240" << "23cm||1.2G";
    QTest::newRow("23 cm frequency") << "1296" << "23cm|1296|1.2G";
    QTest::newRow("2 m frequency") << "145" << "2m|145|144";
    QTest::newRow("6 m frequency") << "50.3" << "6m|50.3|50";
    QTest::newRow("5 m") << "5m" << "5m||54000";
    QTest::newRow("3 cm") << "10g" << "3cm||10G";
    QTest::newRow("ADIF name typed") << "2M" << "2m||144";
    QTest::newRow("in no band") << "35" << "|35|35000";
    QTest::newRow("no band") << "x" << "-";
}

void TestRadio::bandTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, adif);
    const auto reading = radio::readBandText(text);
    const QString got = !reading ? QStringLiteral("-")
                                 : QStringList { reading->band ? reading->band->adif : "",
                                                 reading->freqText,
                                                 radio::cabrilloFrequency(*reading) }
                                           .join('|');
    QCOMPARE(got, adif);
}

// Every band text a link can store (WSJT-X's band names, a rig's or fldigi's frequency
// at each band's edges and middle, the list) comes out with its ADIF band, a Cabrillo
// frequency and no FREQ that nobody reported.
void TestRadio::everyStorableBandIsExported()
{
    for (const radio::Band &band : radio::bands()) {
        const QString name = band.adif;
        QVERIFY2(QString(band.text).size() <= radio::BandTextWidth, band.adif);
        const formats::Contact named = exported(*radio::bandTextForAdif(name), "CW");
        QCOMPARE(named.band, name);
        QVERIFY2(named.freq.isEmpty(), band.adif);
        QVERIFY2(named.warnings.isEmpty(), band.adif);
        const double low = double(band.lowHz), high = double(band.highHz);
        for (const double hz : { low, (low + high) / 2, high }) {
            const auto text = radio::bandTextForFrequency(hz);
            QVERIFY2(text && text->size() <= radio::BandTextWidth, band.adif);
            const formats::Contact c = exported(*text, "CW");
            QCOMPARE(c.band, name);
            // A frequency is written only as reported, cut to the field: never above it
            // and never more than the dropped digits below.
            if (!c.freq.isEmpty()) {
                const double mhz = c.freq.toDouble();
                QVERIFY2(mhz * 1e6 <= hz + 0.5 && hz - mhz * 1e6 < 0.011 * std::pow(10, int(std::log10(hz / 1e6))) * 1e6,
                         qPrintable(c.freq + " for " + QString::number(hz)));
            }
            if (band.cabrillo) {
                QCOMPARE(c.cabrilloFreq, QString(band.cabrillo));
            } else {
                const double khz = c.cabrilloFreq.toDouble();
                QVERIFY2(khz >= std::floor(low / 1e3) && khz <= std::ceil(high / 1e3), qPrintable(c.cabrilloFreq));
            }
        }
    }
}

// Every mode a link can store is at most seven characters that the exports take back
// as its ADIF pair from the enumeration (or its mode where seven cannot say the
// submode), with a Cabrillo mode.
void TestRadio::everyStorableModeIsExported()
{
    const QList<std::pair<QString, radio::ModeReading>> modes = storableModes();
    QVERIFY(modes.size() > 150);
    QStringList onlyTheMode;
    for (const auto &[text, want] : modes) {
        QVERIFY2(!text.isEmpty() && text.size() <= radio::ModeTextWidth, qPrintable(text));
        QVERIFY2(radio::isAdifPair(want.mode, want.submode), qPrintable(want.mode + "/" + want.submode));
        const formats::Contact c = exported("14", text);
        QVERIFY2(radio::isAdifPair(c.mode, c.submode), qPrintable(text));
        QVERIFY2(QStringList({ "CW", "PH", "FM", "RY", "DG" }).contains(c.cabrilloMode), qPrintable(text));
        QCOMPARE(c.mode, want.mode);
        if (c.submode != want.submode) {
            QVERIFY2(c.submode.isEmpty(), qPrintable(text + " is " + c.submode));
            onlyTheMode << want.submode;
        }
    }
    // The submodes seven characters cannot say, each named: a new one is a choice to make.
    onlyTheMode.removeDuplicates();
    onlyTheMode.sort();
    QCOMPARE(onlyTheMode.join(','), "OLIVIA 16/500,PSK1000RC2,PSK125RC10,PSK125RC12,PSK125RC16");
}

// LoTW's own mode list (Debian's trustedqsl): where LoTW knows the mode, the pair we
// write is one it takes, the pair itself or, by its rule, the mode with any submode.
void TestRadio::lotwAcceptsOurPairs()
{
    const QByteArray config = ts::readFile("/usr/share/TrustedQSL/config.xml");
    QVERIFY2(config != "<missing>", "install trustedqsl (scripts/deps.sh)");
    QSet<QString> pairs, modes;
    static const QRegularExpression entry("<adifmode adif-mode=\"([^\"]+)\"(?: adif-submode=\"([^\"]+)\")?");
    for (auto it = entry.globalMatch(QString::fromUtf8(config)); it.hasNext();) {
        const auto m = it.next();
        pairs << m.captured(1) + "/" + m.captured(2);
        modes << m.captured(1);
    }
    QVERIFY(pairs.size() > 100);
    QStringList refused;
    for (const auto &[text, want] : storableModes()) {
        const formats::Contact c = exported("14", text);
        if (!modes.contains(c.mode))
            refused << c.mode;
        else
            QVERIFY2(pairs.contains(c.mode + "/" + c.submode) || pairs.contains(c.mode + "/"),
                     qPrintable(c.mode + "/" + c.submode));
    }
    refused.removeDuplicates();
    QCOMPARE(refused.join(','), ""); // the README names the modes LoTW does not take
    // Every band LoTW knows is one of ours.
    static const QRegularExpression band("<band high=\"[^\"]+\" low=\"[^\"]+\" spectrum=\"[^\"]+\">([^<]+)<");
    int bands = 0;
    for (auto it = band.globalMatch(QString::fromUtf8(config)); it.hasNext(); ++bands)
        QVERIFY2(radio::bandNamed(it.next().captured(1)), "a LoTW band we do not know");
    QVERIFY(bands >= 30);
}

// The real fldigi's modems through F3's mapping and the ADIF export: each gives a MODE,
// except those that make no contact (F3 keeps the operator's mode) and those ADIF has
// no mode for, which the export names.
void TestRadio::realFldigiModems()
{
    peers::Programs programs;
    QVERIFY(programs.startX());
    QVERIFY(programs.startFldigi());
    const QByteArray body = "<?xml version=\"1.0\"?><methodCall><methodName>modem.get_names"
                            "</methodName><params></params></methodCall>";
    const QByteArray answer = peers::exchange(
            programs.fldigiPort,
            "POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body,
            "</methodResponse>");
    QStringList modems;
    static const QRegularExpression value("<value>(?:<string>)?([^<]+)<");
    for (auto it = value.globalMatch(QString::fromUtf8(answer)); it.hasNext();)
        modems << it.next().captured(1);
    QVERIFY2(modems.size() > 150, answer.constData());
    QCOMPARE(modems, radio::names::fldigiModems());
    QStringList kept, noMode;
    for (const QString &modem : modems) {
        const auto text = radio::modeTextForFldigi(modem);
        if (!text) {
            kept << modem;
            continue;
        }
        const formats::Contact c = exported("14", links::fieldText(*text, Field::Mode));
        if (c.mode.isEmpty()) {
            noMode << modem;
            QVERIFY(c.warnings.join('\n').contains("no mode ADIF or Cabrillo knows"));
        }
    }
    QCOMPARE(kept.join(','), "NULL,WWV,ANALYSIS,FMT,RSID_EOT");
    QCOMPARE(noMode.join(','), "OFDM500F,OFDM750F,OFDM2000F,OFDM2000,OFDM3500,IFKP");
}

void TestRadio::stamps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("iso"); // "-": not a stamp
    QTest::newRow("last year of the window") << "31.12.68 23:59" << "2068-12-31T23:59:00Z";
    QTest::newRow("first year of the window") << "01.01.69 00:00" << "1969-01-01T00:00:00Z";
    QTest::newRow("turn of the century") << "31.12.99 23:59" << "1999-12-31T23:59:00Z";
    QTest::newRow("no 29 February") << "29.02.23 12:00" << "-";
    QTest::newRow("leap day") << "29.02.24 12:00" << "2024-02-29T12:00:00Z";
    QTest::newRow("no such time") << "10.03.24 24:00" << "-";
    QTest::newRow("four-digit year") << "10.03.2024 18:42" << "-";
    QTest::newRow("trailing text") << "10.03.24 18:42x" << "-";
    QTest::newRow("digits of another script") << QString::fromUtf8("09.03.24 \u0660\u0660:\u0660\u0660") << "-";
    QTest::newRow("no leading zero") << "9.03.24 18:42" << "-";
}

void TestRadio::stamps()
{
    QFETCH(QString, text);
    QFETCH(QString, iso);
    const auto read = radio::readStamp(text);
    QCOMPARE(read ? read->toString(Qt::ISODate) : "-", iso);
    if (read)
        QCOMPARE(radio::stampText(*read), text);
    // Outside the window a stamp would read back in another century: none is written.
    QCOMPARE(radio::stampText(QDate(1968, 12, 31), QTime(23, 59)), "");
    QCOMPARE(radio::stampText(QDate(2069, 1, 1), QTime(0, 0)), "");
}

void TestRadio::locators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("centre"); // "-": no locator
    QTest::newRow("square") << "JO62" << "52.5,13";
    QTest::newRow("subsquare, any case") << "jo62QM" << "52.520833,13.375";
    QTest::newRow("extended") << "JO62qm45" << "52.522917,13.370833";
    QTest::newRow("south-west corner") << "AA00aa00" << "-89.997917,-179.995833";
    QTest::newRow("north-east corner") << "RR99xx99" << "89.997917,179.995833";
    QTest::newRow("field beyond R") << "JS62" << "-";
    QTest::newRow("subsquare beyond X") << "JO62qy" << "-";
    QTest::newRow("five characters") << "JO62q" << "-";
    QTest::newRow("a town") << "Berlin" << "-";
    QTest::newRow("a town of four letters") << "Rome" << "-";
}

void TestRadio::locators()
{
    QFETCH(QString, text);
    QFETCH(QString, centre);
    const auto at = radio::locatorCentre(text);
    QCOMPARE(radio::isLocator(text), centre != "-");
    QCOMPARE(at ? QString::number(at->lat, 'f', 6).remove(QRegularExpression("\\.?0+$")) + ","
                          + QString::number(at->lon, 'f', 6).remove(QRegularExpression("\\.?0+$"))
                : "-",
             centre);
    // A locator in QTH is the grid square, and QTH keeps only what is no locator.
    const formats::Contact c = exported("14", "CW", text);
    QCOMPARE(c.grid.isEmpty(), centre == "-");
    QCOMPARE(c.qth.isEmpty(), centre != "-");
}

void TestRadio::greatCircle_data()
{
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<double>("km");
    QTest::addColumn<double>("bearing");
    // Quarter and half great circles: 6371 km × π/2 and × π.
    QTest::newRow("east along the equator") << 0.0 << 0.0 << 0.0 << 90.0 << 10007.543 << 90.0;
    QTest::newRow("to the north pole") << 0.0 << 10.0 << 90.0 << 0.0 << 10007.543 << 0.0;
    QTest::newRow("west across the date line") << 0.0 << -170.0 << 0.0 << 170.0 << 2223.9 << 270.0;
    QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 180.0 << 20015.087 << 90.0;
    QTest::newRow("same point") << 52.5 << 13.4 << 52.5 << 13.4 << 0.0 << 0.0;
    // London to Paris, as every great-circle table gives it.
    QTest::newRow("London to Paris") << 51.5074 << -0.1278 << 48.8566 << 2.3522 << 343.56 << 148.1;
}

void TestRadio::greatCircle()
{
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lat2);
    QFETCH(double, lon2);
    QFETCH(double, km);
    QFETCH(double, bearing);
    const radio::LatLon from { lat1, lon1 }, to { lat2, lon2 };
    QVERIFY2(std::abs(radio::distanceKm(from, to) - km) < 0.1, qPrintable(QString::number(radio::distanceKm(from, to))));
    QVERIFY2(std::abs(radio::bearingDeg(from, to) - bearing) < 0.1, qPrintable(QString::number(radio::bearingDeg(from, to))));
}

QTEST_GUILESS_MAIN(TestRadio)
#include "tst_radio.moc"
