#include "workbook/Bitmap.h"

#include "core/Files.h"
#include "core/LittleEndian.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace {

// The file header and the BITMAPINFOHEADER after it.
constexpr qint64 FileHeaderSize = 14;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr qint64 HeadersSize = FileHeaderSize + InfoHeaderSize;
constexpr std::uint32_t Uncompressed = 0; // BI_RGB

// Where the file header keeps its fields.
namespace fileAt {
constexpr std::size_t FileSize = 2;
constexpr std::size_t Reserved = 6;
constexpr std::size_t PixelsOffset = 10;
} // namespace fileAt
// Where the BITMAPINFOHEADER keeps its fields, from its start.
namespace infoAt {
constexpr std::size_t Size = 0;
constexpr std::size_t Width = 4;
constexpr std::size_t Height = 8;
constexpr std::size_t Planes = 12;
constexpr std::size_t BitCount = 14;
constexpr std::size_t Compression = 16;
constexpr std::size_t ImageSize = 20;
constexpr std::size_t XPelsPerMeter = 24;
constexpr std::size_t YPelsPerMeter = 28;
constexpr std::size_t ColorsUsed = 32;
constexpr std::size_t ColorsImportant = 36;
} // namespace infoAt
// About as many bytes of lines as are read at once.
constexpr qint64 BlockBytes = 256 * 1024;

using quorvale::le::i32;
using quorvale::le::u16;
using quorvale::le::u32;

void put16(uchar* p, std::uint16_t value) { qToLittleEndian(value, p); }
void put32(uchar* p, std::uint32_t value) { qToLittleEndian(value, p); }

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
    const std::int32_t width = i32(info + infoAt::Width);
    const std::int32_t height = i32(info + infoAt::Height);
    const std::uint16_t bits = u16(info + infoAt::BitCount);
    if (u32(info + infoAt::Size) != InfoHeaderSize || u16(info + infoAt::Planes) != 1 || (bits != 24 && bits != 32)
        || u32(info + infoAt::Compression) != Uncompressed || u32(info + infoAt::ColorsUsed) != 0)
        return std::nullopt;
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    Plain plain;
    plain.width = width;
    plain.height = height < 0 ? -height : height;
    plain.topDown = height < 0;
    plain.bytesPerPixel = bits / 8;
    plain.stride = (qint64(width) * bits + 31) / 32 * 4;
    plain.pixels = u32(headers + fileAt::PixelsOffset);
    plain.dotsPerMeterX = i32(info + infoAt::XPelsPerMeter);
    plain.dotsPerMeterY = i32(info + infoAt::YPelsPerMeter);
    if (plain.pixels < HeadersSize || plain.pixels + plain.stride * plain.height > size
        || !withinReadLimit(plain.width, plain.height))
        return std::nullopt;
    return plain;
}

// Pixels read from a bitmap, whose fourth byte says nothing, as the opaque
// pixels of a picture of 32-bit pixels without alpha.
void makeOpaque(QRgb* pixels, qint64 count)
{
    for (qint64 i = 0; i < count; ++i)
        pixels[i] |= 0xff000000u;
}

// One line of the file into one line of the picture: blue, green and red
// bytes, and in 32 bits a fourth byte that a bitmap without compression
// leaves unused. Three words make four pixels of 24 bits.
void readLine(const uchar* in, QRgb* out, int width, int bytesPerPixel)
{
    int x = 0;
    if (bytesPerPixel == 4) {
        std::memcpy(out, in, std::size_t(width) * 4);
        makeOpaque(out, width);
        return;
    }
    for (; x + 4 <= width; x += 4, in += 12) {
        std::uint32_t words[3];
        std::memcpy(words, in, sizeof words);
        out[x] = 0xff000000u | (words[0] & 0xffffffu);
        out[x + 1] = 0xff000000u | words[0] >> 24 | (words[1] & 0xffffu) << 8;
        out[x + 2] = 0xff000000u | words[1] >> 16 | (words[2] & 0xffu) << 16;
        out[x + 3] = 0xff000000u | words[2] >> 8;
    }
    for (; x < width; ++x, in += 3)
        out[x] = 0xff000000u | QRgb(in[0]) | QRgb(in[1]) << 8 | QRgb(in[2]) << 16;
}

// A bitmap of 32 bits a pixel, the top line first, lies in its file as the
// lines of the picture lie in memory: it is read in place, a block at a
// time, and each block is made opaque while it is at hand.
bool readAsItLies(QFile& file, QImage& picture)
{
    uchar* const bits = picture.bits();
    const qint64 size = picture.sizeInBytes();
    for (qint64 done = 0; done < size;) {
        const qint64 bytes = std::min(BlockBytes, size - done);
        if (file.read(reinterpret_cast<char*>(bits + done), bytes) != bytes)
            return false;
        makeOpaque(reinterpret_cast<QRgb*>(bits + done), bytes / 4);
        done += bytes;
    }
    return true;
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
    if (plain.topDown && plain.bytesPerPixel == 4 && bytesPerLine == plain.stride)
        return readAsItLies(file, picture) ? picture : QImage();
    const int linesPerBlock = int(std::max<qint64>(1, BlockBytes / plain.stride));
    std::vector<uchar> block(std::size_t(plain.stride) * std::size_t(linesPerBlock));
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

// The headers of a bitmap of 32 bits a pixel of the picture's size and
// resolution, the top line first.
void writeHeaders(uchar* out, const QImage& picture)
{
    const auto imageBytes = std::uint32_t(picture.sizeInBytes());
    out[0] = 'B';
    out[1] = 'M';
    put32(out + fileAt::FileSize, std::uint32_t(HeadersSize) + imageBytes);
    put32(out + fileAt::Reserved, 0);
    put32(out + fileAt::PixelsOffset, std::uint32_t(HeadersSize));
    uchar* info = out + FileHeaderSize;
    put32(info + infoAt::Size, InfoHeaderSize);
    put32(info + infoAt::Width, std::uint32_t(picture.width()));
    put32(info + infoAt::Height, std::uint32_t(-picture.height()));
    put16(info + infoAt::Planes, 1);
    put16(info + infoAt::BitCount, 32);
    put32(info + infoAt::Compression, Uncompressed);
    put32(info + infoAt::ImageSize, imageBytes);
    put32(info + infoAt::XPelsPerMeter, std::uint32_t(picture.dotsPerMeterX()));
    put32(info + infoAt::YPelsPerMeter, std::uint32_t(picture.dotsPerMeterY()));
    put32(info + infoAt::ColorsUsed, 0);
    put32(info + infoAt::ColorsImportant, 0);
}

} // namespace

bool writeBitmap(const QImage& source, const WriteBytes& write)
{
    if (source.isNull())
        return false;
    const QImage picture =
        source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull() || picture.bytesPerLine() != qsizetype(picture.width()) * 4
        || HeadersSize + picture.sizeInBytes() > std::numeric_limits<std::int32_t>::max())
        return false;
    uchar headers[HeadersSize];
    writeHeaders(headers, picture);
    return write(reinterpret_cast<const char*>(headers), HeadersSize)
        && write(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes());
}

QImage readBitmap(const QString& path)
{
    QFile file;
    if (!file.open(quorvale::files::openOwnFile(path).release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        throw quorvale::files::FileError(path, file.errorString());
    uchar headers[HeadersSize];
    if (file.read(reinterpret_cast<char*>(headers), HeadersSize) == HeadersSize)
        if (const std::optional<Plain> plain = plainBitmap(headers, file.size()))
            if (QImage picture = readPlain(file, *plain); !picture.isNull())
                return picture;
    if (!file.seek(0))
        return {};
    return QImageReader(&file).read();
}
