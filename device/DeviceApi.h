#pragma once
// The device's command API as the link carries it: the codes in use (high byte 0: information
// and notices, 1: EDID store and mode, 2: External EDID), the device's identity, and its EDID
// modes.

#include <cstdint>

#include "link/DeviceLink.h"  // ApiCode

namespace varnok {

namespace api_code {
constexpr ApiCode ModelName = 1;
constexpr ApiCode FirmwareVersion = 2;
constexpr ApiCode ManufacturerId = 9;
constexpr ApiCode OperationStart = 10;  // sent only by OperationGuard
constexpr ApiCode OperationEnd = 11;    // sent only by OperationGuard
constexpr ApiCode EdidMode = 257;
constexpr ApiCode EdidBlock0 = 261;
constexpr ApiCode EdidBlock1 = 262;
constexpr ApiCode EdidSelect = 264;
constexpr ApiCode ExternalBlock0 = 518;
constexpr ApiCode ExternalBlock1 = 519;
}  // namespace api_code

// The manufacturer ID the device answers to code 9.
inline constexpr char kDeviceManufacturer[] = "QEV";
// The text in the banner of the ISP loader of the second device kind (IspVariant 1).
inline constexpr char kIsp029Banner[] = "ISP029";

// The device's EDID modes, as carried in the data byte of command 0x0101.
enum class EdidMode : uint8_t { Internal = 0, External = 2, User = 3 };

// True when the link's stored manufacturer ID is the device's own.
inline bool IsDeviceManufacturer(const DeviceLink& link) {
    const auto& id = link.ManufacturerId;
    return id[0] == kDeviceManufacturer[0] && id[1] == kDeviceManufacturer[1] &&
           id[2] == kDeviceManufacturer[2];
}

}  // namespace varnok
