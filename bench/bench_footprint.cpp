// Peak memory of the whole program started on a full-size logbook, beside an empty Qt
// window; and of the program with the log window open on 32767 contacts, beside the same
// program without it. Each started as a process on the offscreen platform and left to
// settle.
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstdio>

namespace {

long peakKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Starts the program, waits until its peak has not grown for half a second (at most
// ten seconds), and returns that peak.
long measure(const QString &program, const QString &folder, const QStringList &args = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return -1;
    long peak = 0;
    int stable = 0;
    for (int i = 0; i < 100 && stable < 5; ++i) {
        QThread::msleep(100);
        const long now = peakKiB(process.processId());
        stable = now == peak ? stable + 1 : 0;
        peak = now;
    }
    process.kill();
    process.waitForFinished(5000);
    return peak;
}

void settings(const QString &folder, const QString &logbook)
{
    QFile deflog(folder + QStringLiteral("/deflog"));
    if (!deflog.open(QIODevice::WriteOnly))
        return;
    const QByteArray path = QFile::encodeName(logbook);
    deflog.write(QByteArray("\x08\x00", 2) + char(path.size() & 0xFF) + char(path.size() >> 8) + path);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // The largest logbook that can be taken into use.
    const QString logbook = bench::makeLogbook(dir, 32766);
    settings(dir.path(), logbook);
    const long vantel = measure(QStringLiteral(VANTEL_BINARY), dir.path());
    const long empty = measure(QStringLiteral(EMPTY_WINDOW_BINARY), dir.path());
    std::printf("peak memory, vantel on 32766 records: %ld KiB\n", vantel);
    std::printf("peak memory, empty Qt window:         %ld KiB\n", empty);
    std::printf("difference: %.1f MB (target: within 10 MB)\n", double(vantel - empty) / 1024.0);

    // The two contacts saved there fill the logbook: each run starts from 32765 again.
    bench::makeLogbook(dir, 32765);
    const long without = measure(QStringLiteral(LOG_WINDOW_APP), dir.path());
    bench::makeLogbook(dir, 32765);
    const long with = measure(QStringLiteral(LOG_WINDOW_APP), dir.path(),
                              { QStringLiteral("--log-window") });
    if (QFileInfo(logbook).size() != qint64(32767) * 85)
        std::printf("the log window run did not reach 32767 records\n");
    std::printf("peak memory, log window open on 32767 records: %ld KiB\n", with);
    std::printf("peak memory, the same program without it:      %ld KiB\n", without);
    std::printf("difference: %.1f MB (target: within 10 MB)\n", double(with - without) / 1024.0);
    return vantel > 0 && empty > 0 && with > 0 && without > 0 ? 0 : 1;
}
