#include "workbook/SheetBands.h"

#include "automation/ExcelConstants.h"
#include "core/Error.h"
#include "shell/ClipboardKept.h"
#include "shell/Options.h"
#include "shell/Twips.h"
#include "workbook/AutomationValues.h"
#include "workbook/Excel1.h"

#include <algorithm>
#include <cmath>

namespace {

using automation::Object;
using automation::Variant;

// The picture of a range is cut at 2,048 pixels down, at 300 % at a third
// of that; a band with the rows beside it stays within that, or is split.
constexpr int LongestBand = 600;

// "A" for column 1, "IV" for column 256.
QString columnLetters(int column)
{
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(QLatin1Char(char('A' + (n - 1) % 26))));
    return letters;
}

// Rows top to top + height of picture, as a picture of their own that
// shares the pixels rather than copies them: a band at 300 % is tens of
// megabytes, and a copy of that much fresh memory costs more than drawing it.
QImage rowsOf(const QImage& picture, int top, int height)
{
    auto* kept = new QImage(picture);
    return QImage(kept->constBits() + qsizetype(top) * kept->bytesPerLine(), kept->width(), height,
                  kept->bytesPerLine(), kept->format(), [](void* image) { delete static_cast<QImage*>(image); }, kept);
}

} // namespace

SheetBands::SheetBands(QString workbookPath) : m_path(std::move(workbookPath)), m_dpi(twips::dpiY(nullptr)) {}

SheetBands::~SheetBands() { release(); }

void SheetBands::open()
{
    m_application = Excel1::OpenWorkbookInNewExcel(m_path);
    const Variant last = m_application.object("Workbooks").get("count");
    m_sheet = m_application.object("Workbooks", {last}).object("ActiveSheet");
    const Object used = m_sheet.object("UsedRange");
    m_used.first = used.get("Row").toInt32();
    m_used.last = m_used.first + used.object("Rows").get("count").toInt32() - 1;
    m_firstColumn = used.get("Column").toInt32();
    m_lastColumn = m_firstColumn + used.object("Columns").get("count").toInt32() - 1;
}

double SheetBands::pixelsOf(const Variant& points) const { return points.toDouble() * m_dpi / 72.0; }

Object SheetBands::rangeOf(Rows rows) const
{
    const QString address = QStringLiteral("%1%2:%3%4")
                                .arg(columnLetters(m_firstColumn))
                                .arg(rows.first)
                                .arg(columnLetters(m_lastColumn))
                                .arg(rows.last);
    return m_sheet.object("Range", {Variant(address)});
}

int SheetBands::heightOf(Rows rows) const { return int(std::lround(pixelsOf(rangeOf(rows).get("Height")))); }

std::optional<SheetBands::Layout> SheetBands::layout(const QSize& snapshot)
{
    Layout laid;
    try {
        open();
        const Object used = m_sheet.object("UsedRange");
        laid.whole = QSize(int(std::lround(pixelsOf(used.get("Width")))), int(std::lround(pixelsOf(used.get("Height")))));
        layOutBands(laid.whole.height());
    } catch (const quorvale::Error&) {
        release();
        return std::nullopt;
    }
    // The snapshot shows every band that ends above its last row; the band
    // that holds that row is drawn again, whole, with the rows around it.
    // A snapshot of the whole range needs no band at 100 %.
    laid.bandsFrom = 0;
    if (snapshot.width() >= laid.whole.width() && snapshot.height() >= laid.whole.height())
        laid.bandsFrom = laid.whole.height();
    else if (snapshot.width() >= laid.whole.width())
        for (std::size_t b = 0; b + 1 < m_tops.size() && m_tops[b + 1] < snapshot.height(); ++b)
            laid.bandsFrom = m_tops[b + 1];
    return laid;
}

// Bands of BandRows rows from the first used row; a band taller than a
// picture can be is split until it fits or is one row.
void SheetBands::layOutBands(int wholeHeight)
{
    m_bands.clear();
    m_tops.clear();
    int top = 0;
    for (int first = m_used.first; first <= m_used.last;) {
        Rows band{first, std::min(m_used.last, first + BandRows - 1)};
        int height = heightOf(band);
        while (height > LongestBand && band.last > band.first) {
            band.last = band.first + (band.last - band.first) / 2;
            height = heightOf(band);
        }
        m_bands.push_back(band);
        m_tops.push_back(top);
        top += height;
        first = band.last + 1;
    }
    m_tops.push_back(std::max(top, wholeHeight));
}

// The picture goes through the clipboard, which holds what it held before
// once the picture is taken.
QImage SheetBands::pictureOf(Rows rows, double zoom)
{
    const int percent = int(std::lround(zoom * 100));
    if (percent != m_zoomPercent) {
        m_application.object("ActiveWindow").put("Zoom", workbook::Long(percent));
        m_zoomPercent = percent;
    }
    const shell::ClipboardKept kept;
    rangeOf(rows).call("CopyPicture");
    return Options::FetchClipboardPicture(0);
}

SheetBands::Band SheetBands::bandAt(int y, double zoom)
{
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end() - 1, y);
    const std::size_t b = std::size_t(std::max<std::ptrdiff_t>(0, after - m_tops.begin() - 1));
    Band band;
    band.zoom = zoom;
    if (b >= m_bands.size())
        return band;
    band.top = m_tops[b];
    band.height = m_tops[b + 1] - m_tops[b];
    try {
        if (m_sheet.isNothing())
            throw quorvale::Error(QStringLiteral("the workbook is no longer open"));
        const Rows rows = m_bands[b];
        const Rows taken{std::max(m_used.first, rows.first - 1), std::min(m_used.last, rows.last + 1)};
        const int above = taken.first < rows.first ? heightOf({taken.first, taken.first}) : 0;
        const QImage picture = pictureOf(taken, zoom);
        // Drawn zoom times as large: the band's rows lie zoom times as far down.
        const int top = int(std::lround(above * zoom));
        const int height = int(std::lround((above + band.height) * zoom)) - top;
        if (picture.height() < top + height)
            throw quorvale::Error(QStringLiteral("no picture of rows %1 to %2 could be taken")
                                      .arg(rows.first)
                                      .arg(rows.last));
        band.picture = rowsOf(picture, top, height);
    } catch (const quorvale::Error& e) {
        band.failure = e.description();
    }
    return band;
}

void SheetBands::printWithPreview()
{
    if (m_sheet.isNothing())
        throw quorvale::Error(QStringLiteral("the workbook is no longer open"));
    m_sheet.call("PrintOut", {automation::Arg::named("Preview", automation::True)});
}

void SheetBands::savePdf(const QString& path)
{
    if (m_sheet.isNothing())
        throw quorvale::Error(QStringLiteral("the workbook is no longer open"));
    m_sheet.call("ExportAsFixedFormat", {workbook::Long(excel::xlTypePDF), Variant(path)});
}

void SheetBands::release()
{
    m_sheet.release();
    if (m_application.isNothing())
        return;
    try {
        m_application.put("DisplayAlerts", automation::False);
        m_application.call("Quit");
    } catch (...) {
        // It goes either way: nothing more is asked of it.
    }
    m_application.release();
}
