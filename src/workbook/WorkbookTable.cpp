#include "workbook/WorkbookTable.h"

#include "automation/ExcelConstants.h"
#include "automation/Servers.h"
#include "core/Error.h"
#include "core/FileKinds.h"
#include "core/Files.h"
#include "records/ListItems.h"
#include "workbook/AutomationValues.h"
#include "workbook/CellText.h"
#include "workbook/Excel1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using automation::Object;
using automation::Variant;

// A cell's value. A value the application cannot give (a formula's result
// that its file did not keep) is a fault of the workbook, in the
// application's words about the cell.
Variant valueOf(const Object& cell)
{
    try {
        return cell.get("Value2");
    } catch (const quorvale::AutomationError& e) {
        const QString member = QStringLiteral("Value2: ");
        throw quorvale::Error(e.description().startsWith(member) ? e.description().mid(member.size()) : e.description());
    }
}

// A sheet's used cells, each read as its text (see CellText.h).
class UsedCells {
public:
    UsedCells(const Object& sheet, bool dates1904) : m_cells(sheet.object("Cells")), m_dates1904(dates1904)
    {
        const Object used = sheet.object("UsedRange");
        m_firstRow = used.get("Row").toInt32();
        m_rows = used.object("Rows").get("count").toInt32();
        m_firstColumn = used.get("Column").toInt32();
        m_columns = used.object("Columns").get("count").toInt32();
    }

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int sheetRow(int row) const { return m_firstRow + row; }

    QString text(int row, int column) const
    {
        const Object cell =
            m_cells.object("Item", {workbook::Long(m_firstRow + row), workbook::Long(m_firstColumn + column)});
        const Variant value = valueOf(cell);
        // Only a number needs its format: it may be a date.
        if (value.type() != automation::VarType::Double)
            return workbook::cellText(value, {}, m_dates1904);
        return workbook::cellText(value, cell.get("NumberFormat").toString(), m_dates1904);
    }

private:
    Object m_cells;
    bool m_dates1904 = false;
    int m_firstRow = 1;
    int m_rows = 0;
    int m_firstColumn = 1;
    int m_columns = 0;
};

// The first sheet the user sees: hidden sheets are passed over.
std::optional<Object> firstVisibleSheet(const Object& book)
{
    const Object sheets = book.object("Sheets");
    const int count = sheets.get("Count").toInt32();
    for (int i = 1; i <= count; ++i) {
        Object sheet = sheets.object("Item", {workbook::Long(i)});
        if (sheet.get("Visible").toInt32() == excel::xlSheetVisible)
            return sheet;
    }
    return std::nullopt;
}

// The field of each used column of the caption row, the first row that
// holds the Inventory ID caption, or nothing when no row does. As in a CSV
// the row may hold any of the other captions in any order; a column it
// names that is not one of the sheet's, or names twice, is a fault.
std::optional<std::vector<int>> headerOf(const UsedCells& cells, int row, records::ReadTable& table)
{
    std::vector<QString> captions;
    for (int c = 0; c < cells.columns(); ++c)
        captions.push_back(cells.text(row, c));
    if (std::none_of(captions.begin(), captions.end(), [](const QString& caption) {
            return records::fieldOfCaption(caption) == InventoryRecord::InventoryID;
        }))
        return std::nullopt;
    std::vector<int> fields;
    for (const QString& caption : captions) {
        const int field = records::fieldOfCaption(caption);
        if (field < 0 && !caption.trimmed().isEmpty())
            table.faults.push_back({cells.sheetRow(row), caption,
                                    QStringLiteral("the caption row names a column that is not one of the sheet's")});
        else if (field >= 0 && std::find(fields.begin(), fields.end(), field) != fields.end())
            table.faults.push_back({cells.sheetRow(row), caption, QStringLiteral("the caption row names this column twice")});
        fields.push_back(field);
    }
    return fields;
}

void readRecords(const UsedCells& cells, records::ReadTable& table)
{
    std::optional<std::vector<int>> header;
    int row = 0;
    for (; row < cells.rows() && !header; ++row)
        header = headerOf(cells, row, table);
    if (!header) {
        table.faults.push_back({0, {}, QStringLiteral("no row of its first sheet holds the caption \"Inventory ID\"")});
        return;
    }
    table.headerLine = cells.sheetRow(row - 1);
    if (!table.faults.empty())
        return;
    for (; row < cells.rows(); ++row) {
        InventoryRecord record;
        bool empty = true;
        for (int c = 0; c < cells.columns(); ++c)
            if (const int field = (*header)[std::size_t(c)]; field >= 0) {
                record[field] = cells.text(row, c);
                empty = empty && record[field].isEmpty();
            }
        if (empty)
            continue;
        if (table.records.size() == std::size_t(ListItems::Capacity)) {
            table.faults.push_back({0, {}, records::tooManyItems()});
            return;
        }
        table.records.push_back(std::move(record));
        table.lines.push_back(cells.sheetRow(row));
    }
}

} // namespace

records::ReadTable readWorkbookTable(const QString& path)
{
    records::ReadTable table;
    Object application;
    try {
        application = Excel1::OpenWorkbookInNewExcel(QDir::toNativeSeparators(QDir(path).absolutePath()));
        const Object book = application.object("Workbooks", {workbook::Long(1)});
        if (const std::optional<Object> sheet = firstVisibleSheet(book))
            readRecords(UsedCells(*sheet, book.get("Date1904").toBool()), table);
        else
            table.faults.push_back({0, {}, QStringLiteral("the workbook has no sheet that is not hidden")});
    } catch (const quorvale::Error& e) {
        table.faults.push_back({0, {}, e.description()});
    }
    try {
        if (!application.isNothing()) {
            application.put("DisplayAlerts", automation::False);
            application.call("Quit");
        }
    } catch (...) {
        // The records are read; the instance goes either way.
    }
    return table;
}

namespace {

// A workbook is known by its first bytes: the signature of a compound
// document (an Excel 97-2003 workbook) or of a zip archive (an .xlsx or an
// .ods); the spreadsheet application tells the kinds apart.
bool isWorkbook(const QByteArray& bytes)
{
    return bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || bytes.startsWith("PK\x03\x04");
}

// A file read a piece at a time: a plain file by its descriptor, standard
// input ("-"), or a pipe the user names (a shell's process substitution).
class Pieces {
public:
    static constexpr qsizetype PieceSize = 1 << 20;

    Pieces(const QString& path, bool stream)
        : m_name(path == QLatin1String("-") ? QStringLiteral("standard input") : path)
    {
        if (path == QLatin1String("-"))
            m_fd = STDIN_FILENO;
        else if (stream)
            m_file = quorvale::files::Descriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
        else
            m_file = quorvale::files::openPlainFile(path);
        if (m_fd < 0)
            m_fd = m_file.fd();
        if (m_fd < 0)
            throw quorvale::files::FileError(m_name, quorvale::files::reasonOf(errno));
    }

    // The next piece; empty at the end.
    QByteArray next()
    {
        QByteArray piece(PieceSize, Qt::Uninitialized);
        qsizetype filled = 0;
        while (filled < piece.size()) {
            const ssize_t got = ::read(m_fd, piece.data() + filled, std::size_t(piece.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw quorvale::files::FileError(m_name, quorvale::files::reasonOf(errno));
            if (got == 0)
                break;
            filled += got;
        }
        piece.truncate(filled);
        return piece;
    }

private:
    QString m_name;
    quorvale::files::Descriptor m_file;
    int m_fd = -1;
};

// Standard input, or a pipe (links followed); a device is not read, as a
// plain file's reader refuses it.
bool isStream(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// A workbook that came on a stream is read from a private copy, written as
// it comes.
records::ReadTable workbookOfStream(const QByteArray& first, Pieces& rest)
{
    const QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("standard-input"));
    {
        quorvale::files::NewFile file(copy, {quorvale::files::Access::UserOnly, quorvale::files::Existing::Replace,
                                             quorvale::files::Durability::Scratch});
        for (QByteArray piece = first; !piece.isEmpty(); piece = rest.next())
            file.write(piece);
        file.commit();
    }
    return readWorkbookTable(copy);
}

} // namespace

records::ReadTable readItemsFile(const QString& path)
{
    const bool stream = isStream(path);
    try {
        Pieces pieces(path, stream);
        const QByteArray first = pieces.next();
        if (isWorkbook(first))
            return stream ? workbookOfStream(first, pieces) : readWorkbookTable(path);
        bool firstGiven = false;
        records::ReadTable table = records::readCsv([&] {
            if (firstGiven)
                return pieces.next();
            firstGiven = true;
            return first;
        });
        // Neither text nor a workbook: say what the file would have to be.
        for (records::FileFault& fault : table.faults)
            if (fault.line == 0 && fault.what == QLatin1String("the file is not UTF-8 text"))
                fault.what = QStringLiteral("the file is neither CSV text (UTF-8) nor a workbook: the workbooks read "
                                            "are Excel's (.xlsx and Excel 97-2003 .xls) and OpenDocument "
                                            "spreadsheets (.ods)");
        return table;
    } catch (const quorvale::files::FileError& e) {
        records::ReadTable table;
        table.faults.push_back({0, {}, e.reason()});
        return table;
    }
}
