#pragma once

#include <QRect>

#include <cmath>

class QWidget;

// Window layouts are given in twips (1440 per inch); widgets are placed in
// pixels at the screen's logical DPI, 15 twips a pixel at 96 DPI.
namespace twips {

inline constexpr int PerInch = 1440;

inline int toPixels(int value, double dpi) { return int(std::lround(double(value) * dpi / PerInch)); }
// Twips of a count of pixels, a half to the even neighbour, within the
// 32-bit range: a tall picture's pixels times 1440 do not fit in 32 bits,
// so the product is taken in double precision.
int fromPixels(int pixels, double dpi);

// The logical DPI of the screen the widget is on (96 when it has none).
double dpiX(const QWidget* w);
double dpiY(const QWidget* w);

// Places w at a rectangle given in twips, relative to its parent.
void place(QWidget* w, int left, int top, int width, int height);

} // namespace twips
