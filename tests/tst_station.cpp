// The station line, the call field's mark, check partial and the per-band duplicate
// check, typed into the real window over Debian's country file and a real logbook.
#include "EntryFixture.h"
#include "country/CountryFiles.h"
#include "contest/ChosenContest.h"
#include "formats/Station.h"
#include "mainwindow/StationLine.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QStandardPaths>

using storage::QsoRecord;

namespace {

const QString debian = QStringLiteral("/usr/share/hamradio-files");

// DL1AB and DL1QQ are in Debian's MASTER.SCP; G4XYZ and DL9ZZZ are not.
QByteArray logbook()
{
    return ts::record("1", "DL1AB", "09.03.24 18:42", "599", "599", "14", "PSK31")
            + ts::record("2", "G4XYZ", "10.03.24 07:05", "579", "589", "7", "CW")
            + ts::record("3", "DL1AB", "11.03.24 20:10", "599", "599", "7", "CW");
}

struct Station
{
    EntryFixture f { 0 };
    Form1 *form = nullptr;
    StationLine *line = nullptr;
    QLineEdit *call = nullptr;
    QLabel *row = nullptr;

    explicit Station(bool contest = true, const contest::ChosenContest &chosen = {})
    {
        ts::writeFile(f.log, logbook());
        formats::Station own;
        own.call = "DL0XX";
        own.grid = "JO62QM";
        (void)formats::saveStation(QDir::current().absoluteFilePath("vantel.ini"), own);
        if (!chosen.name.isEmpty())
            (void)contest::saveChosenContest(QDir::current().absoluteFilePath("vantel.ini"), chosen);
        form = &f.open();
        line = form->findChild<StationLine *>("stationLine");
        call = form->findChild<QLineEdit *>("Text2");
        row = form->findChild<QLabel *>("stationRow");
        if (!contest)
            form->findChild<QAction *>("mnuContest")->trigger();
    }
    void type(const QString &text, const QString &band, const QString &mode)
    {
        form->setFieldText(QsoRecord::Band, band);
        form->setFieldText(QsoRecord::Mode, mode);
        call->setFocus();
        call->clear();
        QTest::keyClicks(call, text);
    }
};

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lineAndMark_data();
    void lineAndMark();
    void contestSessionBoundsTheDupe();
    void checkPartial();
    void enterPerBandAndMode_data();
    void enterPerBandAndMode();
    void brokenCountryFileToldInTheLine();
    void noCountryFile();
    void adifExportCarriesCountries();
};

void TestStation::initTestCase()
{
    QVERIFY2(QFile::exists(debian + "/cty.dat"), "scripts/deps.sh installs hamradio-files");
    // vantel's own data folder, where an operator drops newer files: empty unless a test fills it.
    static QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QCoreApplication::setApplicationName("vantel");
}

void TestStation::lineAndMark_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("contest");
    QTest::addColumn<QString>("line"); // the start of the station row's whole text
    QTest::addColumn<QString>("mark"); // the call field's tooltip and description; empty: no mark

    const QString both = "2 contacts: 7 CW 2024-03-11 (contact 3), 14 PSK31 2024-03-09 (contact 1)";
    const QString dl = "Fed. Rep. of Germany \u00b7 EU \u00b7 CQ 14 \u00b7 ITU 28 \u00b7 beam ";
    QTest::newRow("new one") << "W1AW" << "14" << "PSK31" << false << "United States of America \u00b7 NA \u00b7 CQ 5 \u00b7 ITU 8 \u00b7 beam 305\u00b0, 76"
                             << "New one";
    QTest::newRow("new band") << "DL1QQ" << "21" << "PSK31" << false << dl << "New band";
    QTest::newRow("new mode") << "DL1QQ" << "14" << "RTTY" << false << dl << "New mode";
    QTest::newRow("country worked on band and mode") << "DL1QQ" << "7" << "CW" << false << dl << "";
    QTest::newRow("worked before") << "DL1AB" << "14" << "PSK31" << false << dl
                                   << "Worked before: " + both;
    QTest::newRow("typed in small letters") << "dl1ab" << "7" << "CW" << false << dl
                                            << "Worked before: " + both;
    QTest::newRow("contest dupe on band") << "DL1AB" << "14" << "PSK31" << true << dl
                                          << "Dupe on this band: " + both;
    QTest::newRow("contest, band named in metres") << "DL1AB" << "20m" << "SSB" << true << dl
                                                   << "Dupe on this band: " + both;
    QTest::newRow("contest other band") << "DL1AB" << "21" << "PSK31" << true << dl
                                        << "Worked on another band: " + both;
    QTest::newRow("maritime mobile") << "DL1AB/MM" << "14" << "PSK31" << false << "Maritime mobile: no country" << "";
    QTest::newRow("aeronautical mobile") << "W1AW/AM" << "14" << "PSK31" << false << "Aeronautical mobile: no country" << "";
    QTest::newRow("portable keeps its country") << "DL1QQ/P" << "21" << "PSK31" << false << dl << "New band";
    QTest::newRow("prefix before the call decides") << "KH6/DL1QQ" << "14" << "PSK31" << false << "Hawaii \u00b7 OC" << "New one";
    QTest::newRow("possibly busted") << "DL9ZZZ" << "7" << "CW" << false << dl
                                     << "Possibly busted: in neither MASTER.SCP nor the logbook \u00b7 New call";
    QTest::newRow("unknown to MASTER.SCP but in the logbook") << "G4XYZ" << "7" << "CW" << false << "England \u00b7 EU"
                                                               << "Worked before: 1 contact: 7 CW 2024-03-10 (contact 2)";
    QTest::newRow("still being typed") << "DL" << "14" << "PSK31" << false << dl << "";
}

// A contact before the chosen contest's session is no dupe in it (the score counts it too).
void TestStation::contestSessionBoundsTheDupe()
{
    const QString both = "2 contacts: 7 CW 2024-03-11 (contact 3), 14 PSK31 2024-03-09 (contact 1)";
    for (const auto &[from, mark] : { std::pair { "2024-03-09 00:00", "Dupe on this band: " + both },
                                      std::pair { "2024-03-10 00:00", "Worked on another band: " + both },
                                      std::pair { "2024-03-12 00:00", "Worked before: " + both } }) {
        const auto start = contest::readMoment(QString::fromLatin1(from));
        QVERIFY(start);
        Station s(true, { "CQ-WPX-CW", *start, {} });
        QTRY_VERIFY(s.line->isLoaded());
        s.type("DL1AB", "14", "PSK31");
        QCOMPARE(s.call->toolTip(), mark);
    }
}

void TestStation::lineAndMark()
{
    QFETCH(QString, typed);
    QFETCH(QString, band);
    QFETCH(QString, mode);
    QFETCH(bool, contest);
    QFETCH(QString, line);
    QFETCH(QString, mark);
    Station s(contest);
    QVERIFY(s.line && s.row);
    QTRY_VERIFY(s.line->isLoaded());
    // Nothing typed, nothing to say: the window keeps its size.
    QVERIFY(!s.row->isVisible());
    const QSize described = s.form->centralWidget()->size();
    const QColor plain = s.call->palette().color(QPalette::Base);

    s.type(typed, band, mode);
    QVERIFY2(s.row->accessibleDescription().startsWith(line), qPrintable(s.row->accessibleDescription()));
    QCOMPARE(s.row->toolTip(), s.row->accessibleDescription());
    if (!mark.isEmpty())
        QVERIFY2(s.row->accessibleDescription().endsWith(mark), qPrintable(s.row->accessibleDescription()));
    QCOMPARE(s.call->toolTip(), mark);
    QCOMPARE(s.call->accessibleDescription(), mark);
    // A status shows in colour as well as in words; no status, no colour.
    QCOMPARE(s.call->palette().color(QPalette::Base) != plain, !mark.isEmpty());
    // Each status its own colour.
    static QHash<QString, QColor> colours;
    if (!mark.isEmpty()) {
        const QString status = mark.section(':', 0, 0);
        const QColor colour = s.call->palette().color(QPalette::Base);
        for (auto it = colours.cbegin(); it != colours.cend(); ++it)
            QVERIFY2((it.key() == status) == (it.value() == colour), qPrintable(status + " / " + it.key()));
        colours.insert(status, colour);
    }
    // The band field changed afterwards: the line follows without a key in the call field.
    if (typed == "DL1QQ" && band == "21") {
        s.form->setFieldText(QsoRecord::Band, "14");
        QCOMPARE(s.call->toolTip(), QString());
    }
    // Until the third character the check-partial row names the files in use.
    if (typed.size() < 3) {
        auto *partial = s.form->findChild<QLabel *>("checkPartialRow");
        QCOMPARE(partial->text(), "Check partial from the third character \u00b7 cty.dat 2023-05-02, MASTER.SCP "
                                  "2023.05.02.00 from /usr/share/hamradio-files");
    }
    QVERIFY(s.row->isVisible());
    QVERIFY(s.form->centralWidget()->height() > described.height());
    // Emptied: the rows and the mark go.
    s.call->clear();
    QVERIFY(!s.row->isVisible());
    QCOMPARE(s.form->centralWidget()->size(), described);
    QCOMPARE(s.call->toolTip(), QString());
}

void TestStation::checkPartial()
{
    Station s;
    QTRY_VERIFY(s.line->isLoaded());
    auto *list = s.form->findChild<QListWidget *>("checkPartial");
    QVERIFY(list);
    s.type("DL", "14", "PSK31");
    QCOMPARE(list->count(), 0);
    QTest::keyClicks(s.call, "1a");
    QVERIFY(list->isVisible());
    QVERIFY(list->count() > 2);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QVERIFY2(shown.contains("DL1AB") && shown.filter("DL1A").size() == shown.size(), qPrintable(shown.join(' ')));
    QVERIFY(list->accessibleDescription().contains("known calls hold DL1A"));
    // Tab still goes from the call field to the date/time, never into the list.
    QCOMPARE(list->focusPolicy(), Qt::ClickFocus);

    QTest::keyClick(s.call, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Right);
    const QString chosen = list->currentItem()->text();
    QCOMPARE(chosen, shown.at(2));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(s.call->text(), chosen);
    QCOMPARE(QApplication::focusWidget(), s.call);
    QCOMPARE(s.f.platform.calls.size(), size_t(0));
    // Escape goes back without a call.
    QTest::keyClick(s.call, Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), s.call);
    QCOMPARE(s.call->text(), chosen);
}

void TestStation::enterPerBandAndMode_data()
{
    QTest::addColumn<bool>("perBand");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("shownDate"); // the earlier contact brought back; empty: "GOOD ONE!!!"

    QTest::newRow("as always: another band is a duplicate") << false << "21" << "PSK31" << "09.03.24 18:42 ";
    QTest::newRow("per band: another band is a good one") << true << "21" << "PSK31" << "";
    QTest::newRow("per band: same band, other mode") << true << "14" << "CW" << "";
    QTest::newRow("per band: same band and mode") << true << "14" << "PSK31" << "09.03.24 18:42 ";
    QTest::newRow("per band: the contact on that band is shown") << true << "7" << "CW" << "11.03.24 20:10 ";
    QTest::newRow("per band: one mode family") << true << "14" << "PSK63" << "09.03.24 18:42 ";
}

void TestStation::enterPerBandAndMode()
{
    QFETCH(bool, perBand);
    QFETCH(QString, band);
    QFETCH(QString, mode);
    QFETCH(QString, shownDate);
    Station s;
    auto *toggle = s.form->findChild<QAction *>("mnuDupeBand");
    QVERIFY(toggle && toggle->isCheckable());
    QVERIFY(!toggle->isChecked()); // unticked at every start
    if (perBand)
        toggle->trigger();
    s.type("DL1AB", band, mode);
    QString duringBox;
    s.f.platform.whileBoxIsUp = [&] { duringBox = s.form->fieldText(QsoRecord::DateTime); };
    QTest::keyClick(s.call, Qt::Key_Return);
    auto *label7 = s.form->findChild<QLabel *>("Label7");
    if (shownDate.isEmpty()) {
        QCOMPARE(s.f.platform.calls.size(), size_t(0));
        QCOMPARE(label7->text(), "GOOD ONE!!!");
        QCOMPARE(s.call->text(), "DL1AB");
    } else {
        QCOMPARE(s.f.platform.count("messageBox"), 1);
        QCOMPARE(s.f.platform.calls.front().text, "Duplicate!!!");
        QCOMPARE(duringBox, shownDate);
        QCOMPARE(label7->text(), "");
        QCOMPARE(s.call->text(), ""); // contest mode
    }
}

void TestStation::brokenCountryFileToldInTheLine()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir().mkpath(folder));
    const QString broken = folder + "/cty.dat";
    QVERIFY(ts::writeFile(broken, "Nowhere:  14:  28:  EU:   51.00:   -10.00:  -1.0:  XX:\n    XX,XY\n"));
    Station s;
    QTRY_VERIFY(s.line->isLoaded());
    QFile::remove(broken);
    QVERIFY(s.row->isVisible());
    QVERIFY2(s.row->accessibleDescription().startsWith("Not used: " + broken + ": line "), qPrintable(s.row->text()));
    QVERIFY(s.row->accessibleDescription().endsWith("cty.dat 2023-05-02, MASTER.SCP 2023.05.02.00 from " + debian));
    // Told in the line only, and the rest works on Debian's file.
    s.type("DL1QQ", "21", "PSK31");
    QVERIFY(s.row->accessibleDescription().startsWith("Fed. Rep. of Germany"));
    QCOMPARE(s.f.platform.calls.size(), size_t(0));
    // Told once: not again when the call field is emptied.
    s.call->clear();
    QVERIFY(!s.row->isVisible());
}

void TestStation::noCountryFile()
{
    QTemporaryDir nothing;
    Station s;
    QTRY_VERIFY(s.line->isLoaded());
    s.line->setCountryData(country::loadCountryData({ nothing.path() }));
    QVERIFY2(s.row->accessibleDescription().startsWith("Not used: cty.dat: not found in"), qPrintable(s.row->text()));
    QVERIFY(s.row->accessibleDescription().endsWith("no country file, no known calls"));
    s.form->findChild<QAction *>("mnuContest")->trigger();
    s.type("DL1AB", "14", "PSK31");
    QVERIFY2(s.row->accessibleDescription().startsWith("No country file \u00b7 Worked before: 2 contacts"),
             qPrintable(s.row->accessibleDescription()));
    QVERIFY(s.call->toolTip().startsWith("Worked before"));
    // Nothing can be busted without the known calls.
    s.type("DL9ZZZ", "14", "PSK31");
    QCOMPARE(s.call->toolTip(), QString());
    QCOMPARE(s.f.platform.calls.size(), size_t(0));
}

void TestStation::adifExportCarriesCountries()
{
    Station s;
    const QString out = s.f.dir.path("out.adi");
    s.f.platform.fileAnswers.push_back(out);
    // Straight after start: the export waits for the country file rather than leave it out.
    s.form->findChild<QAction *>("mnuExportAdif")->trigger();
    const QByteArray adif = ts::readFile(out);
    QVERIFY2(adif.contains("<CALL:5>DL1AB") && adif.contains("<COUNTRY:20>Fed. Rep. of Germany <DXCC:3>230 "
                                                             "<CQZ:2>14 <ITUZ:2>28 <CONT:2>EU"),
             adif.constData());
    QVERIFY(adif.contains("<COUNTRY:7>England <DXCC:3>223 <CQZ:2>14 <ITUZ:2>27 <CONT:2>EU"));
}

QTEST_MAIN(TestStation)
#include "tst_station.moc"
