#include "EntryFixture.h"

#include "storage/RecordFields.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

// The field keys and the fills that happen when a field receives the focus.
class TestFieldKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dateStamp_data();
    void dateStamp();
    void badOffsetReportedOnce_data();
    void badOffsetReportedOnce();
    void caretAfterArrival_data();
    void caretAfterArrival();
    void text3ArrivalResetsDefaults();
    void fillKeys_data();
    void fillKeys();
    void realTimeOffNoFills();
    void returningWindowIsNoArrival();
    void ring_data();
    void ring();
    void f12FromEveryField_data();
    void f12FromEveryField();
    void comboIgnoresFieldKeys();
    void whatIsTypedIsSaved_data();
    void whatIsTypedIsSaved();
    void qsoModeSendsReportAlone();
};

void TestFieldKeys::dateStamp_data()
{
    QTest::addColumn<QByteArray>("offset");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("offsetAfter");
    const QDateTime newYear(QDate(2000, 1, 1), QTime(1, 30));
    QTest::newRow("-2 over the year") << QByteArray("-2") << newYear << "31.12.99 23:30" << "-2";
    QTest::newRow("empty is zero") << QByteArray() << newYear << "01.01.00 01:30" << "0";
    QTest::newRow("5.5 hours") << QByteArray("5.5") << newYear << "01.01.00 07:00" << "5.5";
    QTest::newRow("decimal comma") << QByteArray("-0,5") << newYear << "01.01.00 01:00" << "-0,5";
    QTest::newRow("hours and minutes") << QByteArray("-5:30") << newYear << "31.12.99 20:00" << "-5:30";
    QTest::newRow("forward into March")
            << QByteArray("+3") << QDateTime(QDate(2024, 2, 29), QTime(22, 15)) << "01.03.24 01:15"
            << "+3";
}

void TestFieldKeys::dateStamp()
{
    QFETCH(QByteArray, offset);
    QFETCH(QDateTime, now);
    QFETCH(QString, stamp);
    QFETCH(QString, offsetAfter);
    EntryFixture f(0);
    ts::writeFile(QStringLiteral("utc_off"), offset.isEmpty() ? QByteArray() : ts::setting(offset));
    f.platform.clock = now;
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Text3->text(), stamp);
    QCOMPARE(form.setting("utc_off"), offsetAfter);
    ui.Text3->clear();
    QTest::keyClick(ui.Text3, Qt::Key_F5);
    QCOMPARE(ui.Text3->text(), stamp);
    QCOMPARE(ui.Text3->cursorPosition(), 14);
    QVERIFY(!ui.Text3->hasSelectedText());
    // The file keeps what it held: only memory learns the "0".
    QCOMPARE(ts::readFile(QStringLiteral("utc_off")), offset.isEmpty() ? QByteArray() : ts::setting(offset));
}

void TestFieldKeys::badOffsetReportedOnce_data()
{
    QTest::addColumn<QByteArray>("offset");
    QTest::newRow("not a number") << QByteArray("two");
    // Numbers no clock is off by: 41 days ahead, or past any integer.
    QTest::newRow("1000 hours") << QByteArray("1000");
    QTest::newRow("20 digits") << QByteArray("99999999999999999999");
    QTest::newRow("-24.5") << QByteArray("-24.5");
}

void TestFieldKeys::badOffsetReportedOnce()
{
    QFETCH(QByteArray, offset);
    EntryFixture f(0);
    ts::writeFile(QStringLiteral("utc_off"), ts::setting(offset));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.typeCall("K1ABC");
    QTest::keyClick(ui.Text2, Qt::Key_Tab); // arrival in Text3
    QTest::keyClick(ui.Text3, Qt::Key_F5);
    QTest::keyClick(ui.Text3, Qt::Key_PageDown);
    QTest::keyClick(ui.Text2, Qt::Key_PageUp);
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().contains("\"" + offset + "\""));
    QVERIFY(ui.Text3->text().isEmpty());
    // Other keys in the date field still work: F1 saves.
    QTest::keyClick(ui.Text3, Qt::Key_F1);
    QCOMPARE(f.logBytes().size(), 85);
    // A new offset is used at once.
    f.platform.inputAnswers.push_back(QStringLiteral("1"));
    form.findChild<QAction *>("mnuUTC")->trigger();
    QTest::keyClick(ui.Text3, Qt::Key_F5);
    QCOMPARE(ui.Text3->text(), QStringLiteral("09.03.24 19:42"));
}

void TestFieldKeys::caretAfterArrival_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    for (const char *how : { "Tab", "Backtab", "click", "PageKey" }) {
        QTest::addRow("%s into Text5", how) << how << "Text5" << "59913" << 3;
        QTest::addRow("%s into Text4", how) << how << "Text4" << "599" << 3;
    }
}

void TestFieldKeys::caretAfterArrival()
{
    QFETCH(QString, how);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, caret);
    EntryFixture f(12);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    auto *target = form.findChild<EntryField *>(field);
    target->setText(QStringLiteral("typed by hand"));
    const bool toText5 = target == ui.Text5;
    if (how == QLatin1String("Tab")) {
        QWidget *before = toText5 ? ui.Text4 : ui.Text3;
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
    } else if (how == QLatin1String("Backtab")) {
        QWidget *after = toText5 ? static_cast<QWidget *>(ui.Text1) : ui.Text5;
        after->setFocus();
        QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
    } else if (how == QLatin1String("click")) {
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, target->height() / 2));
    } else {
        QWidget *before = toText5 ? ui.Text4 : ui.Text3;
        before->setFocus();
        QTest::keyClick(before, Qt::Key_PageUp);
    }
    QCOMPARE(f.focus(), target);
    QCOMPARE(target->text(), text);
    QCOMPARE(target->cursorPosition(), caret);
    QVERIFY(!target->hasSelectedText());
}

void TestFieldKeys::text3ArrivalResetsDefaults()
{
    EntryFixture f(4, "5NN", "5NN", "7", "CW");
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text5->setText(QStringLiteral("old"));
    ui.Combo1->setEditText(QStringLiteral("28"));
    ui.Combo2->setEditText(QStringLiteral("SSB"));
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Text3->text(), QStringLiteral("09.03.24 18:42"));
    QCOMPARE(ui.Text3->cursorPosition(), 14);
    QVERIFY(!ui.Text3->hasSelectedText());
    QCOMPARE(ui.Text5->text(), QStringLiteral("5NN5"));
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("7"));
    QCOMPARE(ui.Combo2->currentText(), QStringLiteral("CW"));
}

void TestFieldKeys::fillKeys_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("result"); // "-" : unchanged
    QTest::newRow("F5 in Text3") << "Text3" << int(Qt::Key_F5) << "09.03.24 18:42";
    QTest::newRow("F6 in Text4") << "Text4" << int(Qt::Key_F6) << "579";
    QTest::newRow("F7 in Text5") << "Text5" << int(Qt::Key_F7) << "589";
    QTest::newRow("Shift+F7 in Text5") << "Text5" << int(Qt::Key_F7) << "589";
    QTest::newRow("F5 in Text4") << "Text4" << int(Qt::Key_F5) << "-";
    QTest::newRow("F6 in Text5") << "Text5" << int(Qt::Key_F6) << "-";
    QTest::newRow("F7 in Text3") << "Text3" << int(Qt::Key_F7) << "-";
    QTest::newRow("F5 in Text2") << "Text2" << int(Qt::Key_F5) << "-";
}

void TestFieldKeys::fillKeys()
{
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(QString, result);
    EntryFixture f(7, "589", "579");
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuReal->trigger(); // fill keys work with Real Time off too
    auto *target = form.findChild<EntryField *>(field);
    target->setFocus();
    target->setText(QStringLiteral("xx"));
    const Qt::KeyboardModifiers mods = QString::fromLatin1(QTest::currentDataTag()).startsWith("Shift")
            ? Qt::ShiftModifier
            : Qt::NoModifier;
    QTest::keyClick(target, Qt::Key(key), mods);
    if (result == QLatin1String("-")) {
        QCOMPARE(target->text(), QStringLiteral("xx"));
    } else {
        QCOMPARE(target->text(), result);
        QCOMPARE(target->cursorPosition(), result.size());
        QVERIFY(!target->hasSelectedText());
    }
}

void TestFieldKeys::realTimeOffNoFills()
{
    EntryFixture f(7);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuReal->trigger();
    QVERIFY(!ui.mnuReal->isChecked());
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QTest::keyClick(ui.Text3, Qt::Key_Tab);
    QTest::keyClick(ui.Text4, Qt::Key_Tab);
    QVERIFY(ui.Text3->text().isEmpty());
    QVERIFY(ui.Text4->text().isEmpty());
    QVERIFY(ui.Text5->text().isEmpty());
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("14"));
}

void TestFieldKeys::returningWindowIsNoArrival()
{
    EntryFixture f(7);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text3->setFocus();
    QTest::keyClick(ui.Text3, Qt::Key_Tab);
    QCOMPARE(f.focus(), ui.Text4);
    ui.Text4->setText(QStringLiteral("449"));
    // The operator works in another program and comes back.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(f.focus(), ui.Text4);
    QCOMPARE(ui.Text4->text(), QStringLiteral("449"));
}

void TestFieldKeys::ring_data()
{
    QTest::addColumn<bool>("contest");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("up");
    QTest::addColumn<QString>("down");
    QTest::newRow("contest Text1") << true << "Text1" << "Text2" << "Text5";
    QTest::newRow("contest Text2") << true << "Text2" << "Text3" << "Text1";
    QTest::newRow("contest Text3") << true << "Text3" << "Text4" << "Text2";
    QTest::newRow("contest Text4") << true << "Text4" << "Text5" << "Text3";
    QTest::newRow("contest Text5") << true << "Text5" << "Text1" << "Text4";
    QTest::newRow("QSO Text1") << false << "Text1" << "Text2" << "Text8";
    QTest::newRow("QSO Text5") << false << "Text5" << "Text7" << "Text4";
    QTest::newRow("QSO Text7") << false << "Text7" << "Text8" << "Text5";
    QTest::newRow("QSO Text8") << false << "Text8" << "Text1" << "Text7";
}

void TestFieldKeys::ring()
{
    QFETCH(bool, contest);
    QFETCH(QString, from);
    QFETCH(QString, up);
    QFETCH(QString, down);
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (!contest)
        ui.mnuContest->trigger();
    auto *start = form.findChild<QWidget *>(from);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_PageUp);
    QCOMPARE(f.focus()->objectName(), up);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_PageDown);
    QCOMPARE(f.focus()->objectName(), down);
}

void TestFieldKeys::f12FromEveryField_data()
{
    QTest::addColumn<QString>("field");
    for (const char *name : { "Text1", "Text2", "Text3", "Text4", "Text5", "Text7", "Text8" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFieldKeys::f12FromEveryField()
{
    QFETCH(QString, field);
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger();
    ui.mnuReal->trigger();
    for (EntryField *e : { ui.Text1, ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text7,
                           ui.Text8 })
        e->setText(e->objectName());
    ui.Combo1->setEditText(QStringLiteral("21"));
    ui.Label7->setText(QStringLiteral("GOOD ONE!!!"));
    auto *start = form.findChild<QWidget *>(field);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_F12);
    for (EntryField *e : { ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text7, ui.Text8 })
        QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
    QCOMPARE(ui.Text1->text(), QStringLiteral("Text1"));
    QCOMPARE(ui.Combo1->currentText(), QStringLiteral("21"));
    QCOMPARE(ui.Label7->text(), QStringLiteral("GOOD ONE!!!"));
    QCOMPARE(f.focus(), ui.Text2);
}

void TestFieldKeys::comboIgnoresFieldKeys()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.Text2->setText(QStringLiteral("keep"));
    ui.Combo1->setFocus();
    QTest::keyClick(ui.Combo1, Qt::Key_F12);
    QTest::keyClick(ui.Combo1, Qt::Key_F5);
    QCOMPARE(ui.Text2->text(), QStringLiteral("keep"));
    QCOMPARE(f.focus(), ui.Combo1);
}

void TestFieldKeys::whatIsTypedIsSaved_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("how"); // "type", "type+Enter" or "paste"
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("stored"); // the record field's bytes
    // The lists never complete, never take an item's case.
    QTest::newRow("AM is no AMTOR") << "Combo2" << "type" << "AM" << QByteArray("AM     ");
    QTest::newRow("PSK is no PSK31") << "Combo2" << "type" << "PSK" << QByteArray("PSK    ");
    QTest::newRow("1 is no 14") << "Combo1" << "type" << "1" << QByteArray("1   ");
    QTest::newRow("cw and Enter") << "Combo2" << "type+Enter" << "cw" << QByteArray("cw     ");
    // No control characters, typed or pasted; what is shown is what is saved.
    QTest::newRow("pasted call") << "Text2" << "paste" << "DL1\tAB\r\nC" << QByteArray("DL1ABC         ");
    QTest::newRow("pasted mode") << "Combo2" << "paste" << "FT8\a" << QByteArray("FT8    ");
    QTest::newRow("invisible soft hyphen") << "Text2" << "paste" << "K2\u00ADB" << QByteArray("K2B            ");
    QTest::newRow("long name") << "Text7" << "type" << "Hans-Joachim" << QByteArray("Hans-Joach");
    QTest::newRow("long QTH pasted") << "Text8" << "paste" << "Garmisch-Partenkirchen" << QByteArray("Garmisch-Parten");
    QTest::newRow("long band") << "Combo1" << "type" << "14.070" << QByteArray("14.0");
    // Characters Windows-1252 has no byte for would be stored as "?".
    QTest::newRow("Polish QTH") << "Text8" << "type" << "\u0141\u00F3d\u017A" << QByteArray("\xF3" "d             ");
}

void TestFieldKeys::whatIsTypedIsSaved()
{
    QFETCH(QString, control);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QByteArray, stored);
    EntryFixture f(0);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger(); // Name and QTH show
    if (control != QLatin1String("Text2"))
        ui.typeCall(QStringLiteral("K1A"));
    auto *widget = form.findChild<QWidget *>(control);
    auto *combo = qobject_cast<QComboBox *>(widget);
    auto *edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(widget);
    edit->setFocus();
    edit->selectAll();
    if (how == QLatin1String("paste")) {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        // Letters beyond ASCII arrive as a keyboard layout sends them: text on an unknown key.
        for (QChar c : input) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        if (how == QLatin1String("type+Enter"))
            QTest::keyClick(edit, Qt::Key_Return);
    }
    const QString shown = edit->text();
    QTest::keyClick(edit, Qt::Key_F1);
    QCOMPARE(f.platform.errors(), QStringList());
    int field = 0;
    for (const storage::RecordField &each : storage::RecordFields)
        field = control == QLatin1String(each.control) ? each.field : field;
    QCOMPARE(f.logBytes().mid(storage::QsoRecord::Offsets[field], storage::QsoRecord::Widths[field]), stored);
    QCOMPARE(QString::fromLatin1(stored).trimmed(), shown.trimmed());
}

void TestFieldKeys::qsoModeSendsReportAlone()
{
    // The serial belongs to the contest exchange; a ragchew sends the report alone.
    EntryFixture f(12);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger();
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Text5->text(), QStringLiteral("599"));
    ui.Text5->setText(QStringLiteral("57"));
    QTest::keyClick(ui.Text3, Qt::Key_Tab);
    QTest::keyClick(ui.Text4, Qt::Key_Tab);
    QCOMPARE(ui.Text5->text(), QStringLiteral("599"));
    QCOMPARE(ui.Text5->cursorPosition(), 3);
    ui.mnuContest->trigger();
    QTest::keyClick(ui.Text5, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(ui.Text4, Qt::Key_Tab);
    QCOMPARE(ui.Text5->text(), QStringLiteral("59913"));
}

QTEST_MAIN(TestFieldKeys)
#include "tst_fieldkeys.moc"
