// One operating station for the model test: a real entry window (and conversion window)
// in its own working folder, driven by one command a line on standard input, answering
// one line each on standard output:
//   save CALL | check CALL | open PATH | create PATH | convert SOURCE DEST
//   slow MS (every write waits MS first, to widen the window between check and write)
//   correct N CALL (record N gets the call sign CALL, as the correction dialog does it)
//   slowsync MS (every fsync waits MS first: a slow disk in the middle of a correction)
//   import PATH (File → Import ADIF..., the summary confirmed with Enter)
// Answers: "ok <number shown>", "dup", "new", "ok <lines>" (convert) or "err <reason>".
#include "FakePlatform.h"
#include "Form1Ui.h"
#include "convert/Form2.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "storage/FileHandle.h"
#include "storage/Journal.h"
#include "storage/StorageText.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

int g_slowMs = 0;
int g_slowSyncMs = 0;

int slowCalls(storage::hooks::Call call, qint64 *)
{
    if (call == storage::hooks::Call::Write)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_slowMs));
    if (call == storage::hooks::Call::Sync || call == storage::hooks::Call::SyncFolder)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_slowSyncMs));
    return 0;
}

// What the correction dialog does once the operator typed a new call: the record as
// shown (read from the file now) and as corrected go to the one correction step.
QString correct(const QString &logbook, const QString &arg)
{
    if (logbook.isEmpty())
        return QStringLiteral("err no logbook");
    const qint64 number = arg.section(QLatin1Char(' '), 0, 0).toLongLong();
    // Never through QFile: a logbook swapped for a FIFO would hold the station.
    auto file = storage::FileHandle::open(logbook, storage::FileHandle::Mode::ReadExisting);
    storage::QsoRecord shown;
    if (number < 1 || !file)
        return QStringLiteral("err no such record");
    const auto got = file.value().readAt(shown.bytes.data(), 85, (number - 1) * 85);
    if (!got || got.value() != 85)
        return QStringLiteral("err no such record");
    storage::QsoRecord corrected = shown;
    corrected.setField(storage::QsoRecord::Call, arg.section(QLatin1Char(' '), 1));
    const storage::Status done = storage::correctRecord(logbook, number, shown, corrected);
    return done ? QStringLiteral("ok") : QStringLiteral("err ") + storage::failureReason(done.error());
}

QString answer(FakePlatform &platform, size_t callsBefore, const QString &ok)
{
    for (size_t i = callsBefore; i < platform.calls.size(); ++i) {
        if (platform.calls[i].kind == QLatin1String("error"))
            return QStringLiteral("err ") + platform.calls[i].text.simplified(); // one line, reason and all
    }
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1])))
        return 2;
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    ui.mnuClear->trigger(); // the fields keep what the command put there
    std::printf("ready %s\n", qPrintable(form.session().path().isEmpty() ? QStringLiteral("-") : ui.Text1->text()));
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        const QString command = QString::fromStdString(line);
        const QString verb = command.section(QLatin1Char(' '), 0, 0);
        // The rest of the line: a call sign may hold a space.
        const QString arg = command.section(QLatin1Char(' '), 1);
        const size_t before = platform.calls.size();
        QString reply;
        if (verb == QLatin1String("save")) {
            const QString texts[] = { arg, QStringLiteral("01.02.03 04:05"), QStringLiteral("599"),
                                      QStringLiteral("59913"), QStringLiteral("Ann"), QStringLiteral("Oulu") };
            EntryField *fields[] = { ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text7, ui.Text8 };
            for (int i = 0; i < 6; ++i)
                fields[i]->setText(texts[i]);
            ui.Combo1->setEditText(QStringLiteral("14"));
            ui.Combo2->setEditText(QStringLiteral("CW"));
            QTest::keyClick(ui.Text2, Qt::Key_F1);
            reply = answer(platform, before, QStringLiteral("ok ") + ui.Text1->text());
        } else if (verb == QLatin1String("check")) {
            ui.Text2->setText(arg);
            ui.Label7->clear();
            ui.pressEnter();
            bool duplicate = false;
            for (size_t i = before; i < platform.calls.size(); ++i)
                duplicate = duplicate || platform.calls[i].text == QLatin1String("Duplicate!!!");
            const bool fresh = ui.Label7->text() == QLatin1String("GOOD ONE!!!");
            reply = answer(platform, before,
                           duplicate ? QStringLiteral("dup")
                                     : fresh ? QStringLiteral("new") : QStringLiteral("err silent"));
        } else if (verb == QLatin1String("open") || verb == QLatin1String("create")) {
            platform.fileAnswers.push_back(arg);
            platform.messageAnswers.push_back(MsgBox::Yes); // yes, empty it
            (verb == QLatin1String("open") ? ui.mnuOpen : ui.mnuSave)->trigger();
            platform.messageAnswers.clear();
            reply = answer(platform, before, QStringLiteral("ok ") + ui.Text1->text());
            // A refused command leaves the window as it was: say so to the checker.
            if (reply.startsWith(QLatin1String("err")) && form.session().path().isEmpty())
                reply += QStringLiteral(" (no logbook)");
        } else if (verb == QLatin1String("convert")) {
            Form2 conversion(platform, &form);
            platform.fileAnswers.push_back(command.section(QLatin1Char(' '), 1, 1));
            platform.fileAnswers.push_back(command.section(QLatin1Char(' '), 2, 2));
            conversion.Command1->click();
            conversion.Command2->click();
            conversion.Command3->click();
            reply = answer(platform, before, QStringLiteral("ok"));
        } else if (verb == QLatin1String("import")) {
            platform.fileAnswers.push_back(arg);
            form.findChild<QAction *>(QStringLiteral("mnuImport"))->trigger();
            if (auto *summary = form.findChild<QDialog *>(QStringLiteral("ImportSummary")))
                QTest::keyClick(summary, Qt::Key_Return);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the summary goes
            platform.fileAnswers.clear(); // not asked without a logbook
            reply = answer(platform, before, QStringLiteral("ok ") + ui.Text1->text());
        } else if (verb == QLatin1String("correct")) {
            reply = correct(form.session().path(), arg);
        } else if (verb == QLatin1String("slow") || verb == QLatin1String("slowsync")) {
            (verb == QLatin1String("slow") ? g_slowMs : g_slowSyncMs) = arg.toInt();
            storage::hooks::beforeCall = g_slowMs > 0 || g_slowSyncMs > 0 ? slowCalls : nullptr;
            reply = QStringLiteral("ok");
        } else {
            reply = QStringLiteral("err unknown command");
        }
        std::printf("%s\n", qPrintable(reply));
        std::fflush(stdout);
    }
    return 0;
}
