#include "platform/Keys.h"

#include <QEvent>
#include <QKeyEvent>

int toVirtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Vk::Enter;
    case Qt::Key_PageUp:
        return Vk::PageUp;
    case Qt::Key_PageDown:
        return Vk::PageDown;
    default:
        break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return Vk::F1 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // same numbers in both schemes
    return 0;
}

KeyDownFilter::KeyDownFilter(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

bool KeyDownFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int code = toVirtualKey(static_cast<QKeyEvent *>(event)->key());
        if (code != 0)
            m_handler(watched, code);
    }
    return false;
}
