#include "records/Csv.h"

#include "records/Fields.h"
#include "records/ListItems.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace records {

namespace {

// The text of a file, decoded as it is read: what is kept is the line being
// read and the rest of the last piece, never the file.
class TextStream {
public:
    explicit TextStream(const ByteSource& source) : m_source(source) {}

    // Whether a character stands at the cursor (or n past it), reading on
    // as needed.
    bool has(qsizetype n = 0)
    {
        while (m_at + n >= m_text.size() && !m_ended)
            readPiece();
        return m_at + n < m_text.size();
    }
    QChar at(qsizetype n = 0) const { return m_text[m_at + n]; }
    void advance(qsizetype n = 1) { m_at += n; }

    // The line read begins at the cursor: what is before it may go.
    void startLine() { m_lineStart = m_at; }
    qsizetype lineLength() const { return m_at - m_lineStart; }
    // The separator the text at the cursor holds outside quotes on its
    // first line: the semicolon when it holds more of those than commas.
    QChar separatorAhead();

    // The text is not UTF-8, or holds a NUL character, as no text does.
    bool notText() const { return m_notText; }

private:
    void readPiece();

    const ByteSource& m_source;
    QString m_text;
    QByteArray m_carry; // the start of a character that the next piece ends
    qsizetype m_at = 0;
    qsizetype m_lineStart = 0;
    bool m_ended = false;
    bool m_first = true;
    bool m_notText = false;
};

// The length of bytes without the incomplete UTF-8 sequence at its end.
qsizetype completeUtf8(const QByteArray& bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = std::uint8_t(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

void TextStream::readPiece()
{
    QByteArray bytes = m_source();
    if (bytes.isEmpty()) {
        m_ended = true;
        m_notText = m_notText || !m_carry.isEmpty();
        return;
    }
    bytes.prepend(m_carry);
    const qsizetype complete = completeUtf8(bytes);
    m_carry = bytes.mid(complete);
    bytes.truncate(complete);
    if (m_first && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    m_first = false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError() || text.contains(QChar(0))) {
        m_notText = m_ended = true;
        return;
    }
    m_text.remove(0, m_lineStart);
    m_at -= m_lineStart;
    m_lineStart = 0;
    m_text += text;
}

QChar TextStream::separatorAhead()
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (qsizetype n = 0; has(n) && n < MaxLineCharacters; ++n) {
        const QChar c = at(n);
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

// One line of fields as read, and what was wrong with it.
struct CsvLine {
    int line = 0;
    QStringList fields;
    qsizetype fieldCount = 0; // more than fields holds when they are many
    QString fault;
};

// The most fields of a line kept: a line of more is wrong whatever they hold.
constexpr qsizetype MaxFieldsKept = 1024;

// Splits text into the fields of its lines, honouring quotes.
class CsvScanner {
public:
    CsvScanner(TextStream& text, QChar separator) : m_text(text), m_separator(separator) {}

    bool atEnd() { return !m_text.has(); }
    int line() const { return m_line; }
    // A line longer than any line of items was met: nothing more is read.
    bool lineTooLong() const { return m_tooLong; }

    // The fields of the next line; a fault when a quote is not closed.
    CsvLine next();

private:
    static void endField(CsvLine& line, QString& field);

    TextStream& m_text;
    QChar m_separator;
    int m_line = 1;
    bool m_tooLong = false;
};

void CsvScanner::endField(CsvLine& line, QString& field)
{
    if (line.fieldCount++ < MaxFieldsKept)
        line.fields << field;
    field.clear();
}

CsvLine CsvScanner::next()
{
    CsvLine line;
    line.line = m_line;
    m_text.startLine();
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (; m_text.has(); m_text.advance()) {
        if (m_text.lineLength() > MaxLineCharacters) {
            m_tooLong = true;
            return line;
        }
        const QChar c = m_text.at();
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (m_text.has(1) && m_text.at(1) == QLatin1Char('"')) {
                    field += c;
                    m_text.advance();
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
            endField(line, field);
            wasQuoted = false;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            m_text.advance(c == QLatin1Char('\r') && m_text.has(1) && m_text.at(1) == QLatin1Char('\n') ? 2 : 1);
            ++m_line;
            endField(line, field);
            return line;
        } else if (wasQuoted) {
            line.fault = QStringLiteral("a quoted field goes on after its closing quote");
        } else {
            field += c;
        }
    }
    if (quoted)
        line.fault = QStringLiteral("a quoted field is not closed before the end of the file");
    endField(line, field);
    return line;
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

// The most lines looked through for the captions below a title.
constexpr std::size_t TitleLines = 16;

// The record of a line; a fault when its fields do not match the header.
std::optional<QString> takeFields(const CsvLine& line, const QStringList& header, const std::vector<int>& columns,
                                  InventoryRecord& record)
{
    const QStringList& fields = line.fields;
    std::optional<QString> fault;
    if (line.fieldCount != header.size())
        fault = QStringLiteral("the line has %1 fields and the header %2").arg(line.fieldCount).arg(header.size());
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(columns.size()); ++i) {
        if (columns[std::size_t(i)] >= 0)
            record[columns[std::size_t(i)]] = fields[i];
        else if (!fields[i].isEmpty() && !fault && header[i].trimmed().isEmpty())
            fault = QStringLiteral("field %1 holds \"%2\" in a column without a caption").arg(i + 1).arg(fields[i]);
    }
    return fault;
}

// Reads a CSV's lines into a table.
class CsvReader {
public:
    explicit CsvReader(const ByteSource& source) : m_text(source) {}
    ReadTable read();

private:
    // The header, with the lines read past while looking for it, which are
    // records when the header is the first line after all.
    CsvLine header(CsvScanner& scanner, std::vector<CsvLine>& readAhead);
    // Takes a line in; false when nothing more is to be read.
    bool take(CsvLine line, const QStringList& header, const std::vector<int>& columns);
    void wholeFault(const QString& what) { m_table.faults.push_back({0, {}, what}); }

    TextStream m_text;
    ReadTable m_table;
    qsizetype m_characters = 0;
};

CsvLine CsvReader::header(CsvScanner& scanner, std::vector<CsvLine>& readAhead)
{
    CsvLine first = scanner.next();
    if (namesOnlyCaptions(first.fields) || !first.fault.isEmpty())
        return first;
    // A spreadsheet program's CSV of the inventory sheet has its title
    // above the captions.
    while (readAhead.size() < TitleLines && !scanner.atEnd() && !scanner.lineTooLong()) {
        readAhead.push_back(scanner.next());
        const CsvLine& line = readAhead.back();
        if (!line.fault.isEmpty())
            break;
        if (holdsEveryCaption(line.fields)) {
            CsvLine found = std::move(readAhead.back());
            readAhead.clear();
            return found;
        }
    }
    return first;
}

bool CsvReader::take(CsvLine line, const QStringList& header, const std::vector<int>& columns)
{
    if (!line.fault.isEmpty()) {
        m_table.faults.push_back({line.line, {}, line.fault});
        return true;
    }
    if (blankLine(line.fields))
        return true;
    if (m_table.records.size() == std::size_t(ListItems::Capacity)) {
        wholeFault(tooManyItems());
        return false;
    }
    InventoryRecord record;
    if (const std::optional<QString> wrong = takeFields(line, header, columns, record))
        m_table.faults.push_back({line.line, {}, *wrong});
    for (int field = 0; field < InventoryRecord::FieldCount; ++field)
        m_characters += record[field].size();
    if (m_characters > MaxItemCharacters) {
        wholeFault(QStringLiteral("its items hold more than %1 characters together, more than the list keeps")
                       .arg(QLocale(QLocale::English).toString(MaxItemCharacters)));
        return false;
    }
    m_table.records.push_back(std::move(record));
    m_table.lines.push_back(line.line);
    return true;
}

ReadTable CsvReader::read()
{
    CsvScanner scanner(m_text, m_text.separatorAhead());
    std::vector<CsvLine> readAhead;
    const CsvLine head = header(scanner, readAhead);
    m_table.headerLine = head.line;
    const auto refusedWhole = [&] {
        if (m_text.notText()) {
            m_table.faults = {{0, {}, QStringLiteral("the file is not UTF-8 text")}};
            return true;
        }
        if (scanner.lineTooLong()) {
            m_table.faults = {{0, {}, QStringLiteral("line %1 is longer than any line of items (more than %2 "
                                                     "characters)")
                                          .arg(scanner.line())
                                          .arg(QLocale(QLocale::English).toString(MaxLineCharacters))}};
            return true;
        }
        return false;
    };
    if (refusedWhole())
        return std::move(m_table);
    if (!head.fault.isEmpty() || blankLine(head.fields)) {
        m_table.faults.push_back(
            {head.line, {}, head.fault.isEmpty() ? QStringLiteral("the file has no header line") : head.fault});
        return std::move(m_table);
    }
    const std::vector<int> columns = headerColumns(head.fields, head.line, m_table.faults);
    bool goOn = true;
    for (CsvLine& line : readAhead)
        goOn = goOn && take(std::move(line), head.fields, columns);
    // A quote that is not closed leaves no line to read after it.
    while (goOn && !scanner.atEnd()) {
        if (scanner.line() > MaxLines) {
            wholeFault(QStringLiteral("the file has more than %1 lines, more than any list of items")
                           .arg(QLocale(QLocale::English).toString(MaxLines)));
            break;
        }
        CsvLine line = scanner.next();
        if (scanner.lineTooLong())
            break;
        const bool unclosed = line.fault == QLatin1String("a quoted field is not closed before the end of the file");
        goOn = take(std::move(line), head.fields, columns) && !unclosed;
    }
    refusedWhole();
    return std::move(m_table);
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

QString tooManyItems()
{
    return QStringLiteral("the file holds more items than the %1 the list can hold").arg(ListItems::Capacity);
}

ReadTable readCsv(const ByteSource& source) { return CsvReader(source).read(); }

ReadTable readCsv(const QByteArray& bytes)
{
    bool given = false;
    return readCsv([&] {
        if (given)
            return QByteArray();
        given = true;
        return bytes;
    });
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
