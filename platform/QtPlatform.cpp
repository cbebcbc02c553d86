#include "platform/QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

// CR LF and a lone CR both mean a new line in a message.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A box never hides the window it speaks of (the Duplicate box would cover the earlier
// contact's band and mode): below the window, or above it where the screen ends first.
void placeBeside(QWidget *box, QWidget *owner)
{
    if (!owner || !owner->isVisible() || !owner->screen())
        return;
    box->adjustSize();
    const QRect frame = owner->frameGeometry();
    const QRect screen = owner->screen()->availableGeometry();
    // The frame the window manager adds to the box is not known before it shows; allow
    // for a title bar.
    const int titleBar = owner->frameGeometry().height() - owner->geometry().height();
    const QSize size = box->size() + QSize(0, qMax(titleBar, 30));
    constexpr int gap = 4;
    int y = frame.bottom() + 1 + gap;
    if (y + size.height() > screen.bottom()) {
        y = frame.top() - gap - size.height();
        if (y < screen.top())
            return; // no room either way: the platform's own place
    }
    const int x = qBound(screen.left(), frame.center().x() - size.width() / 2,
                         qMax(screen.left(), screen.right() - size.width()));
    box->move(x, y);
}

// A window manager cuts a title that does not fit between its buttons ("Expor... abrillo",
// or only "..." over a short message): a box is made wide enough for its title in a bold
// face (as title bars show it) beside the window menu, minimise, maximise and close (each
// about as wide as the bar is high, a line and a half) and a margin at either end. Under
// openbox that was still a few characters short ("Export ... Cabrillo"): its title face
// runs wider than ours and its buttons stand apart, so three more lines are kept free.
int widthForTitle(const QWidget *box)
{
    QFont font = box->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(box->windowTitle()) + 10 * metrics.height();
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & MsgBox::IconMask) {
    case MsgBox::Critical:
        return QMessageBox::Critical;
    case MsgBox::Question:
        return QMessageBox::Question;
    case MsgBox::Exclamation:
        return QMessageBox::Warning;
    case MsgBox::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

std::optional<QString> runFileDialog(const FileDialogRequest &request, bool save)
{
    QFileDialog dialog(dialogParent(), request.title);
    // Qt's own dialog: the same on every desktop and scriptable under a bare X server.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The labels already name their patterns ("Log(*.log)"): show them once.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QtPlatform::nameFilters(request.filter));
    QString ext = request.defaultExt;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

QStringList QtPlatform::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts.at(i + 1);
        // "*.*" would hide names without a dot here; it means every file.
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        out << parts.at(i) + QLatin1String(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

int QtPlatform::messageBox(const QString &text, const QString &title, int style)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("vantel") : title);
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconFor(style));
    // A message box sizes itself to its text and ignores a minimum width; a spacer across
    // its layout is what it keeps to.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(widthForTitle(&box), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if ((style & MsgBox::ButtonMask) == MsgBox::YesNo) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton((style & MsgBox::DefaultButton2) ? no : yes);
        box.setEscapeButton(no);
        placeBeside(&box, box.parentWidget());
        box.exec();
        return box.clickedButton() == yes ? MsgBox::Yes : MsgBox::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    placeBeside(&box, box.parentWidget());
    box.exec();
    return MsgBox::Ok;
}

void QtPlatform::showError(const QString &text)
{
    messageBox(text, QStringLiteral("vantel"), MsgBox::OkOnly | MsgBox::Exclamation);
}

std::optional<QString> QtPlatform::inputBox(const QString &prompt, const QString &title,
                                            const QString &initial)
{
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    // The dialog's layout sets its minimum size itself: the prompt's width is what it keeps to.
    dialog.adjustSize();
    if (auto *label = dialog.findChild<QLabel *>()) {
        const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
        label->setMinimumWidth(widthForTitle(&dialog) - margins.left() - margins.right());
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtPlatform::openFile(const FileDialogRequest &request)
{
    return runFileDialog(request, false);
}

std::optional<QString> QtPlatform::saveFile(const FileDialogRequest &request)
{
    return runFileDialog(request, true);
}

void QtPlatform::setClipboardText(const QString &text)
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QDateTime QtPlatform::now() const
{
    return QDateTime::currentDateTime();
}
