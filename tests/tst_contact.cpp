#include "EntryFixture.h"
#include "storage/FileHandle.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

// Saving a contact and the duplicate check, driven with real keys.
class TestContact : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roadOfOneContact();
    void clearAfterSaving_data();
    void clearAfterSaving();
    void editedNumberGoesIntoRecordAtCount();
    void f1FromEveryControl_data();
    void f1FromEveryControl();
    void lastPlaceInLogbook();
    void noLogbookOpenKeepsFields_data();
    void noLogbookOpenKeepsFields();
    void failedWriteChangesNothing();
    void logbookChangedBehindOurBack_data();
    void logbookChangedBehindOurBack();
    void noCallSignNoContact_data();
    void noCallSignNoContact();
    void liveDuplicateMark();
    void duplicate_data();
    void duplicate();
    void saveAfterDuplicate_data();
    void saveAfterDuplicate();
    void search_data();
    void search();
    void copyCallSign();
};

void TestContact::roadOfOneContact()
{
    EntryFixture f(12);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(f.focus(), ui.Text2);
    ui.typeCall("DL1ABC");
    ui.pressEnter();
    QCOMPARE(ui.Label7->text(), QStringLiteral("GOOD ONE!!!"));
    QTest::keyClick(f.focus(), Qt::Key_Tab);
    QTest::keyClick(f.focus(), Qt::Key_Tab);
    QTest::keyClick(f.focus(), Qt::Key_Tab);
    QCOMPARE(f.focus(), ui.Text5);
    QTest::keyClick(f.focus(), Qt::Key_F1);

    const QByteArray expected = "13 DL1ABC         09.03.24 18:42 599     59913   14  PSK31  "
                                "                         ";
    QCOMPARE(expected.size(), 85);
    QCOMPARE(f.logBytes().size(), 13 * 85);
    QCOMPARE(f.logBytes().mid(12 * 85), expected);
    QCOMPARE(f.logBytes().left(12 * 85), ts::records(12));
    QCOMPARE(ui.Text1->text(), QStringLiteral("14"));
    QCOMPARE(form.exchange(), QStringLiteral("59914"));
    for (QLineEdit *field : { ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text7, ui.Text8 })
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("14"));
    QCOMPARE(ui.Combo2->currentText(), QStringLiteral("PSK31"));
    QVERIFY(ui.Label7->text().isEmpty());
    QCOMPARE(f.focus(), ui.Text2);
    QVERIFY(f.platform.calls.empty());
}

void TestContact::clearAfterSaving_data()
{
    QTest::addColumn<bool>("clear");
    QTest::newRow("ticked") << true;
    QTest::newRow("not ticked") << false;
}

void TestContact::clearAfterSaving()
{
    QFETCH(bool, clear);
    EntryFixture f(0, "599", "599", "7", "CW");
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (!clear)
        ui.mnuClear->trigger();
    ui.mnuContest->trigger(); // QSO mode: name and QTH in use
    ui.Text8->setFocus();
    ui.Text2->setText(QStringLiteral("G4XYZ"));
    ui.Text3->setText(QStringLiteral("01.02.03 04:05"));
    ui.Text4->setText(QStringLiteral("579"));
    ui.Text5->setText(QStringLiteral("589"));
    ui.Combo1->setEditText(QStringLiteral("21"));
    ui.Combo2->setEditText(QStringLiteral("RTTY"));
    ui.Text7->setText(QStringLiteral("Bob"));
    ui.Text8->setText(QStringLiteral("Leeds"));
    QTest::keyClick(ui.Text8, Qt::Key_F1);

    QCOMPARE(f.logBytes(), QByteArray("1  G4XYZ          01.02.03 04:05 579     589     21  RTTY   "
                                      "Bob       Leeds          "));
    QCOMPARE(ui.Text1->text(), QStringLiteral("2"));
    QCOMPARE(form.session().qsoCount, qint16(1));
    if (clear) {
        QVERIFY(ui.Text2->text().isEmpty() && ui.Text8->text().isEmpty());
        QCOMPARE(ui.Combo1->currentText(), QStringLiteral("7"));
        QCOMPARE(ui.Combo2->currentText(), QStringLiteral("CW"));
        QCOMPARE(f.focus(), ui.Text2);
    } else {
        QCOMPARE(ui.Text2->text(), QStringLiteral("G4XYZ"));
        QCOMPARE(ui.Text7->text(), QStringLiteral("Bob"));
        QCOMPARE(ui.Combo1->currentText(), QStringLiteral("21"));
        QCOMPARE(f.focus(), ui.Text8);
    }
}

void TestContact::editedNumberGoesIntoRecordAtCount()
{
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text1->setText(QStringLiteral("50"));
    ui.logCall(QStringLiteral("DL1ABC"));
    QCOMPARE(f.logBytes().size(), 4 * 85);
    QCOMPARE(f.logBytes().mid(3 * 85, 18), QByteArray("50 DL1ABC         "));
    QCOMPARE(ui.Text1->text(), QStringLiteral("5"));
}

void TestContact::f1FromEveryControl_data()
{
    QTest::addColumn<QString>("control");
    for (const char *name : { "Text1", "Text2", "Text3", "Text4", "Text5", "Combo1", "Combo2" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestContact::f1FromEveryControl()
{
    QFETCH(QString, control);
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    auto *widget = form.findChild<QWidget *>(control);
    ui.Text2->setText(QStringLiteral("DL1ABC"));
    widget->setFocus();
    // The key goes where the keyboard sends it (for a list, maybe its inner text box).
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(f.logBytes().size(), 85);
    QCOMPARE(form.session().qsoCount, qint16(1));
}

void TestContact::lastPlaceInLogbook()
{
    EntryFixture f(32766);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(ui.Text1->text(), QStringLiteral("32767"));
    ui.logCall(QStringLiteral("LAST1"));
    QCOMPARE(f.logBytes().size(), 32767 * 85);
    QCOMPARE(f.logBytes().mid(32766 * 85, 8), QByteArray("327LAST1"));
    QCOMPARE(form.session().qsoCount, qint16(32767));
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains("Contact 32767 was saved"));

    QTest::keyClick(ui.Text2, Qt::Key_F1);
    QCOMPARE(f.platform.errors().size(), 2);
    QVERIFY(f.platform.errors().last().contains("not saved"));
    QCOMPARE(f.logBytes().size(), 32767 * 85);
}

void TestContact::noLogbookOpenKeepsFields_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("F1") << int(Qt::Key_F1);
    QTest::newRow("Enter") << int(Qt::Key_Return);
}

void TestContact::noLogbookOpenKeepsFields()
{
    QFETCH(int, key);
    ts::WorkDir dir;
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    ui.typeCall("DL1ABC");
    ui.Text4->setText(QStringLiteral("579"));
    QTest::keyClick(ui.Text2, Qt::Key(key));
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY(platform.errors().first().contains("No logbook is open"));
    QCOMPARE(ui.Text2->text(), QStringLiteral("DL1ABC"));
    QCOMPARE(ui.Text4->text(), QStringLiteral("579"));
    QVERIFY(ui.Label7->text().isEmpty());
    QCOMPARE(form.session().qsoCount, qint16(0));
    QCOMPARE(QDir().entryList(QDir::Files).size(), 6); // the settings and nothing else
}

void TestContact::failedWriteChangesNothing()
{
    // The disk fills up at the write: the file keeps its bytes, the window its state.
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    storage::hooks::beforeCall = [](storage::hooks::Call call, qint64 *) {
        return call == storage::hooks::Call::Write ? ENOSPC : 0;
    };
    ui.Text2->setText(QStringLiteral("DL1ABC"));
    form.sQSO();
    storage::hooks::beforeCall = nullptr;
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains("not saved"));
    QVERIFY(f.platform.errors().first().contains("No space left on device"));
    QCOMPARE(f.logBytes(), QByteArray());
    QCOMPARE(form.session().qsoCount, qint16(0));
    QCOMPARE(ui.Text1->text(), QStringLiteral("1"));
    QCOMPARE(form.exchange(), QStringLiteral("5991"));
    QCOMPARE(ui.Text2->text(), QStringLiteral("DL1ABC"));
}

void TestContact::logbookChangedBehindOurBack_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QByteArray>("after"); // the file as the other program left it
    QTest::newRow("grown") << "write" << ts::records(4) + QByteArray("5  PARTIAL");
    // Shorter than counted: the save would leave a zero-filled gap before the record.
    QTest::newRow("shrunk") << "write" << ts::records(2);
    QTest::newRow("emptied by another Create") << "write" << QByteArray();
    QTest::newRow("moved away") << "remove" << QByteArray("<missing>");
}

void TestContact::logbookChangedBehindOurBack()
{
    QFETCH(QString, change);
    QFETCH(QByteArray, after);
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (change == QLatin1String("remove"))
        QVERIFY(QFile::remove(f.log));
    else
        ts::writeFile(f.log, after);
    ui.Text2->setText(QStringLiteral("MINE"));
    ui.pressEnter(); // the look-up makes no file either
    QTest::keyClick(ui.Text2, Qt::Key_F1);
    QCOMPARE(f.logBytes(), after);
    QCOMPARE(form.session().qsoCount, qint16(3));
    QCOMPARE(ui.Text1->text(), QStringLiteral("4"));
    QCOMPARE(ui.Text2->text(), QStringLiteral("MINE"));
    QVERIFY(f.platform.errors().last().contains("not saved"));
    if (change == QLatin1String("write"))
        QVERIFY(f.platform.errors().last().contains("Open the logbook again"));
    // Opened again, the logbook is counted anew and the save lands after its last record.
    f.platform.fileAnswers.push_back(f.log);
    ui.mnuOpen->trigger();
    QTest::keyClick(ui.Text2, Qt::Key_F1);
    const QByteArray now = f.logBytes();
    QCOMPARE(now.size() % 85, 0);
    QCOMPARE(now.right(85).left(18), ts::pad(QByteArray::number(now.size() / 85).constData(), 3) + ts::pad("MINE", 15));
}

void TestContact::noCallSignNoContact_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QStringLiteral("   ");
}

void TestContact::noCallSignNoContact()
{
    QFETCH(QString, call);
    EntryFixture f(2);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text2->setText(call);
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QTest::keyClick(ui.Text3, Qt::Key_Tab);
    QTest::keyClick(ui.Text4, Qt::Key_Tab);
    QTest::keyClick(ui.Text5, Qt::Key_F1);
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains("call sign"));
    QCOMPARE(f.logBytes(), ts::records(2));
    QCOMPARE(ui.Text1->text(), QStringLiteral("3"));
    QCOMPARE(ui.Text3->text(), QStringLiteral("09.03.24 18:42"));
    // A duplicate logged on purpose: type the call again, where the box said.
    QCOMPARE(f.focus(), ui.Text2);
    ui.Text2->clear();
    QTest::keyClicks(f.focus(), QStringLiteral("C1"));
    QCOMPARE(ui.Text2->text(), QStringLiteral("C1"));
    QCOMPARE(ui.Text5->text(), QStringLiteral("5993"));
    QTest::keyClick(f.focus(), Qt::Key_F1);
    QCOMPARE(f.logBytes().size(), 3 * 85);
}

void TestContact::liveDuplicateMark()
{
    EntryFixture f(0);
    ts::writeFile(f.log, ts::record("1", "DL1ABC", "", "", "", "", "", "", "Berlin"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuClear->trigger(); // the saved call stays in the field
    const auto marked = [&] { return form.callIsDuplicate(); };
    ui.typeCall(QStringLiteral("dl1ab"));
    QVERIFY(!marked());
    QTest::keyClick(ui.Text2, Qt::Key_C);
    QVERIFY(marked()); // case ignored
    QVERIFY(ui.Text2->accessibleDescription().contains("contact 1"));
    QTest::keyClick(ui.Text2, Qt::Key_Backspace);
    QVERIFY(!marked());
    // After a save the call just logged is in the logbook.
    ui.typeCall(QStringLiteral("G4XYZ"));
    QVERIFY(!marked());
    QTest::keyClick(ui.Text2, Qt::Key_F1);
    QTRY_VERIFY(marked());
    // Another program adds a contact: the mark follows within a second.
    ui.Text2->setText(QStringLiteral("OK1ZZ"));
    QVERIFY(!marked());
    ts::writeFile(f.log, f.logBytes() + ts::record("3", "OK1ZZ"));
    QTRY_VERIFY_WITH_TIMEOUT(marked(), 1000);
    // Another logbook in use: the mark is about that one.
    const QString other = f.dir.path(QStringLiteral("other.log"));
    ts::writeFile(other, ts::record("1", "K1ABC"));
    f.platform.fileAnswers.push_back(other);
    ui.mnuOpen->trigger();
    QTRY_VERIFY(!marked());
    // Enter is unchanged by the mark, and the status label keeps its own texts.
    ui.pressEnter();
    QCOMPARE(ui.Label7->text(), QStringLiteral("GOOD ONE!!!"));
}

void TestContact::duplicate_data()
{
    QTest::addColumn<bool>("contest");
    QTest::newRow("contest mode") << true;
    QTest::newRow("QSO mode") << false;
}

void TestContact::duplicate()
{
    QFETCH(bool, contest);
    EntryFixture f(0, "599", "599", "7", "CW");
    ts::writeFile(f.log, ts::records(2)
                          + ts::record("3", "  OK1XY ", "12.05.23 10:01", "579", "59903", "14",
                                       "PSK31", "Jan", "Praha")
                          + ts::records(2, 4));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (!contest)
        ui.mnuContest->trigger();
    QStringList during;
    f.platform.whileBoxIsUp = [&] {
        during << ui.Text1->text() << ui.Text2->text() << ui.Text3->text()
               << ui.Text4->text() << ui.Text5->text() << ui.Combo1->currentText()
               << ui.Combo2->currentText() << ui.Text7->text() << ui.Text8->text()
               << ui.Label7->text();
    };
    ui.Label7->setText(QStringLiteral("GOOD ONE!!!"));
    ui.typeCall("OK1XY");
    ui.pressEnter();

    QCOMPARE(f.platform.count("messageBox"), 1);
    QCOMPARE(f.platform.calls.front().text, QStringLiteral("Duplicate!!!"));
    QCOMPARE(f.platform.calls.front().title, QStringLiteral("vantel"));
    QCOMPARE(f.platform.calls.front().style, 0);
    QCOMPARE(during, QStringList({ "3  ", "OK1XY", "12.05.23 10:01 ", "579     ", "59903   ",
                                   "14  ", "PSK31  ", "Jan       ", "Praha          ", "" }));
    QCOMPARE(ui.Text1->text(), QStringLiteral("6"));
    QCOMPARE(ui.Text2->text(), contest ? QString() : QStringLiteral("OK1XY"));
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("7"));
    QCOMPARE(ui.Combo2->currentText(), QStringLiteral("CW"));
    QCOMPARE(ui.Text3->text(), QStringLiteral("12.05.23 10:01 "));
    QCOMPARE(ui.Text8->text(), QStringLiteral("Praha          "));
    QCOMPARE(f.focus(), ui.Text2);
    QCOMPARE(f.logBytes().size(), 5 * 85); // a look-up never writes
}

void TestContact::saveAfterDuplicate_data()
{
    QTest::addColumn<bool>("contest");
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<QByteArray>("typedRecv"); // typed over the received report; empty: none
    QTest::addColumn<QByteArray>("saved");
    // The earlier contact was on 12.05.23 10:01, 579 received, 59903 sent.
    QTest::newRow("contest: this contact's time and exchange")
            << true << true << QByteArray()
            << ts::record("6", "OK1XY", "09.03.24 18:42", "599", "5996", "7", "CW", "Jan", "Praha");
    QTest::newRow("QSO mode: this contact's time and reports")
            << false << true << QByteArray()
            << ts::record("6", "OK1XY", "09.03.24 18:42", "599", "599", "7", "CW", "Jan", "Praha");
    QTest::newRow("a report typed is kept")
            << false << true << QByteArray("579")
            << ts::record("6", "OK1XY", "09.03.24 18:42", "579", "599", "7", "CW", "Jan", "Praha");
    QTest::newRow("Real Time off: saved as shown")
            << false << false << QByteArray()
            << ts::record("6", "OK1XY", "12.05.23 10:01", "579", "59903", "7", "CW", "Jan", "Praha");
}

void TestContact::saveAfterDuplicate()
{
    QFETCH(bool, contest);
    QFETCH(bool, realTime);
    QFETCH(QByteArray, typedRecv);
    QFETCH(QByteArray, saved);
    EntryFixture f(0, "599", "599", "7", "CW");
    ts::writeFile(f.log, ts::records(2)
                          + ts::record("3", "  OK1XY ", "12.05.23 10:01", "579", "59903", "14",
                                       "PSK31", "Jan", "Praha")
                          + ts::records(2, 4));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (!contest)
        ui.mnuContest->trigger();
    if (!realTime)
        ui.mnuReal->trigger();
    ui.typeCall("OK1XY");
    ui.pressEnter();
    QCOMPARE(f.platform.count("messageBox"), 1);
    if (contest) // the call field was emptied for the next station
        ui.typeCall("OK1XY");
    if (!typedRecv.isEmpty()) {
        ui.Text4->setFocus(Qt::ActiveWindowFocusReason); // back from another program: no fill
        ui.Text4->selectAll();
        QTest::keyClicks(ui.Text4, QString::fromLatin1(typedRecv));
    }
    QTest::keyClick(f.focus(), Qt::Key_F1);
    QCOMPARE(f.logBytes().mid(5 * 85), saved);
}

void TestContact::search_data()
{
    QTest::addColumn<QByteArray>("logbook");
    QTest::addColumn<int>("counted"); // records in the file when the form started
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shownQth"); // empty: no duplicate
    const QByteArray two = ts::record("1", "DL1ABC", "", "", "", "", "", "", "first")
            + ts::record("2", "DL1ABC", "", "", "", "", "", "", "second");
    QTest::newRow("no match") << two << 2 << "G4XYZ" << "";
    QTest::newRow("lower against upper") << two << 2 << "dl1abc" << "first";
    QTest::newRow("first of two") << two << 2 << "DL1ABC" << "first";
    QTest::newRow("typed with space") << two << 2 << " DL1ABC" << "";
    QTest::newRow("beyond the count") << two << 1 << "DL1ABC" << "first";
    QTest::newRow("record beyond count")
            << ts::record("1", "A1") + ts::record("2", "B2", "", "", "", "", "", "", "late") << 1
            << "B2"
            << "late";
    QTest::newRow("empty logbook") << QByteArray() << 0 << "DL1ABC" << "";
}

void TestContact::search()
{
    QFETCH(QByteArray, logbook);
    QFETCH(int, counted);
    QFETCH(QString, typed);
    QFETCH(QString, shownQth);
    EntryFixture f(0);
    ts::writeFile(f.log, logbook.left(counted * 85));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ts::writeFile(f.log, logbook); // grown since the count
    ui.typeCall(typed);
    ui.pressEnter();
    if (shownQth.isEmpty()) {
        QCOMPARE(ui.Label7->text(), QStringLiteral("GOOD ONE!!!"));
        QCOMPARE(f.platform.count("messageBox"), 0);
        QCOMPARE(ui.Text2->text(), typed);
    } else {
        QCOMPARE(f.platform.count("messageBox"), 1);
        QCOMPARE(ui.Text8->text().trimmed(), shownQth);
        QCOMPARE(ui.Text1->text(), QString::number(counted + 1));
    }
    QCOMPARE(f.focus(), ui.Text2);
}

void TestContact::copyCallSign()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.typeCall("9A2AA");
    QTest::keyClick(ui.Text2, Qt::Key_F4);
    QCOMPARE(f.platform.clipboard, QStringLiteral("9A2AA"));
    QCOMPARE(ui.Text2->text(), QStringLiteral("9A2AA"));
}

QTEST_MAIN(TestContact)
#include "tst_contact.moc"
