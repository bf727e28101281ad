#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace shell {

// The picture of a sheet past its snapshot, band by band. The snapshot of a
// generation run shows the first part of the sheet only; the workbook floor
// gives the rest this way (SheetBands), and the preview's image box draws
// each band, fetched when it comes into view. Neither knows the other: the
// top floor hands one to the other. All in pixels of the picture at zoom
// 1.0.
class PictureBands {
public:
    virtual ~PictureBands() = default;

    struct Layout {
        QSize whole;       // the picture of the whole used range
        int bandsFrom = 0; // the first pixel row that the bands draw
    };
    // Where the bands lie beside a snapshot of that size; nothing when the
    // sheet cannot be reached, and the snapshot is all there is.
    virtual std::optional<Layout> layout(const QSize& snapshot) = 0;

    struct Band {
        int top = 0;    // its first pixel row in the whole picture
        int height = 0; // its pixel rows
        QImage picture; // null when it cannot be had, and failure says why
        QString failure;
    };
    // The band that holds pixel row y (at or past bandsFrom).
    virtual Band bandAt(int y) = 0;

    // Lets go of what the bands are drawn from; no band is asked for after.
    virtual void release() = 0;
};

} // namespace shell
