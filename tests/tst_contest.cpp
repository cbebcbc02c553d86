// Contest scores: the real vantel-export's CLAIMED-SCORE beside TLF's score of the same
// Cabrillo, the scorer beside a small model of its own over random logs, and one
// Cabrillo with a range written out byte for byte.
#include "TestSupport.h"

#include "contest/RuleFiles.h"
#include "contest/Scorer.h"
#include "country/CountryFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

struct Station
{
    const char *call;
    int zone;
    const char *region; // ARRL DX: the state or province it sends
};

// Calls of every continent, portable forms among them, with the zone they send.
const Station kWorld[] = {
    { "DL2XX", 14, "" },     { "DL2XX/P", 14, "" },   { "F5XYZ", 14, "" },    { "I1ABC", 15, "" },
    { "IT9ABC", 15, "" },    { "OH2ABC", 15, "" },    { "G4ABC", 14, "" },    { "PA/G4ABC", 14, "" },
    { "SP3ABC", 15, "" },    { "EA3ABC", 14, "" },    { "OK1ABC", 15, "" },   { "UA3ABC", 16, "" },
    { "HA5ABC", 15, "" },    { "S51ABC", 15, "" },    { "JA1XYZ", 25, "" },   { "UA9AA", 17, "" },
    { "BY1ABC", 24, "" },    { "HL1ABC", 25, "" },    { "4X4ABC", 20, "" },   { "VK2ABC", 30, "" },
    { "ZL1ABC", 32, "" },    { "ZS6ABC", 38, "" },    { "CN8ABC", 33, "" },   { "5Z4ABC", 37, "" },
    { "PY2ABC", 11, "" },    { "LU1ABC", 13, "" },    { "CE3ABC", 12, "" },   { "XE1ABC", 6, "" },
    { "KP4ABC", 8, "" },     { "W1AW", 5, "CT" },     { "W1AW/4", 5, "GA" },  { "K2ABC", 5, "NY" },
    { "N4ABC", 5, "FL" },    { "W6ABC", 3, "CA" },    { "K0ABC", 4, "MN" },   { "VE3ABC", 4, "ON" },
    { "VE3ABC/P", 4, "ON" }, { "VE7ABC", 3, "BC" },   { "VA2ABC", 2, "QC" },
};

bool inWorkedSet(const Station &s, const QByteArray &which)
{
    const bool wve = *s.region != '\0';
    if (which == "wve")
        return wve;
    if (which == "dx")
        return !wve && QByteArray(s.call) != "IT9ABC"; // DXCC list only: TLF counts cty.dat's
    return true;
}

struct Generated
{
    QByteArray logbook;
    int inRange = 0;
    QList<int> dupes; // 0-based places among the contacts in range
};

// A logbook of the evening before (plain reports), the contest (exchanges as the
// contest's), and the morning after: only the contest lies in the range.
Generated generate(quint32 seed, const QByteArray &exchange, const QByteArray &pool,
                   const QStringList &bands)
{
    QRandomGenerator random(seed);
    QList<const Station *> stations;
    for (const Station &s : kWorld) {
        if (inWorkedSet(s, pool))
            stations << &s;
    }
    Generated g;
    QSet<QString> worked;
    int number = 0;
    const auto add = [&](const QDateTime &when, const Station &s, const QString &band,
                         const QByteArray &recv, const QByteArray &sent) {
        ++number;
        g.logbook += ts::record(QByteArray::number(number).constData(), s.call,
                                when.toString(QStringLiteral("dd.MM.yy HH:mm")).toLatin1().constData(),
                                recv.constData(), sent.constData(), band.toLatin1().constData(), "CW");
    };
    const QDateTime start(QDate(2026, 5, 30), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < 5; ++i)
        add(start.addSecs(-3600 + i * 60), *stations[random.bounded(int(stations.size()))], QStringLiteral("14"), "599", "599");
    for (int i = 0; i < 70; ++i) {
        const Station &s = *stations[random.bounded(int(stations.size()))];
        const QString band = bands[random.bounded(int(bands.size()))];
        const QString key = QLatin1String(s.call) + QLatin1Char(' ') + band;
        if (worked.contains(key))
            g.dupes << i;
        worked.insert(key);
        const QByteArray recv = "599"
                + (exchange == "zone"     ? QByteArray::number(s.zone)
                           : exchange == "region" ? QByteArray(s.region)
                           : exchange == "power"  ? QByteArray("100")
                                                  : QByteArray::number(random.bounded(1, 999)));
        add(start.addSecs(i * 97), s, band, recv, "599" + QByteArray::number(i + 1));
    }
    g.inRange = 70;
    for (int i = 0; i < 4; ++i)
        add(start.addDays(2).addSecs(i * 60), *stations[random.bounded(int(stations.size()))], QStringLiteral("7"), "599", "599");
    return g;
}

QByteArray run(const QString &program, const QStringList &args, const QString &folder = {},
               int *status = nullptr)
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, args);
    p.waitForFinished(20000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput() + p.readAllStandardError();
}

QString pane(const QString &session)
{
    return QString::fromLatin1(run(QStringLiteral("tmux"), { "capture-pane", "-p", "-t", session }));
}

// Waits up to 30 s for `done`.
bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 30000)
            return false;
        QThread::msleep(100);
    }
    return true;
}

struct Case
{
    const char *rules; // TLF's rules file
    const char *contest;
    const char *myCall;
    QByteArray exchange, pool;
    QStringList bands; // band field texts
};

} // namespace

class TestContest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The country file both programs read is Debian's, not one in the home folder.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
        m_countries = country::loadCountryData();
        QVERIFY2(!m_countries.table.isEmpty(), "hamradio-files' cty.dat is missing: run scripts/deps.sh");
        const contest::RuleBook book = contest::loadRules();
        QCOMPARE(book.problems, QStringList());
        for (const char *name : { "CQ-WPX-CW", "CQ-WPX-SSB", "CQ-WPX-RTTY", "CQ-WW-CW", "CQ-WW-SSB",
                                  "CQ-WW-RTTY", "DARC-WAEDC-CW", "DARC-WAEDC-SSB", "DARC-WAEDC-RTTY",
                                  "ARRL-DX-CW", "ARRL-DX-SSB", "GENERIC" })
            QVERIFY2(book.find(QLatin1String(name)), name);
        m_book = book;
    }

    // The same Cabrillo scored by TLF: its multipliers and its points (less those it gives
    // the dupes, which its import does not mark) make our claimed score.
    void scoreEqualsTlf()
    {
        // As the band field holds them.
        const QStringList all = { "1.8", "3.5", "7", "14", "21", "28" };
        const QStringList wae = { "3.5", "7", "14", "21", "28" };
        const QList<Case> cases = {
            { "wpx", "CQ-WPX-CW", "DL1ABC", "serial", "all", all },
            { "cqww", "CQ-WW-CW", "VE3XYZ", "zone", "all", all },
            { "waedc_dx", "DARC-WAEDC-CW", "W1XYZ", "serial", "all", wae },
            { "arrldx_dx", "ARRL-DX-CW", "DL1ABC", "region", "wve", all },
            { "arrldx_usa", "ARRL-DX-CW", "K1ABC", "power", "dx", all },
        };
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QList<Generated> logs;
        QStringList claimed;
        for (int i = 0; i < cases.size(); ++i) {
            const Case &c = cases[i];
            const QString folder = dir.filePath(QString::number(i));
            QVERIFY(QDir().mkpath(folder));
            logs << generate(seed + quint32(i), c.exchange, c.pool, c.bands);
            QVERIFY(!logs.last().dupes.isEmpty());
            QVERIFY(ts::writeFile(folder + "/contest.log", logs.last().logbook));
            int status = -1;
            const QByteArray cbr = run(QStringLiteral(VANTEL_EXPORT),
                                       { "cabrillo", "contest.log", "--call", c.myCall, "--contest",
                                         c.contest, "--from", "2026-05-30 00:00", "--to",
                                         "2026-05-31 23:59", "-o", QString(c.myCall) + ".cbr" },
                                       folder, &status);
            QVERIFY2(status == 0, cbr.constData());
            const QString text = QString::fromLatin1(ts::readFile(folder + "/" + c.myCall + ".cbr"));
            QCOMPARE(text.count(QStringLiteral("\nQSO: ")), logs.last().inRange);
            claimed << QRegularExpression(QStringLiteral("CLAIMED-SCORE: (\\d+)")).match(text).captured(1);
            QVERIFY(QFile::copy(m_countries.ctyPath, folder + "/cty.dat"));
            QVERIFY(ts::writeFile(folder + "/logcfg.dat",
                                  QByteArray("RULES=") + c.rules + "\nCALL=" + c.myCall + "\nTIME_OFFSET=0\n"));
        }
        // TLF imports each Cabrillo and ends, all of them at once.
        const QString prefix = QStringLiteral("vantel-tlf-%1-").arg(QCoreApplication::applicationPid());
        const auto session = [&](int i) { return prefix + QString::number(i); };
        const auto start = [&](int i, const char *command) {
            run(QStringLiteral("tmux"), { "new-session", "-d", "-s", session(i), "-x", "120", "-y", "40",
                                          "-c", dir.filePath(QString::number(i)), command });
        };
        for (int i = 0; i < cases.size(); ++i)
            start(i, "tlf -i -r -n");
        for (int i = 0; i < cases.size(); ++i) {
            int status = 0;
            QVERIFY2(waitFor([&] {
                         run(QStringLiteral("tmux"), { "has-session", "-t", session(i) }, {}, &status);
                         return status != 0;
                     }),
                     "TLF's import did not end");
            const QString folder = dir.filePath(QString::number(i));
            const QString logName = QString::fromLatin1(ts::readFile(QStringLiteral("/usr/share/tlf/rules/") + cases[i].rules))
                                            .section(QStringLiteral("LOGFILE="), 1)
                                            .section(QLatin1Char('\n'), 0, 0);
            QFile::remove(folder + "/" + logName);
            QVERIFY(QFile::rename(folder + "/IMPORT_" + logName, folder + "/" + logName));
            start(i, "tlf -r -n");
        }
        for (int i = 0; i < cases.size(); ++i) {
            const Case &c = cases[i];
            QVERIFY2(waitFor([&] { return pane(session(i)).contains(QLatin1String("Press any key")); }),
                     qPrintable(pane(session(i))));
            run(QStringLiteral("tmux"), { "send-keys", "-t", session(i), "Enter" });
            QVERIFY(waitFor([&] { return pane(session(i)).contains(QLatin1String("Score:")); }));
            const auto m = QRegularExpression(QStringLiteral("Pts: (\\d+) +Mul: (\\d+) Score: (\\d+)"))
                                   .match(pane(session(i)));
            run(QStringLiteral("tmux"), { "kill-session", "-t", session(i) });
            QVERIFY(m.hasMatch());
            const QString logName = QString::fromLatin1(ts::readFile(QStringLiteral("/usr/share/tlf/rules/") + c.rules))
                                            .section(QStringLiteral("LOGFILE="), 1)
                                            .section(QLatin1Char('\n'), 0, 0);
            const QStringList lines = QString::fromLatin1(ts::readFile(dir.filePath(QString::number(i)) + "/" + logName))
                                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), logs[i].inRange);
            int dupePoints = 0;
            for (const int d : logs[i].dupes)
                dupePoints += lines[d].simplified().section(QLatin1Char(' '), -1).toInt();
            const qint64 tlfPoints = m.captured(1).toLongLong() - dupePoints;
            const qint64 tlfMults = m.captured(2).toLongLong();
            qInfo("%s as %s: TLF Pts %s (%d on dupes) Mul %s Score %s; vantel CLAIMED-SCORE %s", c.rules,
                  c.myCall, qPrintable(m.captured(1)), dupePoints, qPrintable(m.captured(2)),
                  qPrintable(m.captured(3)), qPrintable(claimed[i]));
            QVERIFY(tlfPoints > 0 && tlfMults > 1);
            QCOMPARE(claimed[i].toLongLong(), tlfPoints * tlfMults);
        }
    }

private:
    QTemporaryDir m_home;
    country::CountryData m_countries;
    contest::RuleBook m_book;
};

QTEST_GUILESS_MAIN(TestContest)
#include "tst_contest.moc"
