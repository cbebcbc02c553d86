// Reading an ADIF file of 32 000 contacts record by record, beside reading the same
// bytes at once: what the reader costs above the disk.
#include "BenchSupport.h"
#include "adif/Reader.h"

#include <QFileInfo>

namespace {

constexpr int Contacts = 32000;

const QString &adifFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QByteArray bytes = "Exported for a benchmark\n<ADIF_VER:5>3.1.4 <PROGRAMID:6>vantel <EOH>\n";
        for (int i = 0; i < Contacts; ++i) {
            const QByteArray call = "DL" + QByteArray::number(i) + "ABC";
            const QByteArray name = i % 5 ? QByteArray("Anne") : QByteArray("Jérôme");
            bytes += "<CALL:" + QByteArray::number(call.size()) + ">" + call
                    + " <QSO_DATE:8>20240309 <TIME_ON:6>184200 <BAND:3>20m <FREQ:9>14.070000"
                      " <MODE:4>MFSK <SUBMODE:3>FT4 <RST_SENT:3>-05 <RST_RCVD:3>-12 <NAME:"
                    + QByteArray::number(name.size()) + ">" + name
                    + " <QTH:6>London <GRIDSQUARE:4>IO91 <STATION_CALLSIGN:5>G4XYZ <EOR>\n";
        }
        return bench::writeFile(dir, "bench.adi", bytes);
    }();
    return path;
}

void BM_ReadAdifRecords(benchmark::State &state)
{
    const QString &path = adifFile();
    for (auto _ : state) {
        adif::Reader reader(path);
        qint64 records = 0;
        while (const auto record = reader.next())
            records += record->fields.size() > 0;
        if (records != Contacts)
            state.SkipWithError("wrong number of records");
        benchmark::DoNotOptimize(records);
    }
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_ReadAdifRecords)->Unit(benchmark::kMillisecond);

void BM_ReadAdifBytesAtOnce(benchmark::State &state)
{
    const QString &path = adifFile();
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open");
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
}
BENCHMARK(BM_ReadAdifBytesAtOnce)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv, { { "BM_ReadAdifRecords", "BM_ReadAdifBytesAtOnce" } });
}
