#pragma once
// The display's best video format by CTA-861 Video Identification Code: the table lists the
// formats the program names, best first, and ends with a VIC 0 entry that only marks the end.

#include <array>
#include <cstdint>

namespace varnok {

struct VicName {
    uint8_t vic;
    const char* name;  // at most 11 characters, so it fits maxResolutionName with its 0
};

// 26 named formats and the end marker.
constexpr int kVicNameCount = 27;
extern const std::array<VicName, kVicNameCount> VicNameTable;

// Name shown when no listed VIC was found.
inline constexpr char kUndefinedName[] = "UNDEFINE.";

}  // namespace varnok
