#include "convert/Form2.h"
#include "mainwindow/Form1.h"

#include <QCoreApplication>

QString Form1::aboutText()
{
    // The first line break carries an extra CR so the box shows an empty line under the name.
    return QStringLiteral("vantel " VANTEL_VERSION "\r\n\r"
                          "   Written by the vantel developers\r\n"
                          "   Questions and reports: see the README that comes with vantel\r\n"
                          "   Keyboard-first logging for the sound-card modes. 73!");
}

void Form1::mnuAboutClick()
{
    m_platform.messageBox(aboutText(), QStringLiteral("About"), MsgBox::OkOnly);
}

void Form1::mnuExitClick()
{
    if (m_platform.messageBox(QStringLiteral("Do you really want to quit?"), QStringLiteral("Exit"),
                              MsgBox::YesNo)
        != MsgBox::Yes)
        return;
    // Every contact and setting is already on disk; nothing is left to save.
    close();
    QCoreApplication::exit(0);
}

void Form1::mnuConvertClick()
{
    Form2 conversion(m_platform, this);
    conversion.setLogbookInUse(logPath);
    conversion.exec();
    raise();
    activateWindow();
}
