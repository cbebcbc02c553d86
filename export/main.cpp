// vantel-export: a logbook as ADIF, Cabrillo or the printable listing. Reads the
// logbook, and writes it only to undo a correction that was interrupted. Exit status 0: every record exported; 1: some skipped
// (each named on standard error); 2: a usage or file error.
#include "export/Export.h"
#include "storage/Journal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSaveFile>

#include <cstdio>

namespace {

const char *const kUsage =
        "Usage:\n"
        "  vantel-export adif LOGBOOK [-o FILE]\n"
        "  vantel-export cabrillo LOGBOOK --call MYCALL [--contest NAME] [-o FILE]\n"
        "  vantel-export listing LOGBOOK [--title] [-o FILE]\n"
        "  vantel-export --help | --version\n"
        "\n"
        "Writes the contacts of a vantel logbook as ADIF 3.1 (.adi), as a Cabrillo 3.0 log, or\n"
        "as the conversion window's listing, to standard output or to FILE (written whole or\n"
        "not at all). Exit status: 0 all records exported, 1 some skipped, 2 usage or file error.\n";

int usageError(const QString &message)
{
    std::fprintf(stderr, "vantel-export: %s\n\n%s", qPrintable(message), kUsage);
    return 2;
}

struct Options
{
    QString format, logbook, output, call, contest;
    bool title = false;
};

// When SOURCE_DATE_EPOCH is set the creation time is that moment, so builds and tests
// get the same bytes every time.
QDateTime creationTime()
{
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTimeUtc();
}

bool emit(const QByteArray &bytes, const QString &output)
{
    if (output.isEmpty()) {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
                && std::fflush(stdout) == 0;
    }
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "vantel-export: cannot write %s: %s\n", qPrintable(output),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// A correction that was interrupted in the logbook is undone before anything is read,
// so no export ever holds a contact half corrected.
bool undoInterruptedCorrection(const QString &logbook)
{
    const auto recovered = storage::recoverJournal(logbook);
    if (!recovered) {
        std::fprintf(stderr, "vantel-export: cannot undo an interrupted correction in %s: %s\n",
                     qPrintable(logbook), qPrintable(recovered.error().reason));
        return false;
    }
    if (recovered.value().outcome == storage::JournalRecovery::Outcome::RolledBack)
        std::fprintf(stderr,
                     "vantel-export: the correction of contact %lld was interrupted and has been "
                     "undone: the contact is as it was before.\n",
                     static_cast<long long>(recovered.value().number));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        std::puts("vantel-export " VANTEL_VERSION);
        return 0;
    }

    Options o;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const auto value = [&](QString *into) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                return false;
            *into = args.at(++i);
            return true;
        };
        if (a == QLatin1String("-o")) {
            if (!value(&o.output))
                return usageError(QStringLiteral("-o needs a file name"));
        } else if (a == QLatin1String("--call")) {
            if (!value(&o.call))
                return usageError(QStringLiteral("--call needs your call sign"));
        } else if (a == QLatin1String("--contest")) {
            if (!value(&o.contest))
                return usageError(QStringLiteral("--contest needs a name"));
        } else if (a == QLatin1String("--title")) {
            o.title = true;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return usageError(QStringLiteral("unknown option %1").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2)
        return usageError(QStringLiteral("name a format and one logbook"));
    o.format = positional.at(0);
    o.logbook = positional.at(1);
    const bool isAdif = o.format == QLatin1String("adif");
    const bool isCabrillo = o.format == QLatin1String("cabrillo");
    const bool isListing = o.format == QLatin1String("listing");
    if (!isAdif && !isCabrillo && !isListing)
        return usageError(QStringLiteral("unknown format %1").arg(o.format));
    if (isCabrillo && o.call.isEmpty())
        return usageError(QStringLiteral("cabrillo needs --call MYCALL"));
    if (!isListing && o.title)
        return usageError(QStringLiteral("--title belongs to the listing"));
    if (!isCabrillo && (!o.call.isEmpty() || !o.contest.isEmpty()))
        return usageError(QStringLiteral("--call and --contest belong to cabrillo"));

    if (!undoInterruptedCorrection(o.logbook))
        return 2;

    exporter::Options options;
    options.format = isAdif ? exporter::Format::Adif
            : isCabrillo    ? exporter::Format::Cabrillo
                            : exporter::Format::Listing;
    options.myCall = o.call;
    options.contest = o.contest;
    options.title = o.title;
    options.created = creationTime();
    const auto result = exporter::exportLogbook(o.logbook, options);
    if (!result) {
        std::fprintf(stderr, "vantel-export: cannot read %s: %s\n", qPrintable(o.logbook),
                     qPrintable(result.error().reason));
        return 2;
    }
    for (const QString &message : result.value().messages)
        std::fprintf(stderr, "vantel-export: %s\n", qPrintable(message));
    const QByteArray &out = result.value().output;
    const int skipped = result.value().skipped;
    if (!emit(out, o.output))
        return 2;
    return skipped > 0 ? 1 : 0;
}
