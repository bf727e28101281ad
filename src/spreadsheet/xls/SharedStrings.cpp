#include "spreadsheet/xls/SharedStrings.h"

#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/Records.h"

#include <algorithm>

namespace ss::xls {

namespace {

// The string header: character count and option flags.
constexpr std::size_t StringHeader = 3;
// EXTSST finds every bucket of strings; a bucket holds at least this many,
// and there are at most MaxBuckets of them.
constexpr std::size_t MinStringsPerBucket = 8;
constexpr std::size_t MaxBuckets = 128;

std::size_t roomLeft(const BiffWriter& out) { return rec::MaxRecordData - out.recordLength(); }

void startContinue(BiffWriter& out, std::size_t& recordStart)
{
    out.end();
    recordStart = out.position();
    out.begin(rec::Continue);
}

} // namespace

void SharedStrings::use(const QString& text)
{
    ++m_uses;
    if (m_index.contains(text))
        return;
    m_index.insert(text, std::uint32_t(m_strings.size()));
    m_strings.push_back(text);
}

std::uint16_t SharedStrings::stringsPerBucket() const
{
    const std::size_t perBucket = std::max(MinStringsPerBucket, m_strings.size() / MaxBuckets + 1);
    return std::uint16_t(std::min<std::size_t>(perBucket, 0xFFFF));
}

void SharedStrings::write(BiffWriter& out) const
{
    const std::uint16_t perBucket = stringsPerBucket();
    std::vector<Bucket> buckets;
    std::size_t recordStart = out.position();
    out.begin(rec::Sst);
    out.u32(m_uses).u32(std::uint32_t(m_strings.size()));
    for (std::size_t i = 0; i < m_strings.size(); ++i) {
        const QString& text = m_strings[i];
        const std::size_t unit = fitsLatin1(text) ? 1 : 2;
        // The header and the first character stay together in one record.
        if (roomLeft(out) < StringHeader + (text.isEmpty() ? 0 : unit))
            startContinue(out, recordStart);
        if (i % perBucket == 0)
            buckets.push_back({std::uint32_t(out.position()), std::uint16_t(out.position() - recordStart)});
        writeString(out, text, recordStart);
    }
    out.end();
    writeExtSst(out, perBucket, buckets);
}

void SharedStrings::writeString(BiffWriter& out, const QString& text, std::size_t& recordStart) const
{
    const bool wide = !fitsLatin1(text);
    const std::size_t unit = wide ? 2 : 1;
    out.u16(std::uint32_t(text.size())).u8(wide ? rec::StringWide : 0);
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype fit = std::min<qsizetype>(text.size() - at, qsizetype(roomLeft(out) / unit));
        // A surrogate pair is one character: never part it.
        if (fit > 0 && at + fit < text.size() && text[at + fit - 1].isHighSurrogate())
            --fit;
        if (fit == 0) {
            // The rest goes on in a CONTINUE record, which repeats the option flag.
            startContinue(out, recordStart);
            out.u8(wide ? rec::StringWide : 0);
            continue;
        }
        for (qsizetype i = at; i < at + fit; ++i) {
            if (wide)
                out.u16(text[i].unicode());
            else
                out.u8(text[i].unicode());
        }
        at += fit;
    }
}

void SharedStrings::writeExtSst(BiffWriter& out, std::uint16_t perBucket, const std::vector<Bucket>& buckets) const
{
    out.begin(rec::ExtSst);
    out.u16(perBucket);
    for (const Bucket& b : buckets)
        out.u32(b.streamPosition).u16(b.recordOffset).u16(0);
    out.end();
}

std::vector<QString> readSharedStrings(ContinuedCursor& in)
{
    in.u32(); // total uses
    const std::uint32_t count = in.u32();
    std::vector<QString> strings;
    // Every string takes at least three bytes, so the count is checked by
    // the data as it is read rather than trusted for a reservation.
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint16_t length = in.u16();
        const std::uint8_t flags = in.u8();
        const std::uint16_t runs = flags & rec::StringRich ? in.u16() : 0;
        const std::uint32_t extension = flags & rec::StringExtended ? in.u32() : 0;
        strings.push_back(in.chars(length, flags & rec::StringWide));
        in.skip(std::size_t(runs) * rec::FormatRunSize);
        in.skip(extension);
    }
    return strings;
}

} // namespace ss::xls
