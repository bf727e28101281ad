#pragma once

#include "core/Files.h"
#include "spreadsheet/model/Sheet.h"

#include <QFile>
#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// The parts of a zip archive (an .xlsx or .ods workbook), each read as a
// stream of XML straight out of the archive, never whole into memory.
//
// The archive is read with minizip, the library libxlsxwriter writes with:
// QuaZip carries a changed copy of minizip under the same names, and in one
// process with libxlsxwriter one of them calls the other's functions.
//
// What a damaged or hostile archive can cost is bounded: only the first
// MaxEntries entries are looked at, and a part that unpacks to more than
// MaxPartBytes is refused as soon as it does, however small it was packed.
// Every failure is an AutomationError saying what is wrong in the user's
// words, with the part's name.
namespace ss::zip {

inline constexpr int MaxEntries = 65'536;
inline constexpr qint64 MaxPartBytes = qint64(1) << 30;

class ZipReader {
public:
    // Opens the archive on device, which must stay open and unread by
    // others while the reader lives. Throws when it is no zip archive.
    explicit ZipReader(QIODevice& device);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Whether the archive holds the part. Part names ignore case, as the
    // packages of both formats do.
    bool has(const QString& name) const;
    // The first limit bytes of a part; empty when it is missing.
    QByteArray head(const QString& name, qint64 limit) const;

private:
    friend class XmlReader;
    class Part;
    // Opens the part for reading; throws when it is missing or damaged.
    std::unique_ptr<Part> openPart(const QString& name) const;

    void* m_unzip = nullptr; // minizip's unzFile
    struct Entry {
        std::uint64_t directoryOffset = 0;
        std::uint64_t number = 0;
        bool encrypted = false;
    };
    QHash<QString, Entry> m_entries; // by lower-case name
};

struct XmlAttribute {
    std::string_view name;  // as written, prefix and all
    std::string_view local; // without the prefix
    std::string_view value; // entities replaced
};

// A pull reader of one XML part of the archive, in UTF-8.
//
// The spreadsheet parts run to tens of megabytes, so this reader is made
// for speed: it hands out names, attribute values and texts as UTF-8
// views into its buffer, valid until the next call, and allocates nothing
// per element. It checks what a reader must to tell a damaged part (tags
// that match, attributes that are quoted, known entities) and refuses a
// document type declaration, which no workbook part has and whose entities
// could blow up. Namespaces are not resolved: elements and attributes are
// told apart by their local names, which are distinct in the parts read.
class XmlReader {
public:
    enum class Token : std::uint8_t { Start, End, Text, EndOfPart };

    // Throws when the archive lacks the part. One part of an archive is
    // read at a time.
    XmlReader(const ZipReader& zip, const QString& name);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    const QString& partName() const { return m_partName; }

    // The next token; a tag that closes itself gives a Start then an End.
    Token next();
    // Of a Start or End token: the local name, and whether it is local.
    std::string_view localName() const { return m_local; }
    bool is(std::string_view local) const { return m_local == local; }
    // Of a Start token.
    const std::vector<XmlAttribute>& attributes() const { return m_attributes; }
    std::optional<std::string_view> attribute(std::string_view local) const;
    // Of a Text token.
    std::string_view text() const { return m_text; }

    // Reads to the next child element of the element just started; false
    // when the element ends first (its End is read).
    bool nextChild();
    // Reads past the end of the element just started.
    void skipElement();
    // The text of the element just started and of its descendants, up to
    // its end; valid until the next call of elementText.
    std::string_view elementText();

    // Throws saying that the part is damaged at the current line.
    [[noreturn]] void damaged(const QString& why) const;
    // Throws when the part held more than the closing of its root element.
    void finish();

private:
    // What a parse step made of the buffer: a token, something skipped (a
    // comment, a processing instruction, white space outside the root), or
    // nothing yet as the piece goes on past the buffer.
    enum class Step : std::uint8_t { Done, Skipped, More };

    bool fill();
    Step parseMarkup(Token& token);
    bool parseStartTag(std::size_t& at);
    bool parseEndTag(std::size_t& at);
    Step parseText(Token& token);
    bool skipPast(std::string_view end, std::size_t from);
    std::string_view decode(std::string_view raw, std::string& scratch, bool attribute) const;
    void checkDeclaration(std::string_view declaration) const;
    std::string_view top() const;

    QString m_partName;
    std::unique_ptr<ZipReader::Part> m_file;
    qint64 m_unpacked = 0;
    bool m_atEnd = false;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    qint64 m_linesBefore = 0; // lines of what left the buffer
    bool m_closePending = false;
    bool m_rootSeen = false;
    std::string m_open; // the names of the open elements, one after another
    std::vector<std::uint32_t> m_openEnds;

    std::string_view m_local;
    std::vector<XmlAttribute> m_attributes;
    std::deque<std::string> m_attributeScratch; // grows without moving what the views see
    std::string_view m_text;
    std::string m_textScratch;
    std::string m_collected;
};

// The number in text, a decimal numeral as XML writes one; empty when it
// is none or not finite.
std::optional<double> xmlNumber(std::string_view text);
// A whole number of at most max in text; empty when it is none.
std::optional<std::int64_t> xmlCount(std::string_view text, std::int64_t max);
// An xsd:boolean: "1" or "true".
bool xmlTrue(std::string_view text);
inline QString qText(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// Throws AutomationError: Cannot open "path": why.
[[noreturn]] void cannotOpen(const QString& path, const QString& why);

// A workbook file the user names, opened once by descriptor: a plain file,
// links followed, never waiting on a FIFO or a device. Its first bytes tell
// its format, and the same descriptor then reads it. Throws
// "Cannot open ..." when it cannot be opened.
class OpenedFile {
public:
    explicit OpenedFile(const QString& path);

    const QString& path() const { return m_path; }
    // The first bytes, at most n; the file stays at its start.
    QByteArray start(qint64 n);
    QIODevice& device() { return m_file; }
    qint64 size() const { return m_file.size(); }
    // The whole file.
    QByteArray readAll();

private:
    QString m_path;
    quorvale::files::Descriptor m_descriptor;
    QFile m_file;
};

// The workbook that read makes of the file as a zip archive. Every failure,
// read's too, throws AutomationError: Cannot open "path": why.
std::unique_ptr<Workbook> readArchive(OpenedFile& file,
                                      const std::function<std::unique_ptr<Workbook>(const ZipReader&)>& read);

} // namespace ss::zip
