#include "JournalSupport.h"
#include "TestSupport.h"
#include "storage/FileHandle.h"
#include "storage/Journal.h"
#include "storage/Logbook.h"

#include <QProcess>
#include <QTest>

#include <array>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/stat.h>

using storage::JournalRecovery;
using Outcome = storage::JournalRecovery::Outcome;

namespace {

storage::QsoRecord toRecord(const QByteArray &bytes)
{
    storage::QsoRecord record;
    std::memcpy(record.bytes.data(), bytes.constData(), 85);
    return record;
}

const QByteArray kOld = ts::record("2", "G4XYZ", "09.03.24 18:42", "599", "5992", "14", "PSK31");
const QByteArray kNew = ts::record("2", "G4XYW", "09.03.24 18:42", "599", "5992", "14", "PSK31");
const QByteArray kFirst = ts::record("1", "DL1ABC", "09.03.24 18:30", "599", "5991", "14", "PSK31");
const QByteArray kThird = ts::record("3", "OK1ZZ", "09.03.24 18:50", "579", "5993", "7", "CW");
// The file ends in a partial record, which no correction may touch either.
const QByteArray kBefore = kFirst + kOld + kThird + "4  PART";
const QByteArray kAfter = kFirst + kNew + kThird + "4  PART";
// A correction of every field but the number: a torn write of it is a true mix.
const QByteArray kFar = ts::record("2", "G4XYW", "10.03.24 19:01", "579", "5994", "7", "CW",
                                   "Bob", "Leeds");
const QByteArray kAfterFar = kFirst + kFar + kThird + "4  PART";

// How much of a failing write reaches the file before the error.
enum class Lands { Nothing, Half, All };

// The fault plan for the system calls of one operation: call number `failAt` fails,
// or every call first copies the files as a crash at that moment would leave them.
struct Plan
{
    int seen = 0;
    int failAt = 0;
    Lands lands = Lands::Nothing;
    QString snapshotDir; // when set: a copy of the folder before each call
    QStringList files;
};
Plan plan;

int faultHook(storage::hooks::Call call, qint64 *length)
{
    ++plan.seen;
    if (!plan.snapshotDir.isEmpty()) {
        const QString into = plan.snapshotDir + QStringLiteral("/%1").arg(plan.seen);
        QDir().mkpath(into);
        for (const QString &file : plan.files) {
            if (QFile::exists(file))
                QFile::copy(file, into + QLatin1Char('/') + QFileInfo(file).fileName());
        }
    }
    if (plan.seen != plan.failAt)
        return 0;
    if (call != storage::hooks::Call::Write)
        return EIO;
    if (plan.lands == Lands::Half) {
        *length /= 2;
        return 0; // cut short: the rest fails
    }
    if (plan.lands == Lands::Nothing)
        *length = 0;
    return ENOSPC;
}

struct Hooked
{
    explicit Hooked(Plan p)
    {
        plan = std::move(p);
        storage::hooks::beforeCall = faultHook;
    }
    ~Hooked() { storage::hooks::beforeCall = nullptr; }
};

} // namespace

// Corrections and their journal: a contact is either as it was or as corrected, byte
// for byte, whatever fails or stops on the way; nothing else in the file moves.
class TestJournal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<ts::WorkDir>(); }
    void cleanup() { m_dir.reset(); }
    void journalBytes();
    void refusals_data();
    void refusals();
    void recovery_data();
    void recovery();
    void journalBesideTheFileItself();
    void faultAtEveryCall_data();
    void faultAtEveryCall();
    void faultWhileRecovering();
    void crashAtEveryStep();
    void killedWhileCorrecting();

private:
    std::unique_ptr<ts::WorkDir> m_dir;
};

void TestJournal::journalBytes()
{
    const QString log = m_dir->path(QStringLiteral("a.log"));
    QVERIFY(ts::writeFile(log, kBefore));
    // The journal as it stands when the record is written in place (the second write).
    static QByteArray seen;
    static QString journalFile;
    journalFile = log + QStringLiteral(".journal");
    storage::hooks::beforeCall = [](storage::hooks::Call call, qint64 *) {
        if (call == storage::hooks::Call::Write && QFile::exists(journalFile))
            seen = ts::readFile(journalFile);
        return 0;
    };
    const storage::Status done = storage::correctRecord(log, 2, toRecord(kOld), toRecord(kNew));
    storage::hooks::beforeCall = nullptr;
    QVERIFY(done.ok());
    QCOMPARE(seen,
             QByteArray("VNTLJNL1\x02\x00\x00\x00", 12) + kOld + kNew + QByteArray("R\xaas\x12", 4));
    QCOMPARE(seen, ts::journal(2, kOld, kNew)); // the test's own builder agrees
    QCOMPARE(ts::readFile(log), kAfter);
    QVERIFY(!QFile::exists(journalFile));
}

void TestJournal::refusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("kind");
    using Kind = storage::StorageError::Kind;
    QTest::newRow("record changed on disk") << "changed" << int(Kind::Changed);
    QTest::newRow("file shortened") << "shortened" << int(Kind::Changed);
    QTest::newRow("logbook removed") << "removed" << int(Kind::File);
    QTest::newRow("logbook is a FIFO") << "fifo" << int(Kind::File);
    QTest::newRow("another program holds the lock") << "locked" << int(Kind::Locked);
}

void TestJournal::refusals()
{
    QFETCH(QString, situation);
    QFETCH(int, kind);
    const QString log = m_dir->path(QStringLiteral("a.log"));
    QByteArray bytes = kBefore;
    if (situation == QLatin1String("changed"))
        bytes = kFirst + ts::record("2", "G4XYZ", "09.03.24 18:43") + kThird;
    else if (situation == QLatin1String("shortened"))
        bytes = kFirst + kOld.left(84);
    QVERIFY(ts::writeFile(log, bytes));
    if (situation == QLatin1String("removed"))
        QVERIFY(QFile::remove(log));
    if (situation == QLatin1String("fifo")) {
        QVERIFY(QFile::remove(log));
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    }
    std::optional<storage::FileHandle> holder;
    if (situation == QLatin1String("locked")) {
        auto held = storage::FileHandle::open(log, storage::FileHandle::Mode::Update);
        QVERIFY(held.ok() && held.value().lockExclusive().ok());
        holder.emplace(std::move(held.value()));
    }
    const storage::Status done = storage::correctRecord(log, 2, toRecord(kOld), toRecord(kNew));
    QVERIFY(!done.ok());
    QCOMPARE(int(done.error().kind), kind);
    if (situation != QLatin1String("removed") && situation != QLatin1String("fifo"))
        QCOMPARE(ts::readFile(log), bytes);
    QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
}

void TestJournal::recovery_data()
{
    QTest::addColumn<QByteArray>("logbook"); // "<none>" for no logbook
    QTest::addColumn<QByteArray>("journal"); // "<none>" for no journal
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QByteArray>("after");
    const QByteArray whole = ts::journal(2, kOld, kFar);
    const QByteArray mixed =
            kFirst + kFar.left(30) + kOld.mid(30, 30) + kFar.mid(60) + kThird + "4  PART";
    const QByteArray badSum = QByteArray(whole).replace(181, 1, "x");
    QTest::newRow("no journal") << kAfterFar << QByteArray("<none>") << int(Outcome::None) << kAfterFar;
    QTest::newRow("written in place") << kAfterFar << whole << int(Outcome::RolledBack) << kBefore;
    QTest::newRow("torn in place") << mixed << whole << int(Outcome::RolledBack) << kBefore;
    QTest::newRow("not yet written") << kBefore << whole << int(Outcome::RolledBack) << kBefore;
    QTest::newRow("journal cut short") << kBefore << whole.left(120) << int(Outcome::Torn) << kBefore;
    QTest::newRow("journal empty") << kBefore << QByteArray() << int(Outcome::Torn) << kBefore;
    QTest::newRow("journal wrong sum") << kBefore << badSum << int(Outcome::Torn) << kBefore;
    QTest::newRow("journal too long") << kBefore << whole + "x" << int(Outcome::Torn) << kBefore;
    QTest::newRow("record 0") << kBefore << ts::journal(0, kOld, kFar) << int(Outcome::Torn) << kBefore;
    QTest::newRow("record past the end")
            << kBefore << ts::journal(5, kOld, kFar) << int(Outcome::Stale) << kBefore;
    const QByteArray other = kFirst + ts::record("2", "W1AW") + kThird;
    QTest::newRow("logbook replaced") << other << whole << int(Outcome::Stale) << other;
    QTest::newRow("logbook emptied") << QByteArray() << whole << int(Outcome::Stale) << QByteArray();
    QTest::newRow("logbook removed")
            << QByteArray("<none>") << whole << int(Outcome::Stale) << QByteArray("<missing>");
}

void TestJournal::recovery()
{
    QFETCH(QByteArray, logbook);
    QFETCH(QByteArray, journal);
    QFETCH(int, outcome);
    QFETCH(QByteArray, after);
    const QString log = m_dir->path(QStringLiteral("a.log"));
    if (logbook != "<none>")
        QVERIFY(ts::writeFile(log, logbook));
    if (journal != "<none>")
        QVERIFY(ts::writeFile(log + QStringLiteral(".journal"), journal));
    const auto recovered = storage::recoverJournal(log);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), outcome);
    if (outcome == int(Outcome::RolledBack))
        QCOMPARE(recovered.value().number, qint64(2));
    QCOMPARE(ts::readFile(log), after);
    QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
    QCOMPARE(QDir(m_dir->root()).entryList(QDir::Files | QDir::System).size(),
             qsizetype(logbook != "<none>" ? 1 : 0));
}

void TestJournal::journalBesideTheFileItself()
{
    // One station opens the logbook through a link, another by its own name: both must
    // find the journal of an interrupted correction.
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString link = m_dir->path(QStringLiteral("link.log"));
    QVERIFY(ts::writeFile(log, kAfterFar));
    QVERIFY(ts::writeFile(log + QStringLiteral(".journal"), ts::journal(2, kOld, kFar)));
    QVERIFY(QFile::link(log, link));
    const auto recovered = storage::recoverJournal(link);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), int(Outcome::RolledBack));
    QCOMPARE(ts::readFile(log), kBefore);
    QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
}

void TestJournal::faultAtEveryCall_data()
{
    QTest::addColumn<int>("lands");
    QTest::newRow("a failing write lands nothing") << int(Lands::Nothing);
    QTest::newRow("a failing write lands half") << int(Lands::Half);
    QTest::newRow("a failing write lands whole") << int(Lands::All);
}

// Every system call a correction makes fails in turn. Whatever was reported is the
// truth once the logbook is taken into use again: corrected after success, as it was
// after failure, the rest of the file untouched.
void TestJournal::faultAtEveryCall()
{
    QFETCH(int, lands);
    const QString log = m_dir->path(QStringLiteral("a.log"));
    int failures = 0;
    for (int k = 1;; ++k) {
        QVERIFY(ts::writeFile(log, kBefore));
        storage::Status done = storage::success();
        int calls = 0;
        {
            Hooked hooked(Plan { 0, k, Lands(lands), {}, {} });
            done = storage::correctRecord(log, 2, toRecord(kOld), toRecord(kFar));
            calls = plan.seen;
        }
        const auto recovered = storage::recoverJournal(log);
        QVERIFY(recovered.ok());
        const QByteArray want = done.ok() ? kAfterFar : kBefore;
        QVERIFY2(ts::readFile(log) == want, qPrintable(QStringLiteral("fault at call %1").arg(k)));
        QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
        if (!done.ok()) {
            ++failures;
            QCOMPARE(done.error().kind, storage::StorageError::Kind::File);
        }
        if (k > calls)
            break; // no call was left to fail: the plain run
    }
    // Lock, truncate, write, fsync, folder fsync of the journal; write and fsync in
    // place; removal. Only the last folder fsync may fail without undoing anything.
    QCOMPARE(failures, 8);
}

void TestJournal::faultWhileRecovering()
{
    // A recovery that itself fails at any call leaves something the next one finishes.
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    for (int k = 1;; ++k) {
        for (Lands lands : { Lands::Nothing, Lands::Half, Lands::All }) {
            QVERIFY(ts::writeFile(log, kAfterFar));
            QVERIFY(ts::writeFile(journalFile, ts::journal(2, kOld, kFar)));
            int calls = 0;
            {
                Hooked hooked(Plan { 0, k, lands, {}, {} });
                (void)storage::recoverJournal(log);
                calls = plan.seen;
            }
            const auto again = storage::recoverJournal(log);
            QVERIFY(again.ok());
            QCOMPARE(ts::readFile(log), kBefore);
            QVERIFY(!QFile::exists(journalFile));
            if (k > calls)
                return;
        }
    }
}

// A crash before any one of the correction's system calls leaves the files as they
// were then; recovery from each of those states gives the old record or the new one.
void TestJournal::crashAtEveryStep()
{
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    QVERIFY(ts::writeFile(log, kBefore));
    const QString shots = m_dir->path(QStringLiteral("shots"));
    int calls = 0;
    {
        Hooked hooked(Plan { 0, 0, Lands::Nothing, shots, { log, journalFile } });
        QVERIFY(storage::correctRecord(log, 2, toRecord(kOld), toRecord(kFar)).ok());
        calls = plan.seen;
    }
    QCOMPARE(calls, 9);
    QStringList seen;
    for (int step = 1; step <= calls; ++step) {
        const QString at = shots + QStringLiteral("/%1/a.log").arg(step);
        const auto recovered = storage::recoverJournal(at);
        QVERIFY(recovered.ok());
        const QByteArray bytes = ts::readFile(at);
        QVERIFY2(bytes == kBefore || bytes == kAfterFar, qPrintable(QString::number(step)));
        seen << (bytes == kBefore ? QStringLiteral("old") : QStringLiteral("new"));
        QVERIFY(!QFile::exists(at + QStringLiteral(".journal")));
    }
    // Up to the removal of the journal a crash undoes the correction; after it, it stands.
    QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("old old old old old old old old new"));
}

void TestJournal::killedWhileCorrecting()
{
    const QString log = m_dir->path(QStringLiteral("crash.log"));
    const QByteArray first = ts::record("1", "DL1ABC", "09.03.24 18:30", "599");
    const QByteArray third = ts::record("3", "OK1ZZ", "09.03.24 18:50", "579");
    const auto second = [](int n) {
        return ts::record("2", ("K" + QByteArray::number(n)).constData(), "09.03.24 18:42", "599");
    };
    QVERIFY(ts::writeFile(log, first + second(0) + third));
    QByteArray tail;
    std::mt19937 random(1407);
    int corrected = 0;
    int undone = 0;
    for (int round = 0; round < 10; ++round) {
        QProcess child;
        child.start(QStringLiteral(VANTEL_CRASH_CORRECTOR), { log, QString::number(corrected + 1) });
        QVERIFY(child.waitForStarted(5000));
        QVERIFY(child.waitForReadyRead(10000));
        QTest::qWait(std::uniform_int_distribution<int>(0, 40)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("corrected "))
                corrected = line.mid(10).toInt();
        }
        // Another station saves meanwhile: the save shares the lock and never meets
        // the record under correction.
        const QByteArray saved = ts::record(QByteArray::number(4 + round).constData(), "N0SAVE");
        QVERIFY(storage::writeRecord(log, 4 + round, toRecord(saved)).ok());
        tail += saved;

        const auto recovered = storage::recoverJournal(log);
        QVERIFY(recovered.ok());
        undone += recovered.value().outcome == Outcome::RolledBack ? 1 : 0;
        const QByteArray bytes = ts::readFile(log);
        // The last correction that returned, or the one in flight: never anything between.
        const bool asReturned = bytes == first + second(corrected) + third + tail;
        const bool inFlight = bytes == first + second(corrected + 1) + third + tail;
        QVERIFY2(asReturned || inFlight, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(
                                                 QString::fromLatin1(bytes.mid(85, 85)))));
        if (inFlight)
            ++corrected;
        QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
    }
    QVERIFY(corrected > 10);
    qInfo("%d corrections, %d of them undone by recovery", corrected, undone);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
