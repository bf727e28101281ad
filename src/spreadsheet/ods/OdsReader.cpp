#include "spreadsheet/ods/OdsReader.h"

#include "spreadsheet/model/Limits.h"
#include "spreadsheet/zip/OpenedCells.h"
#include "spreadsheet/zip/ZipReader.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

namespace ss::ods {

namespace {

using zip::XmlReader;
using zip::qText;

const QString ContentPart = QStringLiteral("content.xml");

// A length of the format ("0.8819in", "2.258cm", "12.8pt") in points.
std::optional<double> points(std::string_view length)
{
    static constexpr std::pair<std::string_view, double> Units[] = {
        {"in", 72}, {"cm", 72 / 2.54}, {"mm", 72 / 25.4}, {"pt", 1}, {"pc", 12}, {"px", 0.75}};
    for (const auto& [unit, factor] : Units)
        if (length.ends_with(unit))
            if (const auto value = zip::xmlNumber(length.substr(0, length.size() - unit.size())); value && *value >= 0)
                return *value * factor;
    return std::nullopt;
}

// A column width in points as the user sees it in characters: without the
// cell's padding, for the standard font's 7-pixel digits.
double columnCharacters(double widthPoints)
{
    const double pixels = std::round(widthPoints * 96 / 72);
    return std::clamp(std::trunc((pixels - 5) / 7 * 100 + 0.5) / 100, 0.0, MaxColumnWidth);
}

// What the automatic styles of content.xml tell of tables, columns and rows.
struct Styles {
    QSet<QString> hiddenTables;
    QHash<QString, double> columnWidths; // characters
    QHash<QString, double> rowHeights;   // points, of rows whose height was set
};

void readStyle(XmlReader& x, Styles& styles)
{
    const QString name = qText(x.attribute("name").value_or(""));
    while (x.nextChild()) {
        if (x.is("table-properties") && x.attribute("display") == std::string_view("false")) {
            styles.hiddenTables.insert(name);
        } else if (x.is("table-column-properties")) {
            if (const auto width = points(x.attribute("column-width").value_or("")))
                styles.columnWidths.insert(name, columnCharacters(*width));
        } else if (x.is("table-row-properties") && x.attribute("use-optimal-row-height") == std::string_view("false")) {
            if (const auto height = points(x.attribute("row-height").value_or("")))
                styles.rowHeights.insert(name, std::min(*height, MaxStoredRowHeight));
        }
        x.skipElement();
    }
}

// Short texts come again and again in a table (a category, "Yes", "No"):
// each is made once and shared by its cells, which saves the time and the
// memory of a string a cell.
class TextCache {
public:
    QString text(std::string_view utf8)
    {
        if (utf8.size() > MaxLength)
            return qText(utf8);
        if (const auto known = m_texts.find(utf8); known != m_texts.end())
            return known->second;
        QString made = qText(utf8);
        if (m_texts.size() < MaxTexts)
            m_texts.emplace(std::string(utf8), made);
        return made;
    }

private:
    static constexpr std::size_t MaxLength = 40;
    static constexpr std::size_t MaxTexts = 1 << 16;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_texts;
};

// The value of one table cell as the reader keeps it until its row is stored.
struct CellEntry {
    int col = 0;
    CellValue value;
    FormatId format = NoFormat;
};

struct Span {
    int col = 0;
    int columns = 1;
    int rows = 1;
};

class ContentReader {
public:
    ContentReader(const zip::ZipReader& archive, Workbook& book) : m_x(archive, ContentPart), m_book(book)
    {
        const auto numberFormat = [&](const char* text) {
            CellFormat f;
            f.numberFormat = QString::fromLatin1(text);
            return book.formats.intern(f);
        };
        m_dateFormat = numberFormat("yyyy-mm-dd");
        m_dateTimeFormat = numberFormat("yyyy-mm-dd hh:mm:ss");
        m_timeFormat = numberFormat("hh:mm:ss");
    }

    void read()
    {
        m_x.next();
        if (!m_x.is("document-content"))
            m_x.damaged(QStringLiteral("it is not the content of an OpenDocument file"));
        while (m_x.nextChild()) {
            if (m_x.is("automatic-styles")) {
                while (m_x.nextChild())
                    if (m_x.is("style"))
                        readStyle(m_x, m_styles);
                    else
                        m_x.skipElement();
            } else if (m_x.is("body")) {
                while (m_x.nextChild())
                    if (m_x.is("spreadsheet"))
                        readSpreadsheet();
                    else
                        m_x.skipElement();
            } else {
                m_x.skipElement();
            }
        }
        m_x.finish();
    }

private:
    void readSpreadsheet()
    {
        while (m_x.nextChild()) {
            if (m_x.is("table")) {
                m_sheet = &m_book.addSheet(qText(m_x.attribute("name").value_or("")));
                if (m_styles.hiddenTables.contains(qText(m_x.attribute("style-name").value_or(""))))
                    m_sheet->visibility = SheetVisibility::Hidden;
                m_row = 0;
                m_column = 0;
                readTableParts();
            } else {
                m_x.skipElement();
            }
        }
    }

    // The rows and columns of a table, also where groups and headers hold them.
    void readTableParts()
    {
        while (m_x.nextChild()) {
            const std::string_view name = m_x.localName();
            if (name == "table-row")
                readRow();
            else if (name == "table-column")
                readColumn();
            else if (name == "table-rows" || name == "table-row-group" || name == "table-header-rows"
                     || name == "table-columns" || name == "table-column-group" || name == "table-header-columns")
                readTableParts();
            else
                m_x.skipElement();
        }
    }

    qint64 repeats(std::string_view attribute) const
    {
        return std::max<qint64>(1, zip::xmlCount(m_x.attribute(attribute).value_or("1"), 1 << 30).value_or(1));
    }

    void readColumn()
    {
        const qint64 count = repeats("number-columns-repeated");
        const auto width = m_styles.columnWidths.constFind(qText(m_x.attribute("style-name").value_or("")));
        if (width != m_styles.columnWidths.constEnd())
            for (qint64 c = m_column; c < std::min<qint64>(m_column + count, MaxColumns); ++c)
                m_sheet->columns[std::size_t(c)].width = *width;
        m_column = int(std::min<qint64>(m_column + count, 1 << 30));
        m_x.skipElement();
    }

    void readRow()
    {
        const qint64 count = repeats("number-rows-repeated");
        const auto height = m_styles.rowHeights.isEmpty()
                                ? m_styles.rowHeights.constEnd()
                                : m_styles.rowHeights.constFind(qText(m_x.attribute("style-name").value_or("")));
        m_entries.clear();
        m_spans.clear();
        qint64 col = 0;
        while (m_x.nextChild()) {
            const bool covered = m_x.is("covered-table-cell");
            if (!covered && !m_x.is("table-cell")) {
                m_x.skipElement();
                continue;
            }
            const qint64 across = repeats("number-columns-repeated");
            if (!covered)
                readCell(int(std::min<qint64>(col, MaxColumns)), across);
            else
                m_x.skipElement();
            col = std::min<qint64>(col + across, 1 << 30);
        }
        // A repeated row is stored as often as it holds something; empty
        // rows, however many, cost nothing.
        const qint64 stored = m_entries.empty() && m_spans.empty() ? std::min<qint64>(count, 1) : count;
        for (qint64 r = m_row; r < m_row + stored; ++r)
            storeRow(int(std::min<qint64>(r, MaxRows)), height != m_styles.rowHeights.constEnd() ? *height : -1.0);
        m_row = int(std::min<qint64>(m_row + count, 1 << 30));
    }

    void storeRow(int row, double height)
    {
        if (height >= 0 && row < MaxRows)
            m_sheet->rowAt(row).height = height;
        for (const CellEntry& e : m_entries) {
            Cell& cell = m_cells.at(*m_sheet, row, e.col);
            cell.value = e.value;
            cell.format = e.format;
        }
        for (const Span& s : m_spans) {
            if (row >= MaxRows)
                break;
            const Area area{row, s.col, std::min(row + s.rows - 1, MaxRows - 1), std::min(s.col + s.columns - 1, MaxColumns - 1)};
            if (!area.isSingleCell())
                m_sheet->merges.push_back(area);
        }
    }

    void readCell(int col, qint64 across)
    {
        std::string_view type, calcType, number, date, time, boolean;
        std::optional<std::string_view> stringValue;
        bool formula = false;
        bool booleanFormula = false;
        int columnsSpanned = 1, rowsSpanned = 1;
        for (const zip::XmlAttribute& a : m_x.attributes()) {
            const std::string_view n = a.local;
            if (n == "value-type")
                (a.name.starts_with("calcext:") ? calcType : type) = a.value;
            else if (n == "value")
                number = a.value;
            else if (n == "date-value")
                date = a.value;
            else if (n == "time-value")
                time = a.value;
            else if (n == "boolean-value")
                boolean = a.value;
            else if (n == "string-value")
                stringValue = a.value;
            else if (n == "formula") {
                formula = true;
                // LibreOffice keeps a boolean result as a number of type float.
                booleanFormula = a.value == "of:=TRUE()" || a.value == "of:=FALSE()";
            }
            else if (n == "number-columns-spanned")
                columnsSpanned = int(zip::xmlCount(a.value, MaxColumns).value_or(1));
            else if (n == "number-rows-spanned")
                rowsSpanned = int(zip::xmlCount(a.value, MaxRows).value_or(1));
        }
        if (col < MaxColumns && (columnsSpanned > 1 || rowsSpanned > 1))
            m_spans.push_back({col, std::max(columnsSpanned, 1), std::max(rowsSpanned, 1)});
        // The attributes' views last until the cell's text is read.
        CellEntry entry{col, {}, NoFormat};
        const bool error = calcType == "error";
        if (error) {
        } else if (type == "float" && booleanFormula) {
            entry.value = checkedNumber(zip::xmlNumber(number), number, col) != 0;
        } else if (type == "float" || type == "percentage" || type == "currency") {
            entry.value = checkedNumber(zip::xmlNumber(number), number, col);
        } else if (type == "date") {
            entry.value = dateValue(date, col, entry.format);
        } else if (type == "time") {
            entry.value = checkedNumber(zip::isoDurationDays(time), time, col);
            entry.format = m_timeFormat;
        } else if (type == "boolean") {
            entry.value = zip::xmlTrue(boolean);
        } else if (type == "string" && stringValue) {
            entry.value = qText(*stringValue);
        } else if (type.empty() && formula) {
            entry.value = CellError::NotCalculated;
        }
        if (error || (type == "string" && !stringValue)) {
            const QString text = paragraphs();
            entry.value = error ? CellValue(errorOfText(text).value_or(CellError::Value)) : CellValue(text);
        } else {
            m_x.skipElement();
        }
        if (entry.value.index() == 0)
            return;
        // Only cells that hold something are repeated; one past the sheet's
        // last column is enough to refuse the workbook when it is stored.
        const qint64 last = std::min<qint64>(col + across, MaxColumns + 1);
        for (qint64 c = col; c < last; ++c) {
            entry.col = int(c);
            m_entries.push_back(entry);
        }
    }

    double checkedNumber(std::optional<double> value, std::string_view text, int col) const
    {
        if (!value)
            m_x.damaged(QStringLiteral("the cell %1 of the table \"%2\" holds \"%3\", which is not a number")
                            .arg(zip::cellName(m_row, col), m_sheet->name, qText(text)));
        return *value;
    }

    double dateValue(std::string_view text, int col, FormatId& format) const
    {
        const auto date = zip::isoDateSerial(text, m_book.dates1904);
        if (!date)
            m_x.damaged(QStringLiteral("the cell %1 of the table \"%2\" holds \"%3\", which is not a date")
                            .arg(zip::cellName(m_row, col), m_sheet->name, qText(text)));
        format = date->hasTime ? m_dateTimeFormat : m_dateFormat;
        return date->serial;
    }

    // The text of a cell: its paragraphs, one a line.
    QString paragraphs()
    {
        m_text.clear();
        bool first = true;
        while (m_x.nextChild()) {
            if (m_x.is("p") || m_x.is("h")) {
                if (!first)
                    m_text += '\n';
                first = false;
                m_space = false;
                readSpans();
            } else {
                m_x.skipElement();
            }
        }
        return m_texts.text(m_text);
    }

    // The text of a paragraph or a span in it. White space in the text runs
    // together into one space; the spaces, tabs and line breaks the text
    // means to keep are elements.
    void readSpans()
    {
        for (;;) {
            switch (m_x.next()) {
            case XmlReader::Token::Text:
                for (const char c : m_x.text()) {
                    const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
                    if (!space || !m_space)
                        m_text += space ? ' ' : c;
                    m_space = space;
                }
                break;
            case XmlReader::Token::Start:
                if (m_x.is("s")) {
                    m_text.append(std::size_t(zip::xmlCount(m_x.attribute("c").value_or("1"), 1 << 16).value_or(1)), ' ');
                    m_x.skipElement();
                } else if (m_x.is("tab") || m_x.is("line-break")) {
                    m_text += m_x.is("tab") ? '\t' : '\n';
                    m_x.skipElement();
                } else if (m_x.is("note") || m_x.is("annotation")) {
                    m_x.skipElement();
                } else {
                    readSpans();
                    continue;
                }
                m_space = false;
                break;
            case XmlReader::Token::End:
            case XmlReader::Token::EndOfPart: return;
            }
        }
    }

    XmlReader m_x;
    Workbook& m_book;
    Styles m_styles;
    Sheet* m_sheet = nullptr;
    int m_row = 0;
    int m_column = 0;
    zip::OpenedCells m_cells;
    std::vector<CellEntry> m_entries;
    std::vector<Span> m_spans;
    std::string m_text;
    TextCache m_texts;
    bool m_space = false;
    FormatId m_dateFormat = NoFormat;
    FormatId m_dateTimeFormat = NoFormat;
    FormatId m_timeFormat = NoFormat;
};

} // namespace

std::unique_ptr<Workbook> read(const zip::ZipReader& archive)
{
    auto book = std::make_unique<Workbook>();
    ContentReader(archive, *book).read();
    book->activeSheet = book->firstVisibleSheet();
    return book;
}

} // namespace ss::ods
