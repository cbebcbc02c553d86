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
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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
    void oddJournalPaths_data();
    void oddJournalPaths();
    void heldLockIsACorrectionUnderWay();
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
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(log).constData(), &st), 0);
    // Bound to this file: its inode, its 255 bytes of whole records, and the sum of records
    // 1 and 3 (CRC-32 0x958FC4B2, worked out apart from the program).
    const QByteArray body = QByteArray("VNTLJNL2\x02\x00\x00\x00", 12) + ts::le64(st.st_ino)
            + QByteArray("\xFF\x00\x00\x00\x00\x00\x00\x00" "\xB2\xC4\x8F\x95", 12) + kOld + kNew;
    QCOMPARE(seen.size(), 206);
    QCOMPARE(seen, body + ts::le32(ts::crc32(body)));
    QCOMPARE(seen, ts::journal(log, 2, kOld, kNew)); // the test's own builder agrees
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
    QTest::addColumn<QByteArray>("logbook"); // after the crash; "<none>" for no logbook
    QTest::addColumn<QString>("journal"); // how the journal is made, beside kBefore's file
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QByteArray>("after");
    const QByteArray mixed =
            kFirst + kFar.left(30) + kOld.mid(30, 30) + kFar.mid(60) + kThird + "4  PART";
    const QByteArray other = kFirst + ts::record("2", "W1AW") + kThird;
    const int rolledBack = int(Outcome::RolledBack), torn = int(Outcome::Torn),
              stale = int(Outcome::Stale), foreign = int(Outcome::Foreign),
              none = int(Outcome::None);
    QTest::newRow("no journal") << kAfterFar << "none" << none << kAfterFar;
    QTest::newRow("written in place") << kAfterFar << "whole" << rolledBack << kBefore;
    QTest::newRow("torn in place") << mixed << "whole" << rolledBack << kBefore;
    QTest::newRow("not yet written") << kBefore << "whole" << rolledBack << kBefore;
    QTest::newRow("saved after the crash") << kAfterFar.left(255) + kThird << "whole" << rolledBack
                                           << kBefore.left(255) + kThird;
    QTest::newRow("journal cut short") << kBefore << "cut" << torn << kBefore;
    QTest::newRow("journal of 3 bytes") << kBefore << "magic" << torn << kBefore;
    QTest::newRow("journal empty") << kBefore << "empty" << torn << kBefore;
    QTest::newRow("journal wrong sum") << kBefore << "bad sum" << torn << kBefore;
    QTest::newRow("logbook replaced") << other << "whole" << stale << other;
    QTest::newRow("logbook emptied") << QByteArray() << "whole" << stale << QByteArray();
    // Never applied, never removed: what vantel did not write for this very file.
    QTest::newRow("journal too long") << kAfterFar << "too long" << foreign << kAfterFar;
    QTest::newRow("record 0") << kAfterFar << "record 0" << foreign << kAfterFar;
    QTest::newRow("record past the end") << kAfterFar << "record 5" << foreign << kAfterFar;
    QTest::newRow("journal of an older vantel") << kAfterFar << "old" << foreign << kAfterFar;
    QTest::newRow("planted: after bytes of record 2") << kAfterFar << "planted" << foreign << kAfterFar;
    QTest::newRow("an export named .journal") << kAfterFar << "export" << foreign << kAfterFar;
    QTest::newRow("beside a copy of the logbook") << kAfterFar << "copy" << foreign << kAfterFar;
    QTest::newRow("beside a restored logbook") << kFirst + ts::record("2", "W1AW") << "whole" << stale
                                               << kFirst + ts::record("2", "W1AW");
    QTest::newRow("logbook removed") << QByteArray("<none>") << "whole" << none << QByteArray("<missing>");
}

void TestJournal::recovery()
{
    QFETCH(QByteArray, logbook);
    QFETCH(QString, journal);
    QFETCH(int, outcome);
    QFETCH(QByteArray, after);
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    QVERIFY(ts::writeFile(log, kBefore));
    const QByteArray whole = ts::journal(log, 2, kOld, kFar);
    QByteArray bytes = whole;
    if (journal == QLatin1String("cut"))
        bytes = whole.left(120);
    else if (journal == QLatin1String("magic"))
        bytes = "VNT";
    else if (journal == QLatin1String("empty"))
        bytes.clear();
    else if (journal == QLatin1String("bad sum"))
        bytes[150] = 'x';
    else if (journal == QLatin1String("too long"))
        bytes += 'x';
    else if (journal == QLatin1String("record 0"))
        bytes = ts::journal(log, 0, kOld, kFar);
    else if (journal == QLatin1String("record 5"))
        bytes = ts::journal(log, 5, kOld, kFar);
    else if (journal == QLatin1String("old"))
        bytes = ts::oldJournal(2, kOld, kFar);
    else if (journal == QLatin1String("planted"))
        bytes = "VNTLJNL2" + ts::record("2", "ANY") + kFar;
    else if (journal == QLatin1String("export"))
        bytes = "<ADIF_VER:5>3.1.4\n<EOH>\n";
    if (journal == QLatin1String("copy")) {
        // The logbook and its journal copied elsewhere: another file, the same bytes.
        QVERIFY(QFile::rename(log, log + QStringLiteral(".orig")));
        QVERIFY(QFile::copy(log + QStringLiteral(".orig"), log));
        QVERIFY(QFile::remove(log + QStringLiteral(".orig")));
    }
    // The crash, and what happened to the logbook since, in place.
    if (logbook == "<none>")
        QVERIFY(QFile::remove(log));
    else
        QVERIFY(ts::writeFile(log, logbook));
    if (journal != QLatin1String("none"))
        QVERIFY(ts::writeFile(journalFile, bytes));
    const auto recovered = storage::recoverJournal(log);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), outcome);
    if (outcome == int(Outcome::RolledBack))
        QCOMPARE(recovered.value().number, qint64(2));
    QCOMPARE(ts::readFile(log), after);
    const bool stays = outcome == int(Outcome::Foreign) || (outcome == int(Outcome::None) && journal != "none");
    QCOMPARE(QFile::exists(journalFile), stays);
    if (stays)
        QCOMPARE(ts::readFile(journalFile), bytes);
}

void TestJournal::journalBesideTheFileItself()
{
    // One station opens the logbook through a link, another by its own name: both must
    // find the journal of an interrupted correction.
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString link = m_dir->path(QStringLiteral("link.log"));
    QVERIFY(ts::writeFile(log, kBefore));
    QVERIFY(ts::writeFile(log + QStringLiteral(".journal"), ts::journal(log, 2, kOld, kFar)));
    QVERIFY(ts::writeFile(log, kAfterFar));
    QVERIFY(QFile::link(log, link));
    const auto recovered = storage::recoverJournal(link);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), int(Outcome::RolledBack));
    QCOMPARE(ts::readFile(log), kBefore);
    QVERIFY(!QFile::exists(log + QStringLiteral(".journal")));
}

void TestJournal::oddJournalPaths_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("outcome");
    QTest::newRow("a folder") << "folder" << int(Outcome::NotAFile);
    QTest::newRow("a FIFO") << "fifo" << int(Outcome::NotAFile);
    QTest::newRow("a socket") << "socket" << int(Outcome::NotAFile);
    QTest::newRow("a broken link") << "broken link" << int(Outcome::NotAFile);
    QTest::newRow("a link to a journal") << "link" << int(Outcome::NotAFile);
    QTest::newRow("a user's file") << "file" << int(Outcome::Foreign);
}

// Whatever lies at the journal's path and is no journal of this logbook neither holds
// the logbook up nor is touched; a correction then refuses rather than write over it.
void TestJournal::oddJournalPaths()
{
    QFETCH(QString, kind);
    QFETCH(int, outcome);
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    const QByteArray name = QFile::encodeName(journalFile);
    QVERIFY(ts::writeFile(log, kBefore));
    const QByteArray userBytes = "my notes\n";
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(journalFile));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == QLatin1String("broken link"))
        QVERIFY(QFile::link(m_dir->path(QStringLiteral("gone")), journalFile));
    else if (kind == QLatin1String("file"))
        QVERIFY(ts::writeFile(journalFile, userBytes));
    else if (kind == QLatin1String("link")) {
        QVERIFY(ts::writeFile(m_dir->path(QStringLiteral("j")), ts::journal(log, 2, kOld, kFar)));
        QVERIFY(QFile::link(m_dir->path(QStringLiteral("j")), journalFile));
    }
    int sock = -1;
    if (kind == QLatin1String("socket")) {
        sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    }
    struct stat before {};
    QCOMPARE(::lstat(name.constData(), &before), 0);

    const auto recovered = storage::recoverJournal(log);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), outcome);
    QCOMPARE(recovered.value().journal, journalFile);
    QVERIFY(!recovered.value().detail.isEmpty());
    const storage::Status done = storage::correctRecord(log, 2, toRecord(kOld), toRecord(kNew));
    QVERIFY(!done.ok());
    QCOMPARE(done.error().kind, storage::StorageError::Kind::JournalInTheWay);
    QCOMPARE(ts::readFile(log), kBefore);
    struct stat after {};
    QCOMPARE(::lstat(name.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind == QLatin1String("file"))
        QCOMPARE(ts::readFile(journalFile), userBytes);
    if (sock >= 0)
        ::close(sock);
}

void TestJournal::heldLockIsACorrectionUnderWay()
{
    // Another station is between the two halves of a correction: its journal is whole,
    // the record half written, and it holds the lock. Nothing is undone under its feet,
    // and nobody waits for it.
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    QVERIFY(ts::writeFile(log, kBefore));
    const QByteArray journal = ts::journal(log, 2, kOld, kFar);
    const QByteArray mixed = kFirst + kFar.left(30) + kOld.mid(30) + kThird + "4  PART";
    QVERIFY(ts::writeFile(log, mixed));
    for (const QByteArray &bytes : { journal, journal.left(50), QByteArray() }) {
        QVERIFY(ts::writeFile(journalFile, bytes));
        auto held = storage::FileHandle::open(log, storage::FileHandle::Mode::Update);
        QVERIFY(held.ok() && held.value().lockExclusive().ok());
        const auto recovered = storage::recoverJournal(log);
        QVERIFY(recovered.ok());
        QCOMPARE(int(recovered.value().outcome), int(Outcome::UnderWay));
        QCOMPARE(ts::readFile(log), mixed);
        QCOMPARE(ts::readFile(journalFile), bytes);
    }
    // Once the lock is let go without an end (the station was killed), it is undone.
    const auto recovered = storage::recoverJournal(log);
    QVERIFY(recovered.ok());
    QCOMPARE(int(recovered.value().outcome), int(Outcome::Torn)); // the last one was empty
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
    // Lock, write, fsync, folder fsync of the journal (made new, so never cut); write and
    // fsync in place; removal. Only the last folder fsync may fail without undoing anything.
    QCOMPARE(failures, 7);
}

void TestJournal::faultWhileRecovering()
{
    // A recovery that itself fails at any call leaves something the next one finishes.
    const QString log = m_dir->path(QStringLiteral("a.log"));
    const QString journalFile = log + QStringLiteral(".journal");
    for (int k = 1;; ++k) {
        for (Lands lands : { Lands::Nothing, Lands::Half, Lands::All }) {
            QVERIFY(ts::writeFile(log, kBefore));
            QVERIFY(ts::writeFile(journalFile, ts::journal(log, 2, kOld, kFar)));
            QVERIFY(ts::writeFile(log, kAfterFar));
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
    QCOMPARE(calls, 8);
    QStringList seen;
    for (int step = 1; step <= calls; ++step) {
        // The crash's state is put back into the logbook itself: a journal binds to its
        // file, and a copy of the logbook is another file.
        const QString shot = shots + QStringLiteral("/%1/a.log").arg(step);
        QVERIFY(ts::writeFile(log, ts::readFile(shot)));
        QFile::remove(journalFile);
        if (QFile::exists(shot + QStringLiteral(".journal")))
            QVERIFY(ts::writeFile(journalFile, ts::readFile(shot + QStringLiteral(".journal"))));
        const auto recovered = storage::recoverJournal(log);
        QVERIFY(recovered.ok());
        const QByteArray bytes = ts::readFile(log);
        QVERIFY2(bytes == kBefore || bytes == kAfterFar, qPrintable(QString::number(step)));
        seen << (bytes == kBefore ? QStringLiteral("old") : QStringLiteral("new"));
        QVERIFY(!QFile::exists(journalFile));
    }
    // Up to the removal of the journal a crash undoes the correction; after it, it stands.
    QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("old old old old old old old new"));
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
