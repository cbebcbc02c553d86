// Saves contacts through the real window in a loop and says so after each save has
// returned, until it is killed. The fault tests kill it at random moments.
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

class SilentPlatform : public Platform
{
public:
    int messageBox(const QString &, const QString &, int) override { return MsgBox::Ok; }
    void showError(const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        std::exit(3);
    }
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1])))
        return 2;
    SilentPlatform platform;
    Form1 form(platform);
    for (int i = 0; i < 20000; ++i) {
        const int number = form.session().qsoCount + 1;
        form.setFieldText(storage::QsoRecord::Call, QStringLiteral("K%1").arg(number));
        form.sQSO();
        std::printf("saved %d\n", number);
        std::fflush(stdout);
    }
    return 0;
}
