#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "mainwindow/SettingRow.h"
#include "platform/Counted.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"
#include "storage/Settings.h"
#include "storage/TakeIntoUse.h"
#include "storage/TextCodec.h"

#include <QFileInfo>

using namespace storage;

bool Form1::pathFitsSetting(const QString &path)
{
    // "deflog" stores one Windows-1252 byte a character: a path it cannot spell would
    // send the next start to another, empty file.
    QString foreign;
    for (QChar c : path) {
        if (diskByte(c) < 0 && !foreign.contains(c))
            foreign += c;
    }
    if (!foreign.isEmpty()) {
        m_platform.showError(QStringLiteral("The path %1 has characters that the default "
                                            "logbook setting cannot hold (%2), so the logbook "
                                            "could not be found again at the next start. Nothing "
                                            "was changed.\n\nChoose a logbook whose folder and "
                                            "file names use only Western European letters.")
                                     .arg(msg::nativePath(path), foreign));
        return false;
    }
    if (path.size() <= MaxSettingLength)
        return true;
    m_platform.showError(QStringLiteral("The path %1 is longer than %2 characters, so it cannot be "
                                        "remembered as the default logbook.\n\nChoose a logbook "
                                        "in a folder with a shorter path.")
                                 .arg(msg::nativePath(path))
                                 .arg(MaxSettingLength));
    return false;
}

// The logbook in use changes only once the new file is ready, counted and remembered:
// until then the window keeps the old path and count together.
void Form1::mnuOpenClick()
{
    const auto chosen = CommonDialog1.showOpen(m_platform, QStringLiteral("Open an existing logbook"));
    if (!chosen || !pathFitsSetting(*chosen))
        return;
    // A name typed here that does not exist yet starts a new logbook.
    const auto count = countForUse(*chosen, QStringLiteral("The logbook could not be opened."),
                                   LogbookSession::take(*chosen, IfMissing::Create));
    if (!count)
        return;
    rememberAndUse(*chosen, *count);
}

void Form1::rememberAndUse(const QString &path, qint16 count)
{
    const Status remembered = writeSetting(QLatin1String(settingTable()[DeflogRow].file), path);
    if (!remembered) {
        m_platform.showError(msg::failure(
                QStringLiteral("The logbook could not be remembered as the default logbook, so "
                               "it was not taken into use."),
                remembered.error()));
        return;
    }
    // The contact on screen, band and mode included, goes into this logbook with F1.
    takeLogbookIntoUse(path, count);
}

void Form1::mnuSaveClick()
{
    const auto chosen = CommonDialog1.showSave(m_platform, QStringLiteral("Create a new logbook"));
    if (!chosen || !pathFitsSetting(*chosen))
        return;
    const QString &path = *chosen;

    const QFileInfo info(path);
    // A file that is no logbook is not ours to empty: its "contacts" would be counted in
    // the question, and its bytes lost with the answer.
    if (info.isFile() && info.size() > 0) {
        const auto looked = takeIntoUse(path, IfMissing::Fail, 0, JournalWork::Leave);
        if (!looked && looked.error().kind == StorageError::Kind::NotALogbook) {
            m_platform.showError(msg::failure(QStringLiteral("A new logbook was not created under "
                                                             "this name: that would delete the file. "
                                                             "Nothing was changed."),
                                              looked.error()));
            return;
        }
    }
    const qint64 existing = info.isFile() ? info.size() / QsoRecord::Size : 0;
    if (existing > 0) {
        const QString contacts = contactCount(existing);
        const int answer = m_platform.messageBox(
                QStringLiteral("The logbook %1 already holds %2.\n\nCreating a new logbook "
                               "under this name deletes them. Delete the %2?")
                        .arg(msg::nativePath(path), contacts),
                QStringLiteral("Create a new logbook"),
                MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2);
        if (answer != MsgBox::Yes)
            return;
    }
    // Find out before the old contents are gone whether the choice can be remembered.
    const QLatin1String deflog(settingTable()[DeflogRow].file);
    if (const Status writable = checkSettingWritable(deflog); !writable) {
        m_platform.showError(msg::failure(
                QStringLiteral("The new logbook could not be remembered as the default logbook, "
                               "so nothing was changed."),
                writable.error()));
        return;
    }
    // The count the operator agreed to lose is checked again under the lock: another
    // station may have saved while the question was up.
    bool emptied = false;
    const auto created = m_session.create(path, existing, &emptied);
    if (!created && !emptied && created.error().kind == StorageError::Kind::Changed) {
        m_platform.showError(QStringLiteral("While you were asked, another program changed the "
                                            "logbook %1: it now holds %2 contacts, not %3. Nothing "
                                            "was deleted.\n\nCreate the logbook again if you still "
                                            "want to.")
                                     .arg(msg::nativePath(path), created.error().reason)
                                     .arg(existing));
        return;
    }
    if (!created && !emptied) {
        m_platform.showError(
                msg::failure(QStringLiteral("The logbook could not be created."), created.error()));
        return;
    }
    const auto count = countForUse(path, QStringLiteral("The new logbook could not be opened."),
                                   created);
    if (!count)
        return;
    rememberAndUse(path, *count);
}
