// Corrects record 2 of a logbook in a loop (call sign Kn, Kn+1, ... from the n given)
// and says so after each correction has returned, until it is killed. The journal
// tests kill it at random moments.
#include "storage/Journal.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int first = std::atoi(argv[2]);
    QFile file(path);
    for (int i = first; i < first + 1000000; ++i) {
        if (!file.open(QIODevice::ReadOnly) || !file.seek(85))
            return 3;
        storage::QsoRecord shown;
        if (file.read(shown.bytes.data(), storage::QsoRecord::Size) != storage::QsoRecord::Size)
            return 3;
        file.close();
        storage::QsoRecord corrected = shown;
        corrected.setField(storage::QsoRecord::Call, QStringLiteral("K%1").arg(i));
        const storage::Status done = storage::correctRecord(path, 2, shown, corrected);
        if (!done) {
            std::fprintf(stderr, "error: %s\n", qPrintable(done.error().reason));
            return 4;
        }
        std::printf("corrected %d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
