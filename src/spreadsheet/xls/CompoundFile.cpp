#include "spreadsheet/xls/CompoundFile.h"

#include "core/LittleEndian.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ss::xls {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

// The class identifier Excel gives the root of its workbooks.
constexpr std::uint8_t ExcelClassId[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void initialiseOnce()
{
    static const bool done = [] {
        gsf_init();
        return true;
    }();
    (void)done;
}

std::string describe(GError* error, const char* fallback)
{
    std::unique_ptr<GError, GErrorFree> owned(error);
    return owned && owned->message ? std::string(owned->message) : std::string(fallback);
}

void check(gboolean ok, const char* what)
{
    if (!ok)
        throw CompoundFileError(what);
}

// Checks that a compound document is whole and consistent before libgsf
// reads it: every sector that it names lies inside the file, the directory
// is a tree, and the chains of sectors of the stream to be read (and of the
// mini stream, when it lies there) end. libgsf meets such damage with GLib
// criticals (checks meant for its callers' mistakes) and, for a loop in the
// directory, with endless recursion. Streams that are not read are left as
// they are, as libgsf leaves them.
class DocumentCheck {
public:
    DocumentCheck(const Bytes& file, const std::string& streamName) : m_file(file), m_streamName(streamName) {}

    void run();

private:
    static constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
    static constexpr std::uint32_t NoStream = 0xFFFFFFFF;
    static constexpr std::uint32_t FirstSpecial = 0xFFFFFFFC; // DIFAT, FAT, end of chain, free
    static constexpr std::size_t HeaderSize = 512;
    static constexpr std::size_t HeaderFatSectors = 109;
    static constexpr std::size_t EntrySize = 128;
    static constexpr std::size_t MiniSectorSize = 64;
    static constexpr std::size_t MaxDepth = 1000;

    enum EntryType : std::uint8_t { Storage = 1, Stream = 2, Root = 5 };

    // Where the header keeps its fields.
    struct HeaderAt {
        static constexpr std::size_t SectorShift = 0x1E;
        static constexpr std::size_t MiniSectorShift = 0x20;
        static constexpr std::size_t FatSectors = 0x2C;
        static constexpr std::size_t FirstDirectorySector = 0x30;
        static constexpr std::size_t MiniStreamCutoff = 0x38;
        static constexpr std::size_t FirstMiniFatSector = 0x3C;
        static constexpr std::size_t FirstDifatSector = 0x44;
        static constexpr std::size_t DifatSectors = 0x48;
        static constexpr std::size_t Difat = 0x4C;
    };
    // Where a directory entry keeps its fields, from its start.
    struct EntryAt {
        static constexpr std::size_t NameBytes = 64;
        static constexpr std::size_t Type = 66;
        static constexpr std::size_t LeftSibling = 68;
        static constexpr std::size_t RightSibling = 72;
        static constexpr std::size_t Child = 76;
        static constexpr std::size_t StartSector = 116;
        static constexpr std::size_t Size = 120;
    };

    [[noreturn]] static void fail(const std::string& what)
    {
        throw CompoundFileError("the compound document is damaged: " + what);
    }
    std::uint16_t u16(std::size_t at) const { return quorvale::le::u16(m_file.data() + at); }
    std::uint32_t u32(std::size_t at) const { return quorvale::le::u32(m_file.data() + at); }
    std::size_t sectorOffset(std::uint32_t sector) const { return m_headerArea + std::size_t(sector) * m_sectorSize; }
    std::vector<std::uint32_t> chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                     std::size_t limit, const char* what) const;
    void readFat();
    void checkTables(const std::vector<std::uint32_t>& table, std::size_t limit, const char* what) const;
    void checkDirectory();
    bool named(std::size_t entry) const;
    void checkStream(std::size_t offset, bool inMiniStream);

    const Bytes& m_file;
    const std::string& m_streamName;
    std::size_t m_sectorSize = 0;
    std::size_t m_headerArea = 0;
    std::size_t m_sectors = 0;
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_directory;
    std::vector<std::uint32_t> m_miniFat;
    bool m_miniFatRead = false;
    std::size_t m_miniStreamSize = 0;
};

void DocumentCheck::run()
{
    static constexpr std::uint8_t Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    // Anything else libgsf refuses by itself, without complaint.
    if (m_file.size() < HeaderSize || std::memcmp(m_file.data(), Signature, sizeof Signature) != 0)
        return;
    const unsigned shift = u16(HeaderAt::SectorShift);
    const unsigned miniShift = u16(HeaderAt::MiniSectorShift);
    if ((shift != 9 && shift != 12) || miniShift != 6)
        fail("its sectors are of a size no workbook uses");
    m_sectorSize = std::size_t(1) << shift;
    m_headerArea = std::max(HeaderSize, m_sectorSize);
    if (m_file.size() < m_headerArea)
        fail("the file ends inside its header");
    m_sectors = (m_file.size() - m_headerArea) / m_sectorSize;
    readFat();
    checkDirectory();
}

std::vector<std::uint32_t> DocumentCheck::chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                                std::size_t limit, const char* what) const
{
    std::vector<std::uint32_t> sectors;
    std::vector<bool> seen(std::min(limit, table.size()), false);
    for (std::uint32_t s = start; s != EndOfChain; s = table[s]) {
        if (s >= seen.size())
            fail(std::string("the sectors of ") + what + " run past the end of the file");
        if (seen[s])
            fail(std::string("the sectors of ") + what + " run in a loop");
        seen[s] = true;
        sectors.push_back(s);
    }
    return sectors;
}

// The sector allocation table, from the sectors the header and the DIFAT
// sectors list.
void DocumentCheck::readFat()
{
    const std::size_t fatSectors = u32(HeaderAt::FatSectors);
    const std::uint32_t difatStart = u32(HeaderAt::FirstDifatSector);
    const std::size_t difatSectors = u32(HeaderAt::DifatSectors);
    const std::size_t perDifat = m_sectorSize / 4 - 1;
    const std::size_t neededDifat =
        fatSectors > HeaderFatSectors ? (fatSectors - HeaderFatSectors + perDifat - 1) / perDifat : 0;
    if (fatSectors == 0 || fatSectors > m_sectors || difatSectors != neededDifat)
        fail("its header gives " + std::to_string(fatSectors) + " FAT sectors and " + std::to_string(difatSectors)
             + " DIFAT sectors for a file of " + std::to_string(m_sectors) + " sectors");
    std::vector<std::uint32_t> listed;
    for (std::size_t i = 0; i < std::min(fatSectors, HeaderFatSectors); ++i)
        listed.push_back(u32(HeaderAt::Difat + 4 * i));
    std::uint32_t difat = difatStart;
    for (std::size_t d = 0; d < difatSectors; ++d) {
        if (difat >= m_sectors)
            fail("a DIFAT sector lies past the end of the file");
        const std::size_t at = sectorOffset(difat);
        for (std::size_t i = 0; i < perDifat && listed.size() < fatSectors; ++i)
            listed.push_back(u32(at + 4 * i));
        difat = u32(at + 4 * perDifat);
    }
    m_fat.reserve(fatSectors * m_sectorSize / 4);
    for (const std::uint32_t sector : listed) {
        if (sector >= m_sectors)
            fail("a FAT sector lies past the end of the file");
        const std::size_t at = sectorOffset(sector);
        for (std::size_t i = 0; i < m_sectorSize / 4; ++i)
            m_fat.push_back(u32(at + 4 * i));
    }
    checkTables(m_fat, m_sectors, "the FAT");
}

// Every link of an allocation table names a sector that exists or is a
// mark (end of chain, free, FAT or DIFAT sector).
void DocumentCheck::checkTables(const std::vector<std::uint32_t>& table, std::size_t limit, const char* what) const
{
    for (const std::uint32_t link : table)
        if (link >= limit && link < FirstSpecial)
            fail(std::string(what) + " links to sector " + std::to_string(link) + ", which the file does not have");
}

void DocumentCheck::checkDirectory()
{
    m_directory = chain(u32(HeaderAt::FirstDirectorySector), m_fat, m_sectors, "the directory");
    const std::size_t entries = m_directory.size() * (m_sectorSize / EntrySize);
    if (entries == 0)
        fail("it has no directory");
    const auto entryOffset = [&](std::uint32_t entry) {
        return sectorOffset(m_directory[entry * EntrySize / m_sectorSize]) + entry * EntrySize % m_sectorSize;
    };
    if (m_file[entryOffset(0) + EntryAt::Type] != Root)
        fail("its directory does not start with the root entry");

    // The entries reachable from the root, as libgsf walks them: both
    // neighbours of every entry and the children of storages.
    struct Visit {
        std::uint32_t entry;
        std::size_t depth;
        bool hasParent; // the root and its neighbours are never stored in the mini stream
    };
    std::vector<bool> seen(entries, false);
    std::vector<Visit> pending{{0, 0, false}};
    std::vector<std::size_t> streams;
    std::vector<bool> miniStreams;
    while (!pending.empty()) {
        const Visit v = pending.back();
        pending.pop_back();
        if (v.entry == NoStream)
            continue;
        if (v.entry >= entries)
            fail("its directory links to entry " + std::to_string(v.entry) + ", which it does not have");
        if (seen[v.entry])
            fail("its directory is not a tree");
        if (v.depth > MaxDepth)
            fail("its directory nests too deep");
        seen[v.entry] = true;
        const std::size_t at = entryOffset(v.entry);
        const std::uint8_t type = m_file[at + EntryAt::Type];
        if (type != Storage && type != Stream && (type != Root || v.entry != 0))
            fail("its directory holds an entry of unknown kind");
        pending.push_back({u32(at + EntryAt::LeftSibling), v.depth + 1, v.hasParent});
        pending.push_back({u32(at + EntryAt::RightSibling), v.depth + 1, v.hasParent});
        if (type != Stream)
            pending.push_back({u32(at + EntryAt::Child), v.depth + 1, true});
        if (type != Storage && u32(at + EntryAt::Size) > m_file.size())
            fail("a stream claims more bytes than the file holds");
        if (type == Stream && named(at)) {
            streams.push_back(at);
            miniStreams.push_back(v.hasParent && u32(at + EntryAt::Size) < u32(HeaderAt::MiniStreamCutoff));
        }
    }
    // The root's own stream is the mini stream.
    if (std::find(miniStreams.begin(), miniStreams.end(), true) != miniStreams.end()) {
        checkStream(entryOffset(0), false);
        m_miniStreamSize = u32(entryOffset(0) + EntryAt::Size);
    }
    for (std::size_t i = 0; i < streams.size(); ++i)
        checkStream(streams[i], miniStreams[i]);
}

// Whether the entry at offset has the name of the stream to be read, its
// letters in either case, read as libgsf reads names: UTF-16 up to the first
// zero or, from some writers, 8-bit characters.
bool DocumentCheck::named(std::size_t offset) const
{
    const std::size_t bytes = std::min<std::size_t>(u16(offset + EntryAt::NameBytes), 64);
    const auto same = [](unsigned c, char wanted) {
        const auto lower = [](unsigned x) { return x >= 'A' && x <= 'Z' ? x + ('a' - 'A') : x; };
        return lower(c) == lower(static_cast<unsigned char>(wanted));
    };
    const std::size_t length = m_streamName.size();
    const std::size_t units = (bytes + 1) / 2; // libgsf reads a last odd byte as a whole unit
    bool wide = length <= units
                && (length == units || u16(offset + 2 * length) == 0);
    bool narrow = length + 1 == bytes && m_file[offset + length] == 0;
    for (std::size_t i = 0; i < length && (wide || narrow); ++i) {
        wide = wide && same(u16(offset + 2 * i), m_streamName[i]);
        narrow = narrow && same(m_file[offset + i], m_streamName[i]);
    }
    return wide || narrow;
}

// A stream's size fits the file and its sectors hold all of it.
void DocumentCheck::checkStream(std::size_t offset, bool inMiniStream)
{
    const std::size_t size = u32(offset + EntryAt::Size);
    const std::uint32_t start = u32(offset + EntryAt::StartSector);
    // An empty stream may have no sectors at all; libgsf follows any it names.
    if (size == 0 && start >= FirstSpecial)
        return;
    if (!inMiniStream) {
        if (chain(start, m_fat, m_sectors, "a stream").size() * m_sectorSize < size)
            fail("a stream has fewer sectors than its size needs");
        return;
    }
    if (!m_miniFatRead) {
        for (const std::uint32_t sector : chain(u32(HeaderAt::FirstMiniFatSector), m_fat, m_sectors, "the mini FAT")) {
            const std::size_t at = sectorOffset(sector);
            for (std::size_t i = 0; i < m_sectorSize / 4; ++i)
                m_miniFat.push_back(u32(at + 4 * i));
        }
        checkTables(m_miniFat, m_miniFat.size(), "the mini FAT");
        m_miniFatRead = true;
    }
    if (chain(start, m_miniFat, m_miniStreamSize / MiniSectorSize, "a small stream").size() * MiniSectorSize < size)
        fail("a small stream has fewer sectors than its size needs");
}

GPtr<GsfInfile> openDocument(const Bytes& file, const std::string& streamName)
{
    initialiseOnce();
    DocumentCheck(file, streamName).run();
    GPtr<GsfInput> input(gsf_input_memory_new(file.data(), gsf_off_t(file.size()), FALSE));
    GError* error = nullptr;
    GPtr<GsfInfile> document(gsf_infile_msole_new(input.get(), &error));
    if (!document)
        throw CompoundFileError("not a compound document (" + describe(error, "unreadable header") + ")");
    return document;
}

// The stream of that name, its letters in either case, as compound
// documents compare names; null when there is none.
GPtr<GsfInput> childNamed(GsfInfile* document, const std::string& streamName)
{
    for (int i = 0; i < gsf_infile_num_children(document); ++i) {
        const char* name = gsf_infile_name_by_index(document, i);
        if (name && g_ascii_strcasecmp(name, streamName.c_str()) == 0)
            return GPtr<GsfInput>(gsf_infile_child_by_index(document, i));
    }
    return nullptr;
}

} // namespace

Bytes writeCompoundFile(const std::string& streamName, const Bytes& stream)
{
    initialiseOnce();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    GPtr<GsfOutfile> document(gsf_outfile_msole_new(sink.get()));
    check(document != nullptr, "cannot start a compound document");
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(document.get()), ExcelClassId);

    GPtr<GsfOutput> child(gsf_outfile_new_child(document.get(), streamName.c_str(), FALSE));
    check(child != nullptr, "cannot add the workbook stream");
    check(gsf_output_write(child.get(), stream.size(), stream.data()), "cannot write the workbook stream");
    check(gsf_output_close(child.get()), "cannot finish the workbook stream");
    check(gsf_output_close(GSF_OUTPUT(document.get())), "cannot finish the compound document");

    auto* memory = GSF_OUTPUT_MEMORY(sink.get());
    const guint8* bytes = gsf_output_memory_get_bytes(memory);
    const gsf_off_t size = gsf_output_size(sink.get());
    check(size > 0 && bytes != nullptr, "the compound document came out empty");
    return Bytes(bytes, bytes + size);
}

Bytes readCompoundStream(const Bytes& file, const std::string& streamName)
{
    const GPtr<GsfInfile> document = openDocument(file, streamName);
    const GPtr<GsfInput> child = childNamed(document.get(), streamName);
    if (!child)
        throw CompoundFileError("the compound document has no " + streamName + " stream");
    const gsf_off_t size = gsf_input_size(child.get());
    // A stream cannot hold more than the document it lives in.
    if (size < 0 || std::uint64_t(size) > file.size())
        throw CompoundFileError("the " + streamName + " stream claims more bytes than the file holds");
    Bytes stream(static_cast<std::size_t>(size));
    if (size > 0 && !gsf_input_read(child.get(), size_t(size), stream.data()))
        throw CompoundFileError("the " + streamName + " stream is cut short");
    return stream;
}

bool hasCompoundStream(const Bytes& file, const std::string& streamName)
{
    try {
        const GPtr<GsfInfile> document = openDocument(file, streamName);
        return childNamed(document.get(), streamName) != nullptr;
    } catch (const CompoundFileError&) {
        return false;
    }
}

} // namespace ss::xls
