#include "mainwindow/EntryField.h"

#include <QFocusEvent>

void EntryField::placeCaret(int position)
{
    deselect();
    setCursorPosition(position);
    if (m_arrivingByMouse)
        m_caretAfterPress = position;
}

void EntryField::focusInEvent(QFocusEvent *event)
{
    m_arrivingByMouse = event->reason() == Qt::MouseFocusReason;
    QLineEdit::focusInEvent(event);
    Q_EMIT gotFocus(event->reason());
    m_arrivingByMouse = false;
}

void EntryField::focusOutEvent(QFocusEvent *event)
{
    m_caretAfterPress = -1;
    QLineEdit::focusOutEvent(event);
}

void EntryField::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (m_caretAfterPress >= 0) {
        deselect();
        setCursorPosition(m_caretAfterPress);
        m_caretAfterPress = -1;
    }
}
