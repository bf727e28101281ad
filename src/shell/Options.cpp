#include "shell/Options.h"

#include "shell/Services.h"

#include <QLocale>

namespace Options {

Palette WorkbookPalette{};

namespace {
constexpr std::int32_t rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

const Palette kPalette = {
    0,
    rgb(0, 0, 0),       rgb(255, 255, 255), rgb(255, 0, 0),     rgb(0, 255, 0),     rgb(104, 150, 206),
    rgb(255, 255, 0),   rgb(255, 0, 255),   rgb(0, 255, 255),   rgb(128, 0, 0),     rgb(84, 125, 146),
    rgb(180, 195, 175), rgb(120, 145, 110), rgb(240, 235, 220), rgb(175, 180, 135), rgb(224, 224, 224),
    rgb(128, 128, 128), rgb(153, 153, 255), rgb(8, 132, 131),   rgb(249, 247, 105), rgb(204, 255, 255),
    rgb(102, 0, 102),   rgb(255, 128, 128), rgb(0, 102, 204),   rgb(204, 204, 255), rgb(0, 0, 128),
    rgb(255, 0, 255),   rgb(255, 255, 0),   rgb(0, 255, 255),   rgb(128, 0, 128),   rgb(128, 0, 0),
    rgb(0, 128, 128),   rgb(0, 0, 255),     rgb(0, 204, 255),   rgb(254, 252, 242), rgb(234, 236, 254),
    rgb(255, 231, 189), rgb(252, 250, 242), rgb(255, 153, 204), rgb(224, 255, 215), rgb(253, 247, 223),
    rgb(51, 102, 255),  rgb(51, 204, 204),  rgb(177, 255, 209), rgb(255, 204, 0),   rgb(255, 153, 0),
    rgb(255, 102, 0),   rgb(251, 248, 239), rgb(207, 207, 207), rgb(190, 190, 190), rgb(51, 153, 102),
    rgb(115, 158, 211), rgb(236, 245, 215), rgb(153, 51, 0),    rgb(153, 51, 102),  rgb(204, 255, 204),
    rgb(51, 51, 51),
};
} // namespace

QImage FetchClipboardPicture(std::int32_t format)
{
    Q_UNUSED(format); // 0: whichever picture the clipboard holds
    for (int attempt = 0; attempt < 1000; ++attempt) {
        QImage picture = shell::Services::current().clipboardImage();
        if (!picture.isNull())
            return picture;
    }
    return {};
}

QString LocaleDecimalSeparator()
{
    const QString half = QLocale().toString(0.5).trimmed();
    return half.size() >= 2 ? half.mid(1, 1) : QStringLiteral(".");
}

QString ToLocaleDecimalText(const QString& text)
{
    const QString separator = LocaleDecimalSeparator();
    QString result = text;
    result.replace(QLatin1Char('.'), separator);
    result.replace(QLatin1Char(','), separator);
    return result;
}

void FillWorkbookPalette() { WorkbookPalette = kPalette; }

const Palette& defaultWorkbookPalette() { return kPalette; }

} // namespace Options
