#include "TestSupport.h"
#include "WsjtxAdif.h"

#include "import/Import.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "storage/AppendRecords.h"
#include "storage/FileHandle.h"
#include "storage/Logbook.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>

namespace {

struct Run
{
    int status = -1;
    QByteArray out, err;
};

Run run(const char *program, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SOURCE_DATE_EPOCH", "1765000000");
    process.setProcessEnvironment(env);
    process.start(program, args);
    const bool finished = process.waitForFinished(120000);
    return { finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             process.readAllStandardOutput(), process.readAllStandardError() };
}

Run importTool(const QStringList &args)
{
    return run(VANTEL_IMPORT, args);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The marker's layout, written out here on its own: FNV-1a 64, little-endian integers.
quint64 fnv(const QByteArray &bytes)
{
    quint64 h = 14695981039346656037ULL;
    for (const char c : bytes)
        h = (h ^ quint8(c)) * 1099511628211ULL;
    return h;
}

QByteArray le(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i));
    return out;
}

QByteArray marker(quint64 inode, qint64 length, const QList<QByteArray> &records)
{
    QByteArray out = "VNTLIMP1" + le(inode, 8) + le(quint64(length), 8) + le(records.size(), 4);
    for (const QByteArray &r : records)
        out += le(fnv(r), 8);
    return out + le(fnv(out), 8);
}

quint64 inode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

// A contact of the kind every field keeps through an ADIF export and import: call signs
// as the export writes them (capitals), ASCII name and QTH, a band's or a mode's own text.
QByteArray randomRecord(QRandomGenerator &rng, int number)
{
    const auto pick = [&](const QStringList &from) { return from[rng.bounded(from.size())]; };
    const auto text = [&](int most, const char *alphabet) {
        QByteArray out;
        for (int i = rng.bounded(most + 1); i > 0; --i)
            out += alphabet[rng.bounded(int(qstrlen(alphabet)))];
        return out.trimmed();
    };
    QStringList bands = { "" };
    for (const radio::Band &b : radio::bands())
        bands << QString::fromLatin1(b.text);
    const QStringList modes = QStringList { "" } + radio::modeListTexts();
    const QStringList reports = { "", "599", "579", "59", "-05", "+12" };
    const QDateTime when = QDateTime(QDate(1969, 1, 1), QTime(0, 0), Qt::UTC)
                                   .addSecs(qint64(rng.bounded(100 * 365)) * 86400
                                            + rng.bounded(1440) * 60);
    const QByteArray call = text(4, "ABCDEFGHIKLMNOPRSTUVWXYZ0123456789") + "X"
            + QByteArray::number(number) + (rng.bounded(4) == 0 ? "/P" : "");
    const QByteArray serial = rng.bounded(2) ? QByteArray::number(rng.bounded(10000)) : "";
    const QByteArray qth = rng.bounded(4) == 0
            ? QByteArray("JO62qm").left(rng.bounded(2) ? 4 : 6)
            : text(15, "abcdefghijklmnopqrstuvwxyz ABCXYZ-.");
    return ts::record(QByteArray::number(number).constData(), call.constData(),
                      when.toString("dd.MM.yy hh:mm").toLatin1().constData(),
                      (pick(reports).toLatin1() + serial).left(8).constData(),
                      (pick(reports).toLatin1() + QByteArray::number(number)).left(8).constData(),
                      pick(bands).toLatin1().constData(), pick(modes).toLatin1().constData(),
                      text(10, "abcdefghijklmnopqrstuvwxyz ABC").constData(), qth.constData());
}

// Which system call fails, as storage::hooks sees them: the n-th write (1: the marker,
// 2: the records), sync (1: the marker, 2: the logbook) or any truncate.
struct Fault
{
    int write = 0;
    int sync = 0;
    bool truncate = false;
    int writes = 0;
    int syncs = 0;
};
Fault fault;

int failing(storage::hooks::Call call, qint64 *length)
{
    using C = storage::hooks::Call;
    if (call == C::Write && ++fault.writes == fault.write) {
        *length /= 2; // half of it lands, then the disk is full
        return ENOSPC;
    }
    if (call == C::Sync && ++fault.syncs == fault.sync)
        return EIO;
    return call == C::Truncate && fault.truncate ? EIO : 0;
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        for (const QString &name : QDir().entryList(QDir::Files | QDir::Hidden))
            QFile::remove(name);
    }

    // Real programs' ADIF, fitted as the entry window would have saved the contacts.
    void realFiles_data()
    {
        QTest::addColumn<QByteArray>("adif");
        QTest::addColumn<QByteArray>("expected");
        QFile xlog(QFINDTESTDATA("data/xlog-2.0.24-export.adi"));
        QVERIFY(xlog.open(QIODevice::ReadOnly));
        QTest::newRow("xlog 2.0.24")
                << xlog.readAll()
                << ts::record("1", "DL1ABC/P", "09.03.24 18:42", "-12", "-05", "50.3", "FT8",
                              "J\xe9r\xf4me", "Z\xfcrich")
                        + ts::record("2", "G4XYZ", "10.03.24 09:15", "579", "599", "144", "CW",
                                     "Anne")
                        + ts::record("3", "OH2XYZ", "11.03.24 20:01", "", "", "7", "PSK31",
                                     "Jussi");
        QTest::newRow("WSJT-X 2.6.1 logged ADIF")
                << wsjtxAdif()
                << ts::record("1", "DL1ABC", "07.12.26 08:08", "", "", "14", "FT8", "", "JO62");
        QTest::newRow("contest serials, characters cp1252 lacks, cut fields, repeats")
                << QByteArray("<EOH><call:5>DL0AA<qso_date:8>20240101<time_on:6>120059"
                              "<rst_sent:3>599<stx:2>13<rst_rcvd:3>579<srx_string:4>0042"
                              "<band:3>40M<mode:4>RTTY<name:17>Wojciech \xc5\x81\xc3\xb3" "dzki"
                              "<qth:20>Kazimierza Wielka 12<eor>"
                              "<call:5>dl0aa<qso_date:8>20240101<time_on:4>1200<band:3>40m"
                              "<mode:4>rtty<eor>"
                              "<call:0><qso_date:8>20240101<time_on:4>1200<eor>"
                              "<call:4>K1AB<qso_date:8>19600101<time_on:4>1200<eor>"
                              "<call:4>K1AB<time_on:4>1200<eor>"
                              "<call:4>K1AB<qso_date:8>20240102<time_on:4>0000<mode:3>PSK"
                              "<submode:5>PSK63<gridsquare:6>fn31PR<freq:8>1296.200<eor>")
                << ts::record("1", "DL0AA", "01.01.24 12:00", "5790042", "59913", "7", "RTTY",
                              "Wojciech ?", "Kazimierza Wiel")
                        + ts::record("2", "K1AB", "02.01.24 00:00", "", "", "1296", "PSK63",
                                     "", "FN31pr");
    }
    void realFiles()
    {
        QFETCH(QByteArray, adif);
        QFETCH(QByteArray, expected);
        writeAll("in.adi", adif);
        QVERIFY(storage::takeIntoUse("b.log", storage::IfMissing::Create).ok());
        const importer::Plan plan = importer::makePlan("in.adi", "b.log");
        QVERIFY2(plan.error.isEmpty(), qPrintable(plan.error));
        QCOMPARE(plan.repeated + plan.unstorableCount() + qint64(plan.toAdd.size()), plan.read);
        const auto done = importer::commit(plan);
        QVERIFY(done.ok());
        QCOMPARE(readAll("b.log"), expected);
        // Again: everything is in the logbook already.
        const importer::Plan again = importer::makePlan("in.adi", "b.log");
        QCOMPARE(again.inLogbook, qint64(plan.toAdd.size()) + plan.repeated);
        QVERIFY(again.toAdd.empty());
    }

    // vantel's own export read back gives the same records, byte for byte.
    void roundTrip()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        QByteArray logbook;
        for (int i = 1; i <= 400; ++i)
            logbook += randomRecord(rng, i);
        writeAll("a.log", logbook);
        const Run exported = run(VANTEL_EXPORT, { "adif", "a.log", "-o", "a.adi" });
        QVERIFY2(exported.status == 0, exported.err.constData());
        const Run imported = importTool({ "a.adi", "b.log" });
        QVERIFY2(imported.status == 0, imported.err.constData());
        const QByteArray back = readAll("b.log");
        for (qsizetype at = 0; at < logbook.size(); at += 85)
            QVERIFY2(back.mid(at, 85) == logbook.mid(at, 85),
                     qPrintable(QString("seed %1\n%2\n%3")
                                        .arg(seed)
                                        .arg(QString::fromLatin1(logbook.mid(at, 85)),
                                             QString::fromLatin1(back.mid(at, 85)))));
        QCOMPARE(back.size(), logbook.size());
        const Run again = importTool({ "a.adi", "b.log" });
        QCOMPARE(again.status, 0);
        QVERIFY(again.out.contains("already in the logbook, skipped: 400"));
        QCOMPARE(readAll("b.log"), logbook);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("text") << QByteArray("CALL DL1ABC 599 599\n");
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\0\0\0<call:4>ABCD<eor>", 22);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("a logbook") << ts::records(3);
    }
    void refused()
    {
        QFETCH(QByteArray, input);
        writeAll("in.adi", input);
        for (const bool exists : { false, true }) {
            if (exists)
                writeAll("b.log", ts::records(2));
            const Run r = importTool({ "in.adi", "b.log" });
            QCOMPARE(r.status, 2);
            QVERIFY(r.out.isEmpty());
            QCOMPARE(readAll("b.log"), exists ? ts::records(2) : QByteArray("(missing)"));
        }
        QCOMPARE(importTool({ "b.log", "b.log" }).status, 2); // the logbook as its own input
        QCOMPARE(readAll("b.log"), ts::records(2));
    }

    // 100 MB of ADIF, most of it beyond what a logbook holds: read in bounded memory.
    void hugeFile()
    {
        // 100 MB where the peak memory is measured; under AddressSanitizer (which says
        // nothing about the peak) 9 MB take the same paths, still beyond 32767 contacts.
#ifdef __SANITIZE_ADDRESS__
        constexpr qint64 size = 9'000'000;
#else
        constexpr qint64 size = 100'000'000;
#endif
        {
            QFile file("big.adi");
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray chunk;
            for (int i = 0; file.size() + chunk.size() < size; ++i) {
                chunk += "<call:8>" + QByteArray::number(10'000'000 + i % 50'000)
                        + " <qso_date:8>20240101 <time_on:4>1200 <band:3>20m <mode:2>CW "
                          "<comment:100>"
                        + QByteArray(100, 'x') + " <eor>\n";
                if (chunk.size() > (1 << 20)) {
                    file.write(chunk);
                    chunk.clear();
                }
            }
            file.write(chunk);
        }
        const Run r = importTool({ "big.adi", "b.log" });
        QVERIFY2(r.status == 1, r.err.constData());
        QVERIFY(r.out.contains("imported: 32767 contacts"));
        QVERIFY(r.out.contains("beyond the logbook's 32767 contacts: "));
        QCOMPARE(QFileInfo("b.log").size(), 32767 * 85);
        struct rusage usage {};
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &usage), 0);
        // AddressSanitizer keeps freed memory in quarantine: the peak says nothing there.
#ifndef __SANITIZE_ADDRESS__
        QVERIFY2(usage.ru_maxrss < 120 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
#endif
    }

    // A full disk or a failing fsync: the logbook as it was, at once or at the next
    // take-into-use when even cutting back fails.
    void failedWrite_data()
    {
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("sync");
        QTest::addColumn<bool>("truncate");
        QTest::newRow("marker cut short") << 1 << 0 << false;
        QTest::newRow("marker not forced") << 0 << 1 << false;
        QTest::newRow("records cut short") << 2 << 0 << false;
        QTest::newRow("records not forced") << 0 << 2 << false;
        QTest::newRow("records cut short, cutting back fails") << 2 << 0 << true;
    }
    void failedWrite()
    {
        QFETCH(int, write);
        QFETCH(int, sync);
        QFETCH(bool, truncate);
        writeAll("in.adi", "<call:4>K1AB<qso_date:8>20240101<time_on:4>1200<eor>"
                           "<call:4>K1CD<qso_date:8>20240101<time_on:4>1201<eor>"
                           "<call:4>K1EF<qso_date:8>20240101<time_on:4>1202<eor>");
        const QByteArray old = ts::records(2) + "3  TORN";
        writeAll("b.log", old);
        const importer::Plan plan = importer::makePlan("in.adi", "b.log");
        fault = { write, sync, truncate, 0, 0 };
        storage::hooks::beforeCall = failing;
        const auto done = importer::commit(plan);
        storage::hooks::beforeCall = nullptr;
        QVERIFY(!done.ok());
        if (!truncate) {
            QCOMPARE(readAll("b.log"), write == 1 || sync == 1 ? old : ts::records(2));
            QVERIFY(!QFile::exists("b.log.import"));
        }
        QVERIFY(storage::takeIntoUse("b.log", storage::IfMissing::Fail).ok());
        QVERIFY(readAll("b.log") == old || readAll("b.log") == ts::records(2));
        QVERIFY(!QFile::exists("b.log.import"));
        QVERIFY(importer::commit(importer::makePlan("in.adi", "b.log")).ok());
        QCOMPARE(readAll("b.log").size(), 5 * 85);
    }

    // A marker left by an interrupted append, settled when the logbook is taken into use.
    void interrupted_data()
    {
        QTest::addColumn<int>("whole"); // of the 5 records of ours, written before the stop
        QTest::addColumn<int>("partial"); // bytes of the next one
        QTest::addColumn<bool>("foreignAfter"); // another station's record follows the old ones
        QTest::addColumn<int>("markerBytes"); // -1: whole
        QTest::addColumn<bool>("otherInode");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("kept"); // records of ours in the logbook afterwards
        using O = storage::AppendRecovery::Outcome;
        QTest::newRow("nothing yet") << 0 << 0 << false << -1 << false << int(O::RolledBack) << 0;
        QTest::newRow("a piece") << 0 << 40 << false << -1 << false << int(O::RolledBack) << 0;
        QTest::newRow("two and a piece") << 2 << 17 << false << -1 << false << int(O::RolledBack) << 0;
        QTest::newRow("four whole") << 4 << 0 << false << -1 << false << int(O::RolledBack) << 0;
        QTest::newRow("all written") << 5 << 0 << false << -1 << false << int(O::Finished) << 5;
        QTest::newRow("another station saved over the piece")
                << 0 << 0 << true << -1 << false << int(O::Stale) << 0;
        QTest::newRow("marker torn") << 0 << 0 << false << 30 << false << int(O::Torn) << 0;
        QTest::newRow("marker of another file")
                << 2 << 0 << false << -1 << true << int(O::Foreign) << 2;
    }
    void interrupted()
    {
        QFETCH(int, whole);
        QFETCH(int, partial);
        QFETCH(bool, foreignAfter);
        QFETCH(int, markerBytes);
        QFETCH(bool, otherInode);
        QFETCH(int, outcome);
        QFETCH(int, kept);
        const QByteArray old = ts::records(3);
        QList<QByteArray> ours;
        for (int i = 4; i <= 8; ++i)
            ours << ts::record(QByteArray::number(i).constData(), "NEW", "01.01.24 12:00");
        QByteArray file = old + ours.mid(0, whole).join() + ours.value(whole).left(partial);
        if (foreignAfter)
            file += ts::record("4", "OTHER");
        writeAll("b.log", file);
        QByteArray mark = marker(inode("b.log") + (otherInode ? 1 : 0), old.size(), ours);
        writeAll("b.log.import", markerBytes < 0 ? mark : mark.left(markerBytes));

        const auto taken = storage::takeIntoUse("b.log", storage::IfMissing::Fail);
        QVERIFY(taken.ok());
        QCOMPARE(int(taken.value().append.outcome), outcome);
        const QByteArray expected = outcome == int(storage::AppendRecovery::Outcome::RolledBack)
                ? old
                : file;
        QCOMPARE(readAll("b.log"), expected);
        QCOMPARE(taken.value().records, qint64(expected.size() / 85));
        QCOMPARE(QFile::exists("b.log.import"), outcome == int(storage::AppendRecovery::Outcome::Foreign));
        QCOMPARE(readAll("b.log").size() / 85 - 3 - (foreignAfter ? 1 : 0), kept);
    }

    // The real vantel-import killed at random moments: the logbook is the old one or the
    // old one with every new contact, once it has been taken into use again.
    void killed()
    {
        QByteArray adif = "<eoh>";
        for (int i = 0; i < 10000; ++i)
            adif += "<call:7>" + QByteArray::number(1'000'000 + i)
                    + "<qso_date:8>20240101<time_on:4>1200<band:3>20m<mode:2>CW<eor>\n";
        writeAll("in.adi", adif);
        const QByteArray old = ts::records(5);
        writeAll("b.log", old);
        QVERIFY(importTool({ "in.adi", "b.log" }).status == 0);
        const QByteArray whole = readAll("b.log");
        QCOMPARE(whole.size(), (5 + 10000) * 85);

        QRandomGenerator rng(QRandomGenerator::global()->generate());
        int torn = 0;
        int outcomes[2] = {};
        const int rounds = 15;
        for (int round = 0; round < rounds; ++round) {
            writeAll("b.log", old);
            QProcess process;
            process.start(VANTEL_IMPORT, { "in.adi", "b.log" });
            // Killed while it writes: once its marker is there, within the time the
            // records and the fsyncs take.
            QByteArray out;
            while (!out.contains("cannot be stored") && process.waitForReadyRead(20000))
                out += process.readAllStandardOutput();
            if (round % 3 != 0) {
                while (!QFile::exists("b.log.import") && process.state() == QProcess::Running)
                    QThread::usleep(50);
            }
            QThread::usleep(rng.bounded(round % 3 != 0 ? 15'000 : 100'000));
            ::kill(pid_t(process.processId()), SIGKILL);
            process.waitForFinished();
            const qint64 size = QFileInfo("b.log").size();
            if (QFile::exists("b.log.import") && size != old.size() && size != whole.size())
                ++torn;
            QVERIFY(storage::takeIntoUse("b.log", storage::IfMissing::Fail).ok());
            const QByteArray now = readAll("b.log");
            QVERIFY2(now == old || now == whole, qPrintable(QString::number(now.size())));
            ++outcomes[now == whole ? 1 : 0];
            QVERIFY(!QFile::exists("b.log.import"));
        }
        qInfo("killed %d times: %d left the old logbook, %d the whole import; %d mid-write",
              rounds, outcomes[0], outcomes[1], torn);
    }

    // Another station saves between the plan and the commit: waited for, compared, numbered after.
    void savedMeanwhile()
    {
        writeAll("in.adi", "<call:4>K1AB<qso_date:8>20240101<time_on:4>1200<band:3>20m<eor>"
                           "<call:4>K1CD<qso_date:8>20240101<time_on:4>1201<band:3>20m<eor>");
        writeAll("b.log", ts::records(2));
        const importer::Plan plan = importer::makePlan("in.adi", "b.log");
        QCOMPARE(plan.toAdd.size(), size_t(2));
        storage::QsoRecord other;
        std::memcpy(other.bytes.data(), ts::record("3", "k1cd", "01.01.24 12:01", "", "", "14").data(), 85);
        QVERIFY(storage::writeRecord("b.log", 3, other).ok());
        {
            auto holder = storage::FileHandle::open("b.log", storage::FileHandle::Mode::Update);
            QVERIFY(holder.ok() && holder.value().lockExclusive().ok());
            const auto refused = importer::commit(plan, 100);
            QVERIFY(!refused.ok());
            QCOMPARE(refused.error().kind, storage::StorageError::Kind::Locked);
        }
        const auto done = importer::commit(plan);
        QVERIFY(done.ok());
        QCOMPARE(done.value().savedMeanwhile, 1);
        QCOMPARE(done.value().nowInLogbook, 1);
        QCOMPARE(readAll("b.log"), ts::records(2) + QByteArray(other.bytes.data(), 85)
                         + ts::record("4", "K1AB", "01.01.24 12:00", "", "", "14"));
    }

    // Shortened between the plan and the commit: refused, told as every writer tells it.
    void shortenedMeanwhile()
    {
        writeAll("in.adi", "<call:4>K1AB<qso_date:8>20240101<time_on:4>1200<band:3>20m<eor>");
        writeAll("b.log", ts::records(2));
        const importer::Plan plan = importer::makePlan("in.adi", "b.log");
        writeAll("b.log", ts::records(1));
        const auto refused = importer::commit(plan);
        QVERIFY(!refused.ok());
        QCOMPARE(storage::failureReason(refused.error()),
                 "The logbook holds fewer contacts than were counted: another program has "
                 "shortened, replaced or emptied it");
        QCOMPARE(readAll("b.log"), ts::records(1));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
