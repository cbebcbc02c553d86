#pragma once

#include "stats/LogStats.h"

#include <QWidget>

// One bar chart drawn with the widget's own font: a title, a scale at the left, a bar
// for each tally with its count above it where that fits, and the tallies' names below.
// Names that would run into each other are shown every few bars. Its least size holds
// every caption it draws, so a layout never clips one.
class BarChart : public QWidget
{
    Q_OBJECT
public:
    explicit BarChart(const QString &objectName, QWidget *parent = nullptr);

    void setTitle(const QString &title);
    // `emptyText` stands in the chart when there are no bars.
    void setBars(const QList<stats::Tally> &bars, const QString &emptyText);
    const QString &title() const { return m_title; }
    const QList<stats::Tally> &bars() const { return m_bars; }
    // Every how many bars a name is drawn at the present width (1: all are named).
    int namedEvery() const;

    // The title's font: the widget's, bold.
    QFont titleFont() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Horizontal room a bar takes at least, and how many bars go to each name shown.
    int slotWidth() const;
    int labelStep(double slot) const;
    double slotNow() const; // the width each bar has
    int scaleWidth() const;
    int widestLabel() const;

    QString m_title;
    QString m_emptyText;
    QList<stats::Tally> m_bars;
    qint64 m_max = 0;
};
