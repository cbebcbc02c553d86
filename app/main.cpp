#include "mainwindow/Form1.h"
#include "platform/QtPlatform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTEL_VERSION));
    QtPlatform platform;
    Form1 form(platform);
    form.show();
    return QApplication::exec();
}
