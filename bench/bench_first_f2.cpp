// F2 in a freshly started program, as the operator meets it: the first F2 of a session
// makes the log window, and whatever Qt loads the first time (fonts, styles, icons) is
// paid then. Each iteration starts the program anew on 32765 contacts (log_window_app
// --time-f2), which measures F2 until the list is painted; the floor is the second F2 of
// the same process. The platform is the one in QT_QPA_PLATFORM (bench.sh runs it
// offscreen and on an X server).
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>

#include <optional>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Both times of one fresh process, in seconds; empty when it failed.
std::optional<std::pair<double, double>> runOnce()
{
    QTemporaryDir &dir = folder();
    const QString logbook = bench::makeLogbook(dir, 32765);
    QFile deflog(dir.filePath(QStringLiteral("deflog")));
    if (!deflog.open(QIODevice::WriteOnly))
        return std::nullopt;
    const QByteArray path = QFile::encodeName(logbook);
    deflog.write(QByteArray("\x08\x00", 2) + char(path.size() & 0xFF) + char(path.size() >> 8) + path);
    deflog.close();
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(LOG_WINDOW_APP), { QStringLiteral("--time-f2") });
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> times = process.readAllStandardOutput().trimmed().split(' ');
    if (times.size() != 2)
        return std::nullopt;
    return std::pair { times[0].toDouble() / 1e6, times[1].toDouble() / 1e6 };
}

void measure(benchmark::State &state, bool first)
{
    for (auto _ : state) {
        const auto times = runOnce();
        if (!times) {
            state.SkipWithError("log_window_app --time-f2 failed");
            break;
        }
        state.SetIterationTime(first ? times->first : times->second);
    }
}
void BM_F2FirstInFreshProgram(benchmark::State &state) { measure(state, true); }
void BM_F2AgainInSameProgram(benchmark::State &state) { measure(state, false); }
BENCHMARK(BM_F2FirstInFreshProgram)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_F2AgainInSameProgram)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return bench::run(argc, argv, { { "BM_F2FirstInFreshProgram/iterations:3/manual_time",
                                      "BM_F2AgainInSameProgram/iterations:3/manual_time" } });
}
