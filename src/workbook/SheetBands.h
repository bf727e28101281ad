#pragma once

#include "automation/Object.h"
#include "shell/PictureBands.h"
#include "shell/SheetPrinting.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

// The picture of a saved workbook's active sheet past its snapshot, band by
// band: an instance of the spreadsheet application opens the workbook when
// the layout is first asked for, and gives the picture of each band of rows
// with Range.CopyPicture. Each band is taken with the rows on either side
// of it and cut to its own rows, so that its edges look as in a picture of
// the whole range. All sizes are in pixels at the screen's logical DPI. The
// same instance prints the sheet.
class SheetBands final : public shell::PictureBands, public shell::SheetPrinting {
public:
    explicit SheetBands(QString workbookPath);
    ~SheetBands() override;
    SheetBands(const SheetBands&) = delete;
    SheetBands& operator=(const SheetBands&) = delete;

    // Opens the workbook and lays the bands out beside a snapshot of that
    // size. Nothing when the workbook cannot be opened or read.
    std::optional<Layout> layout(const QSize& snapshot) override;
    // The band that holds pixel row y, at zoom.
    Band bandAt(int y, double zoom) override;
    // Quits the instance. Never fails.
    void release() override;

    // The sheet's PrintOut with its preview, and its ExportAsFixedFormat.
    void printWithPreview() override;
    void savePdf(const QString& path) override;

    // The rows of one band.
    static constexpr int BandRows = 25;

private:
    struct Rows {
        int first = 0;
        int last = 0;
    };
    void open();
    double pixelsOf(const automation::Variant& points) const;
    int heightOf(Rows rows) const;
    automation::Object rangeOf(Rows rows) const;
    void layOutBands(int wholeHeight);
    QImage pictureOf(Rows rows, double zoom);

    QString m_path;
    double m_dpi;
    automation::Object m_application;
    automation::Object m_sheet;
    Rows m_used;
    int m_firstColumn = 0;
    int m_lastColumn = 0;
    std::vector<Rows> m_bands;
    std::vector<int> m_tops; // of each band, and the whole height last
    int m_zoomPercent = 100;  // the instance's window zoom
};
