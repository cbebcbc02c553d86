#include "TestSupport.h"
#include "country/StationLookup.h"

#include <QFile>
#include <QtTest>

#include <map>
#include <random>
#include <set>

using country::Worked;

namespace {

// The band and mode texts a logbook holds, with the band and mode family each stands
// for, written out here: "14" and "20m" are one band, 7.04 MHz lies in 40 m, a number
// outside every band is a band of its own; PSK31 and PSK63 are PSK, USB is SSB.
const std::map<QByteArray, QByteArray> kBands = { { "14", "20m" }, { "20m", "20m" }, { "7", "40m" },
                                                  { "7.04", "40m" }, { "3.5", "80m" }, { "999", "999" } };
const std::map<QByteArray, QByteArray> kModes = { { "PSK31", "PSK" }, { "PSK63", "PSK" }, { "CW", "CW" },
                                                  { "cw", "CW" }, { "SSB", "SSB" }, { "USB", "SSB" },
                                                  { "FT8", "FT8" }, { "XYZ", "XYZ" } };
// Calls of a few entities (W1AW and K1ABC both the USA, DL calls Germany), a call of
// no entity, one at sea, and letter case the logbook may hold.
const QByteArrayList kCalls = { "DL1ABC", "dl1abc", "DL2XYZ", "G4XYZ", "W1AW", "K1ABC", "JA1XX",
                                "F5XYZ", "Q1ABC", "DL1ABC/MM", "VK2AB", "DL1ABC/P" };

QByteArray pick(std::mt19937 &rng, const std::map<QByteArray, QByteArray> &map)
{
    auto it = map.begin();
    std::advance(it, std::uniform_int_distribution<int>(0, int(map.size()) - 1)(rng));
    return it->first;
}

struct ModelRecord
{
    QByteArray call, band, mode; // call in capitals; band and mode as the groups name them
    QString entity; // empty: none
};

} // namespace

class TestWorked : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void matchesModelAfterEveryChange();
    void headingFromLocatorOrOwnEntity_data();
    void headingFromLocatorOrOwnEntity();
    void possiblyBusted_data();
    void possiblyBusted();

private:
    country::CountryData m_data;
};

void TestWorked::initTestCase()
{
    m_data = country::loadCountryData({ QStringLiteral("/usr/share/hamradio-files") });
    QVERIFY2(!m_data.table.isEmpty(), qPrintable(m_data.describe()));
}

// A logbook grows record by record (and is now and then corrected in place or cut),
// and after every change every call, band and mode is asked and compared with a plain
// model of the records.
void TestWorked::matchesModelAfterEveryChange()
{
    bool fixed = false;
    const unsigned given = qEnvironmentVariable("VANTEL_SEED").toUInt(&fixed);
    const unsigned seed = fixed ? given : std::random_device()();
    qInfo("seed %u", seed);
    std::mt19937 rng(seed);
    ts::WorkDir dir;
    const QString path = dir.path(QStringLiteral("w.log"));
    QVERIFY(ts::writeFile(path, {}));

    country::StationLookup lookup;
    lookup.setCountryData(m_data);
    lookup.setLogbook(path);
    const auto entityOf = [&](const QByteArray &call) {
        const country::CallInfo info = m_data.table.lookup(QString::fromLatin1(call));
        if (info.status != country::CallInfo::Status::Found)
            return QString();
        return info.entity.dxccName.isEmpty() ? info.entity.name : info.entity.dxccName;
    };

    QList<QByteArray> bytes;
    std::vector<ModelRecord> model;
    const auto makeRecord = [&](int number, ModelRecord *r) {
        const QByteArray call = kCalls.at(std::uniform_int_distribution<int>(0, int(kCalls.size()) - 1)(rng));
        const QByteArray band = pick(rng, kBands), mode = pick(rng, kModes);
        const QByteArray day = QByteArray::number(10 + number % 18);
        *r = { call.toUpper(), kBands.at(band), kModes.at(mode), entityOf(call.toUpper()) };
        return ts::record(QByteArray::number(number).constData(), call.constData(),
                          (day + ".03.24 18:42").constData(), "599", "599", band.constData(), mode.constData());
    };
    for (int step = 0; step < 120; ++step) {
        const int what = std::uniform_int_distribution<int>(0, 19)(rng);
        if (what == 0 && !bytes.isEmpty()) {
            // A correction in place: the same length.
            const int at = std::uniform_int_distribution<int>(0, int(bytes.size()) - 1)(rng);
            bytes[at] = makeRecord(at + 1, &model[size_t(at)]);
        } else if (what == 1 && !bytes.isEmpty()) {
            const int keep = std::uniform_int_distribution<int>(0, int(bytes.size()) - 1)(rng);
            bytes.resize(keep);
            model.resize(size_t(keep));
        } else {
            model.emplace_back();
            bytes.append(makeRecord(int(bytes.size()) + 1, &model.back()));
        }
        QVERIFY(ts::writeFile(path, bytes.join()));

        for (const QByteArray &asked : kCalls) {
            const QByteArray call = asked.toUpper();
            const QString entity = entityOf(call);
            for (const auto &[bandText, band] : kBands) {
                for (const auto &[modeText, mode] : kModes) {
                    const Worked w = lookup.info(QString::fromLatin1(asked), QString::fromLatin1(bandText),
                                                 QString::fromLatin1(modeText))
                                             .worked;
                    Worked e;
                    e.entityKnown = !entity.isEmpty();
                    std::vector<qint64> numbers;
                    for (size_t i = 0; i < model.size(); ++i) {
                        const ModelRecord &r = model[i];
                        if (!entity.isEmpty() && r.entity == entity) {
                            e.entityWorked = true;
                            e.entityOnBand = e.entityOnBand || r.band == band;
                            e.entityInMode = e.entityInMode || r.mode == mode;
                        }
                        if (r.call == call) {
                            ++e.callContacts;
                            numbers.push_back(qint64(i) + 1);
                            e.callOnBand = e.callOnBand || r.band == band;
                            e.callOnBandAndMode = e.callOnBandAndMode || (r.band == band && r.mode == mode);
                        }
                    }
                    const QByteArray where = "step " + QByteArray::number(step) + ": " + asked + " on "
                            + bandText + " " + modeText;
                    QCOMPARE(w.entityKnown, e.entityKnown);
                    QVERIFY2(w.entityWorked == e.entityWorked && w.entityOnBand == e.entityOnBand
                                     && w.entityInMode == e.entityInMode,
                             where);
                    QVERIFY2(w.callContacts == e.callContacts && w.callOnBand == e.callOnBand
                                     && w.callOnBandAndMode == e.callOnBandAndMode,
                             where);
                    QCOMPARE(country::isDuplicateOnBandAndMode(lookup.index(), QString::fromLatin1(asked),
                                                               QString::fromLatin1(bandText),
                                                               QString::fromLatin1(modeText)),
                             e.callOnBandAndMode);
                    std::vector<qint64> latest;
                    for (const Worked::Contact &c : w.latest)
                        latest.push_back(c.number);
                    std::vector<qint64> expected(numbers.rbegin(),
                                                 numbers.rbegin() + std::min<qsizetype>(3, qsizetype(numbers.size())));
                    QVERIFY2(latest == expected, where);
                    if (!w.latest.isEmpty()) {
                        const QByteArray &r = bytes.at(w.latest.first().number - 1);
                        QCOMPARE(w.latest.first().band, QString::fromLatin1(r.mid(49, 4).trimmed()));
                        QCOMPARE(w.latest.first().date.day(), r.mid(18, 2).toInt());
                    }
                    // Contest mode tells a dupe on this band from a call worked elsewhere.
                    const Worked::Status contest = w.status(true);
                    QCOMPARE(contest == Worked::Status::DupeOnBand, e.callOnBand);
                    QCOMPARE(contest == Worked::Status::WorkedOtherBand, e.callContacts > 0 && !e.callOnBand);
                    QCOMPARE(w.status(false) == Worked::Status::NewOne, e.entityKnown && !e.entityWorked);
                }
            }
        }
    }
}

void TestWorked::headingFromLocatorOrOwnEntity_data()
{
    QTest::addColumn<QString>("ownCall");
    QTest::addColumn<QString>("locator");
    QTest::addColumn<QString>("call");
    QTest::addColumn<double>("heading");
    QTest::addColumn<double>("distance");
    // Figures from the entities' coordinates in cty.dat, worked out by hand with the
    // haversine formula; the locator's centre is JO62qm's (52.52 N, 13.375 E).
    QTest::newRow("locator to Japan") << "DL0XX" << "JO62qm" << "JA1XX" << 42.2 << 8790.0;
    QTest::newRow("own entity to Japan") << "DL0XX" << "" << "JA1XX" << 39.6 << 9070.0;
    QTest::newRow("at sea: none") << "DL0XX" << "JO62qm" << "W1AW/MM" << -1.0 << -1.0;
    QTest::newRow("no station: none") << "" << "" << "JA1XX" << -1.0 << -1.0;
}

void TestWorked::headingFromLocatorOrOwnEntity()
{
    QFETCH(QString, ownCall);
    QFETCH(QString, locator);
    QFETCH(QString, call);
    QFETCH(double, heading);
    QFETCH(double, distance);
    country::StationLookup lookup;
    lookup.setCountryData(m_data);
    lookup.setStation(ownCall, locator);
    const country::StationInfo info = lookup.info(call, u"14", u"CW");
    QCOMPARE(info.headingDeg.has_value(), heading >= 0);
    if (heading >= 0) {
        QVERIFY2(std::abs(*info.headingDeg - heading) < 0.5, qPrintable(QString::number(*info.headingDeg)));
        QVERIFY2(std::abs(*info.distanceKm - distance) < 10, qPrintable(QString::number(*info.distanceKm)));
    }
}

void TestWorked::possiblyBusted_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<bool>("busted");
    QTest::newRow("in MASTER.SCP") << "k1jt" << false;
    QTest::newRow("in the logbook only") << "DL1ABC" << false;
    QTest::newRow("in neither") << "DL1ABQ" << true;
    QTest::newRow("nothing typed") << " " << false;
}

// A complete call that neither the known calls nor the logbook hold may be busted.
void TestWorked::possiblyBusted()
{
    QFETCH(QString, call);
    QFETCH(bool, busted);
    ts::WorkDir dir;
    QVERIFY(ts::writeFile(dir.path("b.log"), ts::record("1", "dl1abc", "09.03.24 18:42")));
    country::StationLookup lookup;
    lookup.setCountryData(m_data);
    lookup.setLogbook(dir.path("b.log"));
    QCOMPARE(lookup.possiblyBusted(call), busted);
    QVERIFY(lookup.partial(u"K1J", 50).calls.contains("K1JT"));
}

QTEST_GUILESS_MAIN(TestWorked)
#include "tst_worked.moc"
