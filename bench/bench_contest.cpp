// The contest score of a full logbook (32767 contacts): counted afresh, as after the log
// changed, and one contact more, as after a save; beside one read of the file.
#include "../tests/FakePlatform.h"
#include "BenchCountry.h"
#include "BenchSupport.h"
#include "contest/RuleFiles.h"
#include "contest/Scorer.h"
#include "formats/Contact.h"
#include "mainwindow/Form1.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"
#include "storage/Settings.h"

#include <QApplication>
#include <QDir>
#include <QLabel>

#include <cstring>

namespace {

constexpr int kRecords = 32767;

const contest::RuleSet &rules()
{
    static const contest::RuleBook book = contest::loadRules();
    return *book.find(QStringLiteral("CQ-WW-CW"));
}

// A weekend's log: 6000 stations of every continent on six bands, dupes among them.
const QString &logbook()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QByteArray bytes;
        for (int i = 1; i <= kRecords; ++i) {
            const bench::WeekendContact contact = bench::weekendContact(i);
            bytes += bench::weekendRecord(i, contact, "599" + QByteArray::number(contact.station % 40 + 1), "59914", "CW");
        }
        return bench::writeFile(dir, "contest.log", bytes);
    }();
    return path;
}

QByteArray readLogbook()
{
    QFile file(logbook());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<contest::Qso> contacts(const QByteArray &bytes)
{
    QList<contest::Qso> out;
    out.reserve(bytes.size() / storage::QsoRecord::Size);
    storage::QsoRecord record;
    for (qsizetype at = 0; at + storage::QsoRecord::Size <= bytes.size(); at += storage::QsoRecord::Size) {
        std::memcpy(record.bytes.data(), bytes.constData() + at, storage::QsoRecord::Size);
        const formats::Contact c = formats::readContact(record, at / storage::QsoRecord::Size + 1);
        out.append({ c.call, c.band, c.cabrilloMode, QDateTime(c.date, c.time, Qt::UTC),
                     c.rstRcvd + c.srx, c.phone });
    }
    return out;
}

// The floor: the logbook read once.
void BM_ReadLogbook(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readLogbook().size());
}
BENCHMARK(BM_ReadLogbook)->Unit(benchmark::kMillisecond);

// Every contact counted again, the calls' countries already known (as after a correction).
void BM_Recount(benchmark::State &state)
{
    const QList<contest::Qso> log = contacts(readLogbook());
    contest::Scorer scorer(rules(), bench::debianCountries().table, QStringLiteral("DL1ABC"));
    for (const contest::Qso &q : log)
        scorer.add(q);
    for (auto _ : state) {
        scorer.clear();
        for (const contest::Qso &q : log)
            scorer.add(q);
        benchmark::DoNotOptimize(scorer.totals().score());
    }
}
BENCHMARK(BM_Recount)->Unit(benchmark::kMillisecond);

// The first count of a logbook: read, every record understood, every call looked up.
void BM_FirstCount(benchmark::State &state)
{
    for (auto _ : state) {
        contest::Scorer scorer(rules(), bench::debianCountries().table, QStringLiteral("DL1ABC"));
        for (const contest::Qso &q : contacts(readLogbook()))
            scorer.add(q);
        benchmark::DoNotOptimize(scorer.totals().score());
    }
}
BENCHMARK(BM_FirstCount)->Unit(benchmark::kMillisecond);

// One more contact on a full log, a new station each time, and the rate asked.
void BM_AddAfterSave(benchmark::State &state)
{
    const QList<contest::Qso> log = contacts(readLogbook());
    contest::Scorer scorer(rules(), bench::debianCountries().table, QStringLiteral("DL1ABC"));
    for (const contest::Qso &q : log)
        scorer.add(q);
    contest::Qso next = log.last();
    int n = 0;
    for (auto _ : state) {
        next.call = QStringLiteral("W%1ZZ").arg(++n);
        benchmark::DoNotOptimize(scorer.add(next).points);
        benchmark::DoNotOptimize(scorer.rate().count(next.when, 60));
    }
}
BENCHMARK(BM_AddAfterSave)->Unit(benchmark::kMicrosecond);

// The window's way after a save: the entry window in contest mode with CQ WW chosen, its
// score row up to date with a full logbook less the records this run adds; each
// iteration adds one record at the end (not timed) and times what Form1::logbookChanged
// sets off: the new record read, scored, and the score and rate row written.
constexpr int kWindowSaves = 500;
void BM_WindowAfterSave(benchmark::State &state)
{
    static QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const QByteArray all = readLogbook();
    const QString path = dir.filePath(QStringLiteral("window.log"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return state.SkipWithError("cannot write the logbook");
    file.write(all.left(qsizetype(kRecords - kWindowSaves) * storage::QsoRecord::Size));
    file.close();
    (void)storage::writeSetting(QStringLiteral("deflog"), path);
    QFile ini(QStringLiteral("vantel.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return state.SkipWithError("cannot write vantel.ini");
    ini.write("[station]\ncall=DL1ABC\n[contest]\nname=CQ-WW-CW\n");
    ini.close();
    FakePlatform platform;
    platform.clock = QDateTime(QDate(2026, 11, 29), QTime(21, 30));
    Form1 form(platform);
    form.show();
    QCoreApplication::processEvents();
    qint64 next = kRecords - kWindowSaves;
    for (auto _ : state) {
        state.PauseTiming();
        QFile log(path);
        if (!log.open(QIODevice::Append))
            return state.SkipWithError("cannot append");
        log.write(all.mid(qsizetype(next++) * storage::QsoRecord::Size, storage::QsoRecord::Size));
        log.close();
        state.ResumeTiming();
        Q_EMIT form.logbookChanged();
    }
    // Every record added was counted, none twice.
    const auto *row = form.findChild<QLabel *>(QStringLiteral("contestRow"));
    if (!row || !row->accessibleDescription().contains(QStringLiteral("CQ-WW-CW: %1 QSOs").arg(kRecords)))
        state.SkipWithError(row ? qPrintable(row->accessibleDescription()) : "no contest row");
}
BENCHMARK(BM_WindowAfterSave)->Iterations(kWindowSaves)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::run(argc, argv,
                      { { "BM_Recount", "BM_ReadLogbook" },
                        { "BM_FirstCount", "BM_ReadLogbook" },
                        { "BM_WindowAfterSave/iterations:500", "BM_ReadLogbook" } });
}
