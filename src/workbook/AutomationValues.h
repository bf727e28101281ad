#pragma once

#include "automation/Variant.h"

#include <cstdint>

// Numbers for automation calls, typed as the server is to receive them.
namespace workbook {

// A 16-bit Integer.
inline automation::Variant Integer(int value) { return automation::Variant(static_cast<std::int16_t>(value)); }
// A 32-bit Long.
inline automation::Variant Long(std::int32_t value) { return automation::Variant(value); }

} // namespace workbook
