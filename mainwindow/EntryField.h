#pragma once

#include <QLineEdit>

// A text box that reports the arrival of the focus after its own focus handling
// (which selects everything on Tab), so a fill can put the caret where it wants.
class EntryField : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // Caret after the first n characters, nothing selected; also when the focus
    // came with a click, whose press would otherwise move the caret under the mouse.
    void placeCaret(int position);

Q_SIGNALS:
    void gotFocus(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_arrivingByMouse = false;
    int m_caretAfterPress = -1;
};
