#include "EntryFixture.h"
#include "JournalSupport.h"
#include "convert/Form2.h"
#include "logview/CorrectDialog.h"
#include "logview/LogModel.h"
#include "logview/LogWindow.h"
#include "mainwindow/LogWindowLink.h"
#include "storage/TextCodec.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <random>
#include <sys/stat.h>

namespace {

LogWindow *logWindow(Form1 &form)
{
    return form.logWindow().window();
}

// The record numbers the list shows, top to bottom.
QList<qint64> shownNumbers(const LogWindow *window)
{
    QList<qint64> out;
    for (int row = 0; row < window->model()->rowCount(); ++row)
        out << window->model()->recordNumber(row);
    return out;
}

// Types text key by key, letters beyond ASCII included (as a keyboard layout sends them).
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, char(c.unicode()));
        } else {
            const auto key = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
        }
    }
}

CorrectDialog *openDialog()
{
    return qobject_cast<CorrectDialog *>(QApplication::activeModalWidget());
}

// Whether the row is on screen in the list, not scrolled away.
bool rowVisible(const LogWindow *window, int row)
{
    const QRect rect = window->view()->visualRect(window->model()->index(row, 1));
    return window->view()->viewport()->rect().contains(rect);
}

} // namespace

// The log window: opened and left with keys, narrowed while a call is typed, following
// the file whoever writes it, and correcting a contact through the journal.
class TestLogView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openAndLeave_data();
    void openAndLeave();
    void findBoxClearButton();
    void findWhileTyping_data();
    void findWhileTyping();
    void followsTheFile_data();
    void followsTheFile();
    void correctByKeyboard_data();
    void correctByKeyboard();
    void correctionRefusedWhenChanged();
    void interruptedCorrectionUndone_data();
    void interruptedCorrectionUndone();
    void damagedJournalIsTold();
    void countryColumns();
};

void TestLogView::openAndLeave_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("back");
    QTest::newRow("F2 in the call field, F2 back") << "F2 in Text2" << "F2";
    QTest::newRow("F2 in the received report, Escape back") << "F2 in Text4" << "Escape";
    QTest::newRow("F2 in the band list, F2 from the search box") << "F2 in Combo1" << "search F2";
    QTest::newRow("the Tools menu, Escape back") << "menu" << "Escape";
}

void TestLogView::openAndLeave()
{
    QFETCH(QString, how);
    QFETCH(QString, back);
    EntryFixture f(600);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QCOMPARE(ui.mnuTools->actions().value(0), ui.mnuLogWindow);
    QCOMPARE(ui.mnuLogWindow->text(), QStringLiteral("&Log window\tF2"));
    QVERIFY(ui.mnuLogWindow->shortcut().isEmpty());
    QVERIFY(!logWindow(form)); // nothing is made before it is asked for

    for (int round = 0; round < 2; ++round) {
        if (how == QLatin1String("menu"))
            ui.mnuLogWindow->trigger();
        else
            QTest::keyClick(form.findChild<QWidget *>(how.mid(6)), Qt::Key_F2);
        LogWindow *window = logWindow(form);
        QVERIFY(window && window->isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), window);
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("Log")));
        QCOMPARE(window->windowTitle(), QStringLiteral("Log - test.log"));
        QStringList headers;
        for (int c = 0; c < window->model()->columnCount(); ++c)
            headers << window->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({ "No.", "Call", "Date/Time", "Recv", "Sent", "Band", "Mode",
                                        "Name", "QTH", "Country", "Continent", "CQ zone" }));
        QCOMPARE(window->model()->rowCount(), 600);
        // The newest contact is selected and on screen, the list has the keys.
        QCOMPARE(window->view()->currentIndex().row(), 599);
        QVERIFY(window->view()->selectionModel()->isRowSelected(599, QModelIndex()));
        QVERIFY(rowVisible(window, 599));
        QCOMPARE(QApplication::focusWidget(), window->view());
        QCOMPARE(window->statusLabel()->text(), QStringLiteral("600 contacts."));
        // Beside the entry window, never over it.
        QVERIFY(!window->frameGeometry().intersects(form.frameGeometry()));
        // Home and End go to the first and the newest contact, whatever column.
        for (const auto &[key, row] : { std::pair { Qt::Key_Up, 598 }, std::pair { Qt::Key_Right, 598 },
                                        std::pair { Qt::Key_End, 599 }, std::pair { Qt::Key_Home, 0 },
                                        std::pair { Qt::Key_End, 599 } }) {
            QTest::keyClick(window->view(), key);
            QCOMPARE(window->view()->currentIndex().row(), row);
            QVERIFY(window->view()->selectionModel()->isRowSelected(row, QModelIndex()));
        }

        if (back == QLatin1String("search F2")) {
            QTest::keyClick(window->view(), Qt::Key_Up); // leave the newest for another
            QTest::keyClick(window->view(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), window->searchBox());
            QTest::keyClick(window->searchBox(), Qt::Key_F2);
        } else {
            QTest::keyClick(window->view(), Qt::Key_Home, Qt::ControlModifier);
            QVERIFY(!rowVisible(window, 599));
            QTest::keyClick(window->view(), back == QLatin1String("F2") ? Qt::Key_F2 : Qt::Key_Escape);
        }
        QTRY_COMPARE(QApplication::activeWindow(), &form);
        QCOMPARE(QApplication::focusWidget(), ui.Text2);
        QVERIFY(window->isVisible()); // it stays beside the entry window
    }
    QVERIFY(f.platform.calls.empty());
}

// The Find box's clear button (an icon of our own, not looked up in the desktop's icon
// themes, which cost the first F2 about 10 ms) shows with text and clears it.
void TestLogView::findBoxClearButton()
{
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    QLineEdit *search = logWindow(form)->searchBox();
    const auto shownButtons = [search] {
        QList<QToolButton *> shown;
        for (QToolButton *button : search->findChildren<QToolButton *>())
            if (button->isVisible())
                shown << button;
        return shown;
    };
    QVERIFY(shownButtons().isEmpty());
    QTest::keyClicks(search, "C2");
    QCOMPARE(logWindow(form)->model()->rowCount(), 1);
    QCOMPARE(shownButtons().size(), 1);
    QVERIFY(!shownButtons().front()->grab().toImage().isNull());
    QTest::mouseClick(shownButtons().front(), Qt::LeftButton);
    QVERIFY(search->text().isEmpty());
    QCOMPARE(logWindow(form)->model()->rowCount(), 3);
    QTRY_VERIFY(shownButtons().isEmpty());
}

void TestLogView::findWhileTyping_data()
{
    QTest::addColumn<bool>("inCallField");
    QTest::newRow("check partial in the call field") << true;
    QTest::newRow("the search box, any field") << false;
}

// Random logbooks and random typing, each list checked against a plain reading of the
// file: the rows are the records, in order, whose call (or any field) contains the text.
void TestLogView::findWhileTyping()
{
    QFETCH(bool, inCallField);
    EntryFixture f(0);
    std::mt19937 random(inCallField ? 14 : 41);
    const QString alphabet = QStringLiteral("DLGKOZ14a/é");
    QByteArray bytes;
    for (int i = 1; i <= 300; ++i) {
        QString call;
        const int length = std::uniform_int_distribution<int>(1, 7)(random);
        for (int k = 0; k < length; ++k)
            call += alphabet.at(std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(random));
        const char *qth = i % 3 == 0 ? "DLondon" : i % 3 == 1 ? "Écija" : "Köln";
        bytes += ts::record(QByteArray::number(i % 1000).constData(),
                            storage::toDisk(call).constData(), "09.03.24 18:42", "599", "5991",
                            "14", "PSK31", "", storage::toDisk(QString::fromUtf8(qth)).constData());
    }
    ts::writeFile(f.log, bytes);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    LogWindow *window = logWindow(form);
    QVERIFY(window);
    QLineEdit *typedInto = inCallField ? static_cast<QLineEdit *>(ui.Text2) : window->searchBox();

    const auto matching = [&](const QString &typed, bool callOnly) {
        QList<qint64> out;
        const QString needle = typed.trimmed().toLower();
        for (qint64 n = 0; n < bytes.size() / 85; ++n) {
            bool hit = false;
            for (int field = 0; field < 9 && !hit; ++field) {
                if (callOnly && field != 1)
                    continue;
                const int offset = storage::QsoRecord::Offsets[size_t(field)];
                const int width = storage::QsoRecord::Widths[size_t(field)];
                hit = storage::fromDisk(bytes.mid(n * 85 + offset, width)).toLower().contains(needle);
            }
            if (hit)
                out << n + 1;
        }
        return out;
    };
    const QString keys = QStringLiteral("dlgkoz14A/ÉLé ");
    // Each key changes rows, never resets the list: the view keeps its place and repaints
    // only what changed, and an index held on a contact stays on it while it is shown.
    QSignalSpy resets(window->model(), &QAbstractItemModel::modelReset);
    for (int step = 0; step < 120; ++step) {
        const int rowsBefore = window->model()->rowCount();
        const int heldRow = rowsBefore ? std::uniform_int_distribution<int>(0, rowsBefore - 1)(random) : 0;
        const QPersistentModelIndex held = window->model()->index(heldRow, 1);
        const qint64 heldNumber = rowsBefore ? window->model()->recordNumber(heldRow) : 0;
        if (typedInto->text().size() > 3 || std::uniform_int_distribution<int>(0, 3)(random) == 0) {
            QTest::keyClick(typedInto, Qt::Key_Backspace);
        } else {
            const QChar c = keys.at(std::uniform_int_distribution<int>(0, int(keys.size()) - 1)(random));
            typeText(typedInto, QString(c));
        }
        const QList<qint64> want = matching(typedInto->text(), inCallField);
        QVERIFY2(shownNumbers(window) == want, qPrintable(typedInto->text()));
        QCOMPARE(resets.size(), 0);
        if (rowsBefore) {
            QCOMPARE(held.isValid(), want.contains(heldNumber));
            if (held.isValid())
                QCOMPARE(window->model()->recordNumber(held.row()), heldNumber);
        }
        // The newest of what is shown is the one selected.
        if (!want.isEmpty())
            QCOMPARE(window->view()->currentIndex().row(), want.size() - 1);
    }
    typedInto->clear();
    QCOMPARE(window->model()->rowCount(), 300);
    // While hidden the window does not follow the typing. F2 always brings the newest
    // contact into sight, selected (F2, Enter, type, Enter corrects the newest, whatever
    // was typed before); the next key narrows again.
    window->hide();
    ui.typeCall("D");
    QCOMPARE(window->model()->rowCount(), 300);
    window->searchBox()->setText(QStringLiteral("x"));
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    QCOMPARE(window->model()->rowCount(), 300);
    QCOMPARE(window->view()->currentIndex().row(), 299);
    QTest::keyClick(ui.Text2, Qt::Key_L);
    QCOMPARE(shownNumbers(window), matching(QStringLiteral("DL"), true));
    // A Find text left from an earlier search never hides what the call field finds.
    window->searchBox()->setText(QStringLiteral("no such text"));
    QCOMPARE(window->model()->rowCount(), 0);
    QTest::keyClick(ui.Text2, Qt::Key_Backspace);
    QVERIFY(window->searchBox()->text().isEmpty());
    QCOMPARE(shownNumbers(window), matching(QStringLiteral("D"), true));
}

void TestLogView::followsTheFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("status");
    QTest::newRow("saved with F1") << "F1" << 4 << "4 contacts.";
    QTest::newRow("appended by another program") << "append" << 4 << "4 contacts.";
    QTest::newRow("partial record at the end") << "partial" << 3 << "3 contacts.";
    QTest::newRow("rewritten in place") << "rewrite" << 3 << "3 contacts.";
    QTest::newRow("shortened")
            << "shorten" << 1
            << "1 contact. Another program has shortened the logbook: the contacts it removed "
               "are no longer shown.";
    QTest::newRow("removed") << "remove" << 0
                             << "The logbook %1 no longer exists: it was moved, renamed or "
                                "deleted, or its drive is not connected.";
    QTest::newRow("replaced by a FIFO")
            << "fifo" << 0 << "The logbook %1 could not be read: Not a regular file but a FIFO.";
    QTest::newRow("another logbook opened") << "open" << 2 << "2 contacts.";
}

void TestLogView::followsTheFile()
{
    QFETCH(QString, change);
    QFETCH(int, rows);
    QFETCH(QString, status);
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    LogWindow *window = logWindow(form);
    QCOMPARE(window->model()->rowCount(), 3);
    QCOMPARE(window->model()->data(window->model()->index(2, 1)).toString(), QStringLiteral("C3"));

    const QByteArray fourth = ts::record("4", "W1AW", "09.03.24 19:00", "599", "5994");
    if (change == QLatin1String("F1")) {
        QTest::keyClick(window->view(), Qt::Key_F2);
        ui.typeCall("W1AW");
        QTest::keyClick(ui.Text2, Qt::Key_F1);
        QCOMPARE(window->model()->rowCount(), 4); // at once, not at the next poll
    } else if (change == QLatin1String("append")) {
        QFile file(f.log);
        QVERIFY(file.open(QIODevice::Append));
        file.write(fourth);
    } else if (change == QLatin1String("partial")) {
        QFile file(f.log);
        QVERIFY(file.open(QIODevice::Append));
        file.write(fourth.left(84));
    } else if (change == QLatin1String("rewrite")) {
        ts::writeFile(f.log, ts::records(2) + ts::record("3", "XX9XX"));
    } else if (change == QLatin1String("shorten")) {
        ts::writeFile(f.log, ts::records(1) + "2  C");
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(f.log));
    } else if (change == QLatin1String("fifo")) {
        QVERIFY(QFile::remove(f.log));
        QCOMPARE(::mkfifo(QFile::encodeName(f.log).constData(), 0600), 0);
    } else if (change == QLatin1String("open")) {
        const QString other = f.dir.path(QStringLiteral("other.log"));
        ts::writeFile(other, ts::records(2, 50));
        f.platform.fileAnswers.push_back(other);
        // A Find text belongs to the logbook it was typed for.
        QTest::keyClick(window->view(), Qt::Key_Tab);
        QTest::keyClicks(window->searchBox(), "C3");
        QCOMPARE(window->model()->rowCount(), 1);
        ui.mnuOpen->trigger();
        QVERIFY(window->searchBox()->text().isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("Log - other.log"));
    }
    // Within a second, whoever wrote it: the rows are the whole records on disk.
    const auto showsFile = [&] {
        if (window->model()->rowCount() != rows || shownNumbers(window).value(rows - 1, rows) != rows)
            return false;
        const QByteArray onDisk = rows > 0 ? ts::readFile(form.session().path()) : QByteArray();
        for (int row = 0; row < rows; ++row) {
            if (window->model()->data(window->model()->index(row, 1)).toString()
                != QString::fromLatin1(onDisk.mid(row * 85 + 3, 15)).trimmed())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(showsFile(), 1000);
    QCOMPARE(window->statusLabel()->text(), status.arg(f.log));
    if (rows > 0)
        QCOMPARE(window->view()->currentIndex().row(), rows - 1);
    QVERIFY(f.platform.errors().isEmpty());
}

void TestLogView::correctByKeyboard_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("typed"); // a tab moves to the next field
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("the newest contact: F2, Enter, call, Enter")
            << "" << 3 << "G4XYZ" << "G4XYW"
            << QByteArray("3  G4XYW          09.03.24 18:50 579     5993    7   CW     J\tn       Pr\x81ha          ");
    QTest::newRow("one found by search: name and QTH")
            << "dl1a" << 1 << "DL1ABC" << QString::fromUtf8("\t\t\t\t\t\tHanno\tZürich")
            << QByteArray("1  DL1ABC         09.03.24 18:30 599     5991    14  PSK31  Hanno     Z\xfcrich         ");
}

void TestLogView::correctByKeyboard()
{
    QFETCH(QString, search);
    QFETCH(int, number);
    QFETCH(QString, selected);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    EntryFixture f(0);
    const QByteArray first("1  DL1ABC         09.03.24 18:30 599     5991    14  PSK31  Hans      Berlin         ");
    const QByteArray second("2  G4XYZ          09.03.24 18:42 599     5992    14  PSK31  Bob       Leeds          ");
    // Bytes the fields keep out (a tab, an undefined 0x81) stay in a field nobody edits.
    const QByteArray third("3  G4XYZ          09.03.24 18:50 579     5993    7   CW     J\tn       Pr\x81ha          ");
    ts::writeFile(f.log, first + second + third);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    LogWindow *window = logWindow(form);
    if (!search.isEmpty()) {
        QTest::keyClick(window->view(), Qt::Key_Tab);
        QTest::keyClicks(window->searchBox(), search);
        QTest::keyClick(window->searchBox(), Qt::Key_Return);
    }
    QTest::keyClick(window->view(), Qt::Key_Return);
    CorrectDialog *dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->windowTitle().startsWith(QStringLiteral("Correct")));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Correct contact %1").arg(number));
    // Nine fields in record order, titled as the list's columns.
    auto *form9 = dialog->findChild<QFormLayout *>();
    QCOMPARE(form9->rowCount(), 9);
    QStringList labels;
    for (int row = 0; row < 9; ++row)
        labels << qobject_cast<QLabel *>(form9->itemAt(row, QFormLayout::LabelRole)->widget())->text();
    QCOMPARE(labels, QStringList({ "No.", "Call", "Date/Time", "Recv", "Sent", "Band", "Mode", "Name",
                                   "QTH" }));
    QVERIFY(dialog->field(storage::QsoRecord::Number)->isReadOnly());
    // It looks it: drawn on the dialog's own background, where the call field is not.
    const auto background = [](QWidget *w) { return w->grab().toImage().pixelColor(w->width() - 3, w->height() / 2); };
    QCOMPARE(background(dialog->field(storage::QsoRecord::Number)), dialog->palette().color(QPalette::Window));
    QVERIFY(background(dialog->field(storage::QsoRecord::Call)) != dialog->palette().color(QPalette::Window));
    QCOMPARE(dialog->field(storage::QsoRecord::Number)->text(), QString::number(number));
    QTRY_COMPARE(QApplication::activeWindow(), dialog);
    QCOMPARE(QApplication::focusWidget(), dialog->field(storage::QsoRecord::Call));
    QCOMPARE(dialog->field(storage::QsoRecord::Call)->selectedText(), selected);
    QVERIFY(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isDefault());

    // Tabs move on through the fields; each arrival selects the field, typing replaces it.
    const QStringList pieces = typed.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        typeText(QApplication::focusWidget(), pieces.at(i));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(!openDialog());

    QByteArray want = first + second + third;
    want.replace((number - 1) * 85, 85, after);
    QCOMPARE(f.logBytes(), want);
    QVERIFY(!QFile::exists(f.log + QStringLiteral(".journal")));
    QVERIFY(f.platform.calls.empty());
    // The list shows the correction, with the corrected contact still selected.
    const int row = window->view()->currentIndex().row();
    QCOMPARE(window->model()->recordNumber(row), qint64(number));
    QCOMPARE(window->model()->data(window->model()->index(row, 1)).toString(),
             QString::fromLatin1(after.mid(3, 15)).trimmed());
    QTRY_COMPARE(QApplication::focusWidget(), window->view());
}

void TestLogView::correctionRefusedWhenChanged()
{
    EntryFixture f(3);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F2);
    LogWindow *window = logWindow(form);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    const QRect third = window->view()->visualRect(window->model()->index(2, 1));
    // A double click as a mouse sends it: click, then press again within the interval.
    QTest::mouseClick(window->view()->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(window->view()->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseRelease(window->view()->viewport(), Qt::LeftButton, {}, third.center());
    CorrectDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Correct contact 3"));
    // A contact keeps a call sign.
    QTest::keyClick(dialog->field(storage::QsoRecord::Call), Qt::Key_Delete);
    QTest::keyClick(dialog->field(storage::QsoRecord::Call), Qt::Key_Return);
    QCOMPARE(f.platform.errors(), QStringList({ "Contact 3 was not corrected: a contact without a "
                                                "call sign cannot be kept. Type the call sign." }));
    QCOMPARE(openDialog(), dialog);
    f.platform.calls.clear();
    QTest::keyClicks(dialog->field(storage::QsoRecord::Call), "K3XX");
    // Another station corrects the same contact first.
    const QByteArray theirs = ts::records(2) + ts::record("3", "N3THEIRS");
    ts::writeFile(f.log, theirs);
    QTest::keyClick(dialog->field(storage::QsoRecord::Call), Qt::Key_Return);
    QTRY_VERIFY(!openDialog());
    QCOMPARE(f.platform.errors().size(), 1);
    QVERIFY(f.platform.errors().first().startsWith(QStringLiteral("Contact 3 was not corrected.")));
    QVERIFY(f.platform.errors().first().contains(
            QStringLiteral("Reason: The contact on disk is no longer the one shown.")));
    QCOMPARE(f.logBytes(), theirs);
    QCOMPARE(window->model()->data(window->model()->index(2, 1)).toString(), QStringLiteral("N3THEIRS"));
    QVERIFY(!QFile::exists(f.log + QStringLiteral(".journal")));
}

void TestLogView::interruptedCorrectionUndone_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("start-up") << "start-up";
    QTest::newRow("Open") << "open";
    QTest::newRow("the log window") << "log window";
    QTest::newRow("vantel-export") << "export";
    QTest::newRow("Create (the journal is stale once emptied)") << "create";
    // Another station stops mid-correction while this one runs: its change of the file
    // brings the contact back within a poll, without waiting for the next start.
    QTest::newRow("while running") << "running";
    QTest::newRow("the window's export") << "window export";
    QTest::newRow("the conversion window") << "convert";
}

void TestLogView::interruptedCorrectionUndone()
{
    QFETCH(QString, when);
    EntryFixture f(0);
    const QByteArray old = ts::record("2", "G4XYZ", "09.03.24 18:42");
    const QByteArray corrected = ts::record("2", "G4XYW", "09.03.24 18:42");
    // Killed after the first half of the new record reached the disk.
    const QByteArray torn = ts::records(1) + corrected.left(40) + old.mid(40) + ts::records(1, 3);
    const QString log = when == QLatin1String("start-up") ? f.log : f.dir.path(QStringLiteral("b.log"));
    const QString journal = log + QStringLiteral(".journal");
    const auto crash = [&] {
        ts::writeFile(log, torn);
        ts::writeFile(journal, ts::journal(log, 2, old, corrected));
    };
    if (when == QLatin1String("start-up"))
        crash();
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (when == QLatin1String("open")) {
        crash();
        f.platform.fileAnswers.push_back(log);
        ui.mnuOpen->trigger();
    } else if (when == QLatin1String("log window")) {
        f.platform.fileAnswers.push_back(log);
        ui.mnuOpen->trigger();
        crash();
        QTest::keyClick(ui.Text2, Qt::Key_F2);
    } else if (when == QLatin1String("create")) {
        crash();
        f.platform.fileAnswers.push_back(log);
        f.platform.messageAnswers.push_back(MsgBox::Yes);
        ui.mnuSave->trigger();
        QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 1); // only "delete them?"
        QCOMPARE(ts::readFile(log), QByteArray());
        QVERIFY(!QFile::exists(journal));
        return;
    } else if (when == QLatin1String("running")) {
        f.platform.fileAnswers.push_back(log);
        ui.mnuOpen->trigger();
        crash();
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(journal), 2000);
    } else if (when == QLatin1String("window export")) {
        f.platform.fileAnswers.push_back(log);
        ui.mnuOpen->trigger();
        crash();
        f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("out.adi")));
        form.findChild<QAction *>("mnuExportAdif")->trigger();
        QVERIFY(ts::readFile(QStringLiteral("out.adi")).contains("<CALL:5>G4XYZ"));
        f.platform.calls.pop_back(); // the export's own report
    } else if (when == QLatin1String("convert")) {
        crash();
        Form2 conversion(f.platform, &form);
        f.platform.fileAnswers.push_back(log);
        f.platform.fileAnswers.push_back(f.dir.path(QStringLiteral("out.txt")));
        conversion.Command1->click();
        conversion.Command2->click();
        conversion.Command3->click();
        // A conversion ends without a box of its own: the last call is the recovery's.
        QVERIFY(ts::readFile(QStringLiteral("out.txt")).contains("2  G4XYZ    "));
    } else if (when == QLatin1String("export")) {
        crash();
        QProcess process;
        process.start(QStringLiteral(VANTEL_EXPORT), { QStringLiteral("listing"), log });
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(),
                 QByteArray("vantel-export: the correction of contact 2 was interrupted and has "
                            "been undone: the contact is as it was before.\n"));
        QVERIFY(process.readAllStandardOutput().contains("2  G4XYZ    "));
    }
    if (when != QLatin1String("export")) {
        // The dialogs asked (Open, the export's file), then the one message.
        const size_t asked = when == QLatin1String("start-up")                                    ? 0
                : when == QLatin1String("window export") || when == QLatin1String("convert") ? 2
                                                                                              : 1;
        QCOMPARE(f.platform.calls.size(), asked + 1);
        const FakePlatform::Call &told = f.platform.calls.back();
        QCOMPARE(told.kind, QStringLiteral("messageBox"));
        QCOMPARE(told.style, MsgBox::OkOnly | MsgBox::Information);
        QCOMPARE(told.text,
                 QStringLiteral("The correction of contact 2 in the logbook %1 was interrupted (the "
                                "program stopped, or the disk failed) and has been undone: the "
                                "contact is as it was before.\n\nCorrect it again in the log window "
                                "(F2).")
                         .arg(log));
        QCOMPARE(form.session().path(), when == QLatin1String("convert") ? f.log : log);
    }
    QCOMPARE(ts::readFile(log), ts::records(1) + old + ts::records(1, 3));
    QVERIFY(!QFile::exists(journal));
}

void TestLogView::damagedJournalIsTold()
{
    // A journal that was never whole changed nothing; it goes, and the operator hears of it.
    EntryFixture f(2);
    QByteArray journal = ts::journal(f.log, 2, ts::record("2", "C2"), ts::record("2", "X2"));
    journal[20] = char(journal[20] ^ 0x40);
    ts::writeFile(f.log + QStringLiteral(".journal"), journal);
    f.open();
    QCOMPARE(f.platform.count(QStringLiteral("messageBox")), 1);
    QVERIFY(f.platform.calls.back().text.contains(QStringLiteral("before it changed anything")));
    QVERIFY(!QFile::exists(f.log + QStringLiteral(".journal")));
    QCOMPARE(f.logBytes(), ts::records(2));
    // One whose record changed again since: said so, and what stands now is left alone.
    const QByteArray third = ts::records(1) + ts::record("2", "W1AW");
    ts::writeFile(f.log, third);
    ts::writeFile(f.log + QStringLiteral(".journal"), ts::journal(f.log, 2, ts::record("2", "C2"), ts::record("2", "X2")));
    f.open();
    QVERIFY(f.platform.calls.back().text.contains(QStringLiteral("the logbook has changed since")));
    QCOMPARE(f.logBytes(), third);
    QVERIFY(!QFile::exists(f.log + QStringLiteral(".journal")));
}


// The country columns from Debian's cty.dat, read once the window shows: empty until it
// arrives and for calls of no entity; a corrected call shows its new country.
void TestLogView::countryColumns()
{
    ts::WorkDir dir;
    const QString log = dir.path(QStringLiteral("c.log"));
    ts::writeFile(log, ts::record("1", "DL1ABC", "09.03.24 18:42") + ts::record("2", "kh6/w1aw")
                          + ts::record("3", "W1AW/MM") + ts::record("4", "Q1ABC") + ts::record("5", "IT9ABC"));
    FakePlatform platform;
    LogWindow window(platform);
    window.followLogbook(log);
    window.showNewest();
    const auto row = [&](int r) {
        QStringList cells;
        for (int c = LogModel::CountryColumn; c < LogModel::ColumnCount; ++c)
            cells << window.model()->data(window.model()->index(r, c)).toString();
        return cells;
    };
    QCOMPARE(row(0), QStringList({ "", "", "" }));
    QTRY_COMPARE(row(0), QStringList({ "Fed. Rep. of Germany", "EU", "14" }));
    QCOMPARE(row(1), QStringList({ "Hawaii", "OC", "31" }));
    QCOMPARE(row(2), QStringList({ "", "", "" }));
    QCOMPARE(row(3), QStringList({ "", "", "" }));
    QCOMPARE(row(4), QStringList({ "Sicily", "EU", "15" }));
    QVERIFY(!window.view()->isColumnHidden(LogModel::CountryColumn));
    QVERIFY(window.view()->columnViewportPosition(LogModel::CqZoneColumn) >= 0);

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(85 + 3));
    file.write("JA1XX          ");
    file.close();
    window.model()->refresh();
    QCOMPARE(row(1), QStringList({ "Japan", "AS", "25" }));
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
