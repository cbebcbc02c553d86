// The statistics window on a full logbook (32767 contacts): the counting alone, first
// and again, and the real window made, counted and painted; beside one read of the file.
#include "../tests/FakePlatform.h"
#include "BenchCountry.h"
#include "BenchSupport.h"
#include "contest/RuleFiles.h"
#include "stats/LogStats.h"
#include "stats/StatsWindow.h"
#include "storage/Logbook.h"

#include <QApplication>

#include <memory>

namespace {

constexpr int kRecords = 32767;

const contest::RuleSet &rules()
{
    static const contest::RuleBook book = contest::loadRules();
    return *book.find(QStringLiteral("GENERIC"));
}

// A contest weekend: 6000 stations of every continent on six bands and four modes.
const QString &logbook()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const char *const modes[] = { "CW", "SSB", "RTTY", "FT8" };
        QByteArray bytes;
        for (int i = 1; i <= kRecords; ++i) {
            const bench::WeekendContact contact = bench::weekendContact(i);
            bytes += bench::weekendRecord(i, contact, "599", "599", modes[i / 7 % 4]);
        }
        return bench::writeFile(dir, "contest.log", bytes);
    }();
    return path;
}

QByteArray readLogbook()
{
    QByteArray bytes;
    auto reader = storage::LogbookReader::open(logbook(), storage::IfMissing::Fail);
    if (!reader)
        return bytes;
    for (auto block = reader.value().nextBlock(); block.records > 0; block = reader.value().nextBlock())
        bytes.append(block.data, block.records * storage::QsoRecord::Size);
    return bytes;
}

// The floor: the file read block by block, as the window reads it.
void BM_ReadLogbook(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readLogbook().size());
}
BENCHMARK(BM_ReadLogbook)->Unit(benchmark::kMillisecond);

// The first count: every call looked up, every band and mode text read.
void BM_CountFirst(benchmark::State &state)
{
    const QByteArray bytes = readLogbook();
    for (auto _ : state) {
        stats::Counter counter(rules(), bench::debianCountries().table, QString());
        const stats::Counts counts = counter.count(bytes.constData(), kRecords, {});
        if (counts.contacts != kRecords || counts.multipliers == 0) {
            state.SkipWithError("not every contact counted");
            break;
        }
    }
}
BENCHMARK(BM_CountFirst)->Unit(benchmark::kMillisecond);

// Counted again, as after a save: what the counter learnt of the calls kept.
void BM_CountAgain(benchmark::State &state)
{
    const QByteArray bytes = readLogbook();
    stats::Counter counter(rules(), bench::debianCountries().table, QString());
    (void)counter.count(bytes.constData(), kRecords, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(counter.count(bytes.constData(), kRecords, {}).contacts);
}
BENCHMARK(BM_CountAgain)->Unit(benchmark::kMillisecond);

// The window made, the file read and counted with the country file at hand, shown and painted.
void BM_ShowStatsWindow(benchmark::State &state)
{
    FakePlatform platform;
    for (auto _ : state) {
        auto window = std::make_unique<StatsWindow>(platform);
        window->setRules(rules());
        window->setCountries(bench::debianCountries().table);
        window->followLogbook(logbook());
        window->showAndCount();
        QCoreApplication::processEvents(); // laid out and painted
        state.PauseTiming();
        const qint64 contacts = window->counts().contacts;
        window.reset();
        if (contacts != kRecords) {
            state.SkipWithError("the window does not count 32767 contacts");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowStatsWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::quietOffscreen();
    QApplication app(argc, argv);
    return bench::run(argc, argv,
                      { { "BM_CountFirst", "BM_ReadLogbook" },
                        { "BM_CountAgain", "BM_ReadLogbook" },
                        { "BM_ShowStatsWindow", "BM_ReadLogbook" } });
}
