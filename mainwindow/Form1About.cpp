#include "convert/Form2.h"
#include "mainwindow/Form1.h"
#include "mainwindow/LinksController.h"
#include "mainwindow/LogWindowLink.h"
#include "mainwindow/StatsWindowLink.h"

#include <QCloseEvent>
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
    // Every contact and setting is already on disk, except WSJT-X contacts that still wait
    // for the logbook: those are named, and Enter then keeps the program running.
    const QString unsaved = m_links->unsavedContacts();
    if (m_platform.messageBox(unsaved.isEmpty() ? QStringLiteral("Do you really want to quit?")
                                                : unsaved + QStringLiteral("\n\nDo you really want to quit?"),
                              QStringLiteral("Exit"),
                              unsaved.isEmpty() ? MsgBox::YesNo
                                                : MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2)
        != MsgBox::Yes)
        return;
    m_quitAsked = true;
    close();
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_quitAsked) {
        const QString unsaved = m_links->unsavedContacts();
        if (!unsaved.isEmpty()
            && m_platform.messageBox(unsaved + QStringLiteral("\n\nDo you really want to quit?"),
                                     QStringLiteral("Exit"),
                                     MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2)
                    != MsgBox::Yes) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

void Form1::mnuConvertClick()
{
    Form2 conversion(m_platform, this);
    conversion.setLogbookInUse(logPath);
    conversion.exec();
    raise();
    activateWindow();
}
