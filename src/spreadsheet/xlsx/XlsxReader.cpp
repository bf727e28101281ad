#include "spreadsheet/xlsx/XlsxReader.h"

#include "spreadsheet/model/Limits.h"
#include "spreadsheet/zip/OpenedCells.h"
#include "spreadsheet/zip/ZipReader.h"

#include "automation/Error.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace ss::xlsx {

namespace {

using zip::XmlReader;
using zip::qText;

const QString WorkbookPart = QStringLiteral("xl/workbook.xml");
const QString WorkbookRelationships = QStringLiteral("xl/_rels/workbook.xml.rels");

// The part a relationship of a part in folder points to: "worksheets/sheet1.xml"
// from "xl/" is "xl/worksheets/sheet1.xml"; "/xl/styles.xml" is from the root.
QString resolve(const QString& folder, const QString& target)
{
    QStringList parts = target.startsWith(u'/') ? QStringList() : folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : target.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != u".") {
            parts << part;
        }
    }
    return parts.join(u'/');
}

struct Relationship {
    QString type; // the last word of its type: "worksheet", "sharedStrings", "styles"
    QString part;
};

QHash<QString, Relationship> readRelationships(const zip::ZipReader& archive)
{
    QHash<QString, Relationship> relationships;
    if (!archive.has(WorkbookRelationships))
        return relationships;
    XmlReader x(archive, WorkbookRelationships);
    x.next();
    while (x.nextChild()) {
        if (x.is("Relationship") && x.attribute("TargetMode") != std::string_view("External")) {
            const QString type = qText(x.attribute("Type").value_or(""));
            relationships.insert(qText(x.attribute("Id").value_or("")),
                                 {type.mid(type.lastIndexOf(u'/') + 1),
                                  resolve(QStringLiteral("xl"), qText(x.attribute("Target").value_or("")))});
        }
        x.skipElement();
    }
    x.finish();
    return relationships;
}

// Characters XML cannot hold are written "_x000D_" in a text.
QString unescaped(QString text)
{
    for (qsizetype at = text.indexOf(u"_x"); at >= 0 && at + 7 <= text.size(); at = text.indexOf(u"_x", at + 1)) {
        bool hex = false;
        const uint code = QStringView(text).sliced(at + 2, 4).toUInt(&hex, 16);
        if (hex && text[at + 6] == u'_')
            text.replace(at, 7, QChar(char16_t(code)));
    }
    return text;
}

// The text of a shared or inline string: its plain text, or the runs of a
// rich text joined; the phonetic guide of East Asian text is left out.
QString readRichText(XmlReader& x, std::string& text)
{
    text.clear();
    while (x.nextChild()) {
        if (x.is("t")) {
            text += x.elementText();
        } else if (x.is("r")) {
            while (x.nextChild()) {
                if (x.is("t"))
                    text += x.elementText();
                else
                    x.skipElement();
            }
        } else {
            x.skipElement();
        }
    }
    return text.find("_x") == std::string::npos ? qText(text) : unescaped(qText(text));
}

std::vector<QString> readSharedStrings(const zip::ZipReader& archive, const QString& part)
{
    std::vector<QString> strings;
    XmlReader x(archive, part);
    x.next();
    if (!x.is("sst"))
        x.damaged(QStringLiteral("it is not a table of shared strings"));
    std::string text;
    while (x.nextChild()) {
        if (x.is("si"))
            strings.push_back(readRichText(x, text));
        else
            x.skipElement();
    }
    x.finish();
    return strings;
}

// The cell formats of styles.xml, by their index in cellXfs: number format,
// font and alignment.
struct Styles {
    std::vector<CellFormat> formats;
};

Font readFont(XmlReader& x)
{
    Font font;
    while (x.nextChild()) {
        const std::string_view value = x.attribute("val").value_or("");
        if (x.is("b") || x.is("i")) {
            (x.is("b") ? font.bold : font.italic) = value.empty() || zip::xmlTrue(value);
        } else if (x.is("sz")) {
            if (const auto size = zip::xmlNumber(value); size && *size >= MinFontSize && *size <= MaxFontSize)
                font.size = *size;
        } else if (x.is("name") && !value.empty()) {
            const QString name = qText(value);
            if (name.size() <= MaxStoredFontName)
                font.name = name;
        }
        x.skipElement();
    }
    return font;
}

void readAlignment(XmlReader& x, CellFormat& format)
{
    const std::string_view horizontal = x.attribute("horizontal").value_or("");
    format.horizontal = horizontal == "left"     ? HAlign::Left
                        : horizontal == "right"  ? HAlign::Right
                        : horizontal == "center" || horizontal == "centerContinuous" ? HAlign::Center
                                                                                     : HAlign::General;
    const std::string_view vertical = x.attribute("vertical").value_or("bottom");
    format.vertical = vertical == "top" ? VAlign::Top : vertical == "center" ? VAlign::Center : VAlign::Bottom;
    format.wrap = zip::xmlTrue(x.attribute("wrapText").value_or(""));
}

CellFormat readXf(XmlReader& x, const std::vector<Font>& fonts, const QHash<int, QString>& numberFormats)
{
    CellFormat format;
    const int numFmtId = int(zip::xmlCount(x.attribute("numFmtId").value_or("0"), 0xFFFF).value_or(0));
    format.numberFormat = numberFormats.value(numFmtId, builtInNumberFormat(numFmtId));
    // LibreOffice gives General a number of its own.
    if (format.numberFormat.compare(u"General", Qt::CaseInsensitive) == 0)
        format.numberFormat.clear();
    if (const auto font = zip::xmlCount(x.attribute("fontId").value_or("0"), 0xFFFF); font && *font < qint64(fonts.size()))
        format.font = fonts[std::size_t(*font)];
    while (x.nextChild()) {
        if (x.is("alignment"))
            readAlignment(x, format);
        x.skipElement();
    }
    return format;
}

Styles readStyles(const zip::ZipReader& archive, const QString& part)
{
    Styles styles;
    std::vector<Font> fonts;
    QHash<int, QString> numberFormats;
    XmlReader x(archive, part);
    x.next();
    while (x.nextChild()) {
        if (x.is("numFmts")) {
            while (x.nextChild()) {
                if (x.is("numFmt"))
                    if (const auto id = zip::xmlCount(x.attribute("numFmtId").value_or(""), 0xFFFF))
                        numberFormats.insert(int(*id), qText(x.attribute("formatCode").value_or("")));
                x.skipElement();
            }
        } else if (x.is("fonts")) {
            while (x.nextChild())
                if (x.is("font"))
                    fonts.push_back(readFont(x));
                else
                    x.skipElement();
        } else if (x.is("cellXfs")) {
            while (x.nextChild())
                if (x.is("xf"))
                    styles.formats.push_back(readXf(x, fonts, numberFormats));
                else
                    x.skipElement();
        } else {
            x.skipElement();
        }
    }
    x.finish();
    return styles;
}

// A column width of the file, in characters with the cell's padding, as
// the user sees it: without the padding, for the standard font's 7-pixel
// digits.
double shownWidth(double stored)
{
    constexpr double DigitPixels = 7;
    constexpr double PaddingPixels = 5;
    const double shown = std::trunc((stored * DigitPixels - PaddingPixels) / DigitPixels * 100 + 0.5) / 100;
    return std::clamp(shown, 0.0, MaxColumnWidth);
}

struct SheetEntry {
    QString name;
    SheetVisibility visibility = SheetVisibility::Visible;
    QString part;
};

class SheetReader {
public:
    SheetReader(const zip::ZipReader& archive, const SheetEntry& entry, Workbook& book,
                const std::vector<QString>& strings, const std::vector<FormatId>& formats, zip::OpenedCells& cells)
        : m_x(archive, entry.part), m_book(book), m_strings(strings), m_formats(formats), m_cells(cells)
    {
        m_sheet = &book.addSheet(entry.name);
        m_sheet->visibility = entry.visibility;
        if (!formats.empty())
            m_sheet->defaultFormat = formats.front();
    }

    void read()
    {
        m_x.next();
        if (!m_x.is("worksheet"))
            m_x.damaged(QStringLiteral("it is not a worksheet"));
        while (m_x.nextChild()) {
            if (m_x.is("sheetData"))
                readRows();
            else if (m_x.is("sheetFormatPr"))
                readSheetFormat();
            else if (m_x.is("cols"))
                readColumns();
            else if (m_x.is("mergeCells"))
                readMerges();
            else
                m_x.skipElement();
        }
        m_x.finish();
    }

private:
    void readSheetFormat()
    {
        if (const auto height = zip::xmlNumber(m_x.attribute("defaultRowHeight").value_or("")))
            m_sheet->defaultRowHeight = std::clamp(*height, 0.0, MaxStoredRowHeight);
        if (const auto width = zip::xmlNumber(m_x.attribute("defaultColWidth").value_or("")))
            m_sheet->standardWidth = shownWidth(*width);
        m_x.skipElement();
    }

    void readColumns()
    {
        while (m_x.nextChild()) {
            const auto first = zip::xmlCount(m_x.attribute("min").value_or(""), 1 << 20);
            const auto last = zip::xmlCount(m_x.attribute("max").value_or(""), 1 << 20);
            const auto width = zip::xmlNumber(m_x.attribute("width").value_or(""));
            if (m_x.is("col") && first && last && width && *first >= 1 && zip::xmlTrue(m_x.attribute("customWidth").value_or("")))
                for (qint64 c = *first - 1; c < std::min<qint64>(*last, MaxColumns); ++c)
                    m_sheet->columns[std::size_t(c)].width = shownWidth(*width);
            m_x.skipElement();
        }
    }

    void readMerges()
    {
        while (m_x.nextChild()) {
            const std::string_view ref = m_x.attribute("ref").value_or("");
            const std::size_t colon = ref.find(':');
            Area area;
            if (m_x.is("mergeCell") && colon != std::string_view::npos
                && zip::parseCellReference(ref.substr(0, colon), area.top, area.left)
                && zip::parseCellReference(ref.substr(colon + 1), area.bottom, area.right)) {
                area.bottom = std::min(area.bottom, MaxRows - 1);
                area.right = std::min(area.right, MaxColumns - 1);
                if (area.top <= area.bottom && area.left <= area.right && !area.isSingleCell())
                    m_sheet->merges.push_back(area);
            }
            m_x.skipElement();
        }
    }

    void readRows()
    {
        int row = -1;
        while (m_x.nextChild()) {
            if (!m_x.is("row")) {
                m_x.skipElement();
                continue;
            }
            if (const std::optional<std::string_view> r = m_x.attribute("r")) {
                const auto number = zip::xmlCount(*r, 1 << 24);
                if (!number || *number < 1)
                    m_x.damaged(QStringLiteral("a row has the number \"%1\"").arg(qText(*r)));
                row = int(*number - 1);
            } else {
                ++row;
            }
            const auto height = zip::xmlNumber(m_x.attribute("ht").value_or(""));
            if (height && row < MaxRows && zip::xmlTrue(m_x.attribute("customHeight").value_or("")))
                m_sheet->rowAt(row).height = std::clamp(*height, 0.0, MaxStoredRowHeight);
            readCells(row);
        }
    }

    void readCells(int row)
    {
        int col = -1;
        while (m_x.nextChild()) {
            if (!m_x.is("c")) {
                m_x.skipElement();
                continue;
            }
            int cellRow = row;
            bool addressed = false;
            std::size_t style = 0;
            char type = 'n';
            for (const zip::XmlAttribute& a : m_x.attributes()) {
                if (a.local == "r") {
                    addressed = true;
                    if (!zip::parseCellReference(a.value, cellRow, col))
                        m_x.damaged(QStringLiteral("a cell has the address \"%1\"").arg(qText(a.value)));
                } else if (a.local == "s") {
                    style = std::size_t(zip::xmlCount(a.value, 1 << 24).value_or(0));
                } else if (a.local == "t") {
                    type = a.value == "inlineStr" ? 'i' : a.value == "str" ? 'f' : a.value.empty() ? 'n' : a.value[0];
                }
            }
            if (!addressed)
                ++col;
            readCell(cellRow, col, type, style);
        }
    }

    void readCell(int row, int col, char type, std::size_t style)
    {
        bool formula = false;
        CellValue value;
        while (m_x.nextChild()) {
            if (m_x.is("v")) {
                value = valueOf(m_x.elementText(), type, row, col);
            } else if (m_x.is("is")) {
                value = readRichText(m_x, m_text);
            } else {
                formula |= m_x.is("f");
                m_x.skipElement();
            }
        }
        if (formula && value.index() == 0)
            value = CellError::NotCalculated;
        FormatId format = style > 0 && style < m_formats.size() ? m_formats[style] : NoFormat;
        if (type == 'd' && value.index() == 1)
            format = dateFormat(format, m_isoHasTime);
        if (value.index() == 0 && format == NoFormat)
            return;
        if (value.index() == 0 && (row >= MaxRows || col >= MaxColumns))
            return; // a format past the sheet's end shows nothing
        Cell& cell = m_cells.at(*m_sheet, row, col);
        cell.value = std::move(value);
        cell.format = format;
    }

    CellValue valueOf(std::string_view v, char type, int row, int col)
    {
        switch (type) {
        case 's': {
            const auto index = zip::xmlCount(v, qint64(m_strings.size()) - 1);
            if (!index)
                m_x.damaged(QStringLiteral("the cell %1 refers to the shared string \"%2\", which there is not")
                                .arg(zip::cellName(row, col), qText(v)));
            return m_strings[std::size_t(*index)];
        }
        case 'f': return unescaped(qText(v));
        case 'b': return zip::xmlTrue(v);
        case 'e': return errorOfText(qText(v)).value_or(CellError::Value);
        case 'd': {
            const auto date = zip::isoDateSerial(v, m_book.dates1904);
            if (!date)
                m_x.damaged(QStringLiteral("the cell %1 holds \"%2\", which is not a date").arg(zip::cellName(row, col), qText(v)));
            m_isoHasTime = date->hasTime;
            return date->serial;
        }
        default: {
            if (v.empty())
                return std::monostate{};
            const auto number = zip::xmlNumber(v);
            if (!number)
                m_x.damaged(QStringLiteral("the cell %1 holds \"%2\", which is not a number").arg(zip::cellName(row, col), qText(v)));
            return *number;
        }
        }
    }

    // The format of a cell that the file gives an ISO date: its own when
    // that shows a date already, else one that does.
    FormatId dateFormat(FormatId format, bool withTime)
    {
        const CellFormat& own = m_book.formats[format == NoFormat ? m_sheet->defaultFormat : format];
        if (!own.numberFormat.isEmpty())
            return format;
        CellFormat dated = own;
        dated.numberFormat = withTime ? QStringLiteral("yyyy-mm-dd hh:mm:ss") : QStringLiteral("yyyy-mm-dd");
        return m_book.formats.intern(dated);
    }

    XmlReader m_x;
    Workbook& m_book;
    Sheet* m_sheet = nullptr;
    const std::vector<QString>& m_strings;
    const std::vector<FormatId>& m_formats;
    zip::OpenedCells& m_cells;
    std::string m_text;
    bool m_isoHasTime = false;
};

struct WorkbookPartContents {
    std::vector<SheetEntry> sheets;
    int activeTab = 0;
};

WorkbookPartContents readWorkbookPart(const zip::ZipReader& archive, Workbook& book,
                                      const QHash<QString, Relationship>& relationships)
{
    WorkbookPartContents contents;
    XmlReader x(archive, WorkbookPart);
    x.next();
    if (!x.is("workbook"))
        x.damaged(QStringLiteral("it is not a workbook"));
    int listed = 0;
    while (x.nextChild()) {
        if (x.is("workbookPr")) {
            book.dates1904 = zip::xmlTrue(x.attribute("date1904").value_or(""));
        } else if (x.is("bookViews")) {
            for (bool first = true; x.nextChild(); first = false) {
                if (first && x.is("workbookView"))
                    contents.activeTab = int(zip::xmlCount(x.attribute("activeTab").value_or("0"), 1 << 16).value_or(0));
                x.skipElement();
            }
            continue;
        } else if (x.is("sheets")) {
            while (x.nextChild()) {
                const Relationship relationship = relationships.value(qText(x.attribute("id").value_or("")));
                const std::string_view state = x.attribute("state").value_or("visible");
                // Chart sheets and the like hold no cells: only worksheets are read.
                if (x.is("sheet") && relationship.type == u"worksheet") {
                    if (listed == contents.activeTab)
                        book.activeSheet = int(contents.sheets.size());
                    contents.sheets.push_back({qText(x.attribute("name").value_or("")),
                                               state == "hidden"       ? SheetVisibility::Hidden
                                               : state == "veryHidden" ? SheetVisibility::VeryHidden
                                                                       : SheetVisibility::Visible,
                                               relationship.part});
                }
                listed += x.is("sheet");
                x.skipElement();
            }
            continue;
        }
        x.skipElement();
    }
    x.finish();
    return contents;
}

} // namespace

std::unique_ptr<Workbook> read(const zip::ZipReader& archive)
{
    auto book = std::make_unique<Workbook>();
    const QHash<QString, Relationship> relationships = readRelationships(archive);
    const WorkbookPartContents contents = readWorkbookPart(archive, *book, relationships);
    QString stringsPart, stylesPart;
    for (const Relationship& r : relationships) {
        if (r.type == u"sharedStrings")
            stringsPart = r.part;
        else if (r.type == u"styles")
            stylesPart = r.part;
    }
    const std::vector<QString> strings = stringsPart.isEmpty() ? std::vector<QString>() : readSharedStrings(archive, stringsPart);
    std::vector<FormatId> formats;
    if (!stylesPart.isEmpty())
        for (const CellFormat& f : readStyles(archive, stylesPart).formats)
            formats.push_back(book->formats.intern(f));
    zip::OpenedCells cells;
    for (const SheetEntry& entry : contents.sheets) {
        if (!archive.has(entry.part))
            throw quorvale::AutomationError(
                QStringLiteral("the sheet \"%1\" is missing: the archive lacks its part %2").arg(entry.name, entry.part));
        SheetReader(archive, entry, *book, strings, formats, cells).read();
    }
    // A hidden sheet is not the active one.
    if (!book->sheets.empty() && book->sheets[std::size_t(book->activeSheet)]->visibility != SheetVisibility::Visible)
        book->activeSheet = book->firstVisibleSheet();
    return book;
}

} // namespace ss::xlsx
