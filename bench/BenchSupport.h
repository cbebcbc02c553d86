#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// FILE in DIR holding exactly BYTES; its path.
inline QString writeFile(QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// A logbook of n distinct records in a temporary folder.
inline QString makeLogbook(QTemporaryDir &dir, int n, const char *name = "bench.log")
{
    QByteArray bytes;
    bytes.reserve(qsizetype(n) * 85);
    for (int i = 1; i <= n; ++i) {
        QByteArray record = QByteArray::number(i).left(3).leftJustified(3, ' ')
                + ("K" + QByteArray::number(i)).leftJustified(15, ' ')
                + QByteArray("09.03.24 18:42 599     59913   14  PSK31  Name      QTH            ");
        bytes += record.leftJustified(85, ' ', true);
    }
    return writeFile(dir, name, bytes);
}

// One contact of a contest weekend: 6000 stations of every continent on six bands, one
// contact every five seconds from Saturday 00:00 UTC. Contact i works station `station`.
struct WeekendContact
{
    int station;
    QByteArray call;
    QByteArray when;
    const char *band;
};

inline WeekendContact weekendContact(int i)
{
    static const char *const prefixes[] = { "DL", "F", "G", "I", "JA", "K", "W", "VE", "PY", "LU",
                                            "VK", "ZS", "UA", "UA9", "BY", "EA", "OH", "SP", "OK", "HA" };
    static const char *const bands[] = { "1.8", "3.5", "7", "14", "21", "28" };
    const int station = (i * 7919) % 6000;
    const QByteArray call = QByteArray(prefixes[station % 20]) + QByteArray::number(station % 10)
            + char('A' + station / 10 % 26) + char('A' + station / 260 % 26);
    const QByteArray when = QDateTime(QDate(2026, 11, 28), QTime(0, 0), Qt::UTC)
                                    .addSecs(qint64(i) * 5)
                                    .toString(QStringLiteral("dd.MM.yy HH:mm"))
                                    .toLatin1();
    return { station, call, when, bands[i % 6] };
}

// Contact i of the weekend as an 85-byte record, with these reports and mode (no name, no QTH).
inline QByteArray weekendRecord(int i, const WeekendContact &c, const QByteArray &recv,
                                const QByteArray &sent, const char *mode)
{
    return QByteArray::number(i % 1000).leftJustified(3) + c.call.leftJustified(15)
            + c.when.leftJustified(15) + recv.leftJustified(8) + sent.leftJustified(8)
            + QByteArray(c.band).leftJustified(4) + QByteArray(mode).leftJustified(7) + QByteArray(25, ' ');
}

// A logbook of n records of MASTER.SCP's calls (many entities, some worked several
// times) across its bands and a few modes; empty without the list.
inline QByteArray masterScpLogbook(int n)
{
    QFile scp(QStringLiteral("/usr/share/hamradio-files/MASTER.SCP"));
    QList<QByteArray> calls;
    if (scp.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : scp.readAll().split('\n')) {
            if (!line.isEmpty() && !line.startsWith('#'))
                calls << line.trimmed();
        }
    }
    static const char *const bands[] = { "1.8", "3.5", "7", "10", "14", "18", "21", "24", "28" };
    static const char *const modes[] = { "PSK31", "CW", "SSB", "RTTY", "FT8", "PSK63" };
    QByteArray bytes;
    bytes.reserve(qsizetype(n) * 85);
    for (int i = 0; i < n && !calls.isEmpty(); ++i) {
        const QByteArray call = calls.at((i * 7919) % std::min<qsizetype>(calls.size(), 24000));
        QByteArray record = QByteArray::number(i + 1).left(3).leftJustified(3, ' ')
                + call.leftJustified(15, ' ', true) + QByteArray("09.03.24 18:42 599     599     ")
                + QByteArray(bands[i % 9]).leftJustified(4, ' ') + QByteArray(modes[(i / 9) % 6]).leftJustified(7, ' ');
        bytes += record.leftJustified(85, ' ', true);
    }
    return bytes;
}

// Widgets on the offscreen platform; its notes on raise() and size hints would drown the table.
inline void quietOffscreen()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtWarningMsg && type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

// Prints the usual table, then "ratio A / B" lines for the pairs asked for.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs)
        : m_pairs(std::move(pairs))
    {
    }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        // With repetitions the median stands for the benchmark; otherwise the one run.
        for (const Run &run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                m_times[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto &[name, time] : m_medians)
            m_times[name] = time;
        for (const auto &[a, b] : m_pairs) {
            if (m_times.count(a) && m_times.count(b) && m_times[b] > 0)
                std::printf("ratio %-40s / %-40s = %.2f\n", a.c_str(), b.c_str(),
                            m_times[a] / m_times[b]);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
    std::map<std::string, double> m_times;
    std::map<std::string, double> m_medians;
};

inline int run(int argc, char **argv, std::vector<std::pair<std::string, std::string>> pairs)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
