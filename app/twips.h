#pragma once

#include <QPaintDevice>
#include <QRect>

#include <cmath>

// Layouts given in twips (1440 per logical inch): 15 twips per pixel at 96 DPI.
inline int twipsToPixels(int twips, int logicalDpi)
{
    return int(std::lround(double(twips) * logicalDpi / 1440.0));
}

inline QRect twipsRect(const QPaintDevice& device, int left, int top, int width, int height)
{
    const int dx = device.logicalDpiX(), dy = device.logicalDpiY();
    return QRect(twipsToPixels(left, dx), twipsToPixels(top, dy), twipsToPixels(width, dx), twipsToPixels(height, dy));
}
