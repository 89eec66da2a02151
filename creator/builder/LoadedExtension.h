#pragma once
// The blocks of the extension the creator was loaded with (or last built) that a build reuses:
// the colorimetry data block, the HDMI vendor-specific data block and the HDMI Forum
// vendor-specific data block. Each comes back as the payload to write (the bytes after the
// header), already updated from the record.

#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "creator/builder/BlockReader.h"
#include "edid/EdidInfo.h"

namespace varnok {

using Payload = std::vector<uint8_t>;

// The longest payload a data block header can announce (5 length bits).
constexpr int kMaxPayload = 31;
// hdmi3dData holds at most this many bytes of 3D structures.
constexpr int kMax3dData = 14;

struct LoadedExtension {
    std::optional<Payload> colorimetry;  // 05, colorimetry[0], old byte 3 OR 1
    std::optional<Payload> hdmi;         // rebuilt from the last HDMI block found
    std::optional<Payload> hdmiForum;    // copy of the last HDMI Forum block found
};

// A VIC from 96 to 107: a 3840 x 2160 or 4096 x 2160 format at 50/60 Hz class rates.
bool Is4KVic(uint8_t vic);
template <std::size_t N>
bool Holds4KVic(const std::array<uint8_t, N>& vics) {
    for (uint8_t v : vics)
        if (Is4KVic(v)) return true;
    return false;
}

// Walks the loaded extension (image bytes from 132 on, through FindDataBlock) and builds the
// payloads of the reused blocks from the record. The base block must already carry extension
// count 1. Notes (debug-log lines) are appended when the HDMI payload had to be cut.
LoadedExtension ReadLoadedExtension(const EdidInfo& info, QStringList& notes);

// The HDMI vendor-specific payload (OUI 00-0C-03 onwards) rebuilt from an old HDMI block and
// the record: CEC address, deep colour, TMDS clock, latency fields kept, HDMI_VICs and 3D data
// from the record. Never longer than kMaxPayload bytes.
Payload BuildHdmiPayload(const BlockReader& old, const EdidInfo& info, QStringList& notes);

}  // namespace varnok
