#include "mainwindow/Form1.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

namespace {

// Started from the desktop menu the working folder is the home folder; the six
// settings files belong in a folder of their own.
bool enterDataHome()
{
    const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1String("/vantel");
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "vantel: cannot use the folder %s\n", qPrintable(folder));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // A write past the file size limit must fail as a write does (EFBIG), which the
    // program reports, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.vantel.vantel"));
    if (QApplication::arguments().contains(QLatin1String("--data-home")) && !enterDataHome())
        return 1;
    QtPlatform platform;
    Form1 form(platform);
    form.show();
    return QApplication::exec();
}
