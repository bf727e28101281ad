#include "preview/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace preview {

namespace {

std::int32_t saturated(double value)
{
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return std::int32_t(std::clamp(value, lowest, highest));
}

std::int32_t floorToInt(double value) { return saturated(std::floor(value)); }

// Sets bar up for an image extent against the viewport's inner extent at
// zoom; returns the step.
std::int32_t setupBar(ScrollBarModel& bar, std::int32_t imageExtent, std::int32_t viewportExtent, float zoom)
{
    if (imageExtent <= viewportExtent) {
        bar.enabled = false;
        return 0;
    }
    const std::int32_t excess = imageExtent - viewportExtent;
    const std::int32_t step = excess <= 100 ? 1 : 10;
    bar.enabled = true;
    bar.maximum = (excess + step - 1) / step;
    bar.smallChange = std::max(1, roundHalfEven(PreviewGeometry::RowTwips * zoom / step));
    bar.largeChange = std::max(1, viewportExtent / step);
    return step;
}

// The box's new offset for a wanted one: never right of (below) the
// viewport's origin, never further than lowest.
std::int32_t clampedOffset(double wanted, std::int32_t lowest)
{
    if (wanted > 0)
        return 0;
    if (lowest > wanted)
        return lowest;
    return roundHalfEven(wanted);
}

std::optional<std::int32_t> percentOf(std::int32_t offset, std::int32_t boxExtent, std::int32_t viewportExtent)
{
    const double room = double(boxExtent) - double(viewportExtent);
    if (room == 0)
        return std::nullopt;
    return roundHalfEven(std::abs(double(offset)) / room * 100.0);
}

// The bar's value for percent of its maximum, or nothing.
std::optional<std::int32_t> valueAtPercent(const ScrollBarModel& bar, std::int32_t percent)
{
    if (percent < 0)
        return std::nullopt;
    const double target = percent / 100.0 * bar.maximum;
    if (target > bar.maximum)
        return std::nullopt;
    return roundHalfEven(target);
}

} // namespace

std::int32_t roundHalfEven(double value)
{
    // nearbyint rounds in the default mode: to nearest, halves to even.
    return saturated(std::nearbyint(value));
}

PreviewGeometry::PreviewGeometry(const ViewportMetrics& metrics) : m_metrics(metrics) {}

std::int32_t PreviewGeometry::viewportInnerWidth() const
{
    return m_metrics.viewportWidth - 2 * m_metrics.viewportBorder;
}

std::int32_t PreviewGeometry::viewportInnerHeight() const
{
    return m_metrics.viewportHeight - 2 * m_metrics.viewportBorder;
}

float PreviewGeometry::steppedZoom(float zoom, std::int32_t direction)
{
    return direction == 0 ? zoom + ZoomStep : zoom - ZoomStep;
}

bool PreviewGeometry::zoomInRange(float factor) { return factor >= MinZoom && factor <= MaxZoom; }

void PreviewGeometry::computeZoomedWidth() { mZoomWidth = floorToInt(double(mOrigWidth) * double(mZoom)); }

void PreviewGeometry::computeZoomedHeight() { mZoomHeight = floorToInt(double(mOrigHeight) * double(mZoom)); }

bool PreviewGeometry::zoomedSizeFits() const
{
    return mZoomWidth / m_metrics.twipsPerPixelX <= MaxZoomedSidePixels
        && mZoomHeight / m_metrics.twipsPerPixelY <= MaxZoomedSidePixels;
}

void PreviewGeometry::resetToOriginalSize()
{
    mZoom = 1.0f;
    mOrigWidth = wholePicture.width();
    mOrigHeight = wholePicture.height();
    mZoomWidth = mOrigWidth;
    mZoomHeight = mOrigHeight;
}

QRectF PreviewGeometry::drawnSourcePixels() const
{
    return QRectF(0, 0, mOrigWidth / m_metrics.twipsPerPixelX, mOrigHeight / m_metrics.twipsPerPixelY);
}

void PreviewGeometry::SetupScrollbars()
{
    imageBox.moveTo(0, 0);
    mHScrollStep = setupBar(hBar, imageBox.width(), viewportInnerWidth(), mZoom);
    if (hBar.enabled)
        setHScrollValue(0);
    mVScrollStep = setupBar(vBar, imageBox.height(), viewportInnerHeight(), mZoom);
    if (vBar.enabled)
        setVScrollValue(0);
}

void PreviewGeometry::setHScrollValue(std::int32_t value)
{
    if (value == hBar.value)
        return;
    hBar.value = value;
    imageBox.moveLeft(-(mHScrollStep * value));
}

void PreviewGeometry::setVScrollValue(std::int32_t value)
{
    if (value == vBar.value)
        return;
    vBar.value = value;
    imageBox.moveTop(-(mVScrollStep * value));
}

std::int32_t PreviewGeometry::draggedLeft(float x) const
{
    const std::int32_t room = viewportInnerWidth() - imageBox.width();
    return room >= 0 ? 0 : clampedOffset(double(imageBox.left()) - mDragX + x, room);
}

std::int32_t PreviewGeometry::draggedTop(float y) const
{
    const std::int32_t room = viewportInnerHeight() - imageBox.height();
    return room >= 0 ? 0 : clampedOffset(double(imageBox.top()) - mDragY + y, room);
}

std::optional<std::int32_t> PreviewGeometry::horizontalPercent() const
{
    return percentOf(imageBox.left(), imageBox.width(), viewportInnerWidth());
}

std::optional<std::int32_t> PreviewGeometry::verticalPercent() const
{
    return percentOf(imageBox.top(), imageBox.height(), viewportInnerHeight());
}

void PreviewGeometry::SetHScrollbarByPercent(std::int32_t percent)
{
    if (const auto value = valueAtPercent(hBar, percent))
        setHScrollValue(*value);
}

void PreviewGeometry::SetVScrollbarByPercent(std::int32_t percent)
{
    if (const auto value = valueAtPercent(vBar, percent))
        setVScrollValue(*value);
}

} // namespace preview
