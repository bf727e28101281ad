#include "spreadsheet/xls/BiffWriter.h"

#include "spreadsheet/xls/Records.h"

#include "automation/Error.h"

#include <cstring>

namespace ss::xls {

void BiffWriter::begin(std::uint16_t type)
{
    m_recordStart = m_bytes.size();
    m_recordType = type;
    u16(type).u16(0);
}

void BiffWriter::end()
{
    if (recordLength() > rec::MaxRecordData)
        throw quorvale::AutomationError(QStringLiteral("the %1 record would hold %2 bytes, more than the %3 a record holds")
                                            .arg(QString::fromStdString(rec::recordLabel(m_recordType)))
                                            .arg(recordLength())
                                            .arg(rec::MaxRecordData));
    patchU16(m_recordStart + 2, std::uint16_t(recordLength()));
}

void BiffWriter::endContinued(std::size_t head, std::size_t element)
{
    if (recordLength() <= rec::MaxRecordData) {
        end();
        return;
    }
    const Bytes data(m_bytes.begin() + std::ptrdiff_t(m_recordStart + rec::HeaderSize), m_bytes.end());
    m_bytes.resize(m_recordStart);
    std::size_t piece = head + (rec::MaxRecordData - head) / element * element;
    std::uint16_t type = m_recordType;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        piece = at == 0 ? piece : rec::MaxRecordData / element * element;
        const std::size_t length = std::min(piece, data.size() - at);
        u16(type).u16(std::uint32_t(length));
        m_bytes.insert(m_bytes.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + length));
        type = rec::Continue;
    }
}

BiffWriter& BiffWriter::f64(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return u32(std::uint32_t(bits)).u32(std::uint32_t(bits >> 32));
}

BiffWriter& BiffWriter::zeros(std::size_t count)
{
    m_bytes.insert(m_bytes.end(), count, 0);
    return *this;
}

BiffWriter& BiffWriter::flaggedChars(QStringView text)
{
    const bool compressed = fitsLatin1(text);
    u8(compressed ? 0 : rec::StringWide);
    for (const QChar c : text) {
        if (compressed)
            u8(c.unicode());
        else
            u16(c.unicode());
    }
    return *this;
}

void BiffWriter::patchU32(std::size_t at, std::uint32_t value)
{
    patchU16(at, std::uint16_t(value));
    patchU16(at + 2, std::uint16_t(value >> 16));
}

void BiffWriter::patchU16(std::size_t at, std::uint16_t value)
{
    m_bytes[at] = std::uint8_t(value);
    m_bytes[at + 1] = std::uint8_t(value >> 8);
}

bool fitsLatin1(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace ss::xls
