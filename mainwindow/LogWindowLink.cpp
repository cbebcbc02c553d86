#include "mainwindow/LogWindowLink.h"

#include "logview/LogWindow.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "platform/Keys.h"

#include <QAction>

LogWindowLink::LogWindowLink(Form1 &form) : QObject(&form), m_form(form)
{
    connect(&form, &Form1::extraKey, this, [this](int keyCode) {
        if (keyCode == Vk::F2)
            show();
    });
    // The check as the call is typed costs nothing while the window is not on screen;
    // showing it brings it up to date.
    connect(static_cast<QLineEdit *>(form.control(storage::QsoRecord::Call)), &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_window && m_window->isVisible())
            m_window->setCallFilter(text);
    });
    connect(&form, &Form1::logbookChanged, this, [this] {
        if (m_window)
            m_window->followLogbook(m_form.session().path());
    });
}

void LogWindowLink::show()
{
    if (!m_window) {
        m_window = new LogWindow(m_form.platform(), &m_form);
        m_window->setSession(m_form.session());
        connect(m_window, &LogWindow::backToEntry, this, [this] {
            m_form.raise();
            m_form.activateWindow();
            m_form.control(storage::QsoRecord::Call)->setFocus(Qt::OtherFocusReason);
        });
        m_window->followLogbook(m_form.session().path());
    }
    m_window->showNewest();
}
