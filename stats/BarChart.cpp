#include "stats/BarChart.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLeastBarPixels = 4; // the thinnest bar still seen as one
constexpr int kBarLines = 6; // the bars' height, in lines of text, at least

} // namespace

BarChart::BarChart(const QString &objectName, QWidget *parent) : QWidget(parent)
{
    setObjectName(objectName);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void BarChart::setTitle(const QString &title)
{
    m_title = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

void BarChart::setBars(const QList<stats::Tally> &bars, const QString &emptyText)
{
    m_bars = bars;
    m_emptyText = emptyText;
    m_max = 0;
    for (const stats::Tally &bar : bars)
        m_max = std::max(m_max, bar.count);
    updateGeometry();
    update();
}

void BarChart::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

int BarChart::widestLabel() const
{
    int widest = 0;
    for (const stats::Tally &bar : m_bars)
        widest = std::max(widest, fontMetrics().horizontalAdvance(bar.key));
    return widest;
}

int BarChart::scaleWidth() const
{
    return fontMetrics().horizontalAdvance(QString::number(std::max<qint64>(m_max, 1)))
            + fontMetrics().averageCharWidth();
}

// Few bars get room for their names and counts; many (the hours) share what there is.
int BarChart::slotWidth() const
{
    const int gap = fontMetrics().averageCharWidth();
    if (m_bars.size() > 24)
        return kLeastBarPixels + 1;
    const int count = fontMetrics().horizontalAdvance(QString::number(m_max));
    return std::max(widestLabel(), count) + gap;
}

double BarChart::slotNow() const
{
    const int half = fontMetrics().averageCharWidth() / 2;
    const QRect area = rect().adjusted(half, 0, -half, 0);
    return double(area.right() - (area.left() + scaleWidth())) / double(std::max<qsizetype>(1, m_bars.size()));
}

int BarChart::namedEvery() const
{
    return labelStep(slotNow());
}

int BarChart::labelStep(double slot) const
{
    // Names are left out only where they would touch: a chart at its least width (a slot
    // of the widest name and a gap, less the pixel the edges take) names every bar.
    const int needed = widestLabel() + fontMetrics().averageCharWidth() / 2;
    return std::max(1, int(std::ceil(needed / std::max(slot, 1.0))));
}

QFont BarChart::titleFont() const
{
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

QSize BarChart::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const int title = QFontMetrics(titleFont()).horizontalAdvance(m_title);
    const int lines = 3 + kBarLines; // title, counts, names
    const int bars = std::max(int(m_bars.size()) * slotWidth(), fm.horizontalAdvance(m_emptyText));
    const int width = std::max(title, scaleWidth() + bars) + fm.averageCharWidth();
    return { width, lines * fm.lineSpacing() };
}

QSize BarChart::sizeHint() const
{
    const QSize least = minimumSizeHint();
    return { std::max(least.width(), 24 * fontMetrics().averageCharWidth()), least.height() * 3 / 2 };
}

void BarChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics fm = fontMetrics();
    const int line = fm.lineSpacing();
    const QRect area = rect().adjusted(fm.averageCharWidth() / 2, 0, -fm.averageCharWidth() / 2, 0);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());

    painter.setFont(titleFont());
    painter.drawText(QRect(area.left(), area.top(), area.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                     m_title);
    painter.setFont(font());
    if (m_bars.isEmpty() || m_max == 0) {
        painter.drawText(area.adjusted(0, line, 0, 0), Qt::AlignCenter, m_emptyText);
        return;
    }

    // The bars stand between a line for their counts and a line for their names.
    const int scale = scaleWidth();
    const int top = area.top() + 2 * line;
    const int bottom = area.bottom() - line;
    const int left = area.left() + scale;
    const double slot = slotNow();
    const double height = std::max(1, bottom - top);

    // The scale: 0 and the largest count, with a line at each.
    painter.setPen(palette().mid().color());
    painter.drawLine(left, top, area.right(), top);
    painter.drawLine(left, bottom, area.right(), bottom);
    painter.setPen(palette().text().color());
    painter.drawText(QRect(area.left(), top - line / 2, scale - fm.averageCharWidth() / 2, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(m_max));
    painter.drawText(QRect(area.left(), bottom - line / 2, scale - fm.averageCharWidth() / 2, line),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));

    const int step = labelStep(slot);
    const double barWidth = std::max(1.0, slot * (m_bars.size() > 24 ? 0.8 : 0.6));
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const stats::Tally &bar = m_bars.at(i);
        const double centre = left + slot * (double(i) + 0.5);
        const double barHeight = height * double(bar.count) / double(m_max);
        const QRectF box(centre - barWidth / 2, bottom - barHeight, barWidth, barHeight);
        painter.fillRect(box, palette().highlight());
        const QString count = QString::number(bar.count);
        if (bar.count > 0 && fm.horizontalAdvance(count) <= slot)
            painter.drawText(QRectF(centre - slot / 2, box.top() - line, slot, line), Qt::AlignCenter, count);
        if (i % step == 0) {
            const double width = fm.horizontalAdvance(bar.key) + fm.averageCharWidth();
            // The last names keep inside the chart rather than run off its edge.
            const double x = std::min(centre - width / 2, double(area.right()) - width);
            painter.drawText(QRectF(std::max(double(left), x), bottom, width, line), Qt::AlignCenter, bar.key);
        }
    }
}
