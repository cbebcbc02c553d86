#include "mainwindow/LinkNote.h"

#include "mainwindow/Form1.h"

#include <QLabel>
#include <QPalette>

void LinkNote::show(const QString &text, const QString &more, bool trouble, const void *owner)
{
    m_owner = owner;
    if (!m_label)
        m_label = m_form.note(
            QStringLiteral("linkNote"), QStringLiteral("Last contact from another program"));
    m_label->setText(text);
    m_label->setToolTip(more.isEmpty() ? text : text + QStringLiteral("\n\n") + more);
    m_label->setAccessibleDescription(more);
    // Trouble shows in red: the note is the only word a peer's trouble gets.
    QPalette palette = m_label->palette();
    palette.setColor(
        QPalette::WindowText, trouble ? QColor(170, 0, 0) : QPalette().color(QPalette::WindowText));
    m_label->setPalette(palette);
}

void LinkNote::clear(const void *owner)
{
    if (owner && m_owner == owner)
        show(QString(), QString(), false);
}
