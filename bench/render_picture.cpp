// The picture of the inventory sheet: the sample items, the largest picture
// the cap allows (the top of the longest list), Range.CopyPicture with the
// clipboard step, and the whole snapshot: CopyPicture, the fetch from the
// clipboard and the bitmap file. With "--save DIR" it writes the pictures
// of the sample items and of 30 items as PNG files instead.

#include "BenchSupport.h"

#include "support/RenderFixture.h"
#include "shell/Options.h"
#include "spreadsheet/render/Render.h"
#include "workbook/Bitmap.h"

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
    return 0;
}
