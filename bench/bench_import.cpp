// Importing an ADIF file of 32 000 contacts into an empty logbook (plan and all-or-nothing
// append, fsync included), beside writing the same 85-byte records at once with one fsync.
#include "BenchSupport.h"
#include "import/Import.h"
#include "storage/FileHandle.h"

#include <QFile>

namespace {

constexpr int Contacts = 32000;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &adifFile()
{
    static const QString path = [] {
        QByteArray bytes = "<ADIF_VER:5>3.1.4 <PROGRAMID:6>WSJT-X <EOH>\n";
        for (int i = 0; i < Contacts; ++i) {
            const QByteArray call = "DL" + QByteArray::number(i) + "ABC";
            bytes += "<CALL:" + QByteArray::number(call.size()) + ">" + call
                    + " <QSO_DATE:8>20240309 <TIME_ON:6>184200 <BAND:3>20m <FREQ:9>14.070000"
                      " <MODE:4>MFSK <SUBMODE:3>FT4 <RST_SENT:3>-05 <RST_RCVD:3>-12 <NAME:4>Anne"
                      " <QTH:6>London <GRIDSQUARE:4>IO91 <STATION_CALLSIGN:5>G4XYZ <EOR>\n";
        }
        return bench::writeFile(folder(), "bench.adi", bytes);
    }();
    return path;
}

void BM_ImportContacts(benchmark::State &state)
{
    const QString &adif = adifFile();
    const QString logbook = folder().filePath(QStringLiteral("import.log"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(logbook);
        state.ResumeTiming();
        const importer::Plan plan = importer::makePlan(adif, logbook);
        const auto done = importer::commit(plan);
        if (!done || done.value().added != Contacts)
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportContacts)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteSameBytesAtOnce(benchmark::State &state)
{
    const QString logbook = folder().filePath(QStringLiteral("floor.log"));
    const QByteArray bytes(qsizetype(Contacts) * storage::QsoRecord::Size, 'x');
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(logbook);
        state.ResumeTiming();
        auto file = storage::FileHandle::open(logbook, storage::FileHandle::Mode::Update);
        if (!file || !file.value().write(bytes.constData(), bytes.size()) || !file.value().sync())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteSameBytesAtOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
