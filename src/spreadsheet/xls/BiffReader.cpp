#include "spreadsheet/xls/BiffReader.h"

#include "core/LittleEndian.h"

#include "automation/Error.h"
#include "spreadsheet/xls/Records.h"

#include <cstring>

namespace ss::xls {

void damaged(const QString& what)
{
    throw quorvale::AutomationError(what);
}

QString Record::where() const
{
    return QStringLiteral("the %1 record at offset %2").arg(QString::fromStdString(rec::recordLabel(type))).arg(offset);
}

RecordStream::RecordStream(const Bytes& stream, std::size_t start) : m_stream(stream), m_position(start) {}

Record RecordStream::next()
{
    if (m_stream.size() - m_position < rec::HeaderSize)
        damaged(QStringLiteral("the workbook stream ends inside a record header at offset %1").arg(m_position));
    const std::uint8_t* header = m_stream.data() + m_position;
    Record record;
    record.type = quorvale::le::u16(header);
    record.offset = m_position;
    const std::size_t length = std::size_t(quorvale::le::u16(header + 2));
    const std::size_t dataStart = m_position + rec::HeaderSize;
    if (length > m_stream.size() - dataStart)
        damaged(QStringLiteral("%1 claims %2 bytes, but the workbook stream has only %3 left")
                    .arg(record.where())
                    .arg(length)
                    .arg(m_stream.size() - dataStart));
    record.data = std::span<const std::uint8_t>(m_stream.data() + dataStart, length);
    m_position = dataStart + length;
    return record;
}

std::uint16_t RecordStream::peekType() const
{
    if (m_stream.size() - m_position < 2)
        return 0;
    return quorvale::le::u16(m_stream.data() + m_position);
}

void Cursor::need(std::size_t n) const
{
    if (remaining() < n)
        damaged(QStringLiteral("%1 is too short (%2 bytes)").arg(m_record.where()).arg(m_record.data.size()));
}

std::uint8_t Cursor::u8()
{
    need(1);
    return m_record.data[m_at++];
}

std::uint16_t Cursor::u16()
{
    need(2);
    const std::uint16_t v = quorvale::le::u16(m_record.data.data() + m_at);
    m_at += 2;
    return v;
}

std::uint32_t Cursor::u32()
{
    const std::uint32_t low = u16();
    return low | std::uint32_t(u16()) << 16;
}

double Cursor::f64()
{
    const std::uint64_t low = u32();
    const std::uint64_t bits = low | std::uint64_t(u32()) << 32;
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void Cursor::skip(std::size_t count)
{
    need(count);
    m_at += count;
}

QString Cursor::flaggedChars(std::size_t count)
{
    const bool wide = u8() & rec::StringWide;
    need(count * (wide ? 2 : 1));
    QString text(qsizetype(count), Qt::Uninitialized);
    for (std::size_t i = 0; i < count; ++i)
        text[qsizetype(i)] = QChar(wide ? u16() : u8());
    return text;
}

std::vector<Record> withContinues(RecordStream& records, const Record& first)
{
    std::vector<Record> pieces{first};
    while (records.peekType() == rec::Continue)
        pieces.push_back(records.next());
    return pieces;
}

bool ContinuedCursor::nextPiece()
{
    if (m_piece + 1 >= m_pieces.size())
        return false;
    ++m_piece;
    m_at = 0;
    return true;
}

void ContinuedCursor::needByte()
{
    while (m_at >= m_pieces[m_piece].data.size())
        if (!nextPiece())
            damaged(QStringLiteral("%1 and its continuations end early").arg(m_pieces.front().where()));
}

bool ContinuedCursor::atEnd() const
{
    for (std::size_t p = m_piece; p < m_pieces.size(); ++p)
        if ((p == m_piece ? m_at : 0) < m_pieces[p].data.size())
            return false;
    return true;
}

std::uint8_t ContinuedCursor::u8()
{
    needByte();
    return m_pieces[m_piece].data[m_at++];
}

std::uint16_t ContinuedCursor::u16()
{
    const std::uint16_t low = u8();
    return std::uint16_t(low | u8() << 8);
}

std::uint32_t ContinuedCursor::u32()
{
    const std::uint32_t low = u16();
    return low | std::uint32_t(u16()) << 16;
}

void ContinuedCursor::skip(std::size_t count)
{
    while (count > 0) {
        needByte();
        const std::size_t step = std::min(count, m_pieces[m_piece].data.size() - m_at);
        m_at += step;
        count -= step;
    }
}

QString ContinuedCursor::chars(std::size_t count, bool wide)
{
    QString text;
    text.reserve(qsizetype(std::min<std::size_t>(count, 1 << 16)));
    while (std::size_t(text.size()) < count) {
        if (m_at >= m_pieces[m_piece].data.size()) {
            // Characters go on in the next record after an option flag of their own.
            if (!nextPiece())
                damaged(QStringLiteral("%1 and its continuations end inside a string").arg(m_pieces.front().where()));
            wide = u8() & rec::StringWide;
            continue;
        }
        if (wide) {
            if (m_pieces[m_piece].data.size() - m_at < 2)
                damaged(QStringLiteral("a character of %1 is cut in two at a record boundary").arg(m_pieces.front().where()));
            const auto& data = m_pieces[m_piece].data;
            text.append(QChar(quorvale::le::u16(data.data() + m_at)));
            m_at += 2;
        } else {
            text.append(QChar(m_pieces[m_piece].data[m_at++]));
        }
    }
    return text;
}

} // namespace ss::xls
