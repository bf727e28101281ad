#include "workbook/WorkbookTable.h"

#include "automation/Servers.h"
#include "core/Error.h"
#include "core/Files.h"
#include "workbook/AutomationValues.h"
#include "workbook/Excel1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/stat.h>

#include <array>

namespace {

using automation::Object;
using automation::Variant;

// A first sheet's used cells, each read as the text it shows.
class UsedCells {
public:
    explicit UsedCells(const Object& sheet) : m_cells(sheet.object("Cells"))
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
        return m_cells.object("Item", {workbook::Long(m_firstRow + row), workbook::Long(m_firstColumn + column)})
            .get("Text")
            .toString();
    }

private:
    Object m_cells;
    int m_firstRow = 1;
    int m_rows = 0;
    int m_firstColumn = 1;
    int m_columns = 0;
};

// The field of each used column in a row that holds all nine captions, or
// nothing when the row does not.
std::optional<std::vector<int>> headerOf(const UsedCells& cells, int row)
{
    std::vector<int> fields(std::size_t(cells.columns()), -1);
    std::array<bool, InventoryRecord::FieldCount> found{};
    for (int c = 0; c < cells.columns(); ++c) {
        const int field = records::fieldOfCaption(cells.text(row, c));
        if (field >= 0 && !found[std::size_t(field)]) {
            found[std::size_t(field)] = true;
            fields[std::size_t(c)] = field;
        }
    }
    if (std::find(found.begin(), found.end(), false) != found.end())
        return std::nullopt;
    return fields;
}

void readRecords(const UsedCells& cells, records::ReadTable& table)
{
    std::optional<std::vector<int>> header;
    int row = 0;
    for (; row < cells.rows() && !header; ++row)
        header = headerOf(cells, row);
    if (!header) {
        table.faults.push_back({0, {}, QStringLiteral("no row of its first sheet holds the nine captions of the "
                                                      "inventory sheet")});
        return;
    }
    table.headerLine = cells.sheetRow(row - 1);
    for (; row < cells.rows(); ++row) {
        InventoryRecord record;
        bool empty = true;
        for (int c = 0; c < cells.columns(); ++c)
            if (const int field = (*header)[std::size_t(c)]; field >= 0) {
                record[field] = cells.text(row, c);
                empty = empty && record[field].isEmpty();
            }
        if (!empty) {
            table.records.push_back(std::move(record));
            table.lines.push_back(cells.sheetRow(row));
        }
    }
}

} // namespace

records::ReadTable readWorkbookTable(const QString& path)
{
    records::ReadTable table;
    Object application;
    try {
        application = Excel1::OpenWorkbookInNewExcel(QDir::toNativeSeparators(QDir(path).absolutePath()));
        const Object sheet = application.object("Workbooks", {workbook::Long(1)}).object("Sheets", {workbook::Long(1)});
        readRecords(UsedCells(sheet), table);
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

// The signature at the start of every compound document, the container of
// an Excel 97-2003 workbook.
bool isCompoundDocument(const QByteArray& bytes) { return bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); }

// All that a stream gives (standard input, a pipe the user names, as a
// shell's process substitution does), read to its end.
QByteArray streamBytes(const QString& path)
{
    const bool input = path == QLatin1String("-");
    const QString name = input ? QStringLiteral("standard input") : path;
    QFile in(input ? QString() : path);
    if (!(input ? in.open(stdin, QIODevice::ReadOnly) : in.open(QIODevice::ReadOnly)))
        throw quorvale::files::FileError(name, in.errorString());
    QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw quorvale::files::FileError(name, in.errorString());
    return bytes;
}

// Standard input, or a pipe (links followed); a device is not read, as a
// plain file's reader refuses it.
bool isStream(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// A workbook that came on a stream is read from a private copy.
records::ReadTable workbookOfBytes(const QByteArray& bytes)
{
    const QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("standard-input.xls"));
    quorvale::files::writeWhole(copy, bytes,
                                {quorvale::files::Access::UserOnly, quorvale::files::Existing::Replace,
                                 quorvale::files::Durability::Scratch});
    return readWorkbookTable(copy);
}

} // namespace

records::ReadTable readItemsFile(const QString& path)
{
    const bool stream = isStream(path);
    QByteArray bytes;
    try {
        bytes = stream ? streamBytes(path) : quorvale::files::readPlainFile(path);
        if (!isCompoundDocument(bytes)) {
            records::ReadTable table = records::readCsv(bytes);
            // Neither text nor a workbook: say what the file would have to be.
            if (table.faults.size() == 1 && table.faults.front().line == 0)
                table.faults.front().what = QStringLiteral("the file is neither CSV text (UTF-8) nor an Excel 97-2003 "
                                                           "workbook (.xls)");
            return table;
        }
        return stream ? workbookOfBytes(bytes) : readWorkbookTable(path);
    } catch (const quorvale::files::FileError& e) {
        records::ReadTable table;
        table.faults.push_back({0, {}, e.reason()});
        return table;
    }
}
