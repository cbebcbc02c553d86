// vantel-import: the contacts of an ADIF file appended to a vantel logbook, all or
// nothing. Prints the plan first; --dry-run stops there. Exit status 0: every record
// imported or already there; 1: some could not be stored (the plan says why); 2: a usage
// or file error, a file that is no ADIF or a logbook that cannot be used: nothing written.
#include "adif/Reader.h"
#include "import/Import.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

constexpr int LockWaitMs = 10000;

void say(const QString &message)
{
    const QByteArray line = "vantel-import: " + message.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void print(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

const char Usage[] =
        "Usage: vantel-import ADIF_FILE LOGBOOK [--dry-run]\n"
        "       vantel-import --help | --version\n\n"
        "Appends the contacts of an ADIF file (.adi) to a vantel logbook, all of them or none.\n"
        "First prints the plan: contacts to add, those already in the logbook (same call,\n"
        "band, mode and start minute) or repeated in the file, those that cannot be stored\n"
        "and why, and what is cut to fit. --dry-run stops there. Exit status: 0 done, 1 some\n"
        "records could not be stored, 2 usage or file error (nothing written).\n";

// The logbook is taken into use as every reader and writer takes it: a file that is no
// logbook is refused, an interrupted correction or import is undone first.
bool takeIntoUse(const QString &logbook)
{
    const auto taken = storage::takeIntoUse(logbook, storage::IfMissing::Create, LockWaitMs);
    if (!taken) {
        say(storage::takeIntoUseText(logbook, taken.error(), QStringLiteral("cannot use")));
        return false;
    }
    using J = storage::JournalRecovery::Outcome;
    if (taken.value().journal.outcome == J::RolledBack)
        say(QStringLiteral("the correction of contact %1 was interrupted and has been undone")
                    .arg(taken.value().journal.number));
    if (taken.value().journal.outcome == J::UnderWay) {
        say(QStringLiteral("another program is correcting a contact of %1; try again in a moment")
                    .arg(storage::shownPath(logbook)));
        return false;
    }
    const storage::AppendRecovery &append = taken.value().append;
    using A = storage::AppendRecovery::Outcome;
    switch (append.outcome) {
    case A::RolledBack:
        say(QStringLiteral("an import was interrupted; its %1 whole contacts written so far "
                           "have been removed again")
                    .arg(append.records));
        break;
    case A::Stale:
        say(QStringLiteral("an import was interrupted and the logbook has changed since; its "
                           "marker was removed and the logbook left as it is"));
        break;
    case A::UnderWay:
        say(QStringLiteral("another program is importing into %1; try again in a moment")
                    .arg(storage::shownPath(logbook)));
        return false;
    case A::Foreign:
        say(QStringLiteral("%1, where an import keeps its marker, holds another file; move it "
                           "away first")
                    .arg(storage::shownPath(append.marker)));
        return false;
    case A::None:
    case A::Finished:
    case A::Torn:
        break;
    }
    if (taken.value().full()) {
        say(QStringLiteral("%1 is full (32767 contacts)").arg(storage::shownPath(logbook)));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Past the file size limit a write fails (EFBIG) and is reported, as any failure.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        std::puts("vantel-import " VANTEL_VERSION);
        return 0;
    }
    const bool dryRun = args.removeAll(QLatin1String("--dry-run")) > 0;
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))
        || args[1].startsWith(QLatin1Char('-'))) {
        say(QStringLiteral("give an ADIF file and a logbook"));
        std::fputs(Usage, stderr);
        return 2;
    }
    const QString adifPath = args[0];
    const QString logbook = args[1];

    // Before the logbook is touched (or made): a file that is no ADIF is refused.
    {
        adif::Reader probe(adifPath);
        if (!probe.isAdif()) {
            say(QStringLiteral("%1 refused: %2")
                        .arg(storage::shownPath(adifPath), probe.error()));
            return 2;
        }
    }
    // A dry run makes no logbook: a missing one counts as empty.
    if ((!dryRun || QFileInfo::exists(logbook)) && !takeIntoUse(logbook))
        return 2;

    const importer::Plan plan = importer::makePlan(adifPath, logbook);
    if (plan.notAdif || !plan.error.isEmpty()) {
        say(QStringLiteral("nothing imported: %1").arg(plan.error));
        return 2;
    }
    print(QStringLiteral("import of %1 into %2, which holds %3 contacts")
                  .arg(storage::shownPath(adifPath), storage::shownPath(logbook))
                  .arg(plan.logbookRecords));
    for (const QString &line : plan.lines())
        print(line);
    const int status = plan.unstorableCount() > 0 ? 1 : 0;
    if (dryRun || plan.toAdd.empty())
        return status;
    std::fflush(stdout); // the plan is out before the logbook is touched

    const auto done = importer::commit(plan, LockWaitMs);
    if (!done) {
        say(QStringLiteral("nothing imported: %1").arg(storage::failureReason(done.error())));
        return 2;
    }
    const importer::Committed &c = done.value();
    if (c.savedMeanwhile > 0)
        print(QStringLiteral("saved by another station meanwhile: %1; of ours now in the logbook, "
                             "skipped: %2")
                      .arg(c.savedMeanwhile)
                      .arg(c.nowInLogbook));
    if (c.noRoom > 0)
        print(QStringLiteral("not imported, the logbook being full: %1").arg(c.noRoom));
    if (c.added > 0)
        print(QStringLiteral("imported: %1 contacts (numbers %2 to %3); the logbook holds %4")
                      .arg(c.added)
                      .arg(c.firstNumber)
                      .arg(c.firstNumber + c.added - 1)
                      .arg(c.recordsNow));
    else
        print(QStringLiteral("imported: 0 contacts"));
    return status;
}
