#pragma once

#include <QRect>
#include <QtMath>

// Layouts are drawn in twips, 15 to a pixel at the usual 96 dpi.
// The windows' font: MS Sans Serif 8.25 pt at 96 dpi is 11 pixels high.
constexpr int WindowFontPixels = 11;

constexpr int TwipsPerPixel = 15;

inline int twips(int value)
{
    return qRound(value / double(TwipsPerPixel));
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
