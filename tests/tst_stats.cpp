#include "EntryFixture.h"
#include "contest/RuleFiles.h"
#include "country/CountryFiles.h"
#include "radio/Band.h"
#include "stats/BarChart.h"
#include "stats/LogStats.h"
#include "stats/StatsWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>

#include <map>
#include <random>

namespace {

// Calls with what Debian's cty.dat says of them, written out here: continent and DXCC
// entity; empty where no entity takes the call.
struct Worked
{
    const char *call;
    const char *continent;
    const char *dxcc;
};
constexpr Worked kCalls[] = {
    { "DL1ABC", "EU", "Fed. Rep. of Germany" }, { "dl2xyz", "EU", "Fed. Rep. of Germany" },
    { "JA1XX", "AS", "Japan" },                 { "KH6/W1AW", "OC", "Hawaii" },
    { "W1AW", "NA", "United States of America" }, { "IT9ABC", "EU", "Italy" }, // Sicily counts as Italy
    { "I1ABC", "EU", "Italy" },                 { "VK2AB", "OC", "Australia" },
    { "LU1AA", "SA", "Argentina" },             { "ZS1A", "AF", "South Africa" },
    { "W1AW/MM", "", "" },                      { "Q1ABC", "", "" },
    { "", "", "" },
};
// The band field's texts and the ADIF band each names (empty: none).
constexpr std::pair<const char *, const char *> kBands[] = {
    { "14", "20m" }, { "7", "40m" },   { "3.5", "80m" }, { "21", "15m" }, { "28", "10m" }, { "1.8", "160m" },
    { "50", "6m" },  { "7.04", "40m" }, { "abc", "" },   { "", "" },      { "99", "" },
};
// The mode field's texts and their ADIF mode.
constexpr std::pair<const char *, const char *> kModes[] = {
    { "CW", "CW" }, { "SSB", "SSB" }, { "PSK31", "PSK" }, { "RTTY", "RTTY" }, { "FT8", "FT8" },
    { "xyz", "" },  { "", "" },
};

QMap<QString, qint64> asMap(const QList<stats::Tally> &tallies)
{
    QMap<QString, qint64> out;
    for (const stats::Tally &t : tallies)
        out[t.key] += t.count;
    return out;
}

QString orUnknown(const char *text)
{
    return *text ? QString::fromLatin1(text) : QStringLiteral("unknown");
}

// The width and height a PNG's IHDR chunk gives (big-endian at bytes 16 and 20).
QSize pngSize(const QByteArray &png)
{
    const auto be = [&](int at) {
        return (quint32(quint8(png[at])) << 24) | (quint32(quint8(png[at + 1])) << 16)
                | (quint32(quint8(png[at + 2])) << 8) | quint32(quint8(png[at + 3]));
    };
    return png.size() < 24 ? QSize() : QSize(int(be(16)), int(be(20)));
}

} // namespace

class TestStats : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void countsAgainstModel_data();
    void countsAgainstModel();
    void windowFromToolsMenu();

private:
    country::CountryData m_countries;
    contest::RuleBook m_rules;
};

void TestStats::initTestCase()
{
    m_countries = country::loadCountryData();
    QVERIFY2(!m_countries.table.isEmpty(), "hamradio-files' cty.dat is missing: run scripts/deps.sh");
    m_rules = contest::loadRules();
    QVERIFY(m_rules.find(QStringLiteral("GENERIC")));
}

void TestStats::countsAgainstModel_data()
{
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed = 1; seed <= 40; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// Random logbooks and ranges, counted by the counter and by a plain model of the same
// rules: contacts, hours, bands, modes, continents and new DXCC entities per band.
void TestStats::countsAgainstModel()
{
    QFETCH(unsigned, seed);
    std::mt19937 rng(seed);
    const auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
    const QDateTime start(QDate(2024, 3, 9), QTime(0, 0), Qt::UTC);
    // Dates the field cannot hold, and the ends of the years it can.
    const std::pair<const char *, QDateTime> odd[] = {
        { "31.02.24 10:00", {} }, { "", {} }, { "garbage", {} }, { "09.03.24 24:00", {} }, { "9.3.24 10:00", {} },
        { "29.02.24 12:00", QDateTime(QDate(2024, 2, 29), QTime(12, 0), Qt::UTC) },
        { "31.12.68 23:59", QDateTime(QDate(2068, 12, 31), QTime(23, 59), Qt::UTC) },
        { "01.01.69 00:00", QDateTime(QDate(1969, 1, 1), QTime(0, 0), Qt::UTC) },
    };

    struct Made
    {
        std::optional<QDateTime> when;
        int call, band, mode;
    };
    QList<Made> made;
    QByteArray bytes;
    const int n = 1 + pick(seed % 4 == 0 ? 3 : 400);
    for (int i = 0; i < n; ++i) {
        Made m { std::nullopt, pick(std::size(kCalls)), pick(std::size(kBands)), pick(std::size(kModes)) };
        QByteArray stamp;
        if (pick(8) == 0) {
            const auto &[text, when] = odd[pick(std::size(odd))];
            stamp = text;
            if (when.isValid())
                m.when = when;
        } else {
            m.when = start.addSecs(60 * qint64(pick(seed % 2 ? 60 * 30 : 60 * 24 * 8)));
            stamp = m.when->toString(QStringLiteral("dd.MM.yy HH:mm")).toLatin1();
        }
        bytes += ts::record("1", kCalls[m.call].call, stamp.constData(), "599", "599", kBands[m.band].first,
                            kModes[m.mode].first);
        made << m;
    }
    // The range's ends: none, a generated contact's own minute (ends are included), or any.
    const auto end = [&]() -> std::optional<QDateTime> {
        switch (pick(3)) {
        case 0:
            return std::nullopt;
        case 1:
            return made.at(pick(int(made.size()))).when;
        default:
            return start.addSecs(60 * qint64(pick(60 * 24 * 8)));
        }
    };
    stats::Range range { end(), end() };

    // The model.
    qint64 contacts = 0, undated = 0;
    std::map<qint64, qint64> hours;
    QMap<QString, qint64> bands, modes, continents, multipliers;
    QSet<QPair<QString, QString>> entityBands;
    for (const Made &m : std::as_const(made)) {
        const bool in = m.when ? (!range.from || *m.when >= *range.from) && (!range.to || *m.when <= *range.to)
                               : !range.from && !range.to;
        if (!in)
            continue;
        ++contacts;
        if (m.when)
            ++hours[m.when->toSecsSinceEpoch() / 3600];
        else
            ++undated;
        const QString band = QString::fromLatin1(kBands[m.band].second);
        ++bands[orUnknown(kBands[m.band].second)];
        ++modes[orUnknown(kModes[m.mode].second)];
        ++continents[orUnknown(kCalls[m.call].continent)];
        const QString dxcc = QString::fromLatin1(kCalls[m.call].dxcc);
        if (!band.isEmpty() && !dxcc.isEmpty() && !entityBands.contains({ dxcc, band })) {
            entityBands.insert({ dxcc, band });
            ++multipliers[band];
        }
    }

    stats::Counter counter(*m_rules.find(QStringLiteral("GENERIC")), m_countries.table, QString());
    // Twice: what the counter keeps from one count must not change the next.
    for (int round = 0; round < 2; ++round) {
        const stats::Counts c = counter.count(bytes.constData(), made.size(), range);
        QCOMPARE(c.records, qint64(made.size()));
        QCOMPARE(c.contacts, contacts);
        QCOMPARE(c.undated, undated);
        QVERIFY(c.perHour == hours);
        QCOMPARE(asMap(c.byBand), bands);
        QCOMPARE(asMap(c.byMode), modes);
        QCOMPARE(asMap(c.byContinent), continents);
        QCOMPARE(asMap(c.multipliersByBand), multipliers);
        QCOMPARE(c.multipliers, qint64(entityBands.size()));
        // Bands low to high, "unknown" last in every chart.
        for (const QList<stats::Tally> *list : { &c.byBand, &c.byMode, &c.byContinent, &c.multipliersByBand }) {
            for (qsizetype i = 0; i + 1 < list->size(); ++i)
                QVERIFY(list->at(i).key != QLatin1String("unknown"));
        }
        for (qsizetype i = 0; i + 1 < c.byBand.size(); ++i) {
            const auto a = radio::bandNamed(c.byBand.at(i).key);
            const auto b = radio::bandNamed(c.byBand.at(i + 1).key);
            QVERIFY(!b || (a && a->lowHz < b->lowHz));
        }
    }
}

// Tools → Statistics on the real entry window, a range typed, the logbook followed as F1
// saves, and the charts saved as a PNG through the file dialog (and refused where they
// must not go).
void TestStats::windowFromToolsMenu()
{
    EntryFixture f(0);
    ts::writeFile(f.log, ts::record("1", "DL1ABC", "09.03.24 18:42", "599", "599", "14", "CW")
                          + ts::record("2", "JA1XX", "09.03.24 19:05", "599", "599", "14", "CW")
                          + ts::record("3", "JA1XX", "10.03.24 07:00", "599", "599", "7", "SSB")
                          + ts::record("4", "Q1ABC", "bad", "599", "599", "x", "x"));
    Form1 &form = f.open();
    QTest::keyClick(&form, Qt::Key_T, Qt::AltModifier);
    QMenu *tools = form.findChild<QMenu *>(QStringLiteral("mnuTools"));
    QTRY_VERIFY(tools->isVisible());
    QTest::keyClick(tools, Qt::Key_S);
    auto *window = form.findChild<StatsWindow *>();
    QVERIFY(window);
    QTRY_VERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Statistics - test.log"));
    QCOMPARE(window->counts().contacts, 4);
    QCOMPARE(window->counts().undated, 1);
    QTRY_COMPARE(window->counts().multipliers, 3); // DL, JA on 20m; JA on 40m, once countries are read
    // Every chart holds its title and its names, at whatever scale the screen has, also
    // with the window as small as it goes.
    window->resize(1, 1);
    QCoreApplication::processEvents();
    for (const BarChart *chart : window->findChildren<BarChart *>()) {
        QFont bold = chart->font();
        bold.setBold(true);
        QVERIFY2(QFontMetrics(bold).horizontalAdvance(chart->title()) < chart->width(),
                 qPrintable(chart->title()));
        for (const stats::Tally &bar : chart->bars())
            QVERIFY(chart->fontMetrics().horizontalAdvance(bar.key) * chart->bars().size() < chart->width());
        // A few bars (bands, modes) are all named, "unknown" among them.
        if (chart->bars().size() <= 24)
            QVERIFY2(chart->namedEvery() == 1, qPrintable(chart->title()));
    }

    // The range by keyboard: From takes Alt+F, To Alt+T; Enter counts.
    QApplication::setActiveWindow(window);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    auto *from = window->findChild<QLineEdit *>(QStringLiteral("from"));
    QTest::keyClick(window, Qt::Key_F, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), from);
    QTest::keyClicks(from, QStringLiteral("2024-03-09 19:05"));
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(window->counts().contacts, 2);
    QTest::keyClick(window, Qt::Key_T, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2024-03-09"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window->counts().contacts, 1);
    QCOMPARE(asMap(window->counts().byContinent), (QMap<QString, qint64> { { "AS", 1 } }));
    auto *hours = window->findChild<BarChart *>(QStringLiteral("hours"));
    QCOMPARE(hours->bars(), (QList<stats::Tally> { { "19", 1 } }));
    // A range that ends before it starts is said, not counted.
    QTest::keyClick(window, Qt::Key_T, Qt::AltModifier);
    QApplication::focusWidget()->setProperty("text", QStringLiteral("2024-03-08 00:00"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("summary"))->text(),
             QStringLiteral("The range ends before it starts."));
    QVERIFY(hours->bars().isEmpty()); // not the last range's charts
    from->clear();
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(window->counts().contacts, 0);

    // A contact saved with F1 is counted.
    window->findChild<QLineEdit *>(QStringLiteral("to"))->clear();
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(window->counts().contacts, 4);
    form.setFieldText(storage::QsoRecord::Call, QStringLiteral("VK2AB"));
    form.setFieldText(storage::QsoRecord::DateTime, QStringLiteral("10.03.24 08:00"));
    QTest::keyClick(form.findChild<QLineEdit *>(QStringLiteral("Text2")), Qt::Key_F1);
    QCOMPARE(form.session().qsoCount, 5);
    QTRY_COMPARE(window->counts().contacts, 5);

    // Saved as PNG: Alt+S (the button shows its press first), the name from the dialog; the image is the charts at the
    // screen's pixel ratio.
    const QString png = f.dir.path(QStringLiteral("stats.png"));
    f.platform.fileAnswers = { png };
    QApplication::setActiveWindow(window);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(f.platform.count(QStringLiteral("save")), 1);
    QCOMPARE(f.platform.calls.back().request.fileName, f.dir.path(QStringLiteral("test-statistics.png")));
    QVERIFY2(f.platform.errors().isEmpty(), qPrintable(f.platform.errors().join('\n')));
    const QByteArray image = ts::readFile(png);
    QCOMPARE(image.left(16), QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16));
    QCOMPARE(pngSize(image), window->charts()->size() * window->devicePixelRatio());

    // Esc closes it, as a dialog.
    QTest::keyClick(window->findChild<QLineEdit *>(QStringLiteral("from")), Qt::Key_Escape);
    QTRY_VERIFY(!window->isVisible());

    // Never over the logbook, nor into a folder that is not there: said in the usual words.
    const QByteArray logbook = f.logBytes();
    for (const QString &bad : { f.log, f.dir.path(QStringLiteral("gone/stats.png")) }) {
        f.platform.fileAnswers = { bad };
        window->saveAsPng();
        QCOMPARE(f.platform.errors().size(), bad == f.log ? 1 : 2);
        const QString error = f.platform.errors().last();
        QVERIFY2(error.startsWith(QStringLiteral("The statistics were not saved.\n\nFile: "))
                         && error.contains(QStringLiteral("\nReason: ")),
                 qPrintable(error));
    }
    QCOMPARE(f.logBytes(), logbook);
}

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
