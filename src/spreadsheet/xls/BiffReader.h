#pragma once

#include "spreadsheet/xls/CompoundFile.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ss::xls {

// Throws the AutomationError that tells what is wrong with a workbook stream.
[[noreturn]] void damaged(const QString& what);

// One record of a workbook stream.
struct Record {
    std::uint16_t type = 0;
    std::size_t offset = 0; // stream position of the record header
    std::span<const std::uint8_t> data;

    // "the FONT record at offset 1234", for messages.
    QString where() const;
};

// Walks the records of a stream from a position, checking that every record
// lies wholly inside the stream.
class RecordStream {
public:
    RecordStream(const Bytes& stream, std::size_t start);

    bool atEnd() const { return m_position >= m_stream.size(); }
    // The next record; fails when its header or data run past the end.
    Record next();
    // The type of the next record, or 0 at the end of the stream.
    std::uint16_t peekType() const;
    std::size_t position() const { return m_position; }

private:
    const Bytes& m_stream;
    std::size_t m_position;
};

// Reads the fields of one record, failing on any read past its end.
class Cursor {
public:
    explicit Cursor(const Record& record) : m_record(record) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    double f64();
    void skip(std::size_t count);
    std::size_t remaining() const { return m_record.data.size() - m_at; }

    // count characters after their one-byte option flag.
    QString flaggedChars(std::size_t count);
    // A string with a one-byte character count (fonts, sheet names).
    QString shortString() { return flaggedChars(u8()); }
    // A string with a two-byte character count (LABEL).
    QString string() { return flaggedChars(u16()); }

    // Fails unless n more bytes are there.
    void need(std::size_t n) const;

private:
    const Record& m_record;
    std::size_t m_at = 0;
};

// The record first and the CONTINUE records after it; records moves past them.
std::vector<Record> withContinues(RecordStream& records, const Record& first);

// Reads a record together with the CONTINUE records after it, as the shared
// string table is stored: plain fields may run across a record boundary,
// while characters that do start the next record with a new option flag.
class ContinuedCursor {
public:
    explicit ContinuedCursor(std::vector<Record> pieces) : m_pieces(std::move(pieces)) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    void skip(std::size_t count);
    // count characters, the first piece's option flag read by the caller.
    QString chars(std::size_t count, bool wide);
    bool atEnd() const;

private:
    bool nextPiece();
    void needByte();

    std::vector<Record> m_pieces;
    std::size_t m_piece = 0;
    std::size_t m_at = 0;
};

} // namespace ss::xls
