#include "FakePlatform.h"
#include "TestSupport.h"
#include "convert/Form2.h"
#include "formats/Listing.h"
#include "mainwindow/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>
#include <QTimer>

namespace {

const QByteArray kTitle = "Nr CallSign       Date/Time(UTC) Band Mode  Sent    Recv    Name      QTH\r\r\n";
const QByteArray kRule = "=========================================================================="
                         "===========\r\n";
const QByteArray kRecord = ts::record("12", "DL1ABC", "01.02.03 04:05", "579", "589", "14",
                                      "PSK31", "Hans", "Berlin");
const QByteArray kLine = "12 DL1ABC         01.02.03 04:05 14  PSK31  589     579     Hans      "
                         "Berlin         \r\r\n";

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = new ts::WorkDir; }
    void cleanup() { delete m_dir; }

    void literalLines();
    void listing_data();
    void listing();
    void appendsAfterExistingText();
    void typingChangesNothing();
    void logbookAsDestination_data();
    void logbookAsDestination();
    void refusedChoices_data();
    void refusedChoices();
    void sourceRefusedSaysWhat_data();
    void sourceRefusedSaysWhat();
    void badSourceKeepsTitle();
    void dialogs();
    void windowLayout_data();
    void windowLayout();
    void shownModallyFromMainWindow();

private:
    // A Form2 whose dialogs answer with these paths.
    void choose(Form2 &form, FakePlatform &platform, const QString &source, const QString &dest)
    {
        platform.fileAnswers.push_back(source);
        platform.fileAnswers.push_back(dest);
        form.Command1->click();
        form.Command2->click();
    }
    ts::WorkDir *m_dir = nullptr;
};

void TestConvert::literalLines()
{
    QCOMPARE(kTitle.size(), 76);
    QCOMPARE(kRule.size(), 87);
    QCOMPARE(kLine.size(), 88);
    QCOMPARE(formats::listing::titleLine(), kTitle);
    QCOMPARE(formats::listing::ruleLine(), kRule);
    QByteArray line;
    formats::listing::appendRecordLine(line, kRecord.constData());
    QCOMPARE(line, kLine);
}

void TestConvert::listing_data()
{
    QTest::addColumn<QByteArray>("logbook");
    QTest::addColumn<bool>("title");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
    QTest::newRow("empty with title") << QByteArray() << true << kTitle + kRule;
    QTest::newRow("one record") << kRecord << true << kTitle + kRule + kLine;
    QTest::newRow("255 bytes") << kRecord + kRecord + kRecord << false << kLine + kLine + kLine;
    QTest::newRow("256 bytes") << kRecord + kRecord + kRecord + "4" << false << kLine + kLine + kLine;
}

void TestConvert::listing()
{
    QFETCH(QByteArray, logbook);
    QFETCH(bool, title);
    QFETCH(QByteArray, expected);
    ts::writeFile(QStringLiteral("src.log"), logbook);
    FakePlatform platform;
    Form2 form(platform);
    choose(form, platform, m_dir->path(QStringLiteral("src.log")), m_dir->path(QStringLiteral("out.txt")));
    form.Check1->setChecked(title);
    form.Command3->click();
    QVERIFY(platform.errors().isEmpty());
    // A destination that would receive nothing is not made.
    QCOMPARE(QFile::exists(QStringLiteral("out.txt")), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(ts::readFile(QStringLiteral("out.txt")), expected);
    QCOMPARE(ts::readFile(QStringLiteral("src.log")), logbook);
}

void TestConvert::appendsAfterExistingText()
{
    ts::writeFile(QStringLiteral("src.log"), kRecord);
    ts::writeFile(QStringLiteral("out.txt"), "kept text");
    FakePlatform platform;
    Form2 form(platform);
    choose(form, platform, m_dir->path(QStringLiteral("src.log")), m_dir->path(QStringLiteral("out.txt")));
    form.Check1->setChecked(true);
    form.Command3->click();
    form.Command3->click();
    QCOMPARE(ts::readFile(QStringLiteral("out.txt")),
             "kept text" + kTitle + kRule + kLine + kTitle + kRule + kLine);
    // The conversion ends without a box.
    QVERIFY(platform.calls.empty() || platform.calls.back().kind != QStringLiteral("messageBox"));
    QCOMPARE(form.Text1->text(), m_dir->path(QStringLiteral("src.log")));
    QVERIFY(form.Check1->isChecked());
}

void TestConvert::typingChangesNothing()
{
    // The boxes show the chosen paths and take no typing: nothing typed is silently
    // ignored. They can still be reached and their text selected.
    ts::writeFile(QStringLiteral("src.log"), kRecord);
    ts::writeFile(QStringLiteral("other.log"), kRecord + kRecord);
    FakePlatform platform;
    Form2 form(platform);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QString src = m_dir->path(QStringLiteral("src.log"));
    const QString out = m_dir->path(QStringLiteral("out.txt"));
    choose(form, platform, src, out);
    for (QLineEdit *box : { form.Text1, form.Text2 }) {
        box->setFocus();
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("other"));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->selectedText(), box == form.Text1 ? src : out);
    }
    QCOMPARE(form.Text1->text(), src);
    QCOMPARE(form.Text2->text(), out);
    // Enter in a box does nothing; on a focused button it presses it.
    QTest::keyClick(form.Text2, Qt::Key_Return);
    QVERIFY(!QFile::exists(QStringLiteral("out.txt")));
    form.Command3->setFocus();
    QTest::keyClick(form.Command3, Qt::Key_Return);
    QCOMPARE(ts::readFile(QStringLiteral("out.txt")), kLine);
    // The conversion ends without a word, the window as it was.
    QCOMPARE(platform.count("messageBox") + platform.count("error"), 0);
    QVERIFY(form.isVisible());
}

void TestConvert::logbookAsDestination_data()
{
    QTest::addColumn<QByteArray>("dest"); // what the destination holds
    QTest::addColumn<bool>("inUse"); // the main window's logbook
    QTest::addColumn<int>("answer"); // to "append all the same?"; 0: no question
    QTest::addColumn<bool>("appended");
    QTest::newRow("the logbook in use") << kRecord + kRecord << true << 0 << false;
    QTest::newRow("looks like a logbook, No") << kRecord + kRecord << false << int(MsgBox::No) << false;
    QTest::newRow("looks like a logbook, Yes") << kRecord << false << int(MsgBox::Yes) << true;
    QTest::newRow("a listing") << kLine << false << 0 << true;
    QTest::newRow("text of 170 bytes with a line end") << QByteArray(169, 'x') + "\n" << false << 0 << true;
}

void TestConvert::logbookAsDestination()
{
    QFETCH(QByteArray, dest);
    QFETCH(bool, inUse);
    QFETCH(int, answer);
    QFETCH(bool, appended);
    ts::writeFile(QStringLiteral("src.log"), kRecord);
    ts::writeFile(QStringLiteral("other.log"), dest);
    FakePlatform platform;
    Form2 form(platform);
    if (inUse)
        form.setLogbookInUse(m_dir->path(QStringLiteral("other.log")));
    if (answer)
        platform.messageAnswers.push_back(answer);
    choose(form, platform, m_dir->path(QStringLiteral("src.log")), m_dir->path(QStringLiteral("other.log")));
    form.Command3->click();
    QCOMPARE(ts::readFile(QStringLiteral("other.log")), appended ? dest + kLine : dest);
    QCOMPARE(platform.count("messageBox"), answer ? 1 : 0);
    QCOMPARE(platform.errors().size(), inUse ? 1 : 0);
}

void TestConvert::refusedChoices_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("dest");
    QTest::newRow("nothing chosen") << "" << "";
    QTest::newRow("no destination") << "src.log" << "";
    QTest::newRow("same file") << "src.log" << "src.log";
    QTest::newRow("other spelling") << "src.log" << "sub/../src.log";
    QTest::newRow("through a link") << "src.log" << "link.txt";
    // Nothing waits for a reader: a FIFO is no destination, nor a source.
    QTest::newRow("FIFO destination") << "src.log" << "pipe";
    QTest::newRow("FIFO source") << "pipe" << "out.txt";
    QTest::newRow("missing source") << "gone.log" << "out.txt";
}

void TestConvert::refusedChoices()
{
    QFETCH(QString, source);
    QFETCH(QString, dest);
    ts::writeFile(QStringLiteral("src.log"), kRecord);
    QDir().mkdir(QStringLiteral("sub"));
    QFile::link(m_dir->path(QStringLiteral("src.log")), m_dir->path(QStringLiteral("link.txt")));
    QCOMPARE(::mkfifo("pipe", 0600), 0);
    FakePlatform platform;
    Form2 form(platform);
    if (!source.isEmpty())
        platform.fileAnswers.push_back(m_dir->path(source));
    form.Command1->click();
    if (!dest.isEmpty())
        platform.fileAnswers.push_back(m_dir->path(dest));
    form.Command2->click();
    form.Check1->setChecked(true);
    form.Command3->click();
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY(platform.errors().first().contains(QStringLiteral("Nothing was converted"))
            || platform.errors().first().contains(QStringLiteral("no contact was converted")));
    QCOMPARE(ts::readFile(QStringLiteral("src.log")), kRecord);
    // Nothing else appears, and the FIFO stays a FIFO.
    QStringList left = QDir().entryList(QDir::Files | QDir::System);
    if (source == QLatin1String("pipe") || source == QLatin1String("gone.log")) {
        // The title goes in before the source is opened, as it always did.
        QCOMPARE(ts::readFile(QStringLiteral("out.txt")), kTitle + kRule);
        left.removeOne(QStringLiteral("out.txt"));
    }
    QCOMPARE(left, QStringList({ "link.txt", "pipe", "src.log" }));
    QVERIFY(!QFileInfo(QStringLiteral("pipe")).isFile());
}

void TestConvert::badSourceKeepsTitle()
{
    ts::writeFile(QStringLiteral("afile"), "x");
    FakePlatform platform;
    Form2 form(platform);
    choose(form, platform, m_dir->path(QStringLiteral("afile/src.log")), m_dir->path(QStringLiteral("out.txt")));
    form.Check1->setChecked(true);
    form.Command3->click();
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY(platform.errors().first().contains("Not a directory"));
    QCOMPARE(ts::readFile(QStringLiteral("out.txt")), kTitle + kRule);
}

void TestConvert::sourceRefusedSaysWhat_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("bytes"); // empty: a FIFO
    QTest::addColumn<QString>("mentions");
    QTest::newRow("an ADIF file") << "a\tb.adi" << QByteArray("<ADIF_VER:5>3.1.4\n<EOH>\n")
                                  << "File: %1/a\\x09b.adi\nReason: Not a vantel logbook: it looks like an ADIF file";
    QTest::newRow("a FIFO") << "p\tq.log" << QByteArray() << "File: %1/p\\x09q.log\nReason: Not a regular file but a FIFO.";
}

// The one wording of storage's failures, control characters in the path escaped.
void TestConvert::sourceRefusedSaysWhat()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mentions);
    if (bytes.isEmpty())
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    else
        QVERIFY(ts::writeFile(source, bytes));
    FakePlatform platform;
    Form2 form(platform);
    choose(form, platform, m_dir->path(source), m_dir->path(QStringLiteral("out.txt")));
    form.Command3->click();
    QCOMPARE(platform.errors().size(), 1);
    QVERIFY2(platform.errors().first().contains(mentions.arg(m_dir->root())), qPrintable(platform.errors().first()));
    if (!bytes.isEmpty())
        QCOMPARE(ts::readFile(source), bytes);
}

void TestConvert::dialogs()
{
    FakePlatform platform;
    Form2 form(platform);
    const QString src = m_dir->path(QStringLiteral("a.log"));
    platform.fileAnswers.push_back(src);
    form.Command1->click();
    form.Command2->click(); // cancelled: nothing changes
    QVERIFY(form.destPath.isEmpty() && form.Text2->text().isEmpty());
    const auto &open = platform.calls.at(0);
    QCOMPARE(open.kind, QStringLiteral("open"));
    QCOMPARE(open.request.title, QStringLiteral("Source Logfile"));
    QCOMPARE(open.request.filter,
             QStringLiteral("LogFiles (*.log)|*.log|Text (*.txt)|*.txt|All Files|*.*"));
    QCOMPARE(open.request.defaultExt, QStringLiteral(".log"));
    QVERIFY(open.request.fileName.isEmpty());
    const auto &save = platform.calls.at(1);
    QCOMPARE(save.kind, QStringLiteral("save"));
    QCOMPARE(save.request.title, QStringLiteral("Destination Logfile"));
    QCOMPARE(save.request.filter,
             QStringLiteral("Text (*.txt)|*.txt|LogFiles (*.log)|*.log|All Files|*.*"));
    QCOMPARE(save.request.defaultExt, QStringLiteral(".txt"));
    QCOMPARE(save.request.fileName, src); // the name chosen last
    QVERIFY(!QFile::exists(src)); // choosing creates nothing

    Form2 reopened(platform);
    reopened.Command1->click();
    QVERIFY(platform.calls.back().request.fileName.isEmpty());
    QVERIFY(reopened.sourcePath.isEmpty());
}

void TestConvert::windowLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Label1") << "Label1" << "Chose a source of Logfile(*.log):" << QRect(10, 10, 261, 21) << true;
    QTest::newRow("Text1") << "Text1" << "" << QRect(10, 30, 261, 24) << false;
    QTest::newRow("Command1") << "Command1" << "..." << QRect(270, 30, 21, 21) << false;
    QTest::newRow("Label2") << "Label2" << "Chose a destination file(*.txt):" << QRect(10, 70, 261, 21) << true;
    QTest::newRow("Text2") << "Text2" << "" << QRect(10, 90, 261, 24) << false;
    QTest::newRow("Command2") << "Command2" << "..." << QRect(270, 90, 21, 21) << false;
    QTest::newRow("Check1") << "Check1" << "Add a title to destination file" << QRect(10, 120, 231, 16) << true;
    QTest::newRow("Command3") << "Command3" << "Convert" << QRect(30, 150, 101, 31) << true;
    QTest::newRow("Command4") << "Command4" << "Exit Convertion" << QRect(150, 150, 121, 31) << true;
}

void TestConvert::windowLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(bool, bold);
    FakePlatform platform;
    Form2 form(platform);
    QCOMPARE(form.windowTitle(), QStringLiteral("Logfile Convertion"));
    QCOMPARE(form.size(), QSize(310, 191));
    auto *widget = form.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->font().bold(), bold);
    QString text;
    if (auto *label = qobject_cast<QLabel *>(widget))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    QCOMPARE(text, caption);
}

void TestConvert::shownModallyFromMainWindow()
{
    FakePlatform platform;
    Form1 main(platform);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    bool sawModal = false;
    QStringList focusOrder;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<Form2 *>(QApplication::activeModalWidget());
        sawModal = dialog && dialog->isModal();
        if (!dialog)
            return;
        QApplication::setActiveWindow(dialog);
        if (!QTest::qWaitForWindowActive(dialog))
            return;
        for (int i = 0; i < 7; ++i) {
            focusOrder << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        dialog->Command4->click();
    });
    main.findChild<QAction *>(QStringLiteral("mnuConvert"))->trigger(); // returns once the window is closed
    QVERIFY(sawModal);
    QCOMPARE(focusOrder, QStringList({ "Text1", "Command1", "Text2", "Command2", "Command3",
                                       "Command4", "Check1" }));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(QTest::qWaitForWindowActive(&main));
}

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
