#include "workbook/BitmapReader.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

// The file header and the BITMAPINFOHEADER after it.
constexpr qint64 FileHeaderSize = 14;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr qint64 HeadersSize = FileHeaderSize + InfoHeaderSize;
constexpr std::uint32_t Uncompressed = 0; // BI_RGB
// About as many bytes of lines as are read at once.
constexpr qint64 BlockBytes = 256 * 1024;

std::uint16_t u16(const uchar* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t u32(const uchar* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::int32_t i32(const uchar* p) { return std::int32_t(u32(p)); }

// Where the pixels of a plain bitmap lie in its file.
struct Plain {
    int width = 0;
    int height = 0;
    bool topDown = false; // the file holds the top line first
    int bytesPerPixel = 0;
    qint64 stride = 0; // bytes a line, padded to four
    qint64 pixels = 0; // where the first line starts
    std::int32_t dotsPerMeterX = 0;
    std::int32_t dotsPerMeterY = 0;
};

// Whether a picture of the size is within what QImage reads; beyond it,
// QImage's own answer is the one to give.
bool withinReadLimit(int width, int height)
{
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limit == 0 || qint64(width) * height * 4 <= limit;
}

// The layout of a bitmap of 24 or 32 bits a pixel without compression or
// colour table, from the headers at the start of a file of size bytes whose
// lines all lie within it; nothing for any other file.
std::optional<Plain> plainBitmap(const uchar* headers, qint64 size)
{
    if (headers[0] != 'B' || headers[1] != 'M')
        return std::nullopt;
    const uchar* info = headers + FileHeaderSize;
    const std::int32_t width = i32(info + 4);
    const std::int32_t height = i32(info + 8);
    const std::uint16_t bits = u16(info + 14);
    if (u32(info) != InfoHeaderSize || u16(info + 12) != 1 || (bits != 24 && bits != 32)
        || u32(info + 16) != Uncompressed || u32(info + 32) != 0)
        return std::nullopt;
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    Plain plain;
    plain.width = width;
    plain.height = height < 0 ? -height : height;
    plain.topDown = height < 0;
    plain.bytesPerPixel = bits / 8;
    plain.stride = (qint64(width) * bits + 31) / 32 * 4;
    plain.pixels = u32(headers + 10);
    plain.dotsPerMeterX = i32(info + 24);
    plain.dotsPerMeterY = i32(info + 28);
    if (plain.pixels < HeadersSize || plain.pixels + plain.stride * plain.height > size
        || !withinReadLimit(plain.width, plain.height))
        return std::nullopt;
    return plain;
}

// One line of the file into one line of the picture: blue, green and red
// bytes, and in 32 bits a fourth byte that a bitmap without compression
// leaves unused. Each pixel is read as four bytes, the byte after it with
// them, which keeps the loop short; the block of lines has a byte to spare
// after its last line for it.
void readLine(const uchar* in, QRgb* out, int width, int bytesPerPixel)
{
    for (int x = 0; x < width; ++x, in += bytesPerPixel)
        out[x] = 0xff000000u | (qFromLittleEndian<quint32>(in) & 0x00ffffffu);
}

// The lines are read a block at a time, so that no more of the file is in
// memory at once than a block.
QImage readPlain(QFile& file, const Plain& plain)
{
    QImage picture(plain.width, plain.height, QImage::Format_RGB32);
    if (picture.isNull() || !file.seek(plain.pixels))
        return {};
    picture.setDotsPerMeterX(plain.dotsPerMeterX);
    picture.setDotsPerMeterY(plain.dotsPerMeterY);
    uchar* lines = picture.bits();
    const qsizetype bytesPerLine = picture.bytesPerLine();
    const int linesPerBlock = int(std::max<qint64>(1, BlockBytes / plain.stride));
    std::vector<uchar> block(std::size_t(plain.stride) * std::size_t(linesPerBlock) + 1);
    for (int first = 0; first < plain.height; first += linesPerBlock) {
        const int count = std::min(linesPerBlock, plain.height - first);
        const qint64 bytes = plain.stride * count;
        if (file.read(reinterpret_cast<char*>(block.data()), bytes) != bytes)
            return {};
        for (int i = 0; i < count; ++i) {
            const int line = first + i;
            const int shown = plain.topDown ? line : plain.height - 1 - line;
            readLine(block.data() + plain.stride * i, reinterpret_cast<QRgb*>(lines + bytesPerLine * shown),
                     plain.width, plain.bytesPerPixel);
        }
    }
    return picture;
}

} // namespace

QImage readBitmap(const QString& path)
{
    QFile file(path);
    uchar headers[HeadersSize];
    if (file.open(QIODevice::ReadOnly) && file.read(reinterpret_cast<char*>(headers), HeadersSize) == HeadersSize)
        if (const std::optional<Plain> plain = plainBitmap(headers, file.size()))
            if (QImage picture = readPlain(file, *plain); !picture.isNull())
                return picture;
    return QImage(path);
}
