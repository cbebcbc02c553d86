#include "EntryFixture.h"
#include "mainwindow/StationDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <map>
#include <sys/stat.h>

// Open and Create, the Setup and Default commands, About and Exit.
class TestCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openExistingLogbook();
    void openNewName();
    void twoWindowsKeepTheirCounts_data();
    void twoWindowsKeepTheirCounts();
    void dialogSettingsAndLastName();
    void createOverExisting_data();
    void createOverExisting();
    void createWithSent();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void unrememberablePathChangesNothing();
    void valueCommands_data();
    void valueCommands();
    void valueCancelKeepsSetting();
    void valueRefused_data();
    void valueRefused();
    void utcOffsetChecked_data();
    void utcOffsetChecked();
    void sentRebuildsExchange();
    void contestTwiceKeepsNameAndQth();
    void halfTypedContactGoesIntoNewLogbook();
    void windowExports_data();
    void windowExports();
    void exportNeverOverwritesUnasked();
    void stationProfile();
    void clockHint_data();
    void clockHint();
    void aboutText();
    void exitAsks();
};

void TestCommands::openExistingLogbook()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QVERIFY(QDir().mkdir(QStringLiteral("logs")));
    const QString other = f.dir.path(QStringLiteral("logs/field day.log"));
    ts::writeFile(other, ts::records(20));
    f.platform.fileAnswers.push_back(other);
    ui.mnuOpen->trigger();
    // A long path gives way in the middle: the file name always shows, the whole path
    // in the tooltip.
    QVERIFY2(ui.Label8->text().endsWith(QStringLiteral("/field day.log")), qPrintable(ui.Label8->text()));
    QVERIFY(ui.Label8->fontMetrics().horizontalAdvance(ui.Label8->text())
            <= ui.Label8->contentsRect().width());
    QCOMPARE(ui.Label8->toolTip(), other);
    QCOMPARE(ui.Text1->text(), QStringLiteral("21"));
    QCOMPARE(form.exchange(), QStringLiteral("59921"));
    QCOMPARE(form.session().qsoCount, qint16(20));
    QCOMPARE(ts::readFile(QStringLiteral("deflog")), ts::setting(other.toLocal8Bit()));
    QVERIFY(f.platform.errors().isEmpty());

    FakePlatform again;
    Form1 restarted(again);
    const Form1Ui restartedUi(restarted);
    QCOMPARE(restarted.session().path(), other);
    QCOMPARE(restartedUi.Text1->text(), QStringLiteral("21"));
}

void TestCommands::twoWindowsKeepTheirCounts_data()
{
    QTest::addColumn<QString>("saves"); // which window saves next, in order
    QTest::newRow("first, then second") << "aaabbb";
    QTest::newRow("taking turns") << "ababab";
    QTest::newRow("second only") << "bbbb";
    QTest::newRow("second, then first") << "bbaab";
}

// Each window counts its own logbook: the second window's start and saves never move the
// number the first one saves at.
void TestCommands::twoWindowsKeepTheirCounts()
{
    QFETCH(QString, saves);
    EntryFixture f(3);
    Form1 &first = f.open();
    const QString other = f.dir.path(QStringLiteral("other.log"));
    ts::writeFile(other, ts::records(10));
    FakePlatform platform;
    Form1 second(platform);
    const Form1Ui secondUi(second);
    platform.fileAnswers.push_back(other);
    secondUi.mnuOpen->trigger();
    QCOMPARE(second.session().path(), other);

    std::map<Form1 *, std::pair<QString, int>> model { { &first, { f.log, 3 } },
                                                      { &second, { other, 10 } } };
    for (QChar which : saves) {
        Form1 &form = which == QLatin1Char('a') ? first : second;
        const Form1Ui ui(form);
        auto &[path, count] = model[&form];
        ui.Text2->setText(QStringLiteral("N%1").arg(count));
        form.sQSO();
        ++count;
        for (auto &[window, expected] : model) {
            QCOMPARE(window->session().qsoCount, qint16(expected.second));
            QCOMPARE(Form1Ui(*window).Text1->text(), QString::number(expected.second + 1));
            QCOMPARE(QFileInfo(expected.first).size(), qint64(expected.second) * 85);
        }
    }
    QVERIFY(f.platform.errors().isEmpty());
    QVERIFY(platform.errors().isEmpty());
}

void TestCommands::openNewName()
{
    EntryFixture f(5);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QString fresh = f.dir.path(QStringLiteral("fresh.log"));
    f.platform.fileAnswers.push_back(fresh);
    ui.mnuOpen->trigger();
    QVERIFY(QFile::exists(fresh));
    QCOMPARE(QFileInfo(fresh).size(), 0);
    QCOMPARE(ui.Text1->text(), QStringLiteral("1"));
}

void TestCommands::dialogSettingsAndLastName()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QString first = f.dir.path(QStringLiteral("one.log"));
    f.platform.fileAnswers.push_back(first);
    ui.mnuOpen->trigger();
    ui.mnuSave->trigger(); // cancelled
    const auto &open = f.platform.calls.at(0);
    QCOMPARE(open.kind, QStringLiteral("open"));
    QCOMPARE(open.request.title, QStringLiteral("Open an existing logbook"));
    QCOMPARE(open.request.filter,
             QStringLiteral("Log(*.log)|*.log|Text(*.txt)|*.txt|All files(*.*)|*.*"));
    QCOMPARE(open.request.defaultExt, QStringLiteral(".log"));
    QVERIFY(open.request.fileName.isEmpty());
    const auto &save = f.platform.calls.at(1);
    QCOMPARE(save.kind, QStringLiteral("save"));
    QCOMPARE(save.request.title, QStringLiteral("Create a new logbook"));
    QCOMPARE(save.request.fileName, first);
}

void TestCommands::createOverExisting_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("savedMeanwhile"); // another station saves while the box is up
    QTest::newRow("No keeps the file") << int(MsgBox::No) << false;
    QTest::newRow("Yes empties it") << int(MsgBox::Yes) << false;
    QTest::newRow("Yes to 20, but 21 by then") << int(MsgBox::Yes) << true;
}

void TestCommands::createOverExisting()
{
    QFETCH(int, answer);
    QFETCH(bool, savedMeanwhile);
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QString target = f.dir.path(QStringLiteral("old.log"));
    ts::writeFile(target, ts::records(20));
    if (savedMeanwhile)
        f.platform.whileBoxIsUp = [&] { ts::writeFile(target, ts::records(21)); };
    f.platform.fileAnswers.push_back(target);
    f.platform.messageAnswers.push_back(answer);
    ui.mnuSave->trigger();
    QCOMPARE(f.platform.count("messageBox"), 1);
    const auto &question = f.platform.calls.at(1);
    QVERIFY(question.text.contains("20 contacts"));
    QCOMPARE(question.style, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2);
    if (savedMeanwhile) {
        // Only what was confirmed may go: nothing is deleted, the operator is told.
        QCOMPARE(ts::readFile(target), ts::records(21));
        QCOMPARE(form.session().path(), f.log);
        QVERIFY(f.platform.errors().last().contains("21 contacts, not 20"));
    } else if (answer == MsgBox::No) {
        QCOMPARE(ts::readFile(target), ts::records(20));
        QCOMPARE(form.session().path(), f.log);
        QCOMPARE(ui.Text1->text(), QStringLiteral("4"));
        QCOMPARE(ts::readFile(QStringLiteral("deflog")), ts::setting(f.log.toLocal8Bit()));
    } else {
        QCOMPARE(QFileInfo(target).size(), 0);
        QCOMPARE(form.session().path(), target);
        QCOMPARE(ui.Text1->text(), QStringLiteral("1"));
        QCOMPARE(form.session().qsoCount, qint16(0));
    }
}

void TestCommands::createWithSent()
{
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("new.log")));
    ui.mnuSave->trigger();
    QCOMPARE(f.platform.count("messageBox"), 0); // nothing to lose: no question
    QCOMPARE(form.exchange(), QStringLiteral("5991"));
    QCOMPARE(ui.Text1->text(), QStringLiteral("1"));
}

void TestCommands::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("create");
    QTest::newRow("open") << false;
    QTest::newRow("create") << true;
}

void TestCommands::cancelChangesNothing()
{
    QFETCH(bool, create);
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QStringList before = QDir().entryList(QDir::Files);
    (create ? ui.mnuSave : ui.mnuOpen)->trigger();
    QCOMPARE(QDir().entryList(QDir::Files), before);
    QCOMPARE(form.session().path(), f.log);
    QCOMPARE(ui.Text1->text(), QStringLiteral("4"));
    QCOMPARE(f.platform.calls.size(), size_t(1)); // the dialog, no message
}

void TestCommands::failuresChangeNothing_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("open under a file") << false << "deflog/x.log" << "Not a directory";
    QTest::newRow("create under a file") << true << "deflog/x.log" << "Not a directory";
    QTest::newRow("open a folder") << false << "afolder" << "Is a directory";
    // Nothing waits for a reader of a FIFO, and no device is made a logbook.
    QTest::newRow("open a FIFO") << false << "pipe" << "FIFO";
    QTest::newRow("create on a FIFO") << true << "pipe" << "FIFO";
    QTest::newRow("create on a device") << true << "/dev/null" << "device";
    // "deflog" stores Windows-1252: the next start must find this very logbook.
    QTest::newRow("open, Polish name") << false << "\u0141\u00F3d\u017A.log" << "\u0141\u017A";
    QTest::newRow("create, Hungarian folder") << true << "Gy\u0151r/a.log" << "\u0151";
    QTest::newRow("create, Cyrillic") << true << "\u041C\u043E\u0441\u043A\u0432\u0430.log" << "\u041C";
    QTest::newRow("open, Greek") << false << "\u0391\u03B8\u03AE\u03BD\u03B1.log" << "\u0391";
}

void TestCommands::failuresChangeNothing()
{
    QFETCH(bool, create);
    QFETCH(QString, chosen);
    QFETCH(QString, mentions);
    EntryFixture f(3);
    QDir().mkdir(QStringLiteral("afolder"));
    QDir().mkdir(QStringLiteral("Gy\u0151r"));
    QCOMPARE(::mkfifo("pipe", 0600), 0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QByteArray deflog = ts::readFile(QStringLiteral("deflog"));
    const QStringList before = QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    f.platform.fileAnswers.push_back(chosen);
    (create ? ui.mnuSave : ui.mnuOpen)->trigger();
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY2(f.platform.errors().first().contains(mentions), qPrintable(f.platform.errors().first()));
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    QCOMPARE(QFileInfo(QStringLiteral("pipe")).isFile(), false);
    QCOMPARE(form.session().path(), f.log);
    QCOMPARE(ui.Label8->toolTip(), f.log);
    QCOMPARE(ui.Text1->text(), QStringLiteral("4"));
    QCOMPARE(form.session().qsoCount, qint16(3));
    QCOMPARE(ts::readFile(QStringLiteral("deflog")), deflog);
}

void TestCommands::unrememberablePathChangesNothing()
{
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QString longPath = f.dir.path(QString(125, QLatin1Char('a')));
    f.platform.fileAnswers.push_back(longPath);
    ui.mnuSave->trigger();
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains("124"));
    QVERIFY(!QFile::exists(longPath));
    QCOMPARE(form.session().path(), f.log);

    // The settings file itself cannot be written: the new logbook is not taken into use.
    QFile::remove(QStringLiteral("deflog"));
    QDir().mkdir(QStringLiteral("deflog"));
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("b.log")));
    ui.mnuOpen->trigger();
    QCOMPARE(f.platform.errors().size(), 2);
    QVERIFY(f.platform.errors().last().contains("Is a directory"));
    QCOMPARE(form.session().path(), f.log);
    QCOMPARE(form.session().qsoCount, qint16(3));
}

void TestCommands::valueCommands_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("list");
    QTest::newRow("UTC") << "mnuUTC" << "Enter your delay from UTC" << "Set UTC delay" << "utc_off"
                         << "";
    QTest::newRow("Mode") << "mnuMode" << "Enter default Mode" << "Mode" << "mode" << "Combo2";
    QTest::newRow("Band") << "mnuBand" << "Enter the default Band(MHz)" << "Band" << "band"
                          << "Combo1";
    QTest::newRow("Sent") << "mnuSent" << "Enter the default Sent report" << "Sent" << "sent" << "";
    QTest::newRow("Recv") << "mnuRecv" << "Enter the default Recv report" << "Recv" << "recv" << "";
}

void TestCommands::valueCommands()
{
    QFETCH(QString, item);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    QFETCH(QString, file);
    QFETCH(QString, list);
    ts::WorkDir dir;
    ts::writeFile(file, ts::setting("2") + QByteArray(30, 'z'));
    FakePlatform platform;
    Form1 form(platform);
    platform.inputAnswers.push_back(QStringLiteral(" 3 "));
    form.findChild<QAction *>(item)->trigger();
    QCOMPARE(platform.calls.size(), size_t(1));
    QCOMPARE(platform.calls[0].text.section(QLatin1Char('\n'), 0, 0), prompt);
    QCOMPARE(platform.calls[0].title, title);
    QCOMPARE(platform.calls[0].request.fileName, QStringLiteral("2")); // the current value offered
    QCOMPARE(ts::readFile(file), QByteArray("\x08\x00\x03\x00 3 ", 7) + QByteArray(28, 'z'));
    const QStringList others = QStringList({ "Combo1", "Combo2" });
    for (const QString &combo : others) {
        const QString shown = form.findChild<QComboBox *>(combo)->currentText();
        if (combo == list)
            QCOMPARE(shown, QStringLiteral(" 3 "));
        else
            QVERIFY(shown == QLatin1String("14") || shown == QLatin1String("PSK31"));
    }
    // OK on an empty field clears the setting.
    platform.inputAnswers.push_back(QString());
    form.findChild<QAction *>(item)->trigger();
    QCOMPARE(ts::readFile(file).left(4), QByteArray("\x08\x00\x00\x00", 4));
}

void TestCommands::valueCancelKeepsSetting()
{
    ts::WorkDir dir;
    ts::writeFile(QStringLiteral("band"), ts::setting("21"));
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    ui.Combo1->setEditText(QStringLiteral("7"));
    form.findChild<QAction *>("mnuBand")->trigger(); // no answer queued: Cancel
    QCOMPARE(form.setting("band"), QStringLiteral("21"));
    QCOMPARE(ts::readFile(QStringLiteral("band")), ts::setting("21"));
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("7"));
}

void TestCommands::valueRefused_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typed");
    // A default goes into a field as it stands: what does not fit would be cut silently.
    QTest::newRow("Recv of 125") << "mnuRecv" << "recv" << QString(125, QLatin1Char('9'));
    QTest::newRow("Mode of 8") << "mnuMode" << "mode" << "OLIVIA16";
    QTest::newRow("Band of 5") << "mnuBand" << "band" << "10.10";
    QTest::newRow("Sent of 9") << "mnuSent" << "sent" << "599599599";
    // Text a record cannot hold would come back as "?" after a restart.
    QTest::newRow("Polish mode") << "mnuMode" << "mode" << "X\u0141\u00D3D";
    QTest::newRow("Recv with a tab") << "mnuRecv" << "recv" << "59\t9";
    QTest::newRow("Band with a soft hyphen") << "mnuBand" << "band" << "1\u00AD4";
}

void TestCommands::valueRefused()
{
    QFETCH(QString, item);
    QFETCH(QString, file);
    QFETCH(QString, typed);
    ts::WorkDir dir;
    ts::writeFile(file, ts::setting("59"));
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    const QString shown = ui.Combo2->currentText() + ui.Combo1->currentText();
    platform.inputAnswers.push_back(typed);
    form.findChild<QAction *>(item)->trigger();
    QCOMPARE(platform.errors().size(), 1);
    QCOMPARE(ts::readFile(file), ts::setting("59"));
    QCOMPARE(ui.Combo2->currentText() + ui.Combo1->currentText(), shown);
    QCOMPARE(form.setting("recv") + form.setting("mode") + form.setting("band") + form.setting("sent"), QStringLiteral("59"));
}

void TestCommands::utcOffsetChecked_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("-24") << "-24" << true;
    QTest::newRow("24") << "24" << true;
    QTest::newRow("5.5") << "5.5" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("abc") << "abc" << false;
    QTest::newRow("25") << "25" << false;
    QTest::newRow("-24.5") << "-24.5" << false;
    QTest::newRow("2h") << "2h" << false;
    QTest::newRow("-5:30") << "-5:30" << true;
    QTest::newRow("5:75") << "5:75" << false;
    QTest::newRow("24:30") << "24:30" << false;
}

void TestCommands::utcOffsetChecked()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    ts::WorkDir dir;
    ts::writeFile(QStringLiteral("utc_off"), ts::setting("1"));
    FakePlatform platform;
    Form1 form(platform);
    platform.inputAnswers.push_back(typed);
    form.findChild<QAction *>("mnuUTC")->trigger();
    QCOMPARE(platform.errors().isEmpty(), accepted);
    QCOMPARE(form.setting("utc_off"), accepted ? typed : QStringLiteral("1"));
    const QByteArray expected = ts::setting(accepted ? typed.toLatin1() : QByteArray("1"));
    QCOMPARE(ts::readFile(QStringLiteral("utc_off")).left(expected.size()), expected);
}

void TestCommands::sentRebuildsExchange()
{
    EntryFixture f(6);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(form.exchange(), QStringLiteral("5997"));
    f.platform.inputAnswers.push_back(QStringLiteral("5NN"));
    form.findChild<QAction *>("mnuSent")->trigger();
    QCOMPARE(form.exchange(), QStringLiteral("5NN7"));
    ui.Text4->setFocus();
    QTest::keyClick(ui.Text4, Qt::Key_Tab);
    QCOMPARE(ui.Text5->text(), QStringLiteral("5NN7"));
    QCOMPARE(ui.Text5->cursorPosition(), 3);
}

void TestCommands::contestTwiceKeepsNameAndQth()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger();
    QVERIFY(!ui.mnuContest->isChecked());
    QCOMPARE(form.windowTitle(), QStringLiteral("vantel - QSO mode"));
    QVERIFY(ui.Text7->isVisible() && ui.Label10->isVisible());
    ui.Text7->setText(QStringLiteral("Anna"));
    ui.Text8->setText(QStringLiteral("Turku"));
    ui.mnuContest->trigger();
    QCOMPARE(form.windowTitle(), QStringLiteral("vantel - Contest mode"));
    QVERIFY(ui.Text7->isHidden() && ui.Text8->isHidden() && ui.Label9->isHidden());
    QCOMPARE(ui.Text7->text(), QStringLiteral("Anna"));
    ui.logCall(QStringLiteral("OH1AA"));
    QCOMPARE(f.logBytes().mid(60), QByteArray("Anna      Turku          "));
}

void TestCommands::halfTypedContactGoesIntoNewLogbook()
{
    // Open and Create change the logbook, not the contact on screen: F1 saves it into
    // the new logbook as typed, band and mode included.
    EntryFixture f(3, "599", "599", "7", "CW");
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger(); // QSO mode: name and QTH in use
    int n = 0;
    for (QAction *command : { ui.mnuOpen, ui.mnuSave }) {
        const QString log = f.dir.path(QStringLiteral("new%1.log").arg(++n));
        ui.typeCall("G4XYZ");
        QTest::keyClick(ui.Text2, Qt::Key_Tab);
        QTest::keyClicks(ui.Text3, "1");
        ui.Combo1->setFocus();
        ui.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(ui.Combo1, "28");
        ui.Combo2->setFocus();
        ui.Combo2->lineEdit()->selectAll();
        QTest::keyClicks(ui.Combo2, "SSB");
        ui.Text7->setFocus();
        QTest::keyClicks(ui.Text7, "Bob");
        f.platform.fileAnswers.push_back(log);
        command->trigger();
        QCOMPARE(ui.Combo1->currentText(), QStringLiteral("28"));
        QCOMPARE(ui.Combo2->currentText(), QStringLiteral("SSB"));
        QTest::keyClick(ui.Text7, Qt::Key_F1);
        QCOMPARE(ts::readFile(log), ts::record("1", "G4XYZ", "09.03.24 18:421", "", "599", "28",
                                               "SSB", "Bob"));
    }
    QVERIFY(f.platform.errors().isEmpty());
}

// The Cabrillo export's own dialog: the next scripted answer as the contest, then Enter.
static void answerCabrilloDialog(Form1 &form, FakePlatform &platform)
{
    QDialog *dialog = nullptr;
    for (QDialog *each : form.findChildren<QDialog *>(QStringLiteral("cabrilloExport")))
        dialog = each->isVisible() ? each : dialog; // an earlier one may wait to be deleted
    if (!dialog || platform.inputAnswers.empty())
        return;
    const std::optional<QString> contest = platform.inputAnswers.front();
    platform.inputAnswers.pop_front();
    auto *box = dialog->findChild<QComboBox *>(QStringLiteral("contest"));
    box->setEditText(contest.value_or(QString()));
    QTest::keyClick(box, Qt::Key_Return);
}

void TestCommands::windowExports_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("typed"); // input box answers, in turn
    QTest::addColumn<QString>("file"); // chosen in the save dialog
    QTest::addColumn<QByteArray>("written"); // empty: nothing may be written
    QTest::addColumn<QString>("told");
    const QByteArray adif = "ADIF export of test.log by vantel " VANTEL_VERSION "\n<ADIF_VER:5>3.1.4\n"
                            "<PROGRAMID:6>vantel\n<PROGRAMVERSION:5>" VANTEL_VERSION "\n"
                            "<CREATED_TIMESTAMP:15>20240309 184200\n<EOH>\n"
                            "<CALL:6>DL1ABC <QSO_DATE:8>20240309 <TIME_ON:4>1842 <BAND:3>20m <MODE:2>CW "
                            "<RST_SENT:3>599 <STX:1>1 <RST_RCVD:3>579 <COUNTRY:20>Fed. Rep. of Germany "
                            "<DXCC:3>230 <CQZ:2>14 <ITUZ:2>28 <CONT:2>EU <EOR>\n";
    QTest::newRow("ADIF") << "mnuExportAdif" << QStringList() << "out.adi" << adif
                          << "1 contact written to %1/out.adi.\n\n1 contact skipped:\nrecord 2 skipped";
    QTest::newRow("Cabrillo") << "mnuExportCabrillo" << QStringList { "dl0xx", "DARC-10M" } << "out.cbr"
                              << QByteArray("START-OF-LOG: 3.0\nCREATED-BY: vantel " VANTEL_VERSION "\n"
                                            "CALLSIGN: DL0XX\nCONTEST: DARC-10M\n"
                                            "QSO: 14000 CW 2024-03-09 1842 DL0XX         599 1      DL1ABC        579\n"
                                            "END-OF-LOG:\n")
                              << "1 contact written to";
    QTest::newRow("call with a space, then Cancel") << "mnuExportCabrillo" << QStringList { "DL0 XX" }
                                                    << "out.cbr" << QByteArray() << "";
    QTest::newRow("over the logbook itself") << "mnuExportAdif" << QStringList() << "test.log"
                                             << QByteArray() << "It is the logbook being exported";
    QTest::newRow("into a FIFO") << "mnuExportAdif" << QStringList() << "pipe" << QByteArray()
                                 << "is not a file";
}

void TestCommands::windowExports()
{
    QFETCH(QString, command);
    QFETCH(QStringList, typed);
    QFETCH(QString, file);
    QFETCH(QByteArray, written);
    QFETCH(QString, told);
    EntryFixture f(0);
    const QByteArray logbook = ts::record("1", "DL1ABC", "09.03.24 18:42", "579", "5991", "14", "CW")
            + ts::record("2", "K1A", "no date");
    ts::writeFile(f.log, logbook);
    QCOMPARE(::mkfifo("pipe", 0600), 0);
    f.platform.clock = QDateTime(QDate(2024, 3, 9), QTime(18, 42), Qt::UTC);
    Form1 &form = f.open();
    for (const QString &answer : typed)
        f.platform.inputAnswers.push_back(answer);
    f.platform.fileAnswers.push_back(f.dir.path(file));
    form.findChild<QAction *>(command)->trigger();
    answerCabrilloDialog(form, f.platform);
    QCOMPARE(f.logBytes(), logbook);
    if (!written.isEmpty())
        QCOMPARE(ts::readFile(file), written);
    else if (file != QLatin1String("test.log"))
        QVERIFY(!QFileInfo(file).isFile());
    const QString last = f.platform.calls.back().text;
    QVERIFY2(told.isEmpty() || last.startsWith(told.contains(QLatin1String("%1")) ? told.arg(f.dir.root()) : told)
                     || last.contains(told),
             qPrintable(last));
}

void TestCommands::exportNeverOverwritesUnasked()
{
    EntryFixture f(1);
    Form1 &form = f.open();
    // Each format offers the logbook's name with its own extension.
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("out.adi")));
    form.findChild<QAction *>("mnuExportAdif")->trigger();
    QCOMPARE(f.platform.calls.at(0).request.fileName, f.dir.path(QStringLiteral("test.adi")));
    const QByteArray adif = ts::readFile("out.adi");
    QVERIFY(adif.contains("<EOH>"));
    for (const int answer : { MsgBox::No, MsgBox::Yes }) {
        f.platform.calls.clear();
        // The call is asked once and then kept in the station profile; the contest each time.
        const bool known = QFile::exists("vantel.ini");
        using Answers = std::deque<std::optional<QString>>;
        f.platform.inputAnswers = known ? Answers { QStringLiteral("TEST") }
                                        : Answers { QStringLiteral("dl0xx"), QStringLiteral("TEST") };
        f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("out.adi")));
        f.platform.messageAnswers.push_back(answer);
        form.findChild<QAction *>("mnuExportCabrillo")->trigger();
        answerCabrilloDialog(form, f.platform);
        const std::size_t boxes = known ? 0 : 1;
        QCOMPARE(ts::readFile("vantel.ini"), "[station]\ncall=DL0XX\n");
        QCOMPARE(f.platform.calls.at(boxes).request.fileName, f.dir.path(QStringLiteral("test.cbr")));
        // An existing file is replaced only when the operator says so; Enter says No.
        const FakePlatform::Call &asked = f.platform.calls.at(boxes + 1);
        QVERIFY2(asked.text.startsWith(f.dir.path(QStringLiteral("out.adi")) + " already exists."),
                 qPrintable(asked.text));
        QCOMPARE(asked.style & MsgBox::DefaultButton2, MsgBox::DefaultButton2);
        if (answer == MsgBox::No)
            QCOMPARE(ts::readFile("out.adi"), adif);
        else
            QVERIFY(ts::readFile("out.adi").startsWith("START-OF-LOG: 3.0\n"));
    }
    // An export put elsewhere does not move the next one away from the logbook.
    QVERIFY(QDir().mkdir(QStringLiteral("elsewhere")));
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("elsewhere/x.adi")));
    form.findChild<QAction *>("mnuExportAdif")->trigger();
    QVERIFY(QFileInfo::exists(QStringLiteral("elsewhere/x.adi")));
    f.platform.calls.clear();
    form.findChild<QAction *>("mnuExportAdif")->trigger(); // Cancel
    QCOMPARE(f.platform.calls.at(0).request.fileName, f.dir.path(QStringLiteral("test.adi")));
}

// Setup → Station...: only values the exports can write are kept, in vantel.ini, and the
// Cabrillo export then asks for no call.
void TestCommands::stationProfile()
{
    EntryFixture f(0);
    ts::writeFile(f.log, ts::record("1", "DL1ABC", "09.03.24 18:42", "579", "599", "144", "FM"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuStation->trigger();
    auto *dialog = form.findChild<StationDialog *>("Station");
    QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
    QTest::keyClicks(dialog->findChild<QLineEdit *>("stationCall"), "dl0xx");
    QTest::keyClicks(dialog->findChild<QLineEdit *>("stationGrid"), "JS62");
    dialog->findChild<QComboBox *>("category-mode")->setCurrentText("FM");
    auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLabel *>("stationProblem")->text(),
             "The locator \"JS62\" is no Maidenhead locator of 4, 6 or 8 characters.");
    QVERIFY(!QFile::exists("vantel.ini"));
    dialog->findChild<QLineEdit *>("stationGrid")->setText("jo62qm");
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(!form.findChild<StationDialog *>("Station"));
    QCOMPARE(ts::readFile("vantel.ini"), "[station]\ncall=DL0XX\ncategory-mode=FM\ngrid=jo62qm\n");

    f.platform.inputAnswers = { QStringLiteral("") };
    f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("out.cbr")));
    form.findChild<QAction *>("mnuExportCabrillo")->trigger();
    answerCabrilloDialog(form, f.platform);
    QCOMPARE(ts::readFile("out.cbr"), "START-OF-LOG: 3.0\nCREATED-BY: vantel " VANTEL_VERSION "\nCALLSIGN: DL0XX\n"
                                      "CATEGORY-MODE: FM\nGRID-LOCATOR: JO62qm\n"
                                      "QSO:   144 FM 2024-03-09 1842 DL0XX         599        DL1ABC        579\n"
                                      "END-OF-LOG:\n");
}

void TestCommands::clockHint_data()
{
    QTest::addColumn<int>("offset"); // seconds the clock is ahead of UTC
    QTest::addColumn<QString>("hint");
    QTest::newRow("UTC") << 0 << "This computer's clock is at UTC: enter 0 to log in UTC";
    QTest::newRow("CET") << 3600 << "This computer's clock is at UTC+1:00: enter -1 to log in UTC";
    QTest::newRow("EST") << -18000 << "This computer's clock is at UTC-5:00: enter 5 to log in UTC";
    QTest::newRow("India") << 19800 << "This computer's clock is at UTC+5:30: enter -5.5 to log in UTC";
    QTest::newRow("Newfoundland") << -12600 << "This computer's clock is at UTC-3:30: enter 3.5 to log in UTC";
}

void TestCommands::clockHint()
{
    QFETCH(int, offset);
    QFETCH(QString, hint);
    ts::WorkDir dir;
    FakePlatform platform;
    platform.clock = QDateTime(QDate(2024, 3, 9), QTime(18, 42), Qt::OffsetFromUTC, offset);
    Form1 form(platform);
    form.findChild<QAction *>("mnuUTC")->trigger();
    QCOMPARE(platform.calls.back().text, QStringLiteral("Enter your delay from UTC\n") + hint);
    // And the hinted value is taken and logs in UTC.
    platform.inputAnswers.push_back(hint.section(QStringLiteral("enter "), 1).section(QLatin1Char(' '), 0, 0));
    form.findChild<QAction *>("mnuUTC")->trigger();
    QCOMPARE(platform.errors(), QStringList());
}

void TestCommands::aboutText()
{
    ts::WorkDir dir;
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    ui.mnuAbout->trigger();
    ui.mnuAbout->trigger();
    QCOMPARE(platform.count("messageBox"), 2);
    const auto &box = platform.calls.at(0);
    QCOMPARE(box.title, QStringLiteral("About"));
    QCOMPARE(box.style, 0);
    QCOMPARE(box.text, platform.calls.at(1).text);
    const QStringList lines = box.text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("vantel " VANTEL_VERSION));
    QVERIFY(lines[1].startsWith(QLatin1Char('\r')));
    QVERIFY(!box.text.endsWith(QLatin1Char('\n')));
    QCOMPARE(box.text.count(QLatin1Char('\r')), 4);
    // No address that is not ours.
    QVERIFY(!box.text.contains(QStringLiteral("://")) && !box.text.contains(QStringLiteral("www.")));
    QCOMPARE(box.text.count(QLatin1Char('\n')), 3);
}

void TestCommands::exitAsks()
{
    EntryFixture f(2);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text2->setText(QStringLiteral("unsaved"));
    f.platform.messageAnswers.push_back(MsgBox::No);
    ui.mnuExit->trigger();
    const auto &box = f.platform.calls.at(0);
    QCOMPARE(box.text, QStringLiteral("Do you really want to quit?"));
    QCOMPARE(box.title, QStringLiteral("Exit"));
    QCOMPARE(box.style, MsgBox::YesNo);
    QVERIFY(form.isVisible());
    QCOMPARE(ui.Text2->text(), QStringLiteral("unsaved"));

    f.platform.messageAnswers.push_back(MsgBox::Yes);
    ui.mnuExit->trigger();
    QVERIFY(!form.isVisible());
    QCOMPARE(f.logBytes().size(), 2 * 85); // nothing saved on the way out
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
