#include "mainwindow/AdifImport.h"

#include "mainwindow/ImportDialog.h"
#include "mainwindow/Messages.h"
#include "platform/Counted.h"
#include "platform/Platform.h"
#include "platform/StorageReport.h"
#include "storage/LogbookSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

constexpr int kLockWaitMs = 1500; // as long as a save waits for another station
QString title()
{
    return QStringLiteral("Import ADIF");
}

} // namespace

AdifImport::AdifImport(Platform &platform, const QString &logbook, QWidget *window)
    : QObject(window)
    , m_platform(platform)
    , m_logbook(logbook)
    , m_window(window)
{
}

void AdifImport::start()
{
    const FileDialogRequest request { QStringLiteral("Choose an ADIF file to import"),
        QStringLiteral("ADIF(*.adi *.adif)|*.adi *.adif|All files(*.*)|*.*"),
        QStringLiteral(".adi"), QFileInfo(m_logbook).absolutePath() + QLatin1Char('/') };
    const std::optional<QString> chosen = m_platform.openFile(request);
    if (!chosen || chosen->isEmpty() || !takeLogbook()) {
        deleteLater();
        return;
    }
    {
        // A large file takes seconds to read: the closed file dialog goes from the screen and
        // the pointer says the program is busy, rather than a window that looks hung.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_plan = importer::makePlan(*chosen, m_logbook);
        QGuiApplication::restoreOverrideCursor();
    }
    if (m_plan.notAdif) {
        // A file that cannot be opened is named before its reason; the box names it once.
        const QString opening = QDir::toNativeSeparators(*chosen) + QLatin1String(": ");
        if (m_plan.error.startsWith(opening))
            refuse(QStringLiteral("The file could not be read, so nothing was imported."), *chosen,
                m_plan.error.mid(opening.size()));
        else
            refuse(QStringLiteral("The file is not an ADIF file, so nothing was imported."),
                *chosen, m_plan.error);
        return;
    }
    if (!m_plan.error.isEmpty()) {
        refuse(QStringLiteral("The file could not be read to the end, so nothing was imported."),
            m_plan.errorPath, m_plan.error);
        return;
    }
    const QString heading = QStringLiteral("Import %1 into the logbook %2, which holds %3?")
                                .arg(msg::nativePath(*chosen), msg::nativePath(m_logbook),
                                    contactCount(m_plan.logbookRecords));
    if (m_plan.toAdd.empty()) {
        m_platform.messageBox(QStringLiteral("Nothing to import from %1 into the logbook %2.\n\n")
                                  .arg(msg::nativePath(*chosen), msg::nativePath(m_logbook))
                + m_plan.lines().join(QLatin1Char('\n')),
            title(), MsgBox::OkOnly | MsgBox::Information);
        deleteLater();
        return;
    }
    auto *dialog
        = new ImportDialog(QStringLiteral("%1 - %2").arg(title(), QFileInfo(*chosen).fileName()),
            heading, m_plan.lines(), qint64(m_plan.toAdd.size()), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    connect(dialog, &QDialog::accepted, this, &AdifImport::confirmed);
    connect(dialog, &QDialog::finished, this, &QObject::deleteLater);
    dialog->show();
}

// As the command line takes it: a correction or an import cut short is undone first; one
// under way elsewhere is waited for briefly, then the operator is asked to try again.
bool AdifImport::takeLogbook()
{
    // With a file at the journal's path, a save under way looks like a correction until
    // its lock is let go: waited for as the import itself waits.
    const auto taken
        = storage::LogbookSession::take(m_logbook, storage::IfMissing::Fail, kLockWaitMs);
    if (!taken) {
        m_platform.showError(msg::failure(QStringLiteral("Nothing was imported."), taken.error()));
        return false;
    }
    const storage::TakenLogbook &t = taken.value();
    tellRecovery(m_platform, m_logbook, t.journal);
    using A = storage::AppendRecovery::Outcome;
    if (t.append.outcome == A::RolledBack)
        m_platform.messageBox(QStringLiteral("An import into %1 was interrupted; the %2 it had "
                                             "written were removed again.")
                                  .arg(msg::nativePath(m_logbook), contactCount(t.append.records)),
            title(), MsgBox::OkOnly | MsgBox::Information);
    // Counted anew: another station may have saved, an interrupted import been undone.
    Q_EMIT counted(t.count);
    QString busy;
    if (t.journal.outcome == storage::JournalRecovery::Outcome::UnderWay)
        busy = correctionUnderWay(m_logbook);
    else if (t.append.outcome == A::UnderWay)
        busy = QStringLiteral("Another program is importing into %1.")
                   .arg(msg::nativePath(m_logbook));
    else if (t.append.outcome == A::Foreign)
        busy = QStringLiteral(
            "%1, where an import keeps its marker, holds another file: move it away first.")
                   .arg(msg::nativePath(t.append.marker));
    if (!busy.isEmpty()) {
        m_platform.showError(
            busy + QStringLiteral(" Nothing was imported.\n\nImport again in a moment."));
        return false;
    }
    if (t.full()) {
        m_platform.showError(
            QStringLiteral("Nothing was imported.\n\n") + msg::logbookFull(m_logbook));
        return false;
    }
    return true;
}

void AdifImport::confirmed()
{
    const auto done = importer::commit(m_plan, kLockWaitMs);
    if (!done) {
        QString what = QStringLiteral("Nothing was imported.");
        if (done.error().kind == storage::StorageError::Kind::Locked)
            what += QStringLiteral(" Import again in a moment.");
        m_platform.showError(msg::failure(what, done.error()));
        return;
    }
    const importer::Committed &c = done.value();
    Q_EMIT counted(c.recordsNow);
    const QString numbers = c.added == 1 ? QStringLiteral("number %1").arg(c.firstNumber)
                                         : QStringLiteral("numbers %1 to %2")
                                                   .arg(c.firstNumber)
                                                   .arg(c.firstNumber + c.added - 1);
    QString text = c.added > 0 ? QStringLiteral("%1 imported into %2 (%3).")
                                     .arg(contactCount(c.added), msg::nativePath(m_logbook), numbers)
                               : QStringLiteral("No contact was imported.");
    if (c.savedMeanwhile > 0)
        text += QStringLiteral("\n\n%1 meanwhile; %2 of the file's already among them and skipped.")
                    .arg(contactCount(c.savedMeanwhile, "was saved", "were saved"))
                    .arg(c.nowInLogbook);
    if (c.noRoom > 0)
        text += QStringLiteral("\n\n%1 not imported: the logbook is full.")
                    .arg(contactCount(c.noRoom, "was", "were"));
    m_platform.messageBox(text, title(), MsgBox::OkOnly | MsgBox::Information);
}

void AdifImport::refuse(const QString &what, const QString &path, const QString &reason)
{
    m_platform.showError(msg::failure(what, { storage::StorageError::Kind::File, path, reason }));
    deleteLater();
}
