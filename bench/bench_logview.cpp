// The log window's waits, each beside its floor: showing it on a full logbook (beside a
// plain read of the file), and a key in the call field while it is open (beside the same
// key without it; the live duplicate mark reads the logbook on every key in both).
#include "../tests/FakePlatform.h"
#include "BenchSupport.h"
#include "logview/LogModel.h"
#include "logview/LogWindow.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/LogWindowLink.h"
#include "storage/Settings.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QTableView>
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

const QString &fullLogbook()
{
    static const QString path = bench::makeLogbook(folder(), 32767, "full.log");
    return path;
}

// A window on a logbook of 32767 contacts: the last one saved with F1 in this session,
// since a logbook that is already full is not taken into use.
std::unique_ptr<Form1> fullForm(FakePlatform &platform)
{
    QDir::setCurrent(folder().path());
    const QString path = folder().filePath(QStringLiteral("session.log"));
    QFile::remove(path);
    QFile::copy(fullLogbook(), path);
    ::truncate(QFile::encodeName(path).constData(), qint64(32766) * 85);
    (void)storage::writeSetting(QStringLiteral("deflog"), path);
    auto form = std::make_unique<Form1>(platform);
    form->show();
    form->setFieldText(storage::QsoRecord::Call, QStringLiteral("LAST"));
    QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_F1); // says the logbook is now full
    if (form->session().qsoCount != 32767)
        std::fprintf(stderr, "the logbook holds %d contacts, not 32767: %s\n", form->session().qsoCount,
                     qPrintable(platform.errors().join(QLatin1Char('\n'))));
    form->setFieldText(storage::QsoRecord::Call, QString()); // a full logbook keeps the fields as they were
    return form;
}

// The window made, the file read and the newest contact shown and painted.
void BM_ShowLogWindow(benchmark::State &state)
{
    FakePlatform platform;
    for (auto _ : state) {
        auto window = std::make_unique<LogWindow>(platform);
        window->followLogbook(fullLogbook());
        window->showNewest();
        QCoreApplication::processEvents(); // laid out and painted
        state.PauseTiming();
        const int rows = window->model()->rowCount();
        window.reset();
        if (rows != 32767) {
            state.SkipWithError("the window does not show 32767 contacts");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowLogWindow)->Unit(benchmark::kMillisecond);

// F2 again once the window exists: the file read again, the newest shown.
void BM_ShowAgain(benchmark::State &state)
{
    FakePlatform platform;
    LogWindow window(platform);
    window.followLogbook(fullLogbook());
    for (auto _ : state) {
        state.PauseTiming();
        window.hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window.followLogbook(fullLogbook());
        window.showNewest();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ShowAgain)->Unit(benchmark::kMillisecond);

// F2 from the call field through the entry window, the window made the first time.
void BM_F2FirstTime(benchmark::State &state)
{
    FakePlatform platform;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = fullForm(platform);
        state.ResumeTiming();
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_F2);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form->logWindow().window()->model()->rowCount());
        state.PauseTiming();
        const int rows = form->logWindow().window()->model()->rowCount();
        form.reset();
        if (rows != 32767) {
            state.SkipWithError("the window does not show 32767 contacts");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_F2FirstTime)->Unit(benchmark::kMillisecond);

void BM_PlainReadFullLogbook(benchmark::State &state)
{
    const QByteArray name = QFile::encodeName(fullLogbook());
    std::vector<char> buffer(32767 * 85);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
        ::close(fd);
    }
}
BENCHMARK(BM_PlainReadFullLogbook)->Unit(benchmark::kMillisecond);

// One key of a call typed and taken back again: D L 1 A B C, then six Backspaces.
void typeKeys(benchmark::State &state, bool withLogWindow)
{
    FakePlatform platform;
    auto form = fullForm(platform);
    if (withLogWindow) {
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_F2);
        form->activateWindow();
        form->control(storage::QsoRecord::Call)->setFocus();
    }
    QCoreApplication::processEvents();
    const char keys[] = "DL1ABC";
    int step = 0;
    for (auto _ : state) {
        if (step < 6)
            QTest::keyClick(form->control(storage::QsoRecord::Call), keys[step]);
        else
            QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_Backspace);
        step = (step + 1) % 12;
        QCoreApplication::processEvents(); // the list repainted
    }
    if (withLogWindow && form->logWindow().window()->model()->recordCount() != 32767)
        state.SkipWithError("the window does not show 32767 contacts");
}
void BM_CallKeyWithLogWindow(benchmark::State &state) { typeKeys(state, true); }
void BM_CallKeyWithoutLogWindow(benchmark::State &state) { typeKeys(state, false); }
BENCHMARK(BM_CallKeyWithLogWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CallKeyWithoutLogWindow)->Unit(benchmark::kMillisecond);

// The list's share of a key: the filter over 32767 records and a shown view brought up
// to date, done on the raw bytes (as the window does) and, for the choice, by Qt's
// QSortFilterProxyModel over the same model.
void filterKeys(benchmark::State &state, bool proxy)
{
    LogModel model;
    model.setPath(fullLogbook());
    QSortFilterProxyModel filter;
    filter.setSourceModel(&model);
    filter.setFilterKeyColumn(1);
    filter.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(proxy ? static_cast<QAbstractItemModel *>(&filter) : &model);
    view.show();
    QCoreApplication::processEvents();
    const QString texts[] = { QStringLiteral("K"), QStringLiteral("K1"), QStringLiteral("K12"),
                              QStringLiteral("K1"), QStringLiteral("K"), QString() };
    int i = 0;
    for (auto _ : state) {
        if (proxy)
            filter.setFilterFixedString(texts[i]);
        else
            model.setCallFilter(texts[i]);
        i = (i + 1) % 6;
        QCoreApplication::processEvents();
    }
}
void BM_FilterRawBytes(benchmark::State &state) { filterKeys(state, false); }
void BM_FilterQSortFilterProxyModel(benchmark::State &state) { filterKeys(state, true); }
BENCHMARK(BM_FilterRawBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterQSortFilterProxyModel)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::quietOffscreen();
    QApplication app(argc, argv);
    return bench::run(argc, argv,
                      { { "BM_ShowLogWindow", "BM_PlainReadFullLogbook" },
                        { "BM_ShowAgain", "BM_PlainReadFullLogbook" },
                        { "BM_F2FirstTime", "BM_PlainReadFullLogbook" },
                        { "BM_CallKeyWithLogWindow", "BM_CallKeyWithoutLogWindow" },
                        { "BM_FilterQSortFilterProxyModel", "BM_FilterRawBytes" } });
}
