#include "records/Csv.h"

#include "records/Fields.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace records {

namespace {

// Splits text into the fields of its lines, honouring quotes. Each line is
// its fields and the line it began on.
class CsvScanner {
public:
    CsvScanner(const QString& text, QChar separator) : m_text(&text), m_separator(separator) {}

    bool atEnd() const { return m_at >= m_text->size(); }
    int line() const { return m_line; }

    // The fields of the next line; a fault when a quote is not closed.
    QStringList next(QString& fault)
    {
        QStringList fields;
        QString field;
        bool quoted = false;
        bool wasQuoted = false;
        for (; m_at < m_text->size(); ++m_at) {
            const QChar c = (*m_text)[m_at];
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (m_at + 1 < m_text->size() && (*m_text)[m_at + 1] == QLatin1Char('"')) {
                        field += c;
                        ++m_at;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == QLatin1Char('\n'))
                        ++m_line;
                    field += c;
                }
            } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == m_separator) {
                fields << field;
                field.clear();
                wasQuoted = false;
            } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                if (c == QLatin1Char('\r') && m_at + 1 < m_text->size() && (*m_text)[m_at + 1] == QLatin1Char('\n'))
                    ++m_at;
                ++m_at;
                ++m_line;
                fields << field;
                return fields;
            } else if (wasQuoted) {
                fault = QStringLiteral("a quoted field goes on after its closing quote");
            } else {
                field += c;
            }
        }
        if (quoted)
            fault = QStringLiteral("a quoted field is not closed before the end of the file");
        fields << field;
        return fields;
    }

private:
    const QString* m_text;
    QChar m_separator;
    qsizetype m_at = 0;
    int m_line = 1;
};

// The separator the header line holds outside quotes: the semicolon when it
// holds more of those than commas.
QChar separatorOf(const QString& text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

bool blankLine(const QStringList& fields) { return fields.size() == 1 && fields.front().isEmpty(); }

// The column of each header field, -1 for one without a caption; faults
// for those that name no field or name one twice.
std::vector<int> headerColumns(const QStringList& header, int line, std::vector<FileFault>& faults)
{
    std::vector<int> columns;
    for (const QString& caption : header) {
        const int field = fieldOfCaption(caption);
        if (field < 0 && !caption.trimmed().isEmpty())
            faults.push_back({line, caption, QStringLiteral("the header names a column that is not one of the sheet's")});
        else if (field >= 0 && std::find(columns.begin(), columns.end(), field) != columns.end())
            faults.push_back({line, caption, QStringLiteral("the header names this column twice")});
        columns.push_back(field);
    }
    return columns;
}

bool namesOnlyCaptions(const QStringList& fields)
{
    return std::all_of(fields.cbegin(), fields.cend(),
                       [](const QString& f) { return f.trimmed().isEmpty() || fieldOfCaption(f) >= 0; })
        && !blankLine(fields);
}

bool holdsEveryCaption(const QStringList& fields)
{
    std::array<bool, InventoryRecord::FieldCount> seen{};
    for (const QString& f : fields)
        if (const int field = fieldOfCaption(f); field >= 0)
            seen[std::size_t(field)] = true;
    return std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
}

// Moves the scanner past the lines above the captions when the first line
// is not a header but a later one holds all nine captions; false when none
// does (the first line is then taken for the header).
bool passTitleLines(const QString& text, QChar separator, CsvScanner& scanner)
{
    CsvScanner ahead(text, separator);
    QString fault;
    if (namesOnlyCaptions(ahead.next(fault)) || !fault.isEmpty())
        return false;
    while (!ahead.atEnd()) {
        const CsvScanner before = ahead;
        if (holdsEveryCaption(ahead.next(fault)) && fault.isEmpty()) {
            scanner = before;
            return true;
        }
        if (!fault.isEmpty())
            return false;
    }
    return false;
}

// The record of a line; a fault when its fields do not match the header.
std::optional<QString> takeFields(const QStringList& fields, const QStringList& header,
                                  const std::vector<int>& columns, InventoryRecord& record)
{
    std::optional<QString> fault;
    if (fields.size() != header.size())
        fault = QStringLiteral("the line has %1 fields and the header %2").arg(fields.size()).arg(header.size());
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(columns.size()); ++i) {
        if (columns[std::size_t(i)] >= 0)
            record[columns[std::size_t(i)]] = fields[i];
        else if (!fields[i].isEmpty() && !fault && header[i].trimmed().isEmpty())
            fault = QStringLiteral("field %1 holds \"%2\" in a column without a caption").arg(i + 1).arg(fields[i]);
    }
    return fault;
}

QString quotedField(const QString& field)
{
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(field.cbegin(), field.cend(), [](QChar c) { return special.contains(c); }))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

int fieldOfCaption(const QString& caption)
{
    const QString wanted = caption.trimmed();
    for (std::size_t n = 0; n < Fields.size(); ++n)
        if (wanted.compare(QLatin1String(Fields[n].sheetCaption), Qt::CaseInsensitive) == 0)
            return int(n);
    return -1;
}

ReadTable readCsv(const QByteArray& bytes)
{
    ReadTable table;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (utf8.hasError()) {
        table.faults.push_back({0, {}, QStringLiteral("the file is not UTF-8 text")});
        return table;
    }
    const QChar separator = separatorOf(text);
    CsvScanner scanner(text, separator);
    passTitleLines(text, separator, scanner);
    table.headerLine = scanner.line();
    QString fault;
    const QStringList header = scanner.next(fault);
    if (!fault.isEmpty() || blankLine(header)) {
        table.faults.push_back(
            {table.headerLine, {}, fault.isEmpty() ? QStringLiteral("the file has no header line") : fault});
        return table;
    }
    const std::vector<int> columns = headerColumns(header, table.headerLine, table.faults);
    // A quote that is not closed leaves no line to read after it.
    while (!scanner.atEnd() && fault.isEmpty()) {
        const int line = scanner.line();
        const QStringList fields = scanner.next(fault);
        if (!fault.isEmpty()) {
            table.faults.push_back({line, {}, fault});
            // A field that goes on after its closing quote spoils only its
            // line; the scanner is at the next one.
            if (!scanner.atEnd() && fault != QLatin1String("a quoted field is not closed before the end of the file"))
                fault.clear();
        } else if (!blankLine(fields)) {
            InventoryRecord record;
            if (const std::optional<QString> wrong = takeFields(fields, header, columns, record))
                table.faults.push_back({line, {}, *wrong});
            table.records.push_back(std::move(record));
            table.lines.push_back(line);
        }
    }
    return table;
}

QByteArray csvText(std::span<const InventoryRecord> records)
{
    QString text;
    const auto line = [&](const auto& fieldText) {
        for (int n = 0; n < InventoryRecord::FieldCount; ++n) {
            if (n > 0)
                text += QLatin1Char(',');
            text += quotedField(fieldText(n));
        }
        text += QLatin1String("\r\n");
    };
    line([](int n) { return QString::fromLatin1(Fields[std::size_t(n)].sheetCaption); });
    for (const InventoryRecord& record : records)
        line([&](int n) { return record[n]; });
    return text.toUtf8();
}

} // namespace records
