#include "BenchSupport.h"
#include "country/CountryFiles.h"

#include <cstring>

namespace {

const QString debian = QStringLiteral("/usr/share/hamradio-files");

QByteArray readAll(const char *name)
{
    QFile file(debian + QLatin1Char('/') + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const country::CountryData &loaded()
{
    static const country::CountryData data = country::loadCountryData({ debian });
    return data;
}

// The floor of a load: the three files read, nothing parsed.
void BM_ReadFiles(benchmark::State &state)
{
    for (auto _ : state) {
        QByteArray a = readAll("cty.dat");
        QByteArray b = readAll("cty.csv");
        QByteArray c = readAll("MASTER.SCP");
        benchmark::DoNotOptimize(a.size() + b.size() + c.size());
    }
}
BENCHMARK(BM_ReadFiles)->Unit(benchmark::kMillisecond);

// What start-up would wait for: cty.dat, cty.csv and MASTER.SCP read and taken in.
void BM_LoadCountryData(benchmark::State &state)
{
    for (auto _ : state) {
        const country::CountryData data = country::loadCountryData({ debian });
        if (!data.problems.isEmpty())
            state.SkipWithError("the country files did not load");
        benchmark::DoNotOptimize(data.table.entityCount());
    }
}
BENCHMARK(BM_LoadCountryData)->Unit(benchmark::kMillisecond);

void BM_ParseCtyDatAndCsv(benchmark::State &state)
{
    const QByteArray dat = readAll("cty.dat");
    const QByteArray csv = readAll("cty.csv");
    for (auto _ : state) {
        auto table = country::CountryTable::fromCtyDat(dat, QStringLiteral("cty.dat"));
        if (!table.ok() || !table.value().applyCtyCsv(csv, QStringLiteral("cty.csv")).ok())
            state.SkipWithError("cty.dat did not parse");
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_ParseCtyDatAndCsv)->Unit(benchmark::kMillisecond);

void BM_ParseMasterScp(benchmark::State &state)
{
    const QByteArray scp = readAll("MASTER.SCP");
    for (auto _ : state) {
        auto calls = country::KnownCalls::fromMasterScp(scp, QStringLiteral("MASTER.SCP"));
        if (!calls.ok())
            state.SkipWithError("MASTER.SCP did not parse");
        benchmark::DoNotOptimize(calls);
    }
}
BENCHMARK(BM_ParseMasterScp)->Unit(benchmark::kMillisecond);

// The floor of a key's check partial: one pass over the calls' bytes looking for a byte
// that is not there.
void BM_ScanCallsOnce(benchmark::State &state)
{
    const QByteArray scp = readAll("MASTER.SCP");
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(scp.constData(), '@', size_t(scp.size())));
}
BENCHMARK(BM_ScanCallsOnce)->Unit(benchmark::kMicrosecond);

// Check partial as the call is typed: common text stops at the limit, rare or absent
// text searches every call.
const char *const typedTexts[] = { "DL", "K1A", "9ZZ", "QQX", "W1AW", "A1A" };
void BM_CheckPartialKey(benchmark::State &state)
{
    const QString typed = QString::fromLatin1(typedTexts[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded().calls.containing(typed, 50));
    state.SetLabel(typedTexts[state.range(0)]);
}
BENCHMARK(BM_CheckPartialKey)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

void BM_IsKnownCall(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded().calls.contains(u"W1AW"));
}
BENCHMARK(BM_IsKnownCall)->Unit(benchmark::kMicrosecond);

const char *const calls[] = { "DL1ABC", "KH6/W1AW", "UA1ABC/9", "VK9XY/P", "KG4ABC", "W1AW/MM" };
void BM_Lookup(benchmark::State &state)
{
    const QString call = QString::fromLatin1(calls[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded().table.lookup(call));
    state.SetLabel(calls[state.range(0)]);
}
BENCHMARK(BM_Lookup)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv,
                      { { "BM_LoadCountryData", "BM_ReadFiles" },
                        { "BM_CheckPartialKey/3", "BM_ScanCallsOnce" } });
}
