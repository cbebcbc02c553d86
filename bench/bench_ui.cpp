// The waits an operator feels, each beside its floor: start-up, F1 and Enter.
#include "../tests/FakePlatform.h"
#include "BenchSupport.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/StationLine.h"
#include "storage/FileHandle.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &logbook(int records)
{
    static std::map<int, QString> made;
    auto it = made.find(records);
    if (it == made.end()) {
        const std::string name = "log" + std::to_string(records) + ".log";
        it = made.emplace(records, bench::makeLogbook(folder(), records, name.c_str())).first;
    }
    return it->second;
}

// A full logbook of MASTER.SCP's calls on the list's bands and a few modes.
const QString &realCalls()
{
    static const QString path = [] {
        QFile file(bench::writeFile(folder(), "real.log", bench::masterScpLogbook(storage::MaxRecords)));
        // Older than the second in which a write may go unseen: the lookup trusts its stat.
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60), QFileDevice::FileModificationTime);
        return file.fileName();
    }();
    return path;
}

// The country file is read on a thread once the window is up; keys are measured after.
void waitForStationLine(Form1 &form)
{
    auto *line = form.findChild<StationLine *>(QStringLiteral("stationLine"));
    for (int i = 0; line && !line->isLoaded() && i < 5000; ++i)
        QTest::qWait(1);
}

void useLogbook(const QString &path)
{
    QDir::setCurrent(folder().path());
    (void)storage::writeSetting(QStringLiteral("deflog"), path);
    (void)storage::writeSetting(QStringLiteral("sent"), QStringLiteral("599"));
}

// --- start-up ---------------------------------------------------------------------

void startup(benchmark::State &state, int records)
{
    useLogbook(logbook(records));
    for (auto _ : state) {
        auto platform = std::make_unique<FakePlatform>();
        auto form = std::make_unique<Form1>(*platform);
        form->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form->fieldText(storage::QsoRecord::Number));
        // Start-up ends with the window up; closing it (which waits for the country
        // file's thread) is no part of it.
        state.PauseTiming();
        form.reset();
        platform.reset();
        state.ResumeTiming();
    }
}
void BM_StartupFullLogbook(benchmark::State &state) { startup(state, 32766); }
void BM_StartupEmptyLogbook(benchmark::State &state) { startup(state, 0); }
void BM_StartupEmptyQtWindow(benchmark::State &state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_StartupFullLogbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupEmptyLogbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupEmptyQtWindow)->Unit(benchmark::kMillisecond);

// --- F1 ---------------------------------------------------------------------------

void BM_SaveWithF1(benchmark::State &state)
{
    const QString path = folder().filePath(QStringLiteral("f1.log"));
    (void)storage::emptyLogbook(path);
    useLogbook(path);
    FakePlatform platform;
    auto form = std::make_unique<Form1>(platform);
    form->show();
    for (auto _ : state) {
        if (form->session().qsoCount >= 32000) {
            state.PauseTiming();
            (void)storage::emptyLogbook(path);
            form = std::make_unique<Form1>(platform);
            form->show();
            state.ResumeTiming();
        }
        form->setFieldText(storage::QsoRecord::Call, QStringLiteral("DL1ABC"));
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_F1);
    }
    if (!platform.calls.empty())
        state.SkipWithError("a save failed");
}
BENCHMARK(BM_SaveWithF1)->Unit(benchmark::kMicrosecond);

// The storage part of F1 alone, to tell the window's share from the disk's.
void BM_WriteRecordOnly(benchmark::State &state)
{
    const QString path = folder().filePath(QStringLiteral("store.log"));
    (void)storage::emptyLogbook(path);
    storage::QsoRecord record;
    qint64 number = 0;
    for (auto _ : state) {
        if (++number > 32000) {
            state.PauseTiming();
            (void)storage::emptyLogbook(path);
            number = 1;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(storage::writeRecord(path, number, record));
    }
}
BENCHMARK(BM_WriteRecordOnly)->Unit(benchmark::kMicrosecond);

// The floor: 85 bytes appended to a file and forced to the same file system, as a
// save does (a growing file costs more to force than one rewritten in place).
void BM_BareWriteAndFsync(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(folder().filePath(QStringLiteral("bare.log")));
    const char record[85] = {};
    ::truncate(path.constData(), 0);
    long offset = 0;
    for (auto _ : state) {
        if (offset >= 85L * 32000) {
            state.PauseTiming();
            ::truncate(path.constData(), 0);
            offset = 0;
            state.ResumeTiming();
        }
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0644);
        benchmark::DoNotOptimize(::pwrite(fd, record, sizeof record, offset));
        ::fsync(fd);
        ::close(fd);
        offset += 85;
    }
}
BENCHMARK(BM_BareWriteAndFsync)->Unit(benchmark::kMicrosecond);

// --- a key in the call field ----------------------------------------------------------

// Each key reads the logbook for the live duplicate mark; the call typed is a miss, so
// the whole file is read every time.
void BM_KeyInCallField(benchmark::State &state)
{
    useLogbook(logbook(int(state.range(0))));
    FakePlatform platform;
    Form1 form(platform);
    form.show();
    waitForStationLine(form);
    QTest::keyClicks(form.control(storage::QsoRecord::Call), QStringLiteral("DL1AB"));
    bool add = true;
    for (auto _ : state) {
        QTest::keyClick(form.control(storage::QsoRecord::Call), add ? Qt::Key_C : Qt::Key_Backspace);
        add = !add;
    }
    if (!platform.calls.empty() || form.callIsDuplicate())
        state.SkipWithError("the key did something else");
}
BENCHMARK(BM_KeyInCallField)->Arg(1000)->Arg(32766)->Unit(benchmark::kMicrosecond);

// The same key on a full logbook of real calls (MASTER.SCP's, across the bands and a few
// modes), with the station line: country, heading, worked before on the band and mode,
// possibly busted, and check partial over MASTER.SCP's calls.
void BM_KeyWithStationLine(benchmark::State &state)
{
    useLogbook(realCalls());
    FakePlatform platform;
    Form1 form(platform);
    form.show();
    waitForStationLine(form);
    platform.calls.clear(); // the box saying the logbook is full
    auto *call = form.findChild<QWidget *>(QStringLiteral("Text2"));
    QTest::keyClicks(call, QStringLiteral("DL1AB"));
    auto *row = form.findChild<QLabel *>(QStringLiteral("stationRow"));
    bool add = true;
    for (auto _ : state) {
        QTest::keyClick(call, add ? Qt::Key_C : Qt::Key_Backspace);
        add = !add;
    }
    if (!call || !platform.calls.empty() || !row || !row->text().startsWith(QLatin1String("Fed. Rep. of Germany")))
        state.SkipWithError("the key did something else");
}
BENCHMARK(BM_KeyWithStationLine)->Unit(benchmark::kMicrosecond);

// --- Enter ------------------------------------------------------------------------

void duplicateCheck(benchmark::State &state, const char *which)
{
    const int records = int(state.range(0));
    const QString &path = logbook(records);
    const std::string what(which);
    const QString key = what == "first" ? QStringLiteral("K1")
            : what == "last"            ? QStringLiteral("K%1").arg(records)
                                        : QStringLiteral("NOT-THERE");
    storage::QsoRecord last;
    for (auto _ : state)
        benchmark::DoNotOptimize(storage::findCall(path, key, last));
}
void BM_EnterHitFirst(benchmark::State &state) { duplicateCheck(state, "first"); }
void BM_EnterHitLast(benchmark::State &state) { duplicateCheck(state, "last"); }
void BM_EnterMiss(benchmark::State &state) { duplicateCheck(state, "miss"); }
void BM_PlainRead(benchmark::State &state)
{
    const QByteArray name = QFile::encodeName(logbook(int(state.range(0))));
    std::vector<char> buffer(1542 * 85);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        long total = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_EnterHitFirst)->Arg(1)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterHitLast)->Arg(1)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterMiss)->Arg(1)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainRead)->Arg(1)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::run(argc, argv,
                      { { "BM_StartupFullLogbook", "BM_StartupEmptyLogbook" },
                        { "BM_StartupEmptyLogbook", "BM_StartupEmptyQtWindow" },
                        { "BM_SaveWithF1", "BM_BareWriteAndFsync" },
                        { "BM_WriteRecordOnly", "BM_BareWriteAndFsync" },
                        { "BM_EnterMiss/1", "BM_PlainRead/1" },
                        { "BM_EnterMiss/1000", "BM_PlainRead/1000" },
                        { "BM_EnterMiss/32767", "BM_PlainRead/32767" },
                        { "BM_EnterHitLast/32767", "BM_PlainRead/32767" },
                        { "BM_KeyInCallField/32766", "BM_PlainRead/32767" },
                        { "BM_KeyWithStationLine", "BM_PlainRead/32767" } });
}
