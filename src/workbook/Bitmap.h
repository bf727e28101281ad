#pragma once

#include <QImage>
#include <QString>

#include <functional>

// The picture in a Windows bitmap file, as QImage reads it. An uncompressed
// bitmap of 24 or 32 bits a pixel is read straight from the file into the
// picture's lines, one of 32 bits the top line first (as the sheet snapshot
// is written) in place; any other file is left to QImage. The file is the
// run's own: one that is not (a link, a FIFO, another user's file) throws
// quorvale::files::FileError with what it is. A null picture when the file
// does not hold a bitmap.
QImage readBitmap(const QString& path);

// Takes the next bytes of a file being written; false when they could not
// be written.
using WriteBytes = std::function<bool(const char* bytes, qint64 size)>;

// Writes the picture as a Windows bitmap file of 32 bits a pixel without
// compression, the top line first: the lines of a picture of 32-bit pixels
// without alpha, as the sheet's pictures are, go to write as they lie in
// memory, after the headers; another picture is written as that picture
// would be. False when the picture is null or too large for a bitmap, or
// when write is.
bool writeBitmap(const QImage& picture, const WriteBytes& write);
