#include "BenchSupport.h"
#include "formats/Export.h"
#include "formats/Listing.h"
#include "storage/FileHandle.h"
#include "storage/Logbook.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &fullLogbook()
{
    static const QString path = bench::makeLogbook(folder(), 32767);
    return path;
}

// The floor: read the whole file in the same block size, touching nothing.
void BM_PlainRead(benchmark::State &state)
{
    const QByteArray name = QFile::encodeName(fullLogbook());
    std::vector<char> buffer(1542 * 85);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        ssize_t n = 0;
        long total = 0;
        while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
            total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMicrosecond);

// Enter on a call sign that is not in the log: every record is read and compared.
void BM_DuplicateCheckMiss(benchmark::State &state)
{
    storage::QsoRecord last;
    for (auto _ : state) {
        auto found = storage::findCall(fullLogbook(), QStringLiteral("NOT-THERE"), last);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_DuplicateCheckMiss)->Unit(benchmark::kMicrosecond);

// The floor of a conversion: the same listing bytes written in one go.
void BM_WriteListingOnce(benchmark::State &state)
{
    QByteArray listing;
    {
        storage::QsoRecord last;
        auto reader = storage::LogbookReader::open(fullLogbook(), storage::IfMissing::Fail);
        while (const char *record = reader.value().next())
            formats::listing::appendRecordLine(listing, record);
    }
    const QString dest = folder().filePath(QStringLiteral("once.txt"));
    for (auto _ : state) {
        QFile::remove(dest);
        auto out = storage::FileHandle::open(dest, storage::FileHandle::Mode::Append);
        auto written = out.value().write(listing.constData(), listing.size());
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_WriteListingOnce)->Unit(benchmark::kMicrosecond);

void BM_Convert(benchmark::State &state)
{
    const QString dest = folder().filePath(QStringLiteral("listing.txt"));
    for (auto _ : state) {
        QFile::remove(dest);
        formats::Options title;
        title.title = true;
        auto done = formats::appendLogbook(formats::listingFormat(), fullLogbook(), dest, title);
        benchmark::DoNotOptimize(done);
    }
}
BENCHMARK(BM_Convert)->Unit(benchmark::kMicrosecond);

// vantel-export's work on a full logbook: the target is well under a second.
void exportAs(benchmark::State &state, const char *format)
{
    formats::Options options;
    options.myCall = QStringLiteral("DL0XX");
    options.created = QDateTime::currentDateTimeUtc();
    const formats::FormatEntry &entry = *formats::findFormat(QString::fromLatin1(format));
    for (auto _ : state) {
        auto result = formats::exportLogbook(entry, fullLogbook(), options);
        if (!result || result.value().report.skipped)
            state.SkipWithError("export failed");
        benchmark::DoNotOptimize(result);
    }
}
void BM_ExportAdif(benchmark::State &state) { exportAs(state, "adif"); }
void BM_ExportCabrillo(benchmark::State &state) { exportAs(state, "cabrillo"); }
BENCHMARK(BM_ExportAdif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCabrillo)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::run(argc, argv,
                      { { "BM_DuplicateCheckMiss", "BM_PlainRead" },
                        { "BM_Convert", "BM_WriteListingOnce" } });
}
