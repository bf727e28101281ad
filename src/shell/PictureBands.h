#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace shell {

// The picture of a sheet band by band. The snapshot of a generation run
// shows the first part of the sheet only, at 100 %; the workbook floor gives
// the rest this way (SheetBands), and the whole sheet drawn anew at any other
// zoom, and the preview's image box draws each band, fetched when it comes
// into view. Neither knows the other: the top floor hands one to the other.
// Places are in pixels of the picture at zoom 1.0.
class PictureBands {
public:
    virtual ~PictureBands() = default;

    struct Layout {
        QSize whole;       // the picture of the whole used range
        int bandsFrom = 0; // the first pixel row past the snapshot at 100 %
    };
    // Where the bands lie beside a snapshot of that size; nothing when the
    // sheet cannot be reached, and the snapshot is all there is.
    virtual std::optional<Layout> layout(const QSize& snapshot) = 0;

    struct Band {
        int top = 0;    // its first pixel row in the whole picture at 100 %
        int height = 0; // its pixel rows at 100 %
        QImage picture; // drawn at the zoom asked for; null when it cannot be had, and failure says why
        QString failure;
        double zoom = 1.0;
    };
    // The band that holds pixel row y, drawn at zoom (0.25 to 3): the
    // sheet's own picture of those rows at that scale.
    virtual Band bandAt(int y, double zoom) = 0;

    // Lets go of what the bands are drawn from; no band is asked for after.
    virtual void release() = 0;
};

} // namespace shell
