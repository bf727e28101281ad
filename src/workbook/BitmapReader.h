#pragma once

#include <QImage>
#include <QString>

// The picture in a Windows bitmap file, as QImage reads it. An uncompressed
// bitmap of 24 or 32 bits a pixel, as the sheet snapshot is written, is read
// straight from the file into the picture's lines; any other file is left to
// QImage. A null picture when the file cannot be read.
QImage readBitmap(const QString& path);
