#include "formats/CabrilloRequest.h"
#include "formats/Export.h"
#include "formats/FormatTable.h"
#include "formats/Output.h"
#include "formats/PlainText.h"
#include "mainwindow/ContestDialog.h"
#include "mainwindow/ContestPanel.h"
#include "mainwindow/Form1.h"
#include "storage/Settings.h"
#include "mainwindow/Messages.h"
#include "platform/Counted.h"
#include "mainwindow/StationDialog.h"
#include "mainwindow/StationLine.h"
#include "platform/StorageReport.h"
#include "storage/Journal.h"
#include "storage/TakeIntoUse.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <sys/stat.h>

namespace {

// The longest list of skipped records a box shows; the rest are counted.
constexpr int kListedSkips = 12;

} // namespace

void Form1::mnuStationClick()
{
    auto *dialog = new StationDialog(formats::loadStation(storage::iniPath()).station, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    connect(dialog, &StationDialog::stationChosen, this, [this](const formats::Station &station) {
        if (const auto problem = formats::saveStation(storage::iniPath(), station))
            m_platform.showError(QStringLiteral("The station was not saved: %1.").arg(*problem));
        else
            m_station->setStation(station.call, station.grid);
    });
    dialog->show();
}

// Asks for one word of the header (a call sign, a contest name); nothing on Cancel or
// after telling the operator why the word cannot stand there.
std::optional<QString> Form1::askHeaderWord(const QString &prompt, const QString &title,
                                            QString &remembered, bool required)
{
    for (;;) {
        const std::optional<QString> typed = m_platform.inputBox(prompt, title, remembered);
        if (!typed)
            return std::nullopt;
        const QString word = typed->trimmed();
        QString problem = formats::headerWordProblem(word);
        if (word.isEmpty())
            problem = required ? QStringLiteral("is empty") : QString();
        if (problem.isEmpty()) {
            remembered = word;
            return word;
        }
        m_platform.showError(QStringLiteral("\"%1\" %2. Type it again.").arg(formats::escaped(word), problem));
    }
}

// The same formats and writer as vantel-export: the whole file or nothing, never over
// the logbook itself, and the operator learns how many contacts went out and which not.
void Form1::exportLogbook(const formats::FormatEntry &format)
{
    if (noLogbookOpen())
        return;
    // The command's caption without its access key and dots: "Export to ADIF".
    QString title = QLatin1String(format.caption);
    title.remove(QLatin1Char('&'));
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    formats::Options options;
    options.program = QStringLiteral("vantel");
    options.created = m_platform.now().toUTC();
    // The station profile in vantel.ini, as vantel-export reads it; its call is not asked.
    options.station = formats::loadStation(storage::iniPath()).station;
    options.myCall = options.station.call;
    // The contacted stations' countries and zones, as vantel-export writes them; what is
    // missing the station line has told already, the export names it once more.
    const country::CountryData &countries = m_station->countryData();
    options.countries = countries.table;
    if (countries.table.isEmpty()) {
        QStringList missing;
        for (const country::LoadError &problem : countries.problems) {
            if (QFileInfo(problem.path).fileName().startsWith(QLatin1String("cty.")))
                missing << QStringLiteral("%1: %2").arg(problem.path, problem.reason);
        }
        options.countriesMissing = missing.isEmpty() ? QStringLiteral("none found") : missing.join(u"; ");
    }
    if ((format.takes & formats::FormatEntry::Call) && options.myCall.isEmpty()) {
        const auto call = askHeaderWord(QStringLiteral("Your station's call sign"), title, m_exportCall, true);
        if (!call)
            return;
        options.myCall = call->toUpper();
        // Asked once: the call goes into the station profile (Setup → Station...).
        options.station.call = options.myCall;
        if (const auto problem = formats::saveStation(storage::iniPath(), options.station))
            m_platform.showError(QStringLiteral("Your call sign was not remembered: %1.").arg(*problem));
    }
    if (format.takes & formats::FormatEntry::Contest) {
        // The contest, the categories and the range on one page; the session's by default.
        contest::ChosenContest offered = m_contestPanel->chosen();
        auto *dialog = new ContestDialog(ContestDialog::Purpose::Cabrillo, m_contestPanel->contestNames(),
                                         offered, options.station.categories, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(true);
        connect(dialog, &ContestDialog::chosen, this,
                [this, &format, title, options](const formats::CabrilloRequest &request) mutable {
                    // The dialog showed every category: what it left empty is none.
                    options.station.categories.clear();
                    QStringList notes;
                    formats::applyCabrilloRequest(options, request, notes);
                    writeExport(format, title, options, notes);
                });
        dialog->show();
        return;
    }
    writeExport(format, title, options, {});
}

void Form1::writeExport(const formats::FormatEntry &format, const QString &title,
                        const formats::Options &options, const QStringList &notes)
{
    // Each format offers the logbook's own name with its extension beside the logbook, never
    // the file or folder an earlier export went to: Enter in the dialog must not put
    // Cabrillo into last night's ADIF, nor this logbook's export among another's.
    const QString extension = QLatin1String(format.extension);
    const QFileInfo logbook(logPath);
    const FileDialogRequest request {
        title, QStringLiteral("%1|*.%2|All files(*.*)|*.*").arg(QLatin1String(format.description), extension),
        QLatin1Char('.') + extension,
        QDir(logbook.absolutePath()).filePath(logbook.completeBaseName() + QLatin1Char('.') + extension)
    };
    const std::optional<QString> chosen = m_platform.saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    // A correction's journal goes there: an export in its place would be taken for one,
    // or removed as one.
    if (storage::isJournalPath(*chosen, logPath)) {
        m_platform.showError(QStringLiteral("%1 is where a correction of the logbook keeps its "
                                            "journal, so nothing was exported to it. Choose another "
                                            "name.")
                                     .arg(msg::nativePath(*chosen)));
        return;
    }
    // The window writes files only: a FIFO could keep it waiting, a device take half.
    struct stat st {};
    if (::stat(QFile::encodeName(*chosen).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            m_platform.showError(QStringLiteral("%1 is not a file, so nothing was exported to it. "
                                                "Choose a file.")
                                         .arg(msg::nativePath(*chosen)));
            return;
        }
        // The logbook itself is refused by the writer below, without a question first.
        if (!formats::sameFile(*chosen, logPath)
            && m_platform.messageBox(QStringLiteral("%1 already exists.\n\nReplace it with this export?")
                                          .arg(msg::nativePath(*chosen)),
                                  title, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2)
            != MsgBox::Yes)
            return;
    }
    // As vantel-export does: the logbook is taken into use again, so a file swapped in
    // meanwhile is refused and a contact left half corrected is put back before it is read.
    const auto taken = storage::LogbookSession::take(logPath, storage::IfMissing::Fail);
    if (!taken) {
        m_platform.showError(msg::failure(QStringLiteral("Nothing was exported."), taken.error()));
        return;
    }
    // What the journal path holds was told when the logbook was opened; a rollback is news.
    tellRecovery(m_platform, logPath, taken.value().journal);
    if (taken.value().journal.outcome == storage::JournalRecovery::Outcome::UnderWay) {
        m_platform.showError(correctionUnderWay(logPath)
                             + QStringLiteral(" Nothing was exported, so that no contact is written "
                                              "half corrected.\n\nExport again in a moment."));
        return;
    }
    const auto rendered = formats::exportLogbook(format, logPath, options);
    if (!rendered) {
        m_platform.showError(msg::failure(QStringLiteral("The logbook could not be read, so nothing was exported."),
                                          rendered.error()));
        return;
    }
    const formats::Report &report = rendered.value().report;
    if (const auto written = formats::writeOutput(*chosen, rendered.value().output, logPath); !written) {
        m_platform.showError(msg::failure(QStringLiteral("Nothing was exported."), written.error()));
        return;
    }

    QString text = QStringLiteral("%1 written to %2.").arg(contactCount(report.written), msg::nativePath(*chosen));
    for (const QString &note : notes)
        text += QStringLiteral("\n") + note;
    if (report.skipped > 0) {
        text += QStringLiteral("\n\n%1 skipped:").arg(contactCount(report.skipped));
        for (qsizetype i = 0; i < report.messages.size() && i < kListedSkips; ++i)
            text += QStringLiteral("\n") + report.messages.at(i);
        if (report.messages.size() > kListedSkips)
            text += QStringLiteral("\nand %1 more notes.").arg(report.messages.size() - kListedSkips);
    } else if (!report.messages.isEmpty()) {
        text += QStringLiteral("\n\nNotes:\n") + report.messages.mid(0, kListedSkips).join(QLatin1Char('\n'));
    }
    m_platform.messageBox(text, title, report.skipped > 0 ? MsgBox::OkOnly | MsgBox::Exclamation
                                                          : MsgBox::OkOnly | MsgBox::Information);
}
