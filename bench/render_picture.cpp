// The picture of the inventory sheet: the sample items, the largest picture
// the cap allows (the top of the longest list), Range.CopyPicture with the
// clipboard step, and the whole snapshot: CopyPicture, the fetch from the
// clipboard and the bitmap file; the PNG of the sample items at 300 %, and
// the PDF of the longest list printed as the layout sets its pages up. With
// "--save DIR" it writes the pictures of the sample items and of 30 items as
// PNG files instead.

#include "BenchSupport.h"

#include "support/RenderFixture.h"
#include "shell/Options.h"
#include "spreadsheet/render/Print.h"
#include "spreadsheet/render/Render.h"
#include "workbook/Bitmap.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void savePictures(const QString& folder)
{
    const auto save = [&](const std::vector<renderfixture::Item>& items, const char* name) {
        const ss::Workbook book = renderfixture::inventoryBook(items);
        const ss::Sheet& sheet = *book.sheets.front();
        ss::render::renderArea(book, sheet, *sheet.usedArea(), 96).save(QDir(folder).filePath(name));
    };
    save(renderfixture::sampleItems(), "render_sample.png");
    save(renderfixture::manyItems(30), "render_30_items.png");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--save") {
        savePictures(QString::fromLocal8Bit(argv[2]));
        return 0;
    }

    const ss::Workbook sample = renderfixture::inventoryBook(renderfixture::sampleItems());
    const ss::Workbook thousand = renderfixture::inventoryBook(renderfixture::manyItems(1000));
    const ss::Workbook longest = renderfixture::inventoryBook(renderfixture::manyItems(32767));
    const ss::Sheet& sampleSheet = *sample.sheets.front();
    const ss::Sheet& longSheet = *longest.sheets.front();
    const ss::Area all = *longSheet.usedArea();

    QImage picture;
    bench::measure("render sample items", 20,
                   [&] { picture = ss::render::renderArea(sample, sampleSheet, *sampleSheet.usedArea(), 96); });
    const ss::Sheet& thousandSheet = *thousand.sheets.front();
    bench::measure("render 1000 items (capped)", 10,
                   [&] { picture = ss::render::renderArea(thousand, thousandSheet, *thousandSheet.usedArea(), 96); });
    bench::measure("render 32767 items (capped)", 10,
                   [&] { picture = ss::render::renderArea(longest, longSheet, all, 96); });
    std::printf("# capped picture: %d x %d pixels, %.1f MiB\n", picture.width(), picture.height(),
                double(picture.sizeInBytes()) / (1024 * 1024));
    picture = {};
    bench::measure("CopyPicture 32767 items (capped)", 10, [&] { ss::render::copyPicture(longest, longSheet, all); });
    QTemporaryDir folder;
    const QString bitmap = folder.filePath(QStringLiteral("temp.bmp"));
    bench::measure("snapshot 32767 items (CopyPicture, fetch, bitmap)", 10, [&] {
        ss::render::copyPicture(longest, longSheet, all);
        QFile file(bitmap);
        const bool written = file.open(QIODevice::WriteOnly)
            && writeBitmap(Options::FetchClipboardPicture(0),
                           [&](const char* bytes, qint64 size) { return file.write(bytes, size) == size; });
        if (!written)
            std::fprintf(stderr, "the bitmap was not written\n");
    });

    bench::measure("render sample items at zoom 3.0", 10,
                   [&] { picture = ss::render::renderArea(sample, sampleSheet, *sampleSheet.usedArea(), 96, 3.0); });
    const ss::Area band{all.bottom - 26, all.left, all.bottom, all.right};
    bench::measure("render a band of 27 rows at zoom 3.0", 10,
                   [&] { picture = ss::render::renderArea(longest, longSheet, band, 96, 3.0); });
    const ss::Area topBand{0, all.left, 26, all.right};
    bench::measure("render the top 27 rows at zoom 3.0", 10,
                   [&] { picture = ss::render::renderArea(longest, longSheet, topBand, 96, 3.0); });
    bench::measure("CopyPicture a band of 27 rows at zoom 3.0", 10,
                   [&] { ss::render::copyPicture(longest, longSheet, band, 3.0); });
    bench::measure("PNG of the sample items at zoom 3.0", 10, [&] {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ss::render::renderArea(sample, sampleSheet, *sampleSheet.usedArea(), 96, 3.0).save(&buffer, "PNG");
    });

    // The page set-up the layout gives the sheet.
    ss::Workbook printed = renderfixture::inventoryBook(renderfixture::manyItems(32767));
    ss::PageSetup& setup = printed.sheets.front()->pageSetup;
    setup.printArea = QStringLiteral("A1:I32769");
    setup.orientation = ss::Orientation::Landscape;
    setup.leftMargin = setup.rightMargin = 0.7 * 72;
    setup.topMargin = setup.bottomMargin = 0.5 * 72;
    setup.headerMargin = setup.footerMargin = 0;
    setup.zoom.reset();
    QByteArray pdf;
    bench::measure("PDF of 32767 items (A4 landscape, 10 %)", 3,
                   [&] { pdf = ss::render::pdfOf(printed, *printed.sheets.front()); });
    std::printf("SIZE\tPDF of 32767 items\t%lld\n", static_cast<long long>(pdf.size()));
    return 0;
}
