#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"
#include "storage/SharedState.h"

#include <QComboBox>
#include <QLabel>

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
        // setting itself stays as it is.
        logPath.clear();
        if (auto count = countForUse(path, QStringLiteral("The default logbook could not be opened.")))
            takeLogbookIntoUse(path, *count);
    }
    Label8->setText(logPath);

    Text7->setVisible(false);
    Text8->setVisible(false);
    Label9->setVisible(false);
    Label10->setVisible(false);
    setWindowTitle(QStringLiteral("vantel - Contest mode"));

    // The lists never change what the boxes show.
    const QString band = Combo1->currentText();
    const QString mode = Combo2->currentText();
    for (const char *item : { "14", "1.8", "3.5", "7", "10", "18", "21", "24", "28" })
        Combo1->addItem(QLatin1String(item));
    for (const char *item : { "PSK31", "CW", "SSB", "RTTY", "SSTV", "PAKET", "AMTOR", "PACT", "GTOR" })
        Combo2->addItem(QLatin1String(item));
    Combo1->setEditText(band);
    Combo2->setEditText(mode);
}

std::optional<qint16> Form1::countForUse(const QString &path, const QString &purpose)
{
    // A logbook is usable only while a next number can be formed: 32767 records is full.
    const auto count = countRecords(path);
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
    Label8->setText(logPath);
    Text1->setText(QString::number(next));
    exchangeSent = exchangeFor(next);
}
