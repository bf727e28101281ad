#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace preview {

// The picture of a sheet past its snapshot, band by band. The snapshot of a
// generation run shows the first part of the sheet only; whoever gives the
// preview its picture may give the rest this way, and the image box draws a
// band when it first shows. All in pixels of the picture at zoom 1.0.
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

} // namespace preview
