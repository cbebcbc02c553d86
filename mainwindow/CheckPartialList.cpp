#include "mainwindow/CheckPartialList.h"

#include <QKeyEvent>

CheckPartialList::CheckPartialList(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("checkPartial"));
    setAccessibleName(QStringLiteral("Check partial"));
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSpacing(1);
    // Reached with Down from the call field only: the window's Tab order stays as it is.
    setFocusPolicy(Qt::ClickFocus);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { Q_EMIT chosen(item->text()); });
}

void CheckPartialList::showCalls(const QString &typed, const QStringList &calls, bool more)
{
    // The same calls keep the list as it is (and the operator's place in it).
    bool same = calls.size() == count();
    for (int i = 0; same && i < count(); ++i)
        same = item(i)->text() == calls.at(i);
    if (!same) {
        clear();
        addItems(calls);
    }
    QString description;
    if (!typed.isEmpty())
        description = calls.isEmpty() ? QStringLiteral("No known call holds %1").arg(typed)
                                      : QStringLiteral("%1%2 known calls hold %3 (Down to choose)")
                                                .arg(calls.size())
                                                .arg(more ? QStringLiteral(" and more") : QString(), typed);
    setAccessibleDescription(description);
    setToolTip(description);
}

void CheckPartialList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (QListWidgetItem *item = currentItem())
            Q_EMIT chosen(item->text());
        return;
    case Qt::Key_Escape:
    case Qt::Key_Up:
        Q_EMIT left();
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}
