#include "convert/Form2.h"

#include "formats/Export.h"
#include "formats/Output.h"
#include "platform/StorageReport.h"
#include "platform/Twips.h"
#include "storage/TakeIntoUse.h"
#include "storage/QsoRecord.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

template<typename W>
W *place(W *widget, const char *name, const QRect &geometry, bool bold)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    if (bold) {
        QFont font = widget->font();
        font.setBold(true);
        widget->setFont(font);
    }
    return widget;
}

constexpr QLatin1String kSourceFilter("LogFiles (*.log)|*.log|Text (*.txt)|*.txt|All Files|*.*");
constexpr QLatin1String kDestFilter("Text (*.txt)|*.txt|LogFiles (*.log)|*.log|All Files|*.*");

// The source is taken into use as every reader takes it: a file that is no logbook is
// refused and a correction left half-done is undone before a contact is listed. A source
// that is missing or no file is left to the conversion, which says so after the title.
bool sourceReadable(Platform &platform, const QString &sourcePath)
{
    const auto taken = storage::takeIntoUse(sourcePath, storage::IfMissing::Fail);
    if (!taken) {
        if (!QFileInfo(sourcePath).isFile())
            return true;
        platform.showError(failureText(QStringLiteral("Nothing was converted."), taken.error()));
        return false;
    }
    tellRecovery(platform, sourcePath, taken.value().journal);
    if (taken.value().journal.outcome == storage::JournalRecovery::Outcome::UnderWay) {
        platform.showError(correctionUnderWay(sourcePath)
                             + QStringLiteral(" Nothing was converted, so that no contact is listed "
                                              "half corrected.\n\nConvert again in a moment."));
        return false;
    }
    return true;
}

} // namespace

Form2::Form2(Platform &platform, QWidget *parent)
    : QDialog(parent), CommonDialog1(kSourceFilter, QStringLiteral(".log")), m_platform(platform)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Logfile Convertion"));
    setModal(true);
    QFont font = this->font();
    font.setPixelSize(WindowFontPixels);
    setFont(font);
    setFixedSize(twipsRect(0, 0, 3720, 2295).size());

    Label1 = place(new QLabel(QStringLiteral("Chose a source of Logfile(*.log):"), this), "Label1",
                   twipsRect(120, 120, 3135, 255), true);
    Text1 = place(new QLineEdit(this), "Text1", twipsRect(120, 360, 3135, 285), false);
    Command1 = place(new QPushButton(QStringLiteral("..."), this), "Command1",
                     twipsRect(3240, 360, 255, 255), false);
    Label2 = place(new QLabel(QStringLiteral("Chose a destination file(*.txt):"), this), "Label2",
                   twipsRect(120, 840, 3135, 255), true);
    Text2 = place(new QLineEdit(this), "Text2", twipsRect(120, 1080, 3135, 285), false);
    Command2 = place(new QPushButton(QStringLiteral("..."), this), "Command2",
                     twipsRect(3240, 1080, 255, 255), false);
    Check1 = place(new QCheckBox(QStringLiteral("Add a title to destination file"), this), "Check1",
                   twipsRect(120, 1440, 2775, 195), true);
    Command3 = place(new QPushButton(QStringLiteral("Convert"), this), "Command3",
                     twipsRect(360, 1800, 1215, 375), true);
    Command4 = place(new QPushButton(QStringLiteral("Exit Convertion"), this), "Command4",
                     twipsRect(1800, 1800, 1455, 375), true);
    Text1->setAccessibleName(Label1->text());
    Text2->setAccessibleName(Label2->text());
    for (QPushButton *button : { Command1, Command2, Command3, Command4 })
        button->setAutoDefault(false);
    // The boxes only show the paths chosen with "...": typing there would be ignored, so
    // they take none. They still take the focus, and their text can be selected and copied.
    for (QLineEdit *box : { Text1, Text2 })
        box->setReadOnly(true);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Text2);
    setTabOrder(Text2, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Check1);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form2::command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::command2Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::command3Click);
    connect(Command4, &QPushButton::clicked, this, &QDialog::accept);
}

void Form2::command1Click()
{
    CommonDialog1.setFilter(kSourceFilter);
    CommonDialog1.setDefaultExt(QStringLiteral(".log"));
    if (const auto chosen = CommonDialog1.showOpen(m_platform, QStringLiteral("Source Logfile"))) {
        sourcePath = *chosen;
        Text1->setText(*chosen);
    }
}

void Form2::command2Click()
{
    CommonDialog1.setFilter(kDestFilter);
    CommonDialog1.setDefaultExt(QStringLiteral(".txt"));
    if (const auto chosen = CommonDialog1.showSave(m_platform, QStringLiteral("Destination Logfile"))) {
        destPath = *chosen;
        Text2->setText(*chosen);
    }
}

void Form2::command3Click()
{
    if (sourcePath.isEmpty() || destPath.isEmpty()) {
        m_platform.showError(QStringLiteral("Choose a source logbook and a destination file with "
                                            "the \"...\" buttons first. Nothing was converted."));
        return;
    }
    if (formats::sameFile(sourcePath, destPath)) {
        m_platform.showError(QStringLiteral("The source and the destination are the same file, "
                                            "%1. Choose another destination. Nothing was converted.")
                                     .arg(QDir::toNativeSeparators(sourcePath)));
        return;
    }
    if (!destinationMayTakeListing())
        return;
    if (!sourceReadable(m_platform, sourcePath))
        return;
    const bool withTitle = Check1->isChecked();
    formats::Options options;
    options.title = withTitle;
    const QFileInfo before(destPath);
    const qint64 sizeBefore = before.isFile() ? before.size() : -1;
    const auto done = formats::appendLogbook(formats::listingFormat(), sourcePath, destPath, options);
    if (!done) {
        const QFileInfo after(destPath);
        const bool grew = after.isFile() && after.size() != sizeBefore;
        const bool sourceFailed = formats::sameFile(done.error().path, sourcePath);
        m_platform.showError(failureText(
                !grew           ? QStringLiteral("Nothing was converted.")
                         : sourceFailed ? QStringLiteral("The title was appended to the destination, but the "
                                                         "logbook could not be read: no contact was converted.")
                                        : QStringLiteral("The conversion stopped. What was converted before the "
                                                         "failure is in the destination file."),
                done.error()));
        return;
    }
    // Done: the window stays as it is, and Convert appends the same listing again.
}

// A listing appended to a logbook would shift every later record: the logbook in use
// is refused, and anything that looks like a logbook (whole records, no line ends) is
// only written to when the operator says so.
bool Form2::destinationMayTakeListing()
{
    const QString dest = QDir::toNativeSeparators(destPath);
    if (!m_logbookInUse.isEmpty() && formats::sameFile(destPath, m_logbookInUse)) {
        m_platform.showError(QStringLiteral("%1 is the logbook in use: a listing appended to it "
                                            "would ruin its contacts. Choose another destination. "
                                            "Nothing was converted.")
                                     .arg(dest));
        return false;
    }
    QFile file(destPath);
    const QFileInfo info(destPath);
    if (!info.isFile() || info.size() == 0 || info.size() % storage::QsoRecord::Size != 0
        || !file.open(QIODevice::ReadOnly))
        return true;
    if (file.read(qint64(1) << 20).contains('\n'))
        return true;
    const qint64 records = info.size() / storage::QsoRecord::Size;
    return m_platform.messageBox(QStringLiteral("%1 looks like a logbook (%2 whole records, no line "
                                                "ends). A listing appended to it would ruin its "
                                                "records.\n\nAppend the listing to it all the same?")
                                         .arg(dest)
                                         .arg(records),
                                 QStringLiteral("vantel"),
                                 MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2)
            == MsgBox::Yes;
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the button that has the focus; in the boxes it does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
