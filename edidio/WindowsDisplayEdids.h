#pragma once
// The EDIDs Windows keeps for the monitors attached now: the binary value EDID under the local
// machine's SYSTEM\CurrentControlSet\Enum\DISPLAY\<model>\<instance>\Device Parameters, for each
// instance the configuration manager finds present (Windows keeps the keys of every monitor ever
// attached; where the manager cannot tell, as under Wine, every instance with an EDID is listed).
// Plain Win32 and the standard library, so the file compiles (and is checked) without Qt; built
// for Windows only (edidio/CMakeLists.txt).

#include <cstdint>
#include <string>
#include <vector>

namespace varnok {

struct RegistryDisplayEdid {
    std::wstring model;     // such as "DEL4109"
    std::wstring instance;  // such as "5&2a8b1f1&0&UID4352"
    std::vector<uint8_t> bytes;
};

// In the registry's own order; a missing key gives an empty list.
std::vector<RegistryDisplayEdid> ReadRegistryDisplayEdids();

}  // namespace varnok
