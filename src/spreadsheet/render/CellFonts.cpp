#include "spreadsheet/render/CellFonts.h"

#include "spreadsheet/model/Limits.h"

#include <QFontDatabase>
#include <QHash>

#include <algorithm>
#include <array>

namespace ss::render {

namespace {

struct Substitute {
    const char* name;
    std::array<const char*, 2> families; // the closest first
};

// Fonts of spreadsheets made elsewhere and the free families that take
// their place: the Liberation and Croscore families share the metrics of the
// fonts they replace; Tahoma and Verdana have no such twin, and DejaVu Sans
// (Condensed for the narrower Tahoma) comes closest in shape and width.
constexpr std::array<Substitute, 9> Substitutes{{
    {"Arial", {"Liberation Sans", "Arimo"}},
    {"Helvetica", {"Liberation Sans", "Arimo"}},
    {"Arial Narrow", {"Liberation Sans Narrow", "Liberation Sans"}},
    {"Times New Roman", {"Liberation Serif", "Tinos"}},
    {"Courier New", {"Liberation Mono", "Cousine"}},
    {"Calibri", {"Carlito", "Liberation Sans"}},
    {"Cambria", {"Caladea", "Liberation Serif"}},
    {"Tahoma", {"DejaVu Sans Condensed", "DejaVu Sans"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
}};

} // namespace

namespace {

QString familyFor(const QString& name)
{
    if (QFontDatabase::hasFamily(name))
        return name;
    const auto known = std::find_if(Substitutes.begin(), Substitutes.end(), [&](const Substitute& s) {
        return name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0;
    });
    if (known != Substitutes.end())
        for (const char* family : known->families)
            if (QFontDatabase::hasFamily(QLatin1String(family)))
                return QLatin1String(family);
    return name;
}

} // namespace

// Asking the font system costs more than drawing a cell, and every picture
// asks for the same few names: each is asked once in the program's life.
QString installedFamily(const QString& name)
{
    static QHash<QString, QString> families;
    auto found = families.constFind(name);
    if (found == families.constEnd())
        found = families.insert(name, familyFor(name));
    return *found;
}

QFont screenFont(const Font& font)
{
    QFont result(installedFamily(font.name));
    result.setStyleHint(QFont::SansSerif);
    result.setPointSizeF(font.size >= MinFontSize ? std::min(font.size, MaxFontSize) : MinFontSize);
    result.setBold(font.bold);
    result.setItalic(font.italic);
    return result;
}

QColor paletteColor(const Workbook& book, int index, const QColor& fallback)
{
    if (index < 1 || index > int(book.colors.size()))
        return fallback;
    const std::int32_t word = book.colors[std::size_t(index - 1)];
    return QColor(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF);
}

} // namespace ss::render
