// The program as the footprint benchmark measures it with and without the log window:
// the entry window on the default logbook of 32765 contacts, with --log-window the log
// window shown as F2 shows it, and two contacts saved, so the window (when open) has
// followed the logbook to 32767 contacts.
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QTimer>

namespace {

class QuietPlatform : public Platform
{
public:
    int messageBox(const QString &, const QString &, int) override { return MsgBox::Ok; }
    void showError(const QString &) override { }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest &) override { return std::nullopt; }
    void setClipboardText(const QString &) override { }
    QDateTime now() const override { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QuietPlatform platform;
    Form1 form(platform);
    form.show();
    if (QApplication::arguments().contains(QLatin1String("--log-window")))
        form.mnuLogWindow->trigger();
    QTimer::singleShot(100, &form, [&form] {
        for (const char *call : { "LAST1", "LAST2" }) {
            form.Text2->setText(QLatin1String(call));
            form.sQSO();
        }
    });
    return QApplication::exec();
}
