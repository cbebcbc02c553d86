#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "mainwindow/SettingRow.h"
#include "platform/StorageReport.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"

#include "storage/Journal.h"
#include "storage/LogbookWatch.h"
#include "storage/TakeIntoUse.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

using namespace storage;

void Form1::load()
{
    QStringList problems;
    for (const SettingRow &row : settingTable()) {
        auto value = readSetting(QLatin1String(row.file));
        if (value)
            setting(row) = value.value();
        else
            problems << msg::failure(QStringLiteral("The setting \"%1\" could not be read; it is "
                                                    "taken as empty.")
                                             .arg(QLatin1String(row.file)),
                                     value.error());
    }
    if (!problems.isEmpty())
        m_platform.showError(problems.join(QStringLiteral("\n\n")));

    if (!m_deflog.isEmpty()) {
        const QString &path = m_deflog;
        // A default logbook that cannot be used leaves the window without one; the
        // setting itself stays as it is. One that vanished is not made again empty:
        // numbering would restart at 1 and the duplicate check would find nothing.
        const QString purpose = QStringLiteral("The default logbook could not be opened.");
        if (logbookExists(path, purpose)) {
            if (auto count = countForUse(path, purpose, LogbookSession::take(path, IfMissing::Fail)))
                takeLogbookIntoUse(path, *count);
        }
    }
    showLogPath();

    Text7->setVisible(false);
    Text8->setVisible(false);
    Label9->setVisible(false);
    Label10->setVisible(false);
    setWindowTitle(QStringLiteral("vantel - Contest mode"));

    // The lists never change what the boxes show ("14" and "PSK31" until the first fill
    // puts the operator's defaults there).
    const QString band = Combo1->currentText();
    const QString mode = Combo2->currentText();
    Combo1->addItems(radio::bandListTexts());
    Combo2->addItems(radio::modeListTexts());
    Combo1->setEditText(band);
    Combo2->setEditText(mode);
}

bool Form1::logbookExists(const QString &path, const QString &purpose)
{
    // Only a name that leads nowhere is gone; any other trouble the count reports.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR))
        return true;
    m_platform.showError(
            purpose
            + QStringLiteral("\n\nThe logbook %1 no longer exists: it was moved, renamed or "
                             "deleted, or the drive that holds it is not connected. No new, "
                             "empty logbook was made in its place.\n\nOpen the logbook where it "
                             "is now, or create a new one, from the File menu.")
                      .arg(msg::nativePath(path)));
    return false;
}

void Form1::undoInterruptedCorrection()
{
    // Another station that stopped in the middle of a correction leaves its journal
    // behind; the change it made to the logbook brings us here, and we put the contact
    // back at once rather than at the next start. One stat when there is nothing to do.
    if (logPath.isEmpty())
        return;
    const auto recovered = m_session.recoverJournal();
    if (!recovered) {
        m_platform.showError(msg::failure(
                QStringLiteral("The logbook in use changed. A correction of one of its contacts was "
                               "interrupted, and it could not be undone yet."),
                recovered.error()));
        return;
    }
    // A correction under way elsewhere is looked at again once it has had time to end,
    // without holding the window: it may also have stopped, leaving its journal.
    if (recovered.value().outcome == JournalRecovery::Outcome::UnderWay) {
        if (!m_journalRetry) {
            m_journalRetry = true;
            QTimer::singleShot(500, this, [this] {
                m_journalRetry = false;
                undoInterruptedCorrection();
            });
        }
        return;
    }
    // A journal path that holds something else was told once, when the logbook was
    // taken into use; only what was undone is told here.
    tellRecovery(m_platform, logPath, recovered.value());
}

void Form1::showLogPath()
{
    // A long path keeps its file name whole: the folders give way in the middle.
    const QString path = msg::nativePath(logPath);
    const QFontMetrics metrics = Label8->fontMetrics();
    const int width = Label8->contentsRect().width();
    QString shown = path;
    if (metrics.horizontalAdvance(path) > width) {
        const QString name = QFileInfo(logPath).fileName();
        const QString folder = path.left(path.size() - name.size());
        const int room = width - metrics.horizontalAdvance(name);
        shown = room > metrics.horizontalAdvance(QStringLiteral("\u2026/"))
                ? metrics.elidedText(folder, Qt::ElideMiddle, room) + name
                : metrics.elidedText(name, Qt::ElideMiddle, width);
    }
    Label8->setText(shown);
    Label8->setToolTip(path);
    Label8->setAccessibleDescription(path);
}

// take() refuses a file that is no logbook before anything is done to it, and puts a
// contact left half-corrected back first, so nothing reads it torn.
std::optional<qint16> Form1::countForUse(const QString &path, const QString &purpose,
                                         const Result<TakenLogbook> &taken)
{
    if (!taken) {
        m_platform.showError(
                msg::failure(purpose, taken.error())
                + QStringLiteral("\n\nOpen or create a logbook from the File menu."));
        return std::nullopt;
    }
    tellTaken(m_platform, path, taken.value());
    if (taken.value().journal.outcome == JournalRecovery::Outcome::UnderWay)
        QTimer::singleShot(500, this, &Form1::undoInterruptedCorrection);
    // A full logbook is still the operator's logbook: looked up, shown, corrected and
    // exported; only a save is refused.
    if (taken.value().full() && !taken.value().beyondLimit())
        m_platform.messageBox(
                QStringLiteral("The logbook %1 is full: it holds 32767 contacts, the most a logbook "
                               "can hold. It is open for the duplicate check, the log window, "
                               "corrections and exports, but no new contact can be saved in it."
                               "\n\nCreate a new logbook from the File menu for the next contacts.")
                        .arg(msg::nativePath(path)),
                QStringLiteral("vantel"), MsgBox::OkOnly | MsgBox::Information);
    return taken.value().count;
}

QString Form1::exchangeFor(qint16 nextNumber) const
{
    return defSent + QString::number(nextNumber);
}

void Form1::takeLogbookIntoUse(const QString &path, qint16 count)
{
    // A full logbook has no next number to show or send.
    const auto next = nextNumber(count);
    m_session.use(path, count);
    showLogPath();
    Text1->setText(next ? QString::number(*next) : QString());
    const QString offered = exchangeSent;
    exchangeSent = next ? exchangeFor(*next) : QString();
    followExchange(offered);
    m_watch->setPath(logPath);
    Q_EMIT logbookChanged();
}
