#pragma once

#include "spreadsheet/xls/CompoundFile.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace ss::xls {

// Builds a BIFF8 record stream in memory, little-endian. A record is opened
// with begin(), filled with the field writers and closed with end(), which
// fills in its length. No record holds more than rec::MaxRecordData bytes:
// end() throws an AutomationError naming a record that would, and
// endContinued() carries the rest of a record of repeated elements on in
// CONTINUE records.
class BiffWriter {
public:
    void begin(std::uint16_t type);
    void end();
    // Closes a record of head bytes of fields and an array of elements of
    // element bytes each: what does not fit goes on in CONTINUE records,
    // each piece holding whole elements.
    void endContinued(std::size_t head, std::size_t element);
    // A record of fixed fields in one call: begin(type), fill, end().
    template <typename Fill>
    void record(std::uint16_t type, Fill fill)
    {
        begin(type);
        fill(*this);
        end();
    }

    BiffWriter& u8(std::uint32_t value)
    {
        m_bytes.push_back(std::uint8_t(value));
        return *this;
    }
    BiffWriter& u16(std::uint32_t value)
    {
        m_bytes.push_back(std::uint8_t(value));
        m_bytes.push_back(std::uint8_t(value >> 8));
        return *this;
    }
    BiffWriter& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    BiffWriter& f64(double value);
    BiffWriter& zeros(std::size_t count);
    // The characters of text after a one-byte option flag: compressed (one
    // byte a character) when every character fits in Latin-1, else UTF-16.
    BiffWriter& flaggedChars(QStringView text);

    // Bytes written so far, which is the stream position of the next record
    // (or, inside a record, of the next field).
    std::size_t position() const { return m_bytes.size(); }
    // Bytes of data in the open record so far.
    std::size_t recordLength() const { return m_bytes.size() - m_recordStart - 4; }
    void patchU32(std::size_t at, std::uint32_t value);
    void patchU16(std::size_t at, std::uint16_t value);

    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
    Bytes take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
    std::size_t m_recordStart = 0;
    std::uint16_t m_recordType = 0;
};

// True when every character of text is in Latin-1, so BIFF8 may store it
// one byte a character.
bool fitsLatin1(QStringView text);

} // namespace ss::xls
