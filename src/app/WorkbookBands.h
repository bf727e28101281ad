#pragma once

#include "preview/PictureBands.h"
#include "workbook/SheetBands.h"

// The preview's bands drawn from the temporary workbook of a run.
class WorkbookBands final : public preview::PictureBands {
public:
    explicit WorkbookBands(const QString& workbookPath) : m_bands(workbookPath) {}

    std::optional<Layout> layout(const QSize& snapshot) override
    {
        const std::optional<SheetBands::Layout> laid = m_bands.layout(snapshot);
        if (!laid)
            return std::nullopt;
        return Layout{laid->whole, laid->bandsFrom};
    }

    Band bandAt(int y) override
    {
        SheetBands::Band band = m_bands.bandAt(y);
        return Band{band.top, band.height, std::move(band.picture), std::move(band.failure)};
    }

    void release() override { m_bands.release(); }

private:
    SheetBands m_bands;
};
