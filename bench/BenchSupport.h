#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

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
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
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
