// Random sequences of operations on one real logbook, checked against a small model
// after every step: two stations (separate processes, each a real entry window) save,
// look up, open, create, convert and correct; another program appends (also a piece no
// save of ours leaves), cuts, removes, renames and replaces the file by a FIFO, a folder
// or an ADIF file, and plants files where a correction keeps its journal; stations are
// killed in the middle of a save or a correction, race each other for the same record,
// and one is taken into use while the other's correction waits on a slow disk; a station
// imports an ADIF file while the other saves, or is killed in the middle of it, or imports
// the same file again. The model predicts every answer and every byte on disk.
//
// VANTEL_MODEL_SECONDS bounds the run (default 8); VANTEL_MODEL_SEED replays one.
#include "JournalSupport.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <memory>
#include <optional>

#include <csignal>
#include <sys/stat.h>

namespace {

constexpr int kRecord = 85;

// The record a station's save writes: its fields are fixed but for number and call.
QByteArray savedRecord(qint64 number, const QString &call)
{
    return ts::record(QByteArray::number(number).constData(), call.toLatin1().constData(),
                      "01.02.03 04:05", "599", "59913", "14", "CW", "Ann", "Oulu");
}

// The conversion window's listing, built here field by field.
QByteArray listingOf(const QByteArray &logbook)
{
    QByteArray out;
    for (qsizetype at = 0; at + kRecord <= logbook.size(); at += kRecord) {
        const QByteArray r = logbook.mid(at, kRecord);
        out += r.mid(0, 33) + r.mid(49, 4) + r.mid(53, 7) + r.mid(41, 8) + r.mid(33, 8)
                + r.mid(60, 25) + "\r\r\n";
    }
    return out;
}

} // namespace

// A station process and what the model knows of it.
namespace model {

struct Station
{
    QString folder;
    std::unique_ptr<QProcess> process;
    bool inUse = false;
    qint64 count = 0;

    // Sent at once, not when the next wait flushes it: two stations must get their
    // commands at the same moment.
    void send(const QString &line)
    {
        process->write((line + QLatin1Char('\n')).toUtf8());
        process->waitForBytesWritten(1000);
    }
    // The answer line; a station that does not answer in time is blocked.
    QString receive()
    {
        QElapsedTimer waited;
        waited.start();
        while (!process->canReadLine()) {
            if (waited.elapsed() > 5000 || !process->waitForReadyRead(5000 - int(waited.elapsed())))
                return QStringLiteral("BLOCKED");
        }
        return QString::fromUtf8(process->readLine()).trimmed();
    }
    QString ask(const QString &line)
    {
        send(line);
        const QString got = receive();
        if (qEnvironmentVariableIsSet("VANTEL_MODEL_TRACE")) // every exchange, for a replay
            qInfo("%s -> %s", qPrintable(line), qPrintable(got));
        return got;
    }
};

} // namespace model

using model::Station;

class TestModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomOperations();

private:
    enum class Kind { Regular, Missing, Fifo, Folder, Adif };
    // What another program left where a correction keeps its journal.
    enum class Plant { None, OldJournal, UserFile, Folder, Fifo };

    // One operation: empty when disk and answers are as the model says.
    QString save(Station &s);
    QString check(Station &s);
    QString openOrCreate(Station &s, bool create);
    QString convert(Station &s);
    QString race();
    QString exportTo();
    QString kill(Station &s);
    QString correct(Station &a, Station &b);
    QString outside();
    QString plant();
    QString import(Station &a, Station &b);

    QString start(Station &s);
    QString diskAsModel() const;
    qint64 records() const { return m_bytes.size() / kRecord; }
    // Whether the file is a logbook a station takes into use: regular, and ending in
    // whole records or a piece a save of ours may have left.
    bool usable() const;
    QString journal() const { return m_log + QStringLiteral(".journal"); }
    int pick(int n) { return int(m_random.bounded(n)); }

    QRandomGenerator m_random;
    ts::WorkDir *m_dir = nullptr;
    QString m_log, m_aside, m_listing;
    Kind m_kind = Kind::Regular;
    QByteArray m_bytes; // the logbook as it must be on disk
    std::optional<QByteArray> m_asideBytes;
    Plant m_plant = Plant::None;
    QByteArray m_plantBytes;
    Station m_stations[2];
    int m_calls = 0;
    QStringList m_trail; // the last steps, for the failure message
};

QString TestModel::start(Station &s)
{
    s.process = std::make_unique<QProcess>();
    s.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    s.process->start(QStringLiteral(VANTEL_STATION), { s.folder });
    if (!s.process->waitForStarted(5000))
        return QStringLiteral("station did not start");
    // At start-up a logbook is counted where it is; one that vanished is not made again.
    s.inUse = usable();
    s.count = records();
    const QString want = s.inUse ? QStringLiteral("ready %1").arg(s.count + 1) : QStringLiteral("ready -");
    const QString got = s.receive();
    return got == want ? QString() : QStringLiteral("start: %1, model says %2").arg(got, want);
}

bool TestModel::usable() const
{
    if (m_kind != Kind::Regular)
        return false;
    const QByteArray tail = m_bytes.mid(records() * kRecord);
    for (const char c : tail) {
        if (quint8(c) < 0x20 || c == 0x7F)
            return false;
    }
    // A piece of ours starts as the next record does: its number in three columns.
    const QByteArray number = (QByteArray::number(records() + 1) + "   ").left(3);
    return number.startsWith(tail.left(3));
}

QString TestModel::diskAsModel() const
{
    // Whatever was planted at the journal's path is never applied, removed or changed.
    struct stat planted {};
    const bool there = ::lstat(QFile::encodeName(journal()).constData(), &planted) == 0;
    const bool plantKept = m_plant == Plant::None ? !there
            : m_plant == Plant::Folder            ? there && S_ISDIR(planted.st_mode)
            : m_plant == Plant::Fifo              ? there && S_ISFIFO(planted.st_mode)
                                                  : there && ts::readFile(journal()) == m_plantBytes;
    if (!plantKept)
        return QStringLiteral("the journal's path changed (planted %1, there %2)").arg(int(m_plant)).arg(there);
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(m_log).constData(), &st) == 0;
    switch (m_kind) {
    case Kind::Missing:
        return exists ? QStringLiteral("the logbook was made again") : QString();
    case Kind::Fifo:
        return exists && S_ISFIFO(st.st_mode) ? QString() : QStringLiteral("the FIFO was replaced");
    case Kind::Folder:
        return exists && S_ISDIR(st.st_mode) ? QString() : QStringLiteral("the folder was replaced");
    case Kind::Adif:
    case Kind::Regular:
        break;
    }
    if (!exists || !S_ISREG(st.st_mode))
        return QStringLiteral("the logbook is gone");
    const QByteArray disk = ts::readFile(m_log);
    if (disk == m_bytes)
        return QString();
    qsizetype at = 0;
    while (at < disk.size() && at < m_bytes.size() && disk[at] == m_bytes[at])
        ++at;
    return QStringLiteral("logbook differs from byte %1 (record %2): %3 bytes on disk, %4 in the model")
            .arg(at).arg(at / kRecord + 1).arg(disk.size()).arg(m_bytes.size());
}

// Whether a save as record `number` must succeed on the logbook as the model has it.
static bool fits(qint64 number, qint64 size, bool exists)
{
    if (!exists)
        return number == 1;
    return size >= (number - 1) * kRecord && size < number * kRecord;
}

QString TestModel::save(Station &s)
{
    const QString call = QStringLiteral("Q%1").arg(++m_calls);
    const qint64 number = s.count + 1;
    const bool ok = s.inUse && (usable() || m_kind == Kind::Missing)
            && fits(number, m_bytes.size(), m_kind == Kind::Regular);
    const QString got = s.ask(QStringLiteral("save ") + call);
    if (ok) {
        if (got != QStringLiteral("ok %1").arg(number + 1))
            return QStringLiteral("save %1 as %2: \"%3\", model says it fits").arg(call).arg(number).arg(got);
        m_bytes = m_bytes.left((number - 1) * kRecord) + savedRecord(number, call);
        m_kind = Kind::Regular;
        s.count = number;
    } else if (!got.startsWith(QLatin1String("err"))) {
        return QStringLiteral("save %1 as %2: \"%3\", model says refused").arg(call).arg(number).arg(got);
    }
    return QString();
}

QString TestModel::check(Station &s)
{
    // Sometimes a call from the logbook in another letter case, sometimes a new one.
    QString call = QStringLiteral("N%1").arg(pick(1000));
    if (m_kind != Kind::Adif && records() > 0 && pick(2)) { // an ADIF "call" may hold a line break
        call = QString::fromLatin1(m_bytes.mid(pick(int(records())) * kRecord + 3, 15)).trimmed();
        call = pick(2) ? call.toLower() : call;
    }
    bool found = false;
    for (qint64 r = 0; r < records(); ++r)
        found = found || QString::fromLatin1(m_bytes.mid(r * kRecord + 3, 15)).trimmed().compare(call, Qt::CaseInsensitive) == 0;
    const QString want = !s.inUse || m_kind != Kind::Regular ? QStringLiteral("err")
            : found                                         ? QStringLiteral("dup")
                                                            : QStringLiteral("new");
    const QString got = s.ask(QStringLiteral("check ") + call);
    if (m_kind == Kind::Adif) // looked up like any file, and never written
        return got != QLatin1String("BLOCKED") ? QString() : QStringLiteral("check blocked");
    return got.startsWith(want) ? QString()
                                : QStringLiteral("check %1: \"%2\", model says %3").arg(call, got, want);
}

QString TestModel::openOrCreate(Station &s, bool create)
{
    const QString verb = create ? QStringLiteral("create") : QStringLiteral("open");
    const QString got = s.ask(verb + QLatin1Char(' ') + m_log);
    if (m_kind == Kind::Fifo || m_kind == Kind::Folder || (m_kind != Kind::Missing && !usable()))
        return got.startsWith(QLatin1String("err")) ? QString() : verb + QStringLiteral(": \"%1\" on no logbook").arg(got);
    // A name that does not exist starts a new logbook with either command.
    if (create || m_kind == Kind::Missing)
        m_bytes.clear();
    m_kind = Kind::Regular;
    s.inUse = true;
    s.count = records();
    // The next number shown and the file agree.
    return got == QStringLiteral("ok %1").arg(s.count + 1) ? QString()
                                                           : verb + QStringLiteral(": \"%1\" with %2 records").arg(got).arg(s.count);
}

QString TestModel::convert(Station &s)
{
    QFile::remove(m_listing);
    if (pick(5) == 0) { // the logbook as its own destination: refused, untouched
        const QString got = s.ask(QStringLiteral("convert %1 %1").arg(m_log));
        return got.startsWith(QLatin1String("err")) ? QString() : QStringLiteral("converted a logbook into itself");
    }
    const QString got = s.ask(QStringLiteral("convert %1 %2").arg(m_log, m_listing));
    if (!usable())
        return got.startsWith(QLatin1String("err")) && !QFile::exists(m_listing)
                ? QString()
                : QStringLiteral("convert from no logbook: \"%1\"").arg(got);
    if (got != QLatin1String("ok"))
        return QStringLiteral("convert: \"%1\"").arg(got);
    // Nothing to append makes no file.
    if (QFile::exists(m_listing) != (records() > 0))
        return QStringLiteral("convert of %1 records: destination %2").arg(records()).arg(QFile::exists(m_listing) ? "made" : "missing");
    return records() == 0 || ts::readFile(m_listing) == listingOf(m_bytes) ? QString() : QStringLiteral("listing differs");
}

QString TestModel::exportTo()
{
    // The exporter reads the logbook and never writes it: not through -o naming the
    // logbook itself, not through a FIFO nobody reads.
    const int target = pick(3);
    const QString fifo = m_listing + QStringLiteral(".fifo");
    QFile::remove(m_listing);
    QFile::remove(fifo);
    if (target == 2)
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    const QString out = target == 0 ? m_log : target == 1 ? m_listing : fifo;
    QProcess exporter;
    exporter.start(QStringLiteral(VANTEL_EXPORT), { QStringLiteral("listing"), m_log, QStringLiteral("-o"), out });
    if (!exporter.waitForFinished(5000)) {
        exporter.kill();
        exporter.waitForFinished();
        return QStringLiteral("vantel-export -o %1 blocked").arg(out);
    }
    const int status = exporter.exitCode();
    const bool wrote = target == 1 && usable();
    if (status != (wrote ? 0 : 2))
        return QStringLiteral("vantel-export -o %1: status %2").arg(out).arg(status);
    if (wrote && ts::readFile(m_listing) != listingOf(m_bytes))
        return QStringLiteral("vantel-export listing differs");
    return QString();
}

QString TestModel::race()
{
    // Both stations save record n at the same moment; writes are slowed so that both
    // pass the size check together unless the lock keeps them apart.
    Station &a = m_stations[0];
    Station &b = m_stations[1];
    for (Station *s : { &a, &b }) {
        if (QString e = openOrCreate(*s, false); !e.isEmpty())
            return e;
        s->ask(QStringLiteral("slow 15"));
    }
    const qint64 number = a.count + 1;
    const QString calls[2] = { QStringLiteral("Q%1").arg(++m_calls), QStringLiteral("Q%1").arg(++m_calls) };
    a.send(QStringLiteral("save ") + calls[0]);
    b.send(QStringLiteral("save ") + calls[1]);
    const QString got[2] = { a.receive(), b.receive() };
    for (Station *s : { &a, &b })
        s->ask(QStringLiteral("slow 0"));
    const bool won[2] = { got[0].startsWith(QLatin1String("ok")), got[1].startsWith(QLatin1String("ok")) };
    if (!usable())
        return won[0] || won[1] ? QStringLiteral("race on no logbook saved") : QString();
    if (won[0] == won[1])
        return QStringLiteral("race for record %1: \"%2\" and \"%3\"").arg(number).arg(got[0], got[1]);
    const int w = won[0] ? 0 : 1;
    m_bytes = m_bytes.left((number - 1) * kRecord) + savedRecord(number, calls[w]);
    m_stations[w].count = number;
    return QString();
}

QString TestModel::kill(Station &s)
{
    const QString call = QStringLiteral("Q%1").arg(++m_calls);
    const qint64 number = s.count + 1;
    const bool couldSave = s.inUse && (usable() || m_kind == Kind::Missing)
            && fits(number, m_bytes.size(), m_kind == Kind::Regular);
    s.send(QStringLiteral("save ") + call);
    QThread::usleep(m_random.bounded(3000u));
    ::kill(pid_t(s.process->processId()), SIGKILL);
    s.process->waitForFinished(5000);
    // The save either reached the disk whole or not at all (a logbook it was making may
    // stand there empty).
    if (couldSave && QFileInfo(m_log).isFile()) {
        const QByteArray saved = m_bytes.left((number - 1) * kRecord) + savedRecord(number, call);
        const QByteArray disk = ts::readFile(m_log);
        if (disk == saved || (m_kind == Kind::Missing && disk.isEmpty())) {
            m_bytes = disk;
            m_kind = Kind::Regular;
        }
    }
    if (QString e = diskAsModel(); !e.isEmpty())
        return QStringLiteral("killed while saving %1: %2").arg(call, e);
    return start(s);
}

QString TestModel::outside()
{
    const QByteArray name = QFile::encodeName(m_log);
    const auto makeRegular = [&](const QByteArray &bytes) {
        if (m_kind == Kind::Folder)
            QDir(m_log).removeRecursively();
        else
            QFile::remove(m_log);
        ts::writeFile(m_log, bytes);
        m_kind = Kind::Regular;
        m_bytes = bytes;
    };
    switch (pick(10)) {
    case 8: { // an ADIF file where the logbook was
        QByteArray adif = "<ADIF_VER:5>3.1.4\r\n<EOH>\r\n";
        for (int i = pick(40); i >= 0; --i)
            adif += "<CALL:6>DL1ABC <QSO_DATE:8>20240309 <TIME_ON:4>1842 <MODE:2>CW <EOR>\r\n";
        makeRegular(adif);
        m_kind = Kind::Adif;
        return QStringLiteral("adif");
    }
    case 9:
        return plant();
    case 0: // another program appends a contact, sometimes a partial one, sometimes a
    case 1: // piece no save of ours leaves (then nothing more: it stays the file's end)
        if (usable()) {
            const QByteArray more = pick(2) ? ts::record("77", qPrintable(QStringLiteral("X%1").arg(++m_calls)))
                    : pick(3)               ? QByteArray(1 + pick(kRecord - 1), '#')
                                            : QByteArray(pick(kRecord - 1), '#') + "\n";
            QFile file(m_log);
            file.open(QIODevice::Append);
            file.write(more);
            m_bytes += more;
        }
        return QStringLiteral("append");
    case 2: // cut to any length
        if (m_kind == Kind::Regular) {
            m_bytes = m_bytes.left(pick(int(m_bytes.size()) + 1));
            ::truncate(name.constData(), m_bytes.size());
        }
        return QStringLiteral("truncate");
    case 3: // moved away, or back
        if (m_kind == Kind::Regular && !m_asideBytes) {
            QFile::rename(m_log, m_aside);
            m_asideBytes = m_bytes;
            m_kind = Kind::Missing;
            m_bytes.clear();
        } else if (m_kind == Kind::Missing && m_asideBytes) {
            QFile::rename(m_aside, m_log);
            m_bytes = *m_asideBytes;
            m_asideBytes.reset();
            m_kind = Kind::Regular;
        }
        return QStringLiteral("rename");
    case 4:
        if (m_kind == Kind::Regular) {
            QFile::remove(m_log);
            m_kind = Kind::Missing;
            m_bytes.clear();
        }
        return QStringLiteral("remove");
    case 5:
        if (m_kind != Kind::Folder) {
            QFile::remove(m_log);
            ::mkfifo(name.constData(), 0600);
            m_kind = Kind::Fifo;
            m_bytes.clear();
        }
        return QStringLiteral("fifo");
    case 6:
        if (m_kind != Kind::Folder) {
            QFile::remove(m_log);
            QDir().mkdir(m_log);
            m_kind = Kind::Folder;
            m_bytes.clear();
        }
        return QStringLiteral("folder");
    default: // a regular logbook again, with a few contacts
        makeRegular(ts::records(pick(5)));
        return QStringLiteral("replace");
    }
}

QString TestModel::plant()
{
    const QByteArray name = QFile::encodeName(journal());
    if (m_plant != Plant::None) { // the other program takes it away again
        if (m_plant == Plant::Folder)
            QDir().rmdir(journal());
        else
            QFile::remove(journal());
        m_plant = Plant::None;
        return QStringLiteral("unplant");
    }
    m_plant = Plant(1 + pick(4));
    switch (m_plant) {
    case Plant::OldJournal: // made to rewrite a contact, were it trusted
        m_plantBytes = records() > 0
                ? ts::oldJournal(1, ts::record("1", "PLANTED"), m_bytes.left(kRecord))
                : ts::oldJournal(1, ts::record("1", "PLANTED"), ts::record("1", "C1"));
        break;
    case Plant::UserFile: // vantel-export adif b.log -o b.log.journal, say
        m_plantBytes = "<ADIF_VER:5>3.1.4\n<EOH>\n";
        break;
    case Plant::Folder:
        QDir().mkdir(journal());
        return QStringLiteral("plant folder");
    case Plant::Fifo:
        ::mkfifo(name.constData(), 0600);
        return QStringLiteral("plant fifo");
    case Plant::None:
        break;
    }
    ts::writeFile(journal(), m_plantBytes);
    return QStringLiteral("plant file");
}

// Station a corrects a contact, sometimes on a disk that takes 600 ms an fsync; while it
// holds the lock, station b is taken into use (Open, or a fresh start) or looks a call
// up: it must go on at once with the logbook, not wait, and never report the
// correction as interrupted. Sometimes a is killed half-way: the next one to take the
// logbook into use puts the contact back.
QString TestModel::correct(Station &a, Station &b)
{
    if (m_plant != Plant::None && pick(2))
        plant(); // taken away: more corrections get through
    const qint64 number = records() > 0 ? 1 + pick(int(records())) : 1;
    const QString call = QStringLiteral("R%1").arg(++m_calls);
    const QString command = QStringLiteral("correct %1 %2").arg(number).arg(call);
    const bool ok = a.inUse && usable() && number <= records() && m_plant == Plant::None;
    const bool slow = ok && pick(2);
    if (!slow) {
        const QString got = a.ask(command);
        if (got.startsWith(QLatin1String("ok")) != ok)
            return QStringLiteral("%1: \"%2\", model says %3").arg(command, got, ok ? "ok" : "err");
        if (ok)
            m_bytes.replace((number - 1) * kRecord + 3, 15, ts::pad(qPrintable(call), 15));
        return QString();
    }
    a.ask(QStringLiteral("slowsync 600"));
    a.send(command);
    QThread::msleep(300); // a is in the fsync of its journal, holding the lock
    QString error;
    if (pick(2)) {
        const QString got = b.ask(QStringLiteral("open ") + m_log);
        if (got != QStringLiteral("ok %1").arg(records() + 1))
            error = QStringLiteral("open during a correction: \"%1\"").arg(got);
        b.inUse = true;
        b.count = records();
    } else {
        ::kill(pid_t(b.process->processId()), SIGKILL);
        b.process->waitForFinished(5000);
        error = start(b);
    }
    if (pick(3) == 0) {
        ::kill(pid_t(a.process->processId()), SIGKILL);
        a.process->waitForFinished(5000);
        // b takes the logbook into use again: the contact is as it was.
        const QString got = b.ask(QStringLiteral("open ") + m_log);
        if (error.isEmpty() && got != QStringLiteral("ok %1").arg(records() + 1))
            error = QStringLiteral("open after a killed correction: \"%1\"").arg(got);
        if (error.isEmpty())
            error = start(a);
        return error.isEmpty() ? QString() : QStringLiteral("%1 (killed): %2").arg(command, error);
    }
    const QString got = a.receive();
    a.ask(QStringLiteral("slowsync 0"));
    if (got != QLatin1String("ok"))
        error = QStringLiteral("\"%1\"").arg(got);
    m_bytes.replace((number - 1) * kRecord + 3, 15, ts::pad(qPrintable(call), 15));
    return error.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(command, error);
}

// Station a imports k generated contacts (some already in the logbook as saves wrote
// them, one repeated in the file): alone, then perhaps again (nothing more is added);
// while b saves (one of them is first: the import numbers after b's contact, or b is
// refused as its record is taken); or killed mid-way (b, opening the logbook, finds it as
// before or with every contact of the import).
QString TestModel::import(Station &a, Station &b)
{
    const QString file = m_dir->path(QStringLiteral("in.adi"));
    QByteArray adif = pick(2) ? "<ADIF_VER:5>3.1.4\n<EOH>\n" : "";
    QList<QByteArray> fresh; // the records to add, numbered from 1 (the number is set later)
    const auto field = [](const char *name, const QByteArray &value) {
        return '<' + QByteArray(name) + ':' + QByteArray::number(value.size()) + '>' + value;
    };
    for (int i = pick(30); i >= 0; --i) {
        const QByteArray call = "I" + QByteArray::number(++m_calls);
        const QByteArray hhmm = QByteArray::number(10000 + pick(24) * 100 + pick(60)).right(4);
        adif += field("CALL", call) + field("QSO_DATE", "20240309") + field("TIME_ON", hhmm)
                + field("band", "20m") + field("mode", "cw") + field("RST_SENT", "599")
                + field("RST_RCVD", "579") + " <EOR>\n";
        fresh << ts::record("", call.constData(), ("09.03.24 " + hhmm.left(2) + ':' + hhmm.mid(2)).constData(),
                            "579", "599", "14", "CW");
    }
    adif += adif.mid(adif.indexOf("<CALL:"), adif.indexOf("<EOR>") + 5 - adif.indexOf("<CALL:"));
    for (qint64 r = 0; r < records(); ++r) { // a contact a station saved, written as ADIF
        const QByteArray saved = m_bytes.mid(r * kRecord, kRecord);
        if (pick(4) == 0 && saved.mid(18, 15) == "01.02.03 04:05 " && saved.mid(49, 11) == "14  CW     ")
            adif += field("call", saved.mid(3, 15).trimmed().toLower())
                    + "<qso_date:8>20030201<time_on:4>0405<freq:6>14.070<mode:2>CW<eor>\n";
    }
    ts::writeFile(file, adif);
    const auto imported = [&](qint64 first) {
        QByteArray out;
        for (const QByteArray &r : fresh)
            out += ts::pad(QByteArray::number(first++).constData(), 3) + r.mid(3);
        return out;
    };
    const bool ok = a.inUse && m_kind == Kind::Regular && usable();
    const qint64 whole = records();
    const int how = pick(3);
    const QString command = QStringLiteral("import ") + file;

    if (how == 2) { // killed
        a.send(command);
        QThread::usleep(m_random.bounded(20000u));
        ::kill(pid_t(a.process->processId()), SIGKILL);
        a.process->waitForFinished(5000);
        if (ok) {
            const QByteArray all = m_bytes.left(whole * kRecord) + imported(whole + 1);
            const QString got = b.ask(QStringLiteral("open ") + m_log);
            // Cut short, the import is cut away again, a piece at the end with it.
            const QByteArray disk = ts::readFile(m_log);
            if (disk == all || disk == m_bytes.left(whole * kRecord))
                m_bytes = disk;
            b.inUse = true;
            b.count = records();
            if (got != QStringLiteral("ok %1").arg(records() + 1))
                return QStringLiteral("open after a killed import: \"%1\" with %2 records").arg(got).arg(records());
        }
        if (QString e = diskAsModel(); !e.isEmpty())
            return QStringLiteral("killed while importing %1 contacts: %2").arg(fresh.size()).arg(e);
        return start(a);
    }

    if (how == 1) { // b saves at the same moment
        const QString call = QStringLiteral("Q%1").arg(++m_calls);
        const qint64 number = b.count + 1;
        const bool bFits = b.inUse && usable() && fits(number, m_bytes.size(), m_kind == Kind::Regular);
        a.send(command);
        b.send(QStringLiteral("save ") + call);
        const QString got[2] = { a.receive(), b.receive() };
        if (got[1].startsWith(QLatin1String("ok"))) {
            if (!bFits)
                return QStringLiteral("save %1 beside an import: \"%2\", model says refused").arg(call, got[1]);
            m_bytes = m_bytes.left((number - 1) * kRecord) + savedRecord(number, call);
            b.count = number;
        }
        if (ok) {
            m_bytes = m_bytes.left(records() * kRecord) + imported(records() + 1);
            a.count = records();
        }
        const QString want = ok ? QStringLiteral("ok %1").arg(records() + 1) : QStringLiteral("err");
        if (ok ? got[0] != want : !got[0].startsWith(want))
            return QStringLiteral("%1 beside a save (\"%2\"): \"%3\", model says %4 contacts before, ok %5")
                    .arg(command, got[1], got[0]).arg(whole).arg(ok);
        return QString();
    }

    for (int again = 0; again < 1 + pick(2); ++again) {
        const QString got = a.ask(command);
        if (ok) {
            if (again == 0)
                m_bytes = m_bytes.left(whole * kRecord) + imported(whole + 1);
            a.count = records();
        }
        const QString want = ok ? QStringLiteral("ok %1").arg(records() + 1) : QStringLiteral("err");
        if (!got.startsWith(want) || (ok && got != want))
            return QStringLiteral("%1 (%2): \"%3\", model says %4").arg(command).arg(again).arg(got, want);
        if (QString e = diskAsModel(); !e.isEmpty())
            return QStringLiteral("%1 (%2): %3").arg(command).arg(again).arg(e);
    }
    return QString();
}

void TestModel::randomOperations()
{
    const quint32 seed = qEnvironmentVariableIsSet("VANTEL_MODEL_SEED")
            ? quint32(qEnvironmentVariableIntValue("VANTEL_MODEL_SEED"))
            : QRandomGenerator::global()->generate();
    const int seconds = qEnvironmentVariableIsSet("VANTEL_MODEL_SECONDS")
            ? qEnvironmentVariableIntValue("VANTEL_MODEL_SECONDS")
            : 8;
    qInfo("model test seed %u (replay with VANTEL_MODEL_SEED=%u)", seed, seed);
    m_random.seed(seed);

    ts::WorkDir dir;
    m_dir = &dir;
    m_log = dir.path(QStringLiteral("shared.log"));
    m_aside = dir.path(QStringLiteral("aside.log"));
    m_listing = dir.path(QStringLiteral("listing.txt"));
    ts::writeFile(m_log, QByteArray());
    for (int i = 0; i < 2; ++i) {
        Station &s = m_stations[i];
        s.folder = dir.path(QStringLiteral("station%1").arg(i));
        QDir().mkdir(s.folder);
        ts::writeFile(s.folder + QStringLiteral("/deflog"), ts::setting(m_log.toLocal8Bit()));
        const QString e = start(s);
        QVERIFY2(e.isEmpty(), qPrintable(e));
    }

    QElapsedTimer clock;
    clock.start();
    int steps = 0;
    while (clock.elapsed() < seconds * 1000) {
        Station &s = m_stations[pick(2)];
        const int roll = pick(100);
        QString what, error;
        if (roll < 35) {
            what = QStringLiteral("save");
            error = save(s);
        } else if (roll < 50) {
            what = QStringLiteral("check");
            error = check(s);
        } else if (roll < 58) {
            what = QStringLiteral("open");
            error = openOrCreate(s, false);
        } else if (roll < 61) {
            what = QStringLiteral("create");
            error = openOrCreate(s, true);
        } else if (roll < 66) {
            what = QStringLiteral("convert");
            error = convert(s);
        } else if (roll < 72) {
            what = QStringLiteral("race");
            error = race();
        } else if (roll < 75) {
            what = QStringLiteral("kill");
            error = kill(s);
        } else if (roll < 77) {
            what = QStringLiteral("correct");
            error = correct(s, &s == &m_stations[0] ? m_stations[1] : m_stations[0]);
        } else if (roll < 80) {
            what = QStringLiteral("export");
            error = exportTo();
        } else if (roll < 84) {
            what = QStringLiteral("import");
            error = import(s, &s == &m_stations[0] ? m_stations[1] : m_stations[0]);
        } else {
            what = QStringLiteral("outside ") + outside();
        }
        if (error.isEmpty())
            error = diskAsModel();
        m_trail << QStringLiteral("%1 %2").arg(++steps).arg(what);
        if (m_trail.size() > 12)
            m_trail.removeFirst();
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("seed %1, step %2: %3\nlast steps: %4")
                                                     .arg(seed).arg(steps).arg(error, m_trail.join(QStringLiteral(", ")))));
    }
    for (Station &s : m_stations) {
        s.process->closeWriteChannel();
        s.process->waitForFinished(5000);
    }
    qInfo("%d steps", steps);
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
