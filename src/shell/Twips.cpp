#include "shell/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace twips {

int fromPixels(int pixels, double dpi)
{
    const double twips = std::nearbyint(double(pixels) * PerInch / dpi); // to nearest, a half to even
    return int(std::clamp(twips, double(std::numeric_limits<std::int32_t>::min()),
                          double(std::numeric_limits<std::int32_t>::max())));
}

namespace {
const QScreen* screenOf(const QWidget* w)
{
    const QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}
} // namespace

double dpiX(const QWidget* w)
{
    const QScreen* s = screenOf(w);
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double dpiY(const QWidget* w)
{
    const QScreen* s = screenOf(w);
    return s ? s->logicalDotsPerInchY() : 96.0;
}

void place(QWidget* w, int left, int top, int width, int height)
{
    const double dx = dpiX(w);
    const double dy = dpiY(w);
    w->setGeometry(toPixels(left, dx), toPixels(top, dy), toPixels(width, dx), toPixels(height, dy));
}

} // namespace twips
