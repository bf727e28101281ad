#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

namespace preview {

// Rounds to the nearest integer, a half to the even neighbour; saturates at
// the ends of the 32-bit range.
std::int32_t roundHalfEven(double value);

// One scroll bar as the preview drives it: minimum 0, a maximum and an
// enabled state; an arrow click moves it by the small change (about one item
// row of the sheet) and a click in the trough by the large change (one
// viewport), both in bar units.
struct ScrollBarModel {
    std::int32_t value = 0;
    std::int32_t maximum = 0;
    bool enabled = false;
    std::int32_t smallChange = 1;
    std::int32_t largeChange = 1;
};

// What the window's layout and the screen fix, in twips.
struct ViewportMetrics {
    std::int32_t viewportWidth = 9330; // Picture2, outer size
    std::int32_t viewportHeight = 7425;
    std::int32_t viewportBorder = 30; // one side of Picture2's border
    std::int32_t zoomOriBorder = 30;  // one side of Zoom_Ori's border
    double twipsPerPixelX = 15.0;
    double twipsPerPixelY = 15.0;
};

// The image state of the preview window, all of it in twips: the zoom, the
// sizes of the snapshot and of the zoomed image, the image box Picture1 in
// the viewport's inner area, the outer size of Zoom_Ori, the two scroll
// bars with their steps, and the drag start point. No widget is involved:
// the window shows this state, converted to pixels at its boundary.
//
// Offsets and sizes are 32-bit throughout, so every part of a tall picture
// can be reached with the bar.
class PreviewGeometry {
public:
    static constexpr float MinZoom = 0.25f;
    static constexpr float MaxZoom = 3.0f;
    static constexpr float ZoomStep = 0.25f;

    // The image box draws the picture scaled at paint time, only the part
    // that shows, and keeps no zoomed copy, so a zoom costs no memory of its
    // own at any size. The one bound is the largest widget Qt lays out; a
    // zoom past it falls back to 1.0.
    static constexpr double MaxZoomedSidePixels = 16777215.0;
    // One item row of the sheet (15 points), what an arrow click moves.
    static constexpr double RowTwips = 300.0;

    explicit PreviewGeometry(const ViewportMetrics& metrics = {});

    const ViewportMetrics& metrics() const { return m_metrics; }
    std::int32_t viewportInnerWidth() const;
    std::int32_t viewportInnerHeight() const;

    // The members of the preview window.
    float mZoom = 0.0f;
    std::int32_t mOrigWidth = 0;
    std::int32_t mOrigHeight = 0;
    std::int32_t mZoomWidth = 0;
    std::int32_t mZoomHeight = 0;
    float mDragX = 0.0f;
    float mDragY = 0.0f;
    std::int32_t mHScrollStep = 0;
    std::int32_t mVScrollStep = 0;

    QRect imageBox; // Picture1, relative to the viewport's inner area
    QSize zoomOri{0, 0}; // outer size of Zoom_Ori
    // The whole picture that is shown, at zoom 1.0: the snapshot, and the
    // rest of the sheet's used range past it.
    QSize wholePicture{0, 0};
    ScrollBarModel hBar;
    ScrollBarModel vBar;

    // Zoom: the factor one step in (direction 0) or out (any other) from
    // zoom, and whether a factor lies within 0.25 to 3.0.
    static float steppedZoom(float zoom, std::int32_t direction);
    static bool zoomInRange(float factor);

    // mZoomWidth and mZoomHeight from the snapshot's size at mZoom, rounded
    // down.
    void computeZoomedWidth();
    void computeZoomedHeight();
    // Whether the zoomed size stays within the largest widget.
    bool zoomedSizeFits() const;
    // Back to the picture at 1.0: mZoom 1.0, mOrigWidth and mOrigHeight the
    // whole picture's size, the zoomed size equal to it.
    void resetToOriginalSize();
    // The whole picture, in its pixels.
    QRectF drawnSourcePixels() const;

    // Fits the bars to the image box: box to 0, 0; per direction a bar that
    // is disabled with step 0 when the box is no larger than the viewport's
    // inner area, else enabled with step 1 and maximum = excess (excess up
    // to 100) or step 10 and maximum = excess / 10 rounded up, value 0. The
    // far end of a bar so shows the far edge of the image.
    void SetupScrollbars();

    // A bar's value; a value that changes moves the image box to
    // -(step x value) in that direction.
    void setHScrollValue(std::int32_t value);
    void setVScrollValue(std::int32_t value);

    // Dragging: the image box's left (top) for the mouse at x (y) in the
    // box's own coordinates, kept within the viewport's inner area. An image
    // no larger than the inner area in a direction stays at 0 in it.
    std::int32_t draggedLeft(float x) const;
    std::int32_t draggedTop(float y) const;

    // Mouse up: the box's offset as a percentage of how far it can move in
    // the viewport's inner area, the bars' own measure, so that a drag to
    // the far edge puts the bar at its end; nothing when the box is exactly
    // as large as the inner area.
    std::optional<std::int32_t> horizontalPercent() const;
    std::optional<std::int32_t> verticalPercent() const;

    // Puts a bar at percent of its maximum; a percentage below 0 or one
    // past the maximum leaves it unchanged.
    void SetHScrollbarByPercent(std::int32_t percent);
    void SetVScrollbarByPercent(std::int32_t percent);

private:
    ViewportMetrics m_metrics;
};

} // namespace preview
