#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "platform/StorageReport.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"
#include "storage/SharedState.h"

#include "storage/Journal.h"
#include "storage/LogbookWatch.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <cerrno>
#include <sys/stat.h>

using namespace storage;

void Form1::load()
{
    struct Source
    {
        const char *file;
        QString *variable;
    };
    const Source sources[] = {
        { "utc_off", &utcOffset }, { "band", &defBand }, { "sent", &defSent },
        { "recv", &defRecv },      { "deflog", &logPath }, { "mode", &defMode },
    };
    QStringList problems;
    for (const Source &source : sources) {
        auto value = readSetting(QLatin1String(source.file));
        if (value)
            *source.variable = value.value();
        else
            problems << msg::failure(QStringLiteral("The setting \"%1\" could not be read; it is "
                                                    "taken as empty.")
                                             .arg(QLatin1String(source.file)),
                                     value.error());
    }
    if (!problems.isEmpty())
        m_platform.showError(problems.join(QStringLiteral("\n\n")));

    if (!logPath.isEmpty()) {
        const QString path = logPath;
        // A default logbook that cannot be used leaves the window without one; the
        // setting itself stays as it is. One that vanished is not made again empty:
        // numbering would restart at 1 and the duplicate check would find nothing.
        logPath.clear();
        const QString purpose = QStringLiteral("The default logbook could not be opened.");
        if (logbookExists(path, purpose)) {
            if (auto count = countForUse(path, purpose, IfMissing::Fail))
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
    if (!logPath.isEmpty() && QFileInfo::exists(journalPath(logPath)))
        (void)recoverBeforeUse(m_platform, logPath,
                               QStringLiteral("The logbook in use changed."));
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

std::optional<qint16> Form1::countForUse(const QString &path, const QString &purpose,
                                         IfMissing missing)
{
    // A contact left half-corrected is put back first, so nothing reads it torn.
    if (!recoverBeforeUse(m_platform, path, purpose))
        return std::nullopt;
    // A logbook is usable only while a next number can be formed: 32767 records is full.
    const auto count = countRecords(path, missing);
    const bool full = count ? !nextNumber(count.value())
                            : count.error().kind == StorageError::Kind::Overflow;
    if (full) {
        m_platform.showError(purpose + QStringLiteral("\n\n") + msg::logbookFull(path));
        return std::nullopt;
    }
    if (!count) {
        m_platform.showError(
                msg::failure(purpose, count.error())
                + QStringLiteral("\n\nOpen or create a logbook from the File menu."));
        return std::nullopt;
    }
    return count.value();
}

QString Form1::exchangeFor(qint16 nextNumber) const
{
    return defSent + QString::number(nextNumber);
}

void Form1::takeLogbookIntoUse(const QString &path, qint16 count)
{
    // countForUse has made sure that a next number exists.
    const qint16 next = *nextNumber(count);
    logPath = path;
    qsoCount = count;
    showLogPath();
    Text1->setText(QString::number(next));
    exchangeSent = exchangeFor(next);
    m_watch->setPath(logPath);
    Q_EMIT logbookChanged();
}
