#pragma once

#include <QRect>
#include <QtMath>

// The windows' font: MS Sans Serif 8.25 pt at 96 dpi is 11 pixels high.
constexpr int WindowFontPixels = 11;

// Layouts are drawn in twips. At 15 to a pixel (96 dpi) today's sans-serif faces do not fit
// the narrow lists ("AMTOR", "1.8") or "Exit Convertion"; 12 to a pixel (the layout at 120 dpi)
// with the font kept at 11 pixels fits every caption and list item with room to spare. One
// scale for the whole layout, so every control keeps its place beside its neighbours; the
// desktop's own scaling (120 dpi, 2x) then scales all of it alike.
constexpr int TwipsPerPixel = 12;

inline int twips(int value)
{
    return qRound(value / double(TwipsPerPixel));
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
