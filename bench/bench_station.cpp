// The station behind a call as it is typed, on a full logbook: lookup, worked before per
// band and mode, and check partial over MASTER.SCP, beside a plain read of the logbook.
#include "BenchSupport.h"
#include "country/StationLookup.h"

#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString debian = QStringLiteral("/usr/share/hamradio-files");
constexpr int Records = 32767;

const country::CountryData &loaded()
{
    static const country::CountryData data = country::loadCountryData({ debian });
    return data;
}

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    Fixture() : path(dir.filePath(QStringLiteral("full.log"))), bytes(bench::masterScpLogbook(Records))
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        // Older than the second in which a write may go unseen: the lookup trusts its stat.
        const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-60);
        file.setFileTime(old, QFileDevice::FileModificationTime);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// The floor: one read of the whole logbook.
void BM_ReadLogbook(benchmark::State &state)
{
    QByteArray buffer(fixture().bytes.size(), Qt::Uninitialized);
    const int fd = ::open(QFile::encodeName(fixture().path).constData(), O_RDONLY);
    for (auto _ : state)
        benchmark::DoNotOptimize(::pread(fd, buffer.data(), size_t(buffer.size()), 0));
    ::close(fd);
}
BENCHMARK(BM_ReadLogbook)->Unit(benchmark::kMicrosecond);

// One key a round: the lookup and the check partial the station line asks for, over
// the typed beginnings of `keys` in turn.
void typeKeys(benchmark::State &state, country::StationLookup &lookup, const QStringList &keys)
{
    qsizetype at = 0;
    for (auto _ : state) {
        const QString &typed = keys.at(at++ % keys.size());
        benchmark::DoNotOptimize(lookup.info(typed, u"14", u"PSK31"));
        benchmark::DoNotOptimize(lookup.partial(typed, 50));
    }
}

// The keys of a few calls typed from their first character: each key asks for the
// station (lookup, heading, worked before on the band and mode) and check partial.
void BM_KeyInCallField(benchmark::State &state)
{
    country::StationLookup lookup;
    lookup.setCountryData(loaded());
    lookup.setStation(QStringLiteral("DL0XX"), QStringLiteral("JO62qm"));
    lookup.setLogbook(fixture().path);
    lookup.refresh();
    QStringList keys;
    for (const char *call : { "DL1ABC", "KH6/W1AW", "UA1ABC/9", "JA1XX", "K1JT", "VK9XY/P" }) {
        const QString text = QString::fromLatin1(call);
        for (qsizetype n = 1; n <= text.size(); ++n)
            keys << text.left(n);
    }
    typeKeys(state, lookup, keys);
}
BENCHMARK(BM_KeyInCallField)->Unit(benchmark::kMicrosecond);

// The same keys within the second after a save: the logbook's time stamp cannot tell a
// later write from this one, so every key reads it again and compares.
void BM_KeyAfterSave(benchmark::State &state)
{
    const QString path = fixture().dir.filePath(QStringLiteral("fresh.log"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(fixture().bytes);
    file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(3600), QFileDevice::FileModificationTime);
    file.close();
    country::StationLookup lookup;
    lookup.setCountryData(loaded());
    lookup.setLogbook(path);
    lookup.refresh();
    QStringList keys;
    for (int n = 1; n <= 6; ++n)
        keys << QStringLiteral("DL1ABC").left(n);
    typeKeys(state, lookup, keys);
}
BENCHMARK(BM_KeyAfterSave)->Unit(benchmark::kMicrosecond);

// The index built once for a logbook (and again after a correction).
void BM_BuildIndex(benchmark::State &state)
{
    for (auto _ : state) {
        country::WorkedIndex index(loaded().table);
        index.sync(fixture().bytes);
        benchmark::DoNotOptimize(index.recordCount());
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

// A save: one record appended to an index of a nearly full logbook (the index is built
// again, untimed, every thousand saves).
void BM_AppendOne(benchmark::State &state)
{
    const QByteArrayView all(fixture().bytes);
    const qsizetype start = all.size() - 1000 * 85;
    country::WorkedIndex index(loaded().table);
    qsizetype at = all.size();
    for (auto _ : state) {
        if (at == all.size()) {
            state.PauseTiming();
            index = country::WorkedIndex(loaded().table);
            index.sync(all.first(start));
            at = start;
            state.ResumeTiming();
        }
        at += 85;
        benchmark::DoNotOptimize(index.sync(all.first(at)));
    }
}
BENCHMARK(BM_AppendOne)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv, { { "BM_KeyInCallField", "BM_ReadLogbook" }, { "BM_AppendOne", "BM_ReadLogbook" } });
}
