// Opening 32,767 inventory items, 9 fields each, from the .xlsx and .ods
// files LibreOffice makes of them (skipped where LibreOffice is not
// installed). LibreOffice is given the items as CSV: of the formatted .xls
// sheet it would make an .ods of every formatted row and column.

#include "BenchSupport.h"

#include "support/RenderFixture.h"

#include "spreadsheet/objects/Objects.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

// With a path: opens that file ten times, for a profiler.
int main(int argc, char** argv)
{
    if (argc > 1) {
        for (int i = 0; i < 10; ++i)
            ss::objects::readWorkbookFile(QString::fromLocal8Bit(argv[1]));
        return 0;
    }
    constexpr int Items = 32767;
    QTemporaryDir dir;
    const QString csv = dir.filePath("inventory.csv");
    {
        QFile file(csv);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (const renderfixture::Item& item : renderfixture::manyItems(Items))
            file.write((QStringList(item.begin(), item.end()).join(u',') + u'\n').toUtf8());
    }
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) {
        std::printf("# LibreOffice is not installed: nothing measured\n");
        return 0;
    }
    for (const char* format : {"xlsx", "ods"}) {
        QProcess::execute(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless",
                                    "--convert-to", format, "--outdir", dir.path(), csv});
        const QString path = dir.filePath(QStringLiteral("inventory.") + format);
        std::size_t cells = 0;
        bench::measure((std::string(format) + " open 32767 items").c_str(), 7, [&] {
            const auto book = ss::objects::readWorkbookFile(path);
            cells = book->sheets.front()->storedCells();
        });
        if (cells < std::size_t(Items) * 9) {
            std::fprintf(stderr, "the %s file opened with %zu cells\n", format, cells);
            return 1;
        }
        std::printf("# %s file of 32767 items: %lld KiB\n", format, QFileInfo(path).size() / 1024);
    }
    return 0;
}
