#pragma once
// Edits the VESA E-EDID base block (image bytes 0..127) from the creator record. Everything
// without a field in the record keeps the bytes it was loaded with.

#include <array>
#include <cstdint>

#include "edid/EdidInfo.h"

namespace varnok {

// An unused standard timing slot (VESA E-EDID: bytes 01 01).
constexpr uint16_t kUnusedStandardTiming = 0x0101;

// Packs three manufacturer letters into base bytes 8 and 9: five bits per letter, A = 1.
// Works on the character codes in 8-bit arithmetic, so codes outside A..Z wrap rather than fail.
std::array<uint8_t, 2> PackManufacturer(const std::array<char, 4>& letters);

// One pass over slots 1..7: an unused slot takes the code of the slot after it, so an unused slot
// moves one place towards the end per pass.
void CompactStandardTimings(std::array<uint16_t, 8>& codes);

// Writes the base block from the record: identification, every display product name descriptor,
// established and standard timings (compacting info.standardTimings), extension count 1 and the
// checksum.
void WriteBaseBlock(EdidInfo& info);

}  // namespace varnok
