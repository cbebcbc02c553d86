#include "EntryFixture.h"
#include "FaultSupport.h"
#include "storage/FileHandle.h"
#include "convert/Form2.h"
#include "formats/Export.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <random>

// Faults, bad input, crashes and the full size: no contact is ever lost or damaged.
class TestFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void logbookFaults_data();
    void logbookFaults();
    void unwritableWorkingFolder();
    void conversionOnFullDisk();
    void randomSettingsFiles();
    void randomLogbooks();
    void randomStartups();
    void killedWhileSaving();
    void fullSizeJourney();
};

void TestFaults::logbookFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder removed") << "folder removed";
    QTest::newRow("made read-only") << "made read-only";
    QTest::newRow("replaced by a directory") << "replaced by a directory";
    QTest::newRow("disk full") << "disk full";
}

void TestFaults::logbookFaults()
{
    QFETCH(QString, fault);
    EntryFixture f(0);
    QDir().mkdir(QStringLiteral("logs"));
    const QString log = f.dir.path(QStringLiteral("logs/a.log"));
    ts::writeFile(log, ts::records(5));
    ts::writeFile(QStringLiteral("deflog"), ts::setting(log.toLocal8Bit()));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QString text1 = ui.Text1->text();
    const QString exchange = form.exchange();
    const qint16 count = form.session().qsoCount;

    std::unique_ptr<Unwritable> readOnly;
    if (fault == QLatin1String("folder removed")) {
        QVERIFY(QDir(f.dir.path(QStringLiteral("logs"))).removeRecursively());
    } else if (fault == QLatin1String("made read-only")) {
        readOnly = std::make_unique<Unwritable>(log);
        if (!readOnly->effective())
            QSKIP("neither the immutable flag nor permissions can stop this user");
    } else if (fault == QLatin1String("replaced by a directory")) {
        QVERIFY(QFile::remove(log));
        QVERIFY(QDir().mkdir(log));
    }

    ui.typeCall("DL1ABC");
    ui.Text4->setText(QStringLiteral("579"));
    if (fault == QLatin1String("disk full"))
        storage::hooks::beforeCall = [](storage::hooks::Call call, qint64 *) {
            return call == storage::hooks::Call::Write ? ENOSPC : 0;
        };
    QTest::keyClick(ui.Text2, Qt::Key_F1);
    storage::hooks::beforeCall = nullptr;
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains(QStringLiteral("not saved")));
    QVERIFY(f.platform.errors().first().contains(log));
    QCOMPARE(form.session().qsoCount, count);
    QCOMPARE(ui.Text1->text(), text1);
    QCOMPARE(form.exchange(), exchange);
    QCOMPARE(ui.Text2->text(), QStringLiteral("DL1ABC"));
    QCOMPARE(ui.Text4->text(), QStringLiteral("579"));
    if (fault == QLatin1String("made read-only") || fault == QLatin1String("disk full"))
        QCOMPARE(ts::readFile(log), ts::records(5));

    // The look-up fails cleanly too (a read-only logbook can still be searched).
    ui.pressEnter();
    if (fault == QLatin1String("made read-only") || fault == QLatin1String("disk full")) {
        QCOMPARE(ui.Label7->text(), QStringLiteral("GOOD ONE!!!"));
    } else {
        QCOMPARE(f.platform.errors().size(), 2);
        QCOMPARE(ui.Text2->text(), QStringLiteral("DL1ABC"));
    }
}

void TestFaults::unwritableWorkingFolder()
{
    ts::WorkDir scratch;
    const QString log = scratch.path(QStringLiteral("a.log"));
    ts::writeFile(log, ts::records(2));
    // A folder where nothing can be created, root included.
    QVERIFY(QDir::setCurrent(QStringLiteral("/sys")));
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QCOMPARE(platform.errors().size(), 1); // one report for all six settings
    QVERIFY(platform.errors().first().contains(QStringLiteral("\"deflog\"")));

    for (const char *command : { "mnuUTC", "mnuMode", "mnuBand", "mnuSent", "mnuRecv" }) {
        platform.inputAnswers.push_back(QStringLiteral("5"));
        form.findChild<QAction *>(command)->trigger();
    }
    QCOMPARE(platform.errors().size(), 6);
    QVERIFY(platform.errors().last().contains(QStringLiteral("Permission denied")));
    QVERIFY(form.setting("utc_off").isEmpty() && form.setting("band").isEmpty() && form.setting("recv").isEmpty());
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("14"));

    platform.fileAnswers.push_back(log);
    ui.mnuOpen->trigger();
    platform.fileAnswers.push_back(log);
    ui.mnuSave->trigger();
    QCOMPARE(platform.count(QStringLiteral("messageBox")), 1); // Create asked before deleting
    platform.messageAnswers.clear();
    QCOMPARE(platform.errors().size(), 7); // Open reported; Create was answered No
    platform.fileAnswers.push_back(log);
    platform.messageAnswers.push_back(MsgBox::Yes);
    ui.mnuSave->trigger();
    QCOMPARE(platform.errors().size(), 8);
    QVERIFY(form.session().path().isEmpty());
    QCOMPARE(ts::readFile(log), ts::records(2)); // not emptied when it cannot be remembered
}

void TestFaults::conversionOnFullDisk()
{
    ts::WorkDir dir;
    ts::writeFile(QStringLiteral("src.log"), ts::records(3000));
    FakePlatform platform;
    Form2 form(platform);
    platform.fileAnswers.push_back(dir.path(QStringLiteral("src.log")));
    platform.fileAnswers.push_back(dir.path(QStringLiteral("out.txt")));
    form.Command1->click();
    form.Command2->click();
    form.Check1->setChecked(true);
    storage::hooks::beforeCall = [](storage::hooks::Call call, qint64 *) {
        return call == storage::hooks::Call::Write ? ENOSPC : 0;
    };
    form.Command3->click();
    storage::hooks::beforeCall = nullptr;
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY(platform.errors().first().contains(QStringLiteral("No space left on device")));
    QCOMPARE(ts::readFile(QStringLiteral("src.log")), ts::records(3000));
    // A device is no destination: refused, never written into.
    platform.fileAnswers.push_back(QStringLiteral("/dev/full"));
    form.Command2->click();
    form.Command3->click();
    QCOMPARE(platform.errors().size(), 2);
    QVERIFY(platform.errors().last().contains(QStringLiteral("Not a regular file")));
}

void TestFaults::randomSettingsFiles()
{
    ts::WorkDir dir;
    std::mt19937 random(20261207);
    for (int i = 0; i < 3000; ++i) {
        const int length = std::uniform_int_distribution<int>(0, 300)(random);
        QByteArray bytes(length, '\0');
        for (char &b : bytes)
            b = char(random() & 0xFF);
        if (i % 3 == 0 && length >= 4) { // a plausible header now and then
            bytes[0] = 8;
            bytes[1] = 0;
        }
        ts::writeFile(QStringLiteral("band"), bytes);
        const auto value = storage::readSetting(QStringLiteral("band"));
        QVERIFY(value.ok());
        QVERIFY(value.value().size() <= storage::MaxSettingLength);
        if (!value.value().isEmpty()) {
            // A value read back writes back to the same bytes.
            QVERIFY(storage::writeSetting(QStringLiteral("copy"), value.value()).ok());
            QCOMPARE(ts::readFile(QStringLiteral("copy")).mid(4, value.value().size()),
                     bytes.mid(4, value.value().size()));
        }
    }
}

void TestFaults::randomLogbooks()
{
    ts::WorkDir dir;
    std::mt19937 random(73);
    for (int i = 0; i < 400; ++i) {
        const int length = std::uniform_int_distribution<int>(0, 85 * 40)(random);
        QByteArray bytes(length, '\0');
        for (char &b : bytes)
            b = char(random() % 3 == 0 ? ' ' : random() & 0xFF);
        ts::writeFile(QStringLiteral("r.log"), bytes);
        QCOMPARE(storage::countWholeRecords(QStringLiteral("r.log")).value(), length / 85);
        storage::QsoRecord last;
        const QString key = length >= 18 ? QString::fromLatin1(bytes.mid(3, 15)).trimmed()
                                         : QStringLiteral("X");
        const auto found = storage::findCall(QStringLiteral("r.log"), key, last);
        QVERIFY(found.ok());
        QFile::remove(QStringLiteral("r.txt"));
        QVERIFY(formats::appendLogbook(formats::listingFormat(), QStringLiteral("r.log"),
                                       QStringLiteral("r.txt"), {})
                        .ok());
        QCOMPARE(QFile::exists(QStringLiteral("r.txt")), length >= 85);
        const QByteArray out = length >= 85 ? ts::readFile(QStringLiteral("r.txt")) : QByteArray();
        QCOMPARE(out.size(), (length / 85) * 88);
        for (int line = 0; line < length / 85; ++line)
            QCOMPARE(out.mid(line * 88 + 85, 3), QByteArray("\r\r\n"));
    }
}

void TestFaults::randomStartups()
{
    std::mt19937 random(1200);
    for (int i = 0; i < 60; ++i) {
        ts::WorkDir dir;
        for (const QString &name : Form1::settingFiles()) {
            if (name == QLatin1String("deflog"))
                continue;
            QByteArray bytes(std::uniform_int_distribution<int>(0, 40)(random), '\0');
            for (char &b : bytes)
                b = char(random() & 0xFF);
            ts::writeFile(name, bytes);
        }
        const int records = std::uniform_int_distribution<int>(0, 30)(random);
        // Whole records, then perhaps the start of the next one, cut anywhere.
        const QByteArray next = ts::pad(QByteArray::number(records + 1).constData(), 3) + QByteArray(82, 'x');
        ts::writeFile(QStringLiteral("r.log"), QByteArray(records * 85, 'x') + next.left(int(random() % 85)));
        ts::writeFile(QStringLiteral("deflog"), ts::setting("r.log"));
        FakePlatform platform;
        Form1 form(platform);
        const Form1Ui ui(form);
        QCOMPARE(ui.Text1->text(), QString::number(records + 1));
        QVERIFY(platform.errors().isEmpty());
        // The date fill either works or says once why not.
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(ui.Text2, Qt::Key_Tab);
        QTest::keyClick(ui.Text3, Qt::Key_F5);
        QVERIFY(platform.errors().size() <= 1);
        ui.Text2->setText(QStringLiteral("N%1").arg(i));
        QTest::keyClick(ui.Text3, Qt::Key_F1);
        QCOMPARE(form.session().qsoCount, qint16(records + 1));
    }
}

void TestFaults::killedWhileSaving()
{
    ts::WorkDir dir;
    const QString log = dir.path(QStringLiteral("crash.log"));
    ts::writeFile(log, QByteArray());
    ts::writeFile(QStringLiteral("deflog"), ts::setting(log.toLocal8Bit()));
    std::mt19937 random(4242);
    int saved = 0;
    for (int round = 0; round < 8; ++round) {
        QProcess child;
        child.start(QStringLiteral(VANTEL_CRASH_SAVER), { dir.root() });
        QVERIFY(child.waitForStarted(5000));
        QVERIFY(child.waitForReadyRead(10000));
        QTest::qWait(std::uniform_int_distribution<int>(0, 60)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("saved "))
                saved = line.mid(6).toInt();
        }
        const QByteArray bytes = ts::readFile(log);
        const int whole = int(bytes.size() / 85);
        // Every save that returned is there; at most the one in flight besides.
        QVERIFY2(whole >= saved && whole <= saved + 1,
                 qPrintable(QStringLiteral("%1 whole records, %2 saved").arg(whole).arg(saved)));
        for (int n = 1; n <= whole; ++n) {
            const QByteArray head = ts::pad(QByteArray::number(n).constData(), 3)
                    + ts::pad(("K" + QByteArray::number(n)).constData(), 15);
            if (bytes.mid((n - 1) * 85, 18) != head)
                QFAIL(qPrintable(QStringLiteral("record %1 damaged").arg(n)));
        }
        saved = whole;
    }
    // The next start counts what is there and saves after it.
    const int whole = int(QFileInfo(log).size() / 85);
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    QCOMPARE(ui.Text1->text(), QString::number(whole + 1));
    ui.Text2->setText(QStringLiteral("N1"));
    form.sQSO();
    QCOMPARE(QFileInfo(log).size(), qint64(whole + 1) * 85);
    QVERIFY(whole > 0);
}

void TestFaults::fullSizeJourney()
{
    EntryFixture f(32765);
    ts::writeFile(f.log, ts::records(32765) + ts::record("327", "LASTONE", "", "", "", "", "", "", "End"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(ui.Text1->text(), QStringLiteral("32767"));
    ui.typeCall("LASTONE");
    ui.pressEnter();
    QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 1);
    QCOMPARE(ui.Text8->text().trimmed(), QStringLiteral("End"));

    Form2 conversion(f.platform);
    f.platform.fileAnswers.push_back(f.log);
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("all.txt")));
    conversion.Command1->click();
    conversion.Command2->click();
    conversion.Command3->click();
    QCOMPARE(QFileInfo(f.dir.path(QStringLiteral("all.txt"))).size(), qint64(32766) * 88);

    ui.logCall(QStringLiteral("FINAL"));
    QCOMPARE(QFileInfo(f.log).size(), qint64(32767) * 85);
    QTest::keyClick(ui.Text2, Qt::Key_F1);
    QCOMPARE(QFileInfo(f.log).size(), qint64(32767) * 85);
    QCOMPARE(f.platform.errors().size(), 2);
    QVERIFY(f.platform.errors().last().contains(QStringLiteral("full")));

    // Full, it stays in use for everything but saving (tst_startup goes through it).
    FakePlatform platform;
    Form1 again(platform);
    QVERIFY(platform.errors().isEmpty());
    QCOMPARE(platform.count(QStringLiteral("messageBox")), 1);
    QVERIFY(platform.calls.back().text.contains(QStringLiteral("is full")));
    QCOMPARE(again.session().path(), f.log);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
