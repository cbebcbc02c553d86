// vantel-export: a logbook in one of the formats of the formats table. Reads the
// logbook, and writes it only to undo a correction that was interrupted. Exit status 0:
// every record exported; 1: some skipped (each named on standard error); 2: a usage or
// file error.
#include "contest/ChosenContest.h"
#include "contest/RuleFiles.h"
#include "formats/CabrilloRequest.h"
#include "formats/Export.h"
#include "formats/Output.h"
#include "formats/PlainText.h"
#include "storage/Journal.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"

#include <QCoreApplication>
#include <QFile>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <cstdio>

namespace {

using formats::FormatEntry;

QByteArray usage()
{
    QByteArray text = "Usage:\n";
    QByteArray names;
    for (const FormatEntry &f : formats::formatTable()) {
        text += "  vantel-export " + QByteArray(f.name) + " LOGBOOK";
        text += (f.takes & FormatEntry::Call) ? " --call MYCALL" : " [--call MYCALL]";
        text += " [--operator CALL] [--grid LOCATOR]";
        if (f.takes & FormatEntry::Contest)
            text += " [--contest NAME] [--from \"YYYY-MM-DD HH:MM\"] [--to \"YYYY-MM-DD HH:MM\"]\n"
                    "                  [--category-operator|-band|-mode|-power|-transmitter|-assisted|\n"
                    "                   -station|-time|-overlay WORD] ";
        if (f.takes & FormatEntry::Title)
            text += " [--title]";
        text += " [-o FILE]\n";
        names += "  " + QByteArray(f.name).leftJustified(10) + f.description + '\n';
    }
    return text + "  vantel-export --help | --version\n\nFormats:\n" + names
            + "\nWrites the contacts of a vantel logbook to standard output or to FILE (written\n"
              "whole or not at all). Your call, operator and locator come from the options or else\n"
              "from the [station] group of vantel.ini in the working folder (so do the Cabrillo\n"
              "categories and name; a --category-… option stands over the profile's value). Exit\n"
              "status: 0 all records exported, 1 some skipped, 2 usage or file error.\n"
              "\nCabrillo: --contest names the contest (CONTEST:); where vantel has its rules (see\n"
              "below) every contact is written with its exchange as logged and CLAIMED-SCORE is\n"
              "the rules' score. --from and --to (UTC, both included) keep only the contacts of\n"
              "that range.\n\nContests with rules:\n  "
            + contest::loadRules().names().join(QLatin1Char(' ')).toLatin1() + '\n';
}

void say(const QString &message)
{
    const QByteArray line = "vantel-export: " + message.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

int usageError(const QString &message)
{
    say(message);
    const QByteArray text = '\n' + usage();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return 2;
}

struct Arguments
{
    QString format, logbook, output, call, contest, operatorCall, grid, from, to;
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

// The logbook is taken into use as every reader takes it: a file that is no logbook is
// refused, and a correction that was interrupted is undone before anything is read, so
// no export ever holds a contact half corrected. A correction under way in another
// program is waited for.
bool takeIntoUse(const QString &logbook)
{
    constexpr int CorrectionWaitMs = 10000;
    const auto taken = storage::takeIntoUse(logbook, storage::IfMissing::Fail, CorrectionWaitMs);
    if (!taken) {
        say(storage::takeIntoUseText(logbook, taken.error(), QStringLiteral("cannot read")));
        return false;
    }
    const storage::JournalRecovery &journal = taken.value().journal;
    using Outcome = storage::JournalRecovery::Outcome;
    switch (journal.outcome) {
    case Outcome::RolledBack:
        say(QStringLiteral("the correction of contact %1 was interrupted and has been undone: the "
                           "contact is as it was before.")
                    .arg(journal.number));
        break;
    case Outcome::Torn:
        say(QStringLiteral("a correction was interrupted before it changed the logbook; its "
                           "journal has been removed."));
        break;
    case Outcome::Stale:
        // Neither the old nor the new record is on disk: the logbook changed since, and
        // what stands there now is left alone.
        say(QStringLiteral("a correction was interrupted and the logbook has changed since (it was "
                           "replaced or shortened, or the contact changed again); its journal has "
                           "been removed and the logbook left as it is."));
        break;
    case Outcome::UnderWay:
        say(QStringLiteral("another program has been correcting a contact of %1 for %2 seconds and "
                           "still holds the logbook's lock; try again in a moment")
                    .arg(storage::shownPath(logbook))
                    .arg(CorrectionWaitMs / 1000));
        return false;
    case Outcome::Foreign:
    case Outcome::NotAFile:
        say(QStringLiteral("%1, where a correction keeps its journal, is %2; it was left alone")
                    .arg(storage::shownPath(journal.journal), journal.detail));
        break;
    case Outcome::None:
        break;
    }
    if (taken.value().beyondLimit())
        say(QStringLiteral("%1 holds %2 whole records, more than a logbook can; only the first "
                           "32767 are read")
                    .arg(storage::shownPath(logbook))
                    .arg(taken.value().records));
    return true;
}

} // namespace

namespace {

bool standardOutputIsJournal(const QString &logbook)
{
    struct stat out {};
    struct stat journal {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && S_ISREG(out.st_mode)
            && ::stat(QFile::encodeName(storage::journalPath(logbook)).constData(), &journal) == 0
            && out.st_dev == journal.st_dev && out.st_ino == journal.st_ino;
}

} // namespace

int main(int argc, char *argv[])
{
    // Past the file size limit a write fails (EFBIG) and is reported, as any failure.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    // A name that is no valid UTF-8 would come back as another name: another file read,
    // or written.
    for (int i = 1; i < argc; ++i) {
        if (QFile::encodeName(QFile::decodeName(argv[i])) != QByteArray(argv[i]))
            return usageError(QStringLiteral("the argument %1 is not valid UTF-8; rename the file")
                                      .arg(formats::escaped(QFile::decodeName(argv[i]))));
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        const QByteArray text = usage();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        std::puts("vantel-export " VANTEL_VERSION);
        return 0;
    }

    Arguments a;
    formats::CabrilloRequest request;
    QStringList positional;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnd) {
            positional << arg;
            continue;
        }
        const auto value = [&](QString *into) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                return false;
            *into = args.at(++i);
            return true;
        };
        if (arg == QLatin1String("--")) {
            optionsEnd = true; // what follows are names, also those that begin with "-"
        } else if (arg == QLatin1String("-o")) {
            if (!a.output.isEmpty())
                return usageError(QStringLiteral("-o given twice"));
            if (!value(&a.output))
                return usageError(QStringLiteral("-o needs a file name"));
        } else if (arg == QLatin1String("--call")) {
            if (!value(&a.call))
                return usageError(QStringLiteral("--call needs your call sign"));
        } else if (arg == QLatin1String("--operator")) {
            if (!value(&a.operatorCall))
                return usageError(QStringLiteral("--operator needs the operator's call sign"));
        } else if (arg == QLatin1String("--grid")) {
            if (!value(&a.grid))
                return usageError(QStringLiteral("--grid needs your Maidenhead locator"));
        } else if (arg == QLatin1String("--contest")) {
            if (!value(&a.contest))
                return usageError(QStringLiteral("--contest needs a name"));
        } else if (arg == QLatin1String("--from") || arg == QLatin1String("--to")) {
            QString *into = arg == QLatin1String("--from") ? &a.from : &a.to;
            if (!value(into))
                return usageError(QStringLiteral("%1 needs \"YYYY-MM-DD HH:MM\" (UTC)").arg(arg));
        } else if (arg.startsWith(QLatin1String("--category-"))) {
            QString word;
            if (!value(&word))
                return usageError(QStringLiteral("%1 needs a value").arg(arg));
            const QString key = arg.mid(2).toUpper();
            if (const QString problem = formats::categoryProblem(key, word); !problem.isEmpty())
                return usageError(QStringLiteral("%1 \"%2\" %3").arg(arg, formats::escaped(word), problem));
            request.categories.append({ key, word.toUpper() });
        } else if (arg == QLatin1String("--title")) {
            a.title = true;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return usageError(QStringLiteral("unknown option %1").arg(formats::escaped(arg)));
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 2)
        return usageError(QStringLiteral("name a format and one logbook"));
    a.format = positional.at(0);
    a.logbook = positional.at(1);
    const FormatEntry *format = formats::findFormat(a.format);
    if (!format)
        return usageError(QStringLiteral("unknown format %1").arg(formats::escaped(a.format)));
    const auto takes = [&](FormatEntry::Takes option) { return (format->takes & option) != 0; };
    // The station profile of the working folder, each option over its value.
    formats::LoadedStation profile = formats::loadStation(QStringLiteral("vantel.ini"));
    for (const QString &problem : profile.problems)
        say(problem);
    formats::Station &station = profile.station;
    for (const auto &[given, key, option] :
         { std::tuple { &a.call, "call", "--call" }, std::tuple { &a.operatorCall, "operator", "--operator" },
           std::tuple { &a.grid, "grid", "--grid" } }) {
        if (given->isEmpty())
            continue;
        if (const QString problem = formats::stationValueProblem(QLatin1String(key), *given); !problem.isEmpty())
            return usageError(QStringLiteral("%1 \"%2\" %3")
                                      .arg(QLatin1String(option), formats::escaped(*given), problem));
    }
    if (!a.call.isEmpty())
        station.call = a.call.toUpper();
    if (!a.operatorCall.isEmpty())
        station.operatorCall = a.operatorCall.toUpper();
    if (!a.grid.isEmpty())
        station.grid = a.grid;
    if (takes(FormatEntry::Call) && station.call.isEmpty())
        return usageError(QStringLiteral("%1 needs --call MYCALL (or call= in the [station] group of "
                                         "vantel.ini)")
                                  .arg(a.format));
    for (const auto &[given, option, name] :
         { std::tuple { !a.contest.isEmpty(), FormatEntry::Contest, "--contest" },
           std::tuple { !a.from.isEmpty(), FormatEntry::Contest, "--from" },
           std::tuple { !a.to.isEmpty(), FormatEntry::Contest, "--to" },
           std::tuple { !request.categories.isEmpty(), FormatEntry::Contest, "--category-…" },
           std::tuple { a.title, FormatEntry::Title, "--title" } }) {
        if (given && !takes(option))
            return usageError(QStringLiteral("%1 takes no %2").arg(a.format, QLatin1String(name)));
    }

    // Both words go into the log's header, where a space, a control character or a "<"
    // would break it.
    for (const auto &[word, option] :
         { std::pair { &a.call, "--call" }, std::pair { &a.contest, "--contest" } }) {
        if (const QString problem = formats::headerWordProblem(*word); !problem.isEmpty())
            return usageError(QStringLiteral("%1 \"%2\" %3")
                                      .arg(QLatin1String(option), formats::escaped(*word), problem));
    }

    // A file there is taken for a journal, and removed as one.
    if (!a.output.isEmpty() && storage::isJournalPath(a.output, a.logbook))
        return usageError(QStringLiteral("%1 is where a correction of the logbook keeps its "
                                         "journal; choose another output")
                                  .arg(formats::escaped(a.output)));
    // The same through the shell: "> b.log.journal" made the file before we started.
    if (a.output.isEmpty() && standardOutputIsJournal(a.logbook))
        return usageError(QStringLiteral("the standard output goes where a correction of the "
                                         "logbook keeps its journal; choose another output"));
    if (!takeIntoUse(a.logbook))
        return 2;

    formats::Options options;
    for (const auto &[given, into, option] :
         { std::tuple { &a.from, &request.from, "--from" }, std::tuple { &a.to, &request.to, "--to" } }) {
        if (given->isEmpty())
            continue;
        const auto when = contest::readMoment(*given);
        if (!when)
            return usageError(QStringLiteral("%1 \"%2\" is no \"YYYY-MM-DD HH:MM\"")
                                      .arg(QLatin1String(option), formats::escaped(*given)));
        *into = *when;
    }
    if (request.from.isValid() && request.to.isValid() && request.from > request.to)
        return usageError(QStringLiteral("--from is after --to"));
    request.contest = a.contest;
    options.station = station;
    QStringList notes;
    formats::applyCabrilloRequest(options, request, notes);
    for (const QString &note : std::as_const(notes))
        say(note);
    options.myCall = options.station.call;
    options.title = a.title;
    options.created = creationTime();
    if (format == formats::findFormat(u"adif") && options.countries.isEmpty()) {
        QStringList countryNotes;
        formats::loadExportCountries(options, countryNotes);
        for (const QString &note : std::as_const(countryNotes))
            say(note);
    }
    const auto result = formats::exportLogbook(*format, a.logbook, options);
    if (!result) {
        say(QStringLiteral("cannot read %1: %2").arg(formats::escaped(a.logbook), result.error().reason));
        return 2;
    }
    const QByteArray &bytes = result.value().output;
    const auto written = a.output.isEmpty() ? formats::writeStandardOutput(bytes, a.logbook)
                                            : formats::writeOutput(a.output, bytes, a.logbook);
    if (!written) {
        say(QStringLiteral("cannot write %1: %2")
                    .arg(formats::escaped(written.error().path), written.error().reason));
        return 2;
    }
    const formats::Report &report = result.value().report;
    for (const QString &message : report.messages)
        say(message);
    return report.skipped > 0 ? 1 : 0;
}
