#pragma once

#include <QListWidget>

// Check partial: the known calls holding what is typed in the call field, side by side in
// a row under the window's status line. Down in the call field comes here; Left and Right
// move, Enter (or Space) takes the call, Escape or Up goes back without one.
class CheckPartialList : public QListWidget
{
    Q_OBJECT
public:
    explicit CheckPartialList(QWidget *parent);

    // The calls, in order; `more`: further calls match beyond them.
    void showCalls(const QString &typed, const QStringList &calls, bool more);

Q_SIGNALS:
    void chosen(const QString &call);
    void left();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
