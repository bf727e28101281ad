#pragma once

#include <QtEndian>

#include <cstdint>

// Numbers as the file formats the program reads keep them (compound
// documents, BIFF records, bitmaps, cursor files): little-endian, at any
// byte position.
namespace quorvale::le {

inline std::uint16_t u16(const unsigned char* at) { return qFromLittleEndian<std::uint16_t>(at); }
inline std::uint32_t u32(const unsigned char* at) { return qFromLittleEndian<std::uint32_t>(at); }
inline std::int32_t i32(const unsigned char* at) { return qFromLittleEndian<std::int32_t>(at); }

} // namespace quorvale::le
