#include "records/Csv.h"

#include "records/Fields.h"

#include <QStringDecoder>

namespace records {

namespace {

// Splits text into the fields of its lines, honouring quotes. Each line is
// its fields and the line it began on.
class CsvScanner {
public:
    CsvScanner(const QString& text, QChar separator) : m_text(text), m_separator(separator) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    int line() const { return m_line; }

    // The fields of the next line; a fault when a quote is not closed.
    QStringList next(QString& fault)
    {
        QStringList fields;
        QString field;
        bool quoted = false;
        bool wasQuoted = false;
        for (; m_at < m_text.size(); ++m_at) {
            const QChar c = m_text[m_at];
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (m_at + 1 < m_text.size() && m_text[m_at + 1] == QLatin1Char('"')) {
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
                if (c == QLatin1Char('\r') && m_at + 1 < m_text.size() && m_text[m_at + 1] == QLatin1Char('\n'))
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
    const QString& m_text;
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

// The column of each header field; faults for those that name no field or
// name one twice.
std::vector<int> headerColumns(const QStringList& header, std::vector<FileFault>& faults)
{
    std::vector<int> columns;
    for (const QString& caption : header) {
        const int field = fieldOfCaption(caption);
        if (field < 0)
            faults.push_back({1, caption, QStringLiteral("the header names a column that is not one of the sheet's")});
        else if (std::find(columns.begin(), columns.end(), field) != columns.end())
            faults.push_back({1, caption, QStringLiteral("the header names this column twice")});
        columns.push_back(field);
    }
    return columns;
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
    CsvScanner scanner(text, separatorOf(text));
    QString fault;
    const QStringList header = scanner.next(fault);
    if (!fault.isEmpty() || blankLine(header)) {
        table.faults.push_back({1, {}, fault.isEmpty() ? QStringLiteral("the file has no header line") : fault});
        return table;
    }
    const std::vector<int> columns = headerColumns(header, table.faults);
    // A quote that is not closed leaves no line to read after it.
    while (!scanner.atEnd() && fault.isEmpty()) {
        const int line = scanner.line();
        const QStringList fields = scanner.next(fault);
        if (!fault.isEmpty()) {
            table.faults.push_back({line, {}, fault});
        } else if (!blankLine(fields)) {
            if (fields.size() != header.size())
                table.faults.push_back({line, {}, QStringLiteral("the line has %1 fields and the header %2")
                                                      .arg(fields.size())
                                                      .arg(header.size())});
            InventoryRecord record;
            for (qsizetype i = 0; i < fields.size() && i < qsizetype(columns.size()); ++i)
                if (columns[std::size_t(i)] >= 0)
                    record[columns[std::size_t(i)]] = fields[i];
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
