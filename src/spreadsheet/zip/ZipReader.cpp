#include "spreadsheet/zip/ZipReader.h"

#include "automation/Error.h"

#include <QDir>
#include <QFileInfo>

#include <quazip.h>
#include <quazipfile.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace ss::zip {

namespace {

// A tag or a text longer than this in one piece is refused rather than
// buffered: no workbook part has one.
constexpr std::size_t MaxPiece = std::size_t(16) << 20;
constexpr std::size_t ChunkBytes = std::size_t(256) << 10;

[[noreturn]] void refuse(const QString& why) { throw quorvale::AutomationError(why); }

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool allSpace(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), isSpace);
}

std::string_view localOf(std::string_view name)
{
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The character a numeric reference ("#65", "#x41") names; 0 when none.
char32_t characterReference(std::string_view ref)
{
    const bool hex = ref.size() > 1 && ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    const bool valid = !digits.empty() && error == std::errc() && end == digits.data() + digits.size()
                       && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return valid ? char32_t(code) : 0;
}

} // namespace

ZipReader::ZipReader(QIODevice& device) : m_zip(std::make_unique<QuaZip>(&device))
{
    m_zip->setAutoClose(false);
    if (!m_zip->open(QuaZip::mdUnzip))
        refuse(QStringLiteral("it is not a zip archive, or the archive is damaged"));
    if (m_zip->getEntriesCount() > MaxEntries)
        refuse(QStringLiteral("the archive holds more than %L1 parts, more than a workbook has").arg(MaxEntries));
    int seen = 0;
    for (bool more = m_zip->goToFirstFile(); more && seen < MaxEntries; more = m_zip->goToNextFile(), ++seen) {
        const QString name = m_zip->getCurrentFileName();
        m_names.insert(name.toLower(), name);
    }
    if (m_zip->getZipError() != UNZ_OK)
        refuse(QStringLiteral("the archive's table of contents is damaged"));
}

ZipReader::~ZipReader() = default;

bool ZipReader::has(const QString& name) const { return m_names.contains(name.toLower()); }

std::unique_ptr<QuaZipFile> ZipReader::openPart(const QString& name) const
{
    const auto stored = m_names.constFind(name.toLower());
    if (stored == m_names.constEnd())
        refuse(QStringLiteral("the archive lacks the part %1").arg(name));
    if (!m_zip->setCurrentFile(*stored, QuaZip::csSensitive))
        refuse(QStringLiteral("the archive's table of contents is damaged at the part %1").arg(name));
    auto file = std::make_unique<QuaZipFile>(m_zip.get());
    if (!file->open(QIODevice::ReadOnly))
        refuse(QStringLiteral("the part %1 cannot be unpacked: it is damaged, encrypted or packed in a way this "
                              "application does not know")
                   .arg(name));
    return file;
}

QByteArray ZipReader::head(const QString& name, qint64 limit) const
{
    if (!has(name))
        return {};
    return openPart(name)->read(limit);
}

XmlReader::XmlReader(const ZipReader& zip, const QString& name)
    : m_partName(name), m_file(zip.openPart(name)), m_buffer(ChunkBytes)
{
    while (m_end < 4 && !m_atEnd)
        fill();
    const auto startsWith = [&](std::string_view bytes) {
        return m_end >= bytes.size() && std::memcmp(m_buffer.data(), bytes.data(), bytes.size()) == 0;
    };
    if (startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
    else if (startsWith("\xFE\xFF") || startsWith("\xFF\xFE") || startsWith(std::string_view("\0<", 2))
             || startsWith(std::string_view("<\0", 2)))
        damaged(QStringLiteral("it is written in UTF-16; workbook parts are read in UTF-8"));
}

XmlReader::~XmlReader() = default;

// Moves what is left to the front of the buffer and reads more after it,
// growing the buffer when one piece fills it.
bool XmlReader::fill()
{
    char* data = m_buffer.data();
    if (m_pos > 0) {
        for (const char* at = data; (at = static_cast<const char*>(std::memchr(at, '\n', data + m_pos - at)));)
            ++m_linesBefore, ++at;
        std::memmove(data, data + m_pos, m_end - m_pos);
        m_end -= m_pos;
        m_pos = 0;
    }
    if (m_atEnd)
        return false;
    if (m_end == m_buffer.size()) {
        if (m_buffer.size() >= MaxPiece)
            damaged(QStringLiteral("it holds a tag or text longer than %L1 bytes").arg(MaxPiece));
        m_buffer.resize(m_buffer.size() * 2);
        data = m_buffer.data();
    }
    const qint64 n = m_file->read(data + m_end, qint64(m_buffer.size() - m_end));
    if (n < 0)
        damaged(QStringLiteral("its packed data is damaged"));
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    m_unpacked += n;
    if (m_unpacked > MaxPartBytes)
        refuse(QStringLiteral("the part %1 unpacks to more than %L2 bytes, more than this application reads of one "
                              "part; the file may be damaged or made to exhaust memory")
                   .arg(m_partName)
                   .arg(MaxPartBytes));
    m_end += std::size_t(n);
    return true;
}

XmlReader::Token XmlReader::next()
{
    if (m_closePending) {
        m_closePending = false;
        m_attributes.clear();
        m_openEnds.pop_back();
        m_open.resize(m_openEnds.empty() ? 0 : m_openEnds.back());
        return Token::End;
    }
    for (;;) {
        if (m_pos == m_end) {
            if (fill())
                continue;
            if (!m_openEnds.empty())
                damaged(QStringLiteral("it ends before the element <%1> closes").arg(qText(top())));
            if (!m_rootSeen)
                damaged(QStringLiteral("it holds no XML element"));
            return Token::EndOfPart;
        }
        Token token = Token::Text;
        switch (m_buffer[m_pos] == '<' ? parseMarkup(token) : parseText(token)) {
        case Step::Done: return token;
        case Step::Skipped: break;
        case Step::More:
            if (m_atEnd)
                damaged(QStringLiteral("it ends in the middle of a tag"));
            fill();
            break;
        }
    }
}

// Text up to the next tag. White space outside the root is skipped.
XmlReader::Step XmlReader::parseText(Token& token)
{
    const char* data = m_buffer.data();
    const char* lt = static_cast<const char*>(std::memchr(data + m_pos, '<', m_end - m_pos));
    if (!lt && !m_atEnd)
        return Step::More;
    const std::size_t stop = lt ? std::size_t(lt - data) : m_end;
    const std::string_view raw(data + m_pos, stop - m_pos);
    if (m_openEnds.empty()) {
        if (!allSpace(raw))
            damaged(QStringLiteral("it holds text outside its root element"));
        m_pos = stop;
        return Step::Skipped;
    }
    m_text = decode(raw, m_textScratch, false);
    m_pos = stop;
    token = Token::Text;
    return Step::Done;
}

bool XmlReader::skipPast(std::string_view end, std::size_t from)
{
    const std::string_view rest(m_buffer.data() + from, m_end - from);
    const std::size_t at = rest.find(end);
    if (at == std::string_view::npos)
        return false;
    m_pos = from + at + end.size();
    return true;
}

XmlReader::Step XmlReader::parseMarkup(Token& token)
{
    const std::string_view rest(m_buffer.data() + m_pos, m_end - m_pos);
    if (rest.size() < 2)
        return Step::More;
    std::size_t at = m_pos;
    if (rest[1] == '/') {
        if (!parseEndTag(at))
            return Step::More;
        m_pos = at;
        token = Token::End;
        return Step::Done;
    }
    if (rest[1] == '?') {
        const std::size_t start = m_pos;
        if (!skipPast("?>", m_pos + 2))
            return Step::More;
        if (rest.substr(0, 6) == "<?xml ")
            checkDeclaration(std::string_view(m_buffer.data() + start, m_pos - start));
        return Step::Skipped;
    }
    if (rest[1] == '!') {
        if (rest.size() < 9 && !m_atEnd)
            return Step::More;
        if (rest.substr(0, 4) == "<!--")
            return skipPast("-->", m_pos + 4) ? Step::Skipped : Step::More;
        if (rest.substr(0, 9) != "<![CDATA[")
            damaged(QStringLiteral("it holds a document type declaration, which no workbook part has"));
        const std::size_t end = rest.find("]]>", 9);
        if (end == std::string_view::npos)
            return Step::More;
        if (m_openEnds.empty())
            damaged(QStringLiteral("it holds text outside its root element"));
        m_text = rest.substr(9, end - 9);
        m_pos += end + 3;
        token = Token::Text;
        return Step::Done;
    }
    if (!parseStartTag(at))
        return Step::More;
    m_pos = at;
    token = Token::Start;
    return Step::Done;
}

bool XmlReader::parseStartTag(std::size_t& at)
{
    const char* data = m_buffer.data();
    std::size_t i = at + 1;
    const auto skipSpace = [&] {
        while (i < m_end && isSpace(data[i]))
            ++i;
        return i < m_end;
    };
    while (i < m_end && !isSpace(data[i]) && data[i] != '>' && data[i] != '/')
        ++i;
    if (i == m_end)
        return false;
    const std::string_view name(data + at + 1, i - at - 1);
    if (name.empty())
        damaged(QStringLiteral("it holds a tag without a name"));
    m_attributes.clear();
    bool closes = false;
    for (;;) {
        if (!skipSpace())
            return false;
        if (data[i] == '>' || data[i] == '/') {
            closes = data[i] == '/';
            if (closes && i + 1 == m_end)
                return false;
            if (closes && data[i + 1] != '>')
                damaged(QStringLiteral("the tag <%1> is malformed").arg(qText(name)));
            i += closes ? 2 : 1;
            break;
        }
        const std::size_t nameStart = i;
        while (i < m_end && data[i] != '=' && !isSpace(data[i]) && data[i] != '>' && data[i] != '/')
            ++i;
        const std::string_view attribute(data + nameStart, i - nameStart);
        if (!skipSpace())
            return false;
        if (attribute.empty() || data[i] != '=')
            damaged(QStringLiteral("the tag <%1> holds an attribute without a value").arg(qText(name)));
        ++i;
        if (!skipSpace())
            return false;
        const char quote = data[i];
        if (quote != '"' && quote != '\'')
            damaged(QStringLiteral("the attribute %1 of <%2> is not quoted").arg(qText(attribute), qText(name)));
        const char* close = static_cast<const char*>(std::memchr(data + i + 1, quote, m_end - i - 1));
        if (!close)
            return false;
        const std::string_view raw(data + i + 1, std::size_t(close - data) - i - 1);
        if (raw.find('<') != std::string_view::npos)
            damaged(QStringLiteral("the attribute %1 of <%2> holds a \"<\"").arg(qText(attribute), qText(name)));
        const std::size_t n = m_attributes.size();
        if (m_attributeScratch.size() <= n)
            m_attributeScratch.resize(n + 1);
        m_attributes.push_back({attribute, localOf(attribute), decode(raw, m_attributeScratch[n], true)});
        i = std::size_t(close - data) + 1;
    }
    if (m_openEnds.empty() && m_rootSeen)
        damaged(QStringLiteral("it holds a second root element <%1>").arg(qText(name)));
    m_rootSeen = true;
    m_open.append(name);
    m_openEnds.push_back(std::uint32_t(m_open.size()));
    m_local = localOf(name);
    m_closePending = closes;
    at = i;
    return true;
}

bool XmlReader::parseEndTag(std::size_t& at)
{
    const char* data = m_buffer.data();
    std::size_t i = at + 2;
    while (i < m_end && !isSpace(data[i]) && data[i] != '>')
        ++i;
    const std::string_view name(data + at + 2, i - at - 2);
    while (i < m_end && isSpace(data[i]))
        ++i;
    if (i == m_end)
        return false;
    if (data[i] != '>')
        damaged(QStringLiteral("the end tag </%1> is malformed").arg(qText(name)));
    if (m_openEnds.empty())
        damaged(QStringLiteral("the element <%1> ends where none is open").arg(qText(name)));
    if (name != top())
        damaged(QStringLiteral("the element <%1> ends as </%2>").arg(qText(top()), qText(name)));
    m_openEnds.pop_back();
    m_open.resize(m_openEnds.empty() ? 0 : m_openEnds.back());
    m_attributes.clear();
    m_local = localOf(name);
    at = i + 1;
    return true;
}

std::string_view XmlReader::top() const
{
    const std::size_t begin = m_openEnds.size() > 1 ? m_openEnds[m_openEnds.size() - 2] : 0;
    return std::string_view(m_open).substr(begin, m_openEnds.back() - begin);
}

// The text with its entities replaced and its line ends as XML reads them;
// attribute values read white space as spaces.
std::string_view XmlReader::decode(std::string_view raw, std::string& scratch, bool attribute) const
{
    const auto special = [attribute](char c) { return c == '&' || c == '\r' || (attribute && (c == '\n' || c == '\t')); };
    if (std::none_of(raw.begin(), raw.end(), special))
        return raw;
    scratch.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '&') {
            const std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos)
                damaged(QStringLiteral("it holds an \"&\" that starts no entity"));
            const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
            if (entity == "lt")
                scratch += '<';
            else if (entity == "gt")
                scratch += '>';
            else if (entity == "amp")
                scratch += '&';
            else if (entity == "quot")
                scratch += '"';
            else if (entity == "apos")
                scratch += '\'';
            else if (const char32_t code = entity.starts_with('#') ? characterReference(entity) : 0)
                appendUtf8(scratch, code);
            else
                damaged(QStringLiteral("it holds the unknown entity &%1;").arg(qText(entity.substr(0, 40))));
            i = semicolon;
        } else if (c == '\r') {
            scratch += attribute ? ' ' : '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            scratch += attribute && (c == '\n' || c == '\t') ? ' ' : c;
        }
    }
    return scratch;
}

void XmlReader::checkDeclaration(std::string_view declaration) const
{
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return;
    const std::size_t quote = declaration.find_first_of("\"'", at);
    const std::size_t close = quote == std::string_view::npos ? quote : declaration.find(declaration[quote], quote + 1);
    if (close == std::string_view::npos)
        damaged(QStringLiteral("its XML declaration is malformed"));
    const QString encoding = qText(declaration.substr(quote + 1, close - quote - 1));
    if (encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0 && encoding.compare(u"UTF8", Qt::CaseInsensitive) != 0)
        damaged(QStringLiteral("it is written in %1; workbook parts are read in UTF-8").arg(encoding));
}

std::optional<std::string_view> XmlReader::attribute(std::string_view local) const
{
    for (const XmlAttribute& a : m_attributes)
        if (a.local == local)
            return a.value;
    return std::nullopt;
}

bool XmlReader::nextChild()
{
    for (;;) {
        switch (next()) {
        case Token::Start: return true;
        case Token::End:
        case Token::EndOfPart: return false;
        case Token::Text: break;
        }
    }
}

void XmlReader::skipElement()
{
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case Token::Start: ++depth; break;
        case Token::End: --depth; break;
        case Token::EndOfPart: return;
        case Token::Text: break;
        }
    }
}

std::string_view XmlReader::elementText()
{
    m_collected.clear();
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case Token::Start: ++depth; break;
        case Token::End: --depth; break;
        case Token::EndOfPart: return m_collected;
        case Token::Text: m_collected.append(m_text); break;
        }
    }
    return m_collected;
}

void XmlReader::finish()
{
    while (next() != Token::EndOfPart) {
    }
    m_file->close();
    if (m_file->getZipError() != UNZ_OK)
        damaged(QStringLiteral("its data fails the archive's check"));
}

void XmlReader::damaged(const QString& why) const
{
    qint64 line = m_linesBefore + 1;
    line += std::count(m_buffer.data(), m_buffer.data() + std::min(m_pos, m_end), '\n');
    refuse(QStringLiteral("the part %1 is damaged (line %2: %3)").arg(m_partName).arg(line).arg(why));
}

std::optional<double> xmlNumber(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> xmlCount(std::string_view text, std::int64_t max)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return std::nullopt;
    return value;
}

bool xmlTrue(std::string_view text) { return text == "1" || text == "true"; }

void cannotOpen(const QString& path, const QString& why)
{
    throw quorvale::AutomationError(QStringLiteral("Cannot open \"%1\": %2").arg(QDir::toNativeSeparators(path), why));
}

OpenedFile::OpenedFile(const QString& path) : m_path(path)
{
    if (!QFileInfo::exists(path))
        cannotOpen(path, QStringLiteral("there is no such file"));
    try {
        m_descriptor = quorvale::files::openPlainFile(path);
    } catch (const quorvale::files::FileError& e) {
        cannotOpen(path, e.reason());
    }
    if (!m_file.open(m_descriptor.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        cannotOpen(path, m_file.errorString());
}

QByteArray OpenedFile::start(qint64 n)
{
    m_file.seek(0);
    const QByteArray bytes = m_file.read(n);
    m_file.seek(0);
    return bytes;
}

QByteArray OpenedFile::readAll()
{
    m_file.seek(0);
    const QByteArray bytes = m_file.readAll();
    if (m_file.error() != QFileDevice::NoError)
        cannotOpen(m_path, m_file.errorString());
    return bytes;
}

std::unique_ptr<Workbook> readArchive(OpenedFile& file,
                                      const std::function<std::unique_ptr<Workbook>(const ZipReader&)>& read)
{
    try {
        file.device().seek(0);
        const ZipReader zip(file.device());
        std::unique_ptr<Workbook> book = read(zip);
        if (book)
            book->fullName = QFileInfo(file.path()).absoluteFilePath();
        return book;
    } catch (const quorvale::AutomationError& e) {
        cannotOpen(file.path(), e.description());
    }
}

} // namespace ss::zip
