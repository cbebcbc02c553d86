// The contest parts of the entry window, the real Form1 offscreen and real keys: the
// score and rate row after each save, the mark of a received report without its
// exchange, the note of a contact saved so, the contest kept in vantel.ini, and the
// Cabrillo export through the window beside vantel-export's and TLF's score.
#include "EntryFixture.h"
#include "Tlf.h"

#include "country/CountryFiles.h"
#include "formats/CabrilloRequest.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace {

const QByteArray kStation = "[station]\ncall=DL1ABC\n";

QLineEdit *field(Form1 &form, const char *name)
{
    return form.findChild<QLineEdit *>(QLatin1String(name));
}

QString row(Form1 &form)
{
    return form.findChild<QLabel *>(QStringLiteral("contestRow"))->accessibleDescription();
}

// A contact as the operator types it: the call, Tab to the date (filled), Tab to the
// received report (filled with the default), the rest of it, F1.
void logContact(Form1 &form, const char *call, const char *serial)
{
    QTest::keyClicks(field(form, "Text2"), QLatin1String(call));
    QTest::keyClick(field(form, "Text2"), Qt::Key_Tab);
    QTest::keyClick(field(form, "Text3"), Qt::Key_Tab);
    QTest::keyClicks(field(form, "Text4"), QLatin1String(serial));
    QTest::keyClick(field(form, "Text4"), Qt::Key_F1);
}

} // namespace

class TestContestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Debian's country file, as vantel-export reads it in the comparison below.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
    }

    // Three contacts of a CQ WPX from Germany: the row counts them as vantel-export
    // would, and the rate takes the clock into account.
    void scoreAndRateMove()
    {
        EntryFixture f(0, "599", "599", "14", "CW");
        QVERIFY(ts::writeFile("vantel.ini", kStation + "[contest]\nname=CQ-WPX-CW\nfrom=2024-03-09 18:00\n"));
        Form1 &form = f.open();
        QVERIFY(form.findChild<QLabel *>(QStringLiteral("contestRow"))->isVisible());
        QCOMPARE(row(form), QString::fromUtf8("CQ-WPX-CW: 0 QSOs, 0 points \u00d7 0 mults = 0. Rate: 0 in 10 min, 0 in 60 min"));
        struct Step
        {
            int minute;
            const char *call;
            const char *expected;
        };
        // W1AW and JA1XYZ another continent on 20 m: 3 each; DL2XX the own country: 1.
        for (const Step &s : { Step { 42, "W1AW", "1 QSOs, 3 points \u00d7 1 mults = 3. Rate: 1 in 10 min, 1 in 60 min" },
                               Step { 50, "JA1XYZ", "2 QSOs, 6 points \u00d7 2 mults = 12. Rate: 2 in 10 min, 2 in 60 min" },
                               Step { 55, "DL2XX", "3 QSOs, 7 points \u00d7 3 mults = 21. Rate: 2 in 10 min, 3 in 60 min" } }) {
            f.platform.clock = QDateTime(QDate(2024, 3, 9), QTime(18, s.minute));
            logContact(form, s.call, "12");
            QCOMPARE(row(form), QStringLiteral("CQ-WPX-CW: ") + QString::fromUtf8(s.expected));
        }
        // QSO mode hides the row; the contest mode brings it back, counted again.
        auto *contest = form.findChild<QAction *>(QStringLiteral("mnuContest"));
        contest->trigger();
        QVERIFY(!form.findChild<QLabel *>(QStringLiteral("contestRow"))->isVisible());
        contest->trigger();
        QVERIFY(row(form).contains(QString::fromUtf8("3 QSOs, 7 points \u00d7 3 mults = 21")));
        QCOMPARE(f.platform.calls.size(), std::size_t(0));
    }

    // The received report is marked while it lacks what the chosen contest's exchange
    // needs, in contest mode only; the mark goes once the exchange is complete.
    void exchangeMark_data()
    {
        QTest::addColumn<QString>("contest");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("contestMode");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("recv");
        QTest::addColumn<QString>("missing"); // empty: no mark
        QTest::addColumn<QString>("complete"); // typed on to complete it
        QTest::newRow("WPX CW, report alone") << "CQ-WPX-CW" << "CW" << true << "W1AW" << "599" << "serial" << "7";
        QTest::newRow("WPX CW, serial") << "CQ-WPX-CW" << "CW" << true << "W1AW" << "59914" << "" << "";
        QTest::newRow("WPX SSB, report alone") << "CQ-WPX-SSB" << "SSB" << true << "W1AW" << "59" << "serial" << "001";
        QTest::newRow("WPX SSB, serial") << "CQ-WPX-SSB" << "SSB" << true << "W1AW" << "5914" << "" << "";
        QTest::newRow("WPX, letters after the report") << "CQ-WPX-CW" << "CW" << true << "W1AW" << "599AB" << "serial" << "";
        QTest::newRow("CQ WW, no zone") << "CQ-WW-CW" << "CW" << true << "W1AW" << "599" << "zone" << "05";
        QTest::newRow("CQ WW, zone 41") << "CQ-WW-CW" << "CW" << true << "W1AW" << "59941" << "zone" << "";
        QTest::newRow("generic: the report is all") << "GENERIC" << "CW" << true << "W1AW" << "599" << "" << "";
        QTest::newRow("QSO mode") << "CQ-WPX-CW" << "CW" << false << "W1AW" << "599" << "" << "";
        QTest::newRow("no call yet") << "CQ-WPX-CW" << "CW" << true << "" << "599" << "" << "";
    }
    void exchangeMark()
    {
        QFETCH(QString, contest);
        QFETCH(QString, mode);
        QFETCH(bool, contestMode);
        QFETCH(QString, call);
        QFETCH(QString, recv);
        QFETCH(QString, missing);
        QFETCH(QString, complete);
        EntryFixture f(0, "599", "", "14", mode.toLatin1());
        QVERIFY(ts::writeFile("vantel.ini", kStation + "[contest]\nname=" + contest.toLatin1() + "\n"));
        Form1 &form = f.open();
        form.setFieldText(storage::QsoRecord::Mode, mode);
        if (!contestMode)
            form.findChild<QAction *>(QStringLiteral("mnuContest"))->trigger();
        QTest::keyClicks(field(form, "Text2"), call);
        QTest::keyClicks(field(form, "Text4"), recv);
        QLineEdit *text4 = field(form, "Text4");
        const QColor unmarked = QPalette().color(QPalette::Base);
        QCOMPARE(text4->accessibleDescription().isEmpty(), missing.isEmpty());
        QCOMPARE(text4->palette().color(QPalette::Base) == unmarked, missing.isEmpty());
        if (contestMode)
            QCOMPARE(row(form).startsWith("No " + missing + " received!"), !missing.isEmpty());
        if (missing.isEmpty())
            return;
        QVERIFY(text4->accessibleDescription().contains(missing));
        if (complete.isEmpty())
            return;
        QTest::keyClicks(text4, complete);
        QCOMPARE(text4->accessibleDescription(), QString());
        QCOMPARE(text4->palette().color(QPalette::Base), unmarked);
        QVERIFY(!row(form).contains("received!"));
    }

    // F1 with the serial missing saves all the same and says so once, in the row: no box
    // takes the keyboard; the next call typed clears the note, a complete contact adds none.
    void savedWithoutSerialSaysOnce()
    {
        EntryFixture f(0, "599", "599", "14", "CW");
        QVERIFY(ts::writeFile("vantel.ini", kStation + "[contest]\nname=CQ-WPX-CW\n"));
        Form1 &form = f.open();
        logContact(form, "W1AW", "");
        QCOMPARE(f.logBytes().size(), 85);
        QCOMPARE(f.logBytes().mid(33, 8), QByteArray("599     "));
        QCOMPARE(f.platform.calls.size(), std::size_t(0));
        const QString note = "Contact 1 was saved without the received serial.";
        QCOMPARE(row(form).count(note), 1);
        // The file watch sees the save once more: still one note.
        QTest::qWait(700);
        QCOMPARE(row(form).count(note), 1);
        QVERIFY(row(form).contains("1 QSOs"));
        QTest::keyClicks(field(form, "Text2"), "K");
        QVERIFY(!row(form).contains("saved without"));
        QTest::keyClicks(field(form, "Text2"), "1AB");
        QTest::keyClick(field(form, "Text2"), Qt::Key_Tab);
        QTest::keyClick(field(form, "Text3"), Qt::Key_Tab);
        QTest::keyClicks(field(form, "Text4"), "5");
        QTest::keyClick(field(form, "Text4"), Qt::Key_F1);
        QCOMPARE(f.logBytes().size(), 170);
        QVERIFY2(!row(form).contains("saved without"), qPrintable(row(form)));
    }

    // Setup → Contest rules...: chosen by keys, kept in vantel.ini, offered at the next start.
    void rulesKeptForNextStart()
    {
        EntryFixture f(0, "599", "599", "14", "CW");
        QVERIFY(ts::writeFile("vantel.ini", kStation));
        {
            Form1 &form = f.open();
            QVERIFY(!form.findChild<QLabel *>(QStringLiteral("contestRow"))->isVisible());
            form.findChild<QAction *>(QStringLiteral("mnuContestRules"))->trigger();
            auto *dialog = form.findChild<QDialog *>(QStringLiteral("contestRules"));
            QVERIFY(dialog && dialog->isModal());
            QTest::keyClicks(dialog->findChild<QComboBox *>(QStringLiteral("contest")), "CQ-WW-C");
            auto *from = dialog->findChild<QLineEdit *>(QStringLiteral("from"));
            QCOMPARE(from->text(), "2024-03-09 18:42"); // a new session starts now
            from->setText("2024-03-09 18:00");
            auto *to = dialog->findChild<QLineEdit *>(QStringLiteral("to"));
            QTest::keyClicks(to, "2024-03-08 00:00");
            QTest::keyClick(to, Qt::Key_Return);
            QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("contestProblem"))->text(),
                     "The end lies before the start.");
            to->setText("2024-03-10 23:59");
            QTest::keyClick(to, Qt::Key_Return);
            QTRY_VERIFY(!form.findChild<QDialog *>(QStringLiteral("contestRules")));
            QVERIFY(row(form).startsWith("CQ-WW-CW: 0 QSOs"));
        }
        QCOMPARE(ts::readFile("vantel.ini"), "[contest]\nfrom=2024-03-09 18:00\nname=CQ-WW-CW\n"
                                             "to=2024-03-10 23:59\n\n" + kStation);
        f.form.reset();
        Form1 &again = f.open();
        QVERIFY(row(again).startsWith("CQ-WW-CW: 0 QSOs"));
        // An end that is no date is said in the row, not dropped without a word.
        f.form.reset();
        QVERIFY(ts::writeFile("vantel.ini", "[contest]\nname=CQ-WW-CW\nfrom=2024-03-09 18:00\nto=yesterday\n"));
        QVERIFY2(row(f.open()).contains("[contest] to is no"), qPrintable(row(*f.form)));
    }

    // A mixed logbook: an evening's ragchew, the contest, the morning after. The window's
    // Cabrillo for the session holds exactly the contest's contacts, byte for byte what
    // vantel-export writes for the same options, and claims TLF's score.
    void cabrilloThroughWindow()
    {
        EntryFixture f(0, "599", "599", "14", "CW");
        QVERIFY(ts::writeFile("vantel.ini", kStation + "[contest]\nname=CQ-WPX-CW\nfrom=2026-05-30 00:00\n"
                                                       "to=2026-05-31 23:59\n"));
        QByteArray log;
        const auto add = [&](const char *call, const char *when, const char *recv, const char *band) {
            const QByteArray number = QByteArray::number(log.size() / 85 + 1);
            log += ts::record(number.constData(), call, when, recv, ("599" + number).constData(), band, "CW");
        };
        add("G4ABC", "29.05.26 20:15", "579", "7");
        add("F5XYZ", "29.05.26 23:59", "599", "14");
        const char *contest[][3] = { { "W1AW", "59917", "14" },  { "JA1XYZ/P", "5993", "7" },
                                     { "DL2XX", "5991", "3.5" }, { "VK2ABC", "599204", "21" },
                                     { "PY2ABC", "59988", "28" }, { "OH2ABC", "59912", "14" } };
        int minute = 0;
        for (const auto &c : contest)
            add(c[0], QStringLiteral("30.05.26 00:%1").arg(minute += 7, 2, 10, QLatin1Char('0')).toLatin1().constData(), c[1], c[2]);
        add("I1ABC", "01.06.26 08:00", "599", "14");
        QVERIFY(ts::writeFile(f.log, log));
        Form1 &form = f.open();
        f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("window.cbr")));
        form.findChild<QAction *>(QStringLiteral("mnuExportCabrillo"))->trigger();
        auto *dialog = form.findChild<QDialog *>(QStringLiteral("cabrilloExport"));
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("contest"))->currentText(), "CQ-WPX-CW");
        QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("from"))->text(), "2026-05-30 00:00");
        QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("to"))->text(), "2026-05-31 23:59");
        auto *overlay = dialog->findChild<QComboBox *>(QStringLiteral("category-overlay"));
        overlay->setFocus();
        QTest::keyClicks(overlay, "R"); // ROOKIE
        QTest::keyClick(overlay, Qt::Key_Return);
        QTRY_VERIFY(!form.findChild<QDialog *>(QStringLiteral("cabrilloExport")));
        QVERIFY2(f.platform.calls.back().text.startsWith("6 contacts written to"), qPrintable(f.platform.calls.back().text));

        int status = -1;
        const QByteArray err = tlf::run(QStringLiteral(VANTEL_EXPORT),
                                        { "cabrillo", f.log, "--contest", "CQ-WPX-CW", "--from", "2026-05-30 00:00",
                                          "--to", "2026-05-31 23:59", "--category-overlay", "ROOKIE", "-o", "DL1ABC.cbr" },
                                        f.dir.path("."), &status);
        QVERIFY2(status == 0, err.constData());
        QByteArray window = ts::readFile("window.cbr");
        QVERIFY(window.contains("CATEGORY-OVERLAY: ROOKIE\n"));
        window.replace("CREATED-BY: vantel ", "CREATED-BY: vantel-export ");
        QCOMPARE(window, ts::readFile("DL1ABC.cbr"));
        QStringList calls;
        for (const QByteArray &line : window.split('\n')) {
            if (line.startsWith("QSO: "))
                calls << QString::fromLatin1(line.simplified().split(' ').at(8));
        }
        QCOMPARE(calls, QStringList({ "W1AW", "JA1XYZ/P", "DL2XX", "VK2ABC", "PY2ABC", "OH2ABC" }));

        QString why;
        const auto tlfScore = tlf::score(f.dir.path("."), "wpx", QStringLiteral("DL1ABC"),
                                         country::loadCountryData().ctyPath, &why);
        QVERIFY2(tlfScore, qPrintable(why));
        const QByteArray claimed = window.mid(window.indexOf("CLAIMED-SCORE: ") + 15).split('\n').first();
        QCOMPARE(claimed.toLongLong(), tlfScore->score);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestContestWindow)
#include "tst_contestwindow.moc"
