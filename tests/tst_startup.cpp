#include "EntryFixture.h"
#include "FakePlatform.h"
#include "JournalSupport.h"
#include "TestSupport.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "storage/FileHandle.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <sys/stat.h>

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = new ts::WorkDir; }
    void cleanup() { delete m_dir; }

    void firstRunCreatesEmptySettings();
    void defaultLogbook_data();
    void defaultLogbook();
    void unusableDefaultLogbook_data();
    void unusableDefaultLogbook();
    void unreadableSettingIsReported();
    void fullLogbookStaysInUse_data();
    void fullLogbookStaysInUse();
    void foreignFileRefused_data();
    void foreignFileRefused();
    void oddJournalPathToldOnce_data();
    void oddJournalPathToldOnce();
    void correctionUnderWayIsWaitedFor();
    void listsAndBoxes();
    void controlsLaidOut_data();
    void controlsLaidOut();
    void menuTree();
    void tabOrderSkipsHiddenFields();
    void openingFocusIsCallSign();

private:
    ts::WorkDir *m_dir = nullptr;
};

void TestStartup::firstRunCreatesEmptySettings()
{
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    // The six files keep their names and their order of reading; the e2e scripts keep a
    // copy of the table's list.
    const QStringList names = Form1::settingFiles();
    QCOMPARE(names.mid(0, 6), QStringList({ "utc_off", "band", "sent", "recv", "deflog", "mode" }));
    const QByteArray lib = ts::readFile(QStringLiteral(VANTEL_E2E_LIB));
    const QByteArray line = "\nSETTING_FILES=\"" + names.join(' ').toLatin1() + "\"\n";
    QVERIFY2(lib.contains(line), line.constData());
    for (const QString &name : names) {
        const QFileInfo info(name);
        QVERIFY2(info.exists(), qPrintable(name));
        QCOMPARE(info.size(), 0);
    }
    QVERIFY(ui.Text1->text().isEmpty());
    QVERIFY(ui.Label8->text().isEmpty());
    QVERIFY(form.session().path().isEmpty());
    QVERIFY(form.exchange().isEmpty());
    QCOMPARE(form.session().qsoCount, qint16(0));
    QCOMPARE(form.windowTitle(), QStringLiteral("vantel - Contest mode"));
    QVERIFY(ui.Text7->isHidden() && ui.Text8->isHidden());
    QVERIFY(ui.Label9->isHidden() && ui.Label10->isHidden());
    QCOMPARE(ui.Label11->text(), QStringLiteral("F1 to save this QSO!"));
    QVERIFY(platform.calls.empty());
}

void TestStartup::defaultLogbook_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("exchange");
    QTest::newRow("empty, 599") << 0 << QByteArray("599") << "1" << "5991";
    QTest::newRow("12, no sent") << 12 << QByteArray() << "13" << "13";
    QTest::newRow("41, 599") << 41 << QByteArray("599") << "42" << "59942";
    QTest::newRow("32766") << 32766 << QByteArray("5NN") << "32767" << "5NN32767";
}

void TestStartup::defaultLogbook()
{
    QFETCH(int, records);
    QFETCH(QByteArray, sent);
    QFETCH(QString, text1);
    QFETCH(QString, exchange);
    const QString log = m_dir->path(QStringLiteral("contest.log"));
    QVERIFY(ts::writeFile(log, QByteArray(records * 85, ' ')));
    QVERIFY(ts::writeFile(QStringLiteral("deflog"), ts::setting(log.toLocal8Bit())));
    if (!sent.isEmpty())
        QVERIFY(ts::writeFile(QStringLiteral("sent"), ts::setting(sent)));
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QCOMPARE(ui.Text1->text(), text1);
    QCOMPARE(form.exchange(), exchange);
    QCOMPARE(ui.Label8->text(), log);
    QCOMPARE(int(form.session().qsoCount), records);
    QVERIFY(platform.calls.empty());
}

void TestStartup::unusableDefaultLogbook_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("missing folder") << QStringLiteral("gone/contest.log") << -1
                                    << QStringLiteral("no longer exists");
    QTest::newRow("vanished logbook") << QStringLiteral("moved.log") << -1
                                      << QStringLiteral("no longer exists");
    QTest::newRow("a directory") << QStringLiteral("adir") << -2
                                 << QStringLiteral("Is a directory");
    QTest::newRow("a FIFO") << QStringLiteral("pipe.log") << -3 << QStringLiteral("FIFO");
    QTest::newRow("a FIFO with a tab in its name")
            << QStringLiteral("p\t\nq.log") << -3 << QStringLiteral("p\\x09\\x0Aq.log");
    // A hand-edited name: its control characters must not break the message in two.
    QTest::newRow("control characters") << QStringLiteral("1\t\r\n4") << -1
                                        << QStringLiteral("The logbook 1\\x09\\x0D\\x0A4 no longer exists");
}

void TestStartup::unusableDefaultLogbook()
{
    QFETCH(QString, log);
    QFETCH(int, records);
    QFETCH(QString, mentions);
    if (records >= 0)
        QVERIFY(ts::writeFile(log, QByteArray(records * 85, ' ')));
    if (records == -2)
        QVERIFY(QDir().mkdir(log));
    if (records == -3)
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    const QByteArray deflog = ts::setting(log.toLocal8Bit());
    QVERIFY(ts::writeFile(QStringLiteral("deflog"), deflog));
    QVERIFY(ts::writeFile(QStringLiteral("band"), ts::setting("7")));

    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY2(platform.errors().first().contains(mentions), qPrintable(platform.errors().first()));
    QVERIFY(log.contains(QLatin1Char('\n')) || platform.errors().first().contains(log));
    // No logbook in use, but the rest of the load step ran.
    QVERIFY(form.session().path().isEmpty());
    QVERIFY(ui.Text1->text().isEmpty());
    QVERIFY(ui.Label8->text().isEmpty());
    QVERIFY(form.exchange().isEmpty());
    QCOMPARE(form.session().qsoCount, qint16(0));
    QCOMPARE(form.setting("band"), QStringLiteral("7"));
    QCOMPARE(form.windowTitle(), QStringLiteral("vantel - Contest mode"));
    QCOMPARE(ui.Combo1->count(), 9);
    QVERIFY(ui.Text7->isHidden());
    QCOMPARE(ts::readFile(QStringLiteral("deflog")), deflog);
    // A logbook that vanished is not made again, empty, in its place.
    if (records == -1)
        QVERIFY(!QFileInfo::exists(log));
    // And F1 then tells the operator instead of writing anywhere.
    form.sQSO();
    QCOMPARE(platform.errors().size(), 2);
    QVERIFY(platform.errors().last().contains(QStringLiteral("No logbook is open")));
}

void TestStartup::unreadableSettingIsReported()
{
    QVERIFY(QDir().mkdir(QStringLiteral("band")));
    QVERIFY(ts::writeFile(QStringLiteral("mode"), ts::setting("CW")));
    FakePlatform platform;
    Form1 form(platform);
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY(platform.errors().first().contains(QStringLiteral("\"band\"")));
    QVERIFY(form.setting("band").isEmpty());
    QCOMPARE(form.setting("mode"), QStringLiteral("CW"));
}

void TestStartup::listsAndBoxes()
{
    QVERIFY(ts::writeFile(QStringLiteral("band"), ts::setting("7")));
    QVERIFY(ts::writeFile(QStringLiteral("mode"), ts::setting("CW")));
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QStringList bands, modes;
    for (int i = 0; i < ui.Combo1->count(); ++i)
        bands << ui.Combo1->itemText(i);
    for (int i = 0; i < ui.Combo2->count(); ++i)
        modes << ui.Combo2->itemText(i);
    QCOMPARE(bands, QStringList({ "14", "1.8", "3.5", "7", "10", "18", "21", "24", "28" }));
    QCOMPARE(modes, QStringList({ "PSK31", "CW", "SSB", "RTTY", "SSTV", "PAKET", "AMTOR", "PACT",
                                  "GTOR" }));
    // Start-up only remembers the defaults; the boxes keep what they were built with
    // until the first fill.
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("14"));
    QCOMPARE(ui.Combo2->currentText(), QStringLiteral("PSK31"));
    QCOMPARE(form.setting("band"), QStringLiteral("7"));
    QCOMPARE(form.setting("mode"), QStringLiteral("CW"));
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("7"));
    QCOMPARE(ui.Combo2->currentText(), QStringLiteral("CW"));
}

void TestStartup::controlsLaidOut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels, 12 twips each
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Text1") << "Text1" << QRect(0, 20, 41, 24) << "" << false;
    QTest::newRow("Text2") << "Text2" << QRect(40, 20, 111, 24) << "" << false;
    QTest::newRow("Text3") << "Text3" << QRect(150, 20, 121, 24) << "" << false;
    QTest::newRow("Text4") << "Text4" << QRect(270, 20, 81, 24) << "" << false;
    QTest::newRow("Text5") << "Text5" << QRect(350, 20, 81, 24) << "" << false;
    QTest::newRow("Combo1") << "Combo1" << QRect(430, 20, 51, 26) << "" << false;
    QTest::newRow("Combo2") << "Combo2" << QRect(480, 20, 71, 26) << "" << false;
    QTest::newRow("Text7") << "Text7" << QRect(550, 20, 101, 24) << "" << false;
    QTest::newRow("Text8") << "Text8" << QRect(650, 20, 121, 24) << "" << false;
    QTest::newRow("Label1") << "Label1" << QRect(0, 0, 41, 21) << "No." << true;
    QTest::newRow("Label2") << "Label2" << QRect(40, 0, 111, 21) << "Call" << true;
    QTest::newRow("Label3") << "Label3" << QRect(150, 0, 121, 21) << "Date/Time (F5)" << true;
    QTest::newRow("Label4") << "Label4" << QRect(270, 0, 81, 21) << "Recv (F6)" << true;
    QTest::newRow("Label5") << "Label5" << QRect(350, 0, 81, 21) << "Sent (F7)" << true;
    QTest::newRow("Label6") << "Label6" << QRect(430, 0, 51, 21) << "Band" << true;
    QTest::newRow("Label12") << "Label12" << QRect(480, 0, 71, 21) << "Mode" << true;
    QTest::newRow("Label9") << "Label9" << QRect(550, 0, 101, 21) << "Name" << true;
    QTest::newRow("Label10") << "Label10" << QRect(650, 0, 121, 21) << "QTH" << true;
    QTest::newRow("Label7") << "Label7" << QRect(40, 50, 111, 21) << "" << true;
    QTest::newRow("Label8") << "Label8" << QRect(160, 50, 261, 21) << "" << false;
    QTest::newRow("Label11") << "Label11" << QRect(450, 50, 171, 21) << "F1 to save this QSO!"
                             << true;
}

void TestStartup::controlsLaidOut()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(bool, bold);
    FakePlatform platform;
    Form1 form(platform);
    auto *widget = form.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->font().bold(), bold);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), caption);
        const bool framed = label->frameShape() == QFrame::Box;
        QCOMPARE(framed, name != QLatin1String("Label8"));
        const bool centred = label->alignment() & Qt::AlignHCenter;
        QCOMPARE(centred, name != QLatin1String("Label8") && name != QLatin1String("Label11"));
    }
    QCOMPARE(form.centralWidget()->size(), QSize(790, 80));
}

void TestStartup::menuTree()
{
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QStringList bar;
    for (QAction *action : form.menuBar()->actions())
        bar << action->text();
    QCOMPARE(bar, QStringList({ "&File", "&Setup", "&Default...", "&Conversion...", "&About",
                                "&Tools" }));
    const auto items = [](QMenu *menu) {
        QStringList out;
        for (QAction *action : menu->actions())
            out << (action->isSeparator() ? QStringLiteral("-")
                                          : action->text()
                                                    + (action->isChecked() ? QStringLiteral("*")
                                                                           : QString()));
        return out;
    };
    QCOMPARE(items(ui.mnuFile),
             QStringList({ "&Open an existing log...", "&Create a logbook...", "&Import ADIF...", "-",
                           "E&xit" }));
    QCOMPARE(items(ui.mnuSetup), QStringList({ "Contest*", "&Real Time*", "Clear after saving*",
                                                 "-", "UTC offset", "&Station...", "Con&test rules...",
                                                 "Dupe per band and mode" }));
    QCOMPARE(items(ui.mnuDefault), QStringList({ "Mode", "Band", "Sent", "Recv" }));
    QVERIFY(!ui.mnuConvert->menu());
    QVERIFY(!ui.mnuAbout->menu());
    for (QAction *action : form.findChildren<QAction *>())
        QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->objectName()));
    // Every described control and menu item answers to its name, the separators too.
    QVERIFY(ui.complete());
    QVERIFY(ui.sap2->isSeparator() && ui.sep1->isSeparator());
}

void TestStartup::tabOrderSkipsHiddenFields()
{
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    ui.mnuReal->setChecked(false); // no fills: only the order counts here
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    ui.Text2->setFocus();
    QStringList visited;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited,
             QStringList({ "Text3", "Text4", "Text5", "Text1", "Combo1", "Combo2", "Text2" }));

    ui.mnuContest->trigger();
    ui.Text5->setFocus();
    QTest::keyClick(ui.Text5, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui.Text7);
    QTest::keyClick(ui.Text7, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui.Text8);
    QTest::keyClick(ui.Text8, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui.Text1);
}

void TestStartup::openingFocusIsCallSign()
{
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), ui.Text2);
}

void TestStartup::fullLogbookStaysInUse_data()
{
    QTest::addColumn<bool>("throughOpen");
    QTest::newRow("at start") << false;
    QTest::newRow("through Open") << true;
}

// 32767 contacts is full, not broken: everything but a save goes on.
void TestStartup::fullLogbookStaysInUse()
{
    QFETCH(bool, throughOpen);
    EntryFixture f(throughOpen ? 1 : 32767);
    const QString log = throughOpen ? f.dir.path(QStringLiteral("full.log")) : f.log;
    const QByteArray bytes = ts::records(32767);
    QVERIFY(ts::writeFile(log, bytes));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (throughOpen) {
        f.platform.fileAnswers.push_back(log);
        ui.mnuOpen->trigger();
    }
    QVERIFY2(f.platform.errors().isEmpty(), qPrintable(f.platform.errors().join(QLatin1Char('\n'))));
    QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 1);
    QVERIFY(f.platform.calls.back().text.contains(QStringLiteral("is full")));
    QCOMPARE(form.session().path(), log);
    QCOMPARE(form.session().qsoCount, qint16(32767));
    QVERIFY(ui.Text1->text().isEmpty());
    // The live mark and the duplicate check find the last contact.
    ui.typeCall(QStringLiteral("c32767"));
    QVERIFY(form.callIsDuplicate());
    ui.pressEnter();
    // Only the duplicate's box: the logbook's being full was told once already.
    QCOMPARE(f.platform.calls.back().text, QStringLiteral("Duplicate!!!"));
    QVERIFY(ui.Text1->text().isEmpty());
    // A save is refused and writes nothing.
    const size_t before = f.platform.calls.size();
    ui.logCall(QStringLiteral("NEW"));
    QCOMPARE(f.platform.calls.size(), before + 1);
    QVERIFY(f.platform.calls.back().text.contains(QStringLiteral("full")));
    QCOMPARE(ts::readFile(log), bytes);
    // The window's export writes every contact.
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("full.adi")));
    form.findChild<QAction *>("mnuExportAdif")->trigger();
    QVERIFY2(f.platform.calls.back().text.contains(QStringLiteral("32767 contacts skipped")), // no dates
             qPrintable(f.platform.calls.back().text));
}

void TestStartup::foreignFileRefused_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mentions");
    QByteArray adif = "ADIF export\r\n<ADIF_VER:5>3.1.4\r\n<EOH>\r\n";
    while (adif.size() < 41786)
        adif += "<CALL:6>DL1ABC <QSO_DATE:8>20240309 <TIME_ON:4>1842 <MODE:2>CW <EOR>\r\n";
    QTest::newRow("ADIF as the default logbook") << "start" << adif << "import";
    QTest::newRow("ADIF through Open") << "open" << adif << "import";
    QTest::newRow("ADIF through Create") << "create" << adif << "import";
    QTest::newRow("a listing through Open") << "open" << QByteArray("1  DL1ABC\r\r\n").repeated(20)
                                            << "line breaks";
    QTest::newRow("NULs at the end") << "start" << ts::records(2) + QByteArray(200, '\0') << "NUL bytes";
}

// A file that is no logbook is refused where it would be taken into use (Create would
// empty it), said what it looks like, and no F1 afterwards writes a byte into it.
void TestStartup::foreignFileRefused()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, bytes);
    const bool throughOpen = how != QLatin1String("start");
    QFETCH(QString, mentions);
    EntryFixture f(3);
    const QString path = throughOpen ? f.dir.path(QStringLiteral("other.adi")) : f.log;
    QVERIFY(ts::writeFile(path, bytes));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (throughOpen) {
        f.platform.fileAnswers.push_back(path);
        (how == QLatin1String("open") ? ui.mnuOpen : ui.mnuSave)->trigger();
    }
    QCOMPARE(f.platform.errors().size(), 1);
    QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 0); // no "delete its contacts?"
    const QString told = f.platform.errors().first();
    QVERIFY2(told.contains(QStringLiteral("Not a vantel logbook")) && told.contains(mentions), qPrintable(told));
    QCOMPARE(form.session().path(), throughOpen ? f.log : QString());
    ui.logCall(QStringLiteral("DL1XYZ"));
    QCOMPARE(ts::readFile(path), bytes);
    QVERIFY(!QFile::exists(path + QStringLiteral(".journal")));
}

void TestStartup::oddJournalPathToldOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a broken link") << "broken link";
    QTest::newRow("an older vantel's journal") << "old";
}

// What lies at the journal's path never keeps the logbook out: told once, at start, and
// the logbook is used; later changes of the logbook say nothing more.
void TestStartup::oddJournalPathToldOnce()
{
    QFETCH(QString, kind);
    EntryFixture f(3);
    const QString journal = f.log + QStringLiteral(".journal");
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(journal));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(journal).constData(), 0600), 0);
    else if (kind == QLatin1String("broken link"))
        QVERIFY(QFile::link(f.dir.path(QStringLiteral("gone")), journal));
    else
        QVERIFY(ts::writeFile(journal, ts::oldJournal(2, ts::record("2", "ANY"), ts::record("2", "C2"))));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(form.session().path(), f.log);
    QVERIFY(f.platform.errors().isEmpty());
    QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 1);
    QVERIFY(f.platform.calls.back().text.contains(journal));
    ui.logCall(QStringLiteral("DL1XYZ"));
    QFile append(f.log);
    QVERIFY(append.open(QIODevice::Append));
    append.write(ts::record("5", "OTHER"));
    append.close();
    QTest::qWait(700); // the watch looks every 300 ms
    QCOMPARE(f.platform.calls.size(), size_t(1));
    QCOMPARE(f.logBytes().size(), 5 * 85);
    QCOMPARE(f.logBytes().left(3 * 85), ts::records(3)); // the old journal "undid" nothing
    QCOMPARE(f.logBytes().mid(3 * 85, 9), QByteArray("4  DL1XYZ"));
    QCOMPARE(QFileInfo(journal).isSymLink() || QFileInfo(journal).exists(), true);
}

// Another station is half-way through a correction (its fsync is slow): this one starts
// with the logbook at once, says nothing, and undoes the correction only if that
// station stops without finishing.
void TestStartup::correctionUnderWayIsWaitedFor()
{
    EntryFixture f(3);
    const QByteArray old = ts::record("2", "C2");
    const QByteArray corrected = ts::record("2", "X2");
    const QByteArray torn = ts::records(1) + corrected.left(40) + old.mid(40) + ts::records(1, 3);
    const QString journal = f.log + QStringLiteral(".journal");
    QVERIFY(ts::writeFile(journal, ts::journal(f.log, 2, old, corrected)));
    QVERIFY(ts::writeFile(f.log, torn));
    auto other = storage::FileHandle::open(f.log, storage::FileHandle::Mode::Update);
    QVERIFY(other.ok() && other.value().lockExclusive().ok());
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(form.session().path(), f.log);
    QCOMPARE(ui.Text1->text(), QStringLiteral("4"));
    QVERIFY(f.platform.calls.empty());
    QCOMPARE(f.logBytes(), torn);
    QTest::qWait(700);
    QVERIFY(f.platform.calls.empty());
    // The other station is killed: its lock goes, the journal stays.
    other = storage::Result<storage::FileHandle>(storage::StorageError {});
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(journal), 3000);
    QCOMPARE(f.logBytes(), ts::records(3));
    QCOMPARE(f.platform.calls.size(), size_t(1));
    QVERIFY(f.platform.calls.back().text.contains(QStringLiteral("has been undone")));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
