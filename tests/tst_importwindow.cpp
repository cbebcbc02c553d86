#include "EntryFixture.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

// File → "Import ADIF..." in the real window: the file dialog answered by the fake, the
// summary answered with real keys, the logbook's bytes written out here.
class TestImportWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void import_data()
    {
        QTest::addColumn<QByteArray>("adif");
        QTest::addColumn<int>("key"); // 0: no summary is expected
        QTest::addColumn<QStringList>("summary");
        QTest::addColumn<QByteArray>("added");
        QTest::addColumn<QString>("error");

        const QByteArray twoContacts =
                "Exported by hand\n<ADIF_VER:5>3.1.4<eoh>\n"
                "<call:8>DL1ABC/P<qso_date:8>20240309<time_on:6>184259<band:2>6m<mode:4>MFSK"
                "<submode:3>FT8<rst_sent:3>-05<rst_rcvd:3>-12<name:8>J\xc3\xa9r\xc3\xb4me"
                "<gridsquare:6>JN47PI<eor>\n"
                "<CALL:5>G4XYZ<QSO_DATE:8>20240310<TIME_ON:4>0915<FREQ:7>144.300<MODE:2>CW"
                "<RST_SENT:3>599<STX:3>007<RST_RCVD:3>579<SRX:2>12<NAME:16>Annemarie-Louise<EOR>\n"
                "<CALL:5>G4XYZ<QSO_DATE:8>20240310<TIME_ON:4>0915<BAND:2>2M<MODE:2>cw<EOR>\n";
        const QStringList plan { "ADIF records read: 3", "contacts to add: 2 (numbers 3 to 4)",
                                 "already in the logbook, skipped: 0",
                                 "repeated within the file, skipped: 1",
                                 "to fit: name cut to 10 characters: 1" };
        const QByteArray records =
                ts::record("3", "DL1ABC/P", "09.03.24 18:42", "-12", "-05", "50", "FT8",
                           "J\xe9r\xf4me", "JN47pi")
                + ts::record("4", "G4XYZ", "10.03.24 09:15", "57912", "599007", "144", "CW",
                             "Annemarie-");
        QTest::newRow("Enter imports") << twoContacts << int(Qt::Key_Return) << plan << records << QString();
        QTest::newRow("Esc writes nothing") << twoContacts << int(Qt::Key_Escape) << plan << QByteArray()
                                            << QString();
        QTest::newRow("not ADIF") << QByteArray("CALL DL1ABC 599 599\n") << 0 << QStringList()
                                  << QByteArray()
                                  << "The file is not an ADIF file, so nothing was imported.\n\n"
                                     "File: %1\nReason: no ADIF field in the first 8192 bytes: not an ADIF file.";
        QTest::newRow("nothing storable") << QByteArray("<call:0><qso_date:8>20240101<time_on:4>1200<eor>")
                                          << 0 << QStringList() << QByteArray() << QString();
    }
    void import()
    {
        QFETCH(QByteArray, adif);
        QFETCH(int, key);
        QFETCH(QStringList, summary);
        QFETCH(QByteArray, added);
        QFETCH(QString, error);
        EntryFixture f(2);
        const QString file = f.dir.path("other program.adi");
        QVERIFY(ts::writeFile(file, adif));
        Form1 &form = f.open();
        // The operator is in the sent field of the next contact: it offers serial 3.
        auto *sent = form.findChild<QLineEdit *>("Text5");
        sent->setFocus(Qt::TabFocusReason);
        QCOMPARE(sent->text(), "5993");
        f.platform.fileAnswers.push_back(file);
        form.findChild<QAction *>("mnuImport")->trigger();
        QCOMPARE(f.platform.count("open"), 1);
        QVERIFY(f.platform.calls.front().request.filter.startsWith("ADIF(*.adi *.adif)|*.adi *.adif|All files"));

        auto *dialog = form.findChild<QDialog *>("ImportSummary");
        QCOMPARE(dialog != nullptr, key != 0);
        if (dialog) {
            QApplication::setActiveWindow(dialog); // as the window manager would
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QCOMPARE(QApplication::focusWidget()->objectName(), "importConfirm");
            const QString shown = dialog->findChild<QLabel *>("importSummary")->text();
            for (const QString &line : summary)
                QVERIFY2(shown.split('\n').contains(line), qPrintable(shown));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            QTRY_VERIFY(!form.findChild<QDialog *>("ImportSummary"));
        }
        if (!error.isEmpty())
            QVERIFY2(f.platform.errors().value(0).startsWith(error.arg(QDir::toNativeSeparators(file))),
                     qPrintable(f.platform.errors().join("|")));
        else
            QCOMPARE(f.platform.errors(), QStringList());
        QCOMPARE(f.logBytes(), ts::records(2) + added);

        // The number and the exchange follow the count, as after a save.
        const QByteArray next = QByteArray::number(3 + added.size() / 85);
        QCOMPARE(form.findChild<QLineEdit *>("Text1")->text().toLatin1(), next);
        QCOMPARE(sent->text().toLatin1(), "599" + next); // the serial imported is not sent again
        if (added.isEmpty())
            return;
        QVERIFY(f.platform.calls.back().text.startsWith("2 contacts imported into "));

        // Again: everything is there already; nothing to confirm, nothing written.
        f.platform.fileAnswers.push_back(file);
        form.findChild<QAction *>("mnuImport")->trigger();
        QVERIFY(!form.findChild<QDialog *>("ImportSummary"));
        QVERIFY(f.platform.calls.back().text.contains("\nalready in the logbook, skipped: 3\n"));
        QCOMPARE(f.logBytes(), ts::records(2) + added);
    }

    void noLogbook()
    {
        ts::WorkDir dir;
        FakePlatform platform;
        Form1 form(platform);
        form.findChild<QAction *>("mnuImport")->trigger();
        QCOMPARE(platform.count("open"), 0);
        QCOMPARE(platform.errors().value(0), "No logbook is open.\n\nOpen or create a logbook from the File menu.");
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
