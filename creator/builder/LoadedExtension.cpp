#include "creator/builder/LoadedExtension.h"

#include "edid/Edid.h"

namespace varnok {

namespace {

constexpr int kFirstDataBlock = 132;
constexpr uint8_t kTagVendor = 0x60;
constexpr uint8_t kTagExtended = 0xE0;
constexpr uint8_t kExtColorimetry = 5;

// HDMI vendor-specific block byte 8 (counted from the header): which optional fields follow.
constexpr uint8_t kLatencyPresent = 0x80;
constexpr uint8_t kILatencyPresent = 0x40;
constexpr uint8_t kHdmiVideoPresent = 0x20;
// The byte that follows the latency fields: 3D_present and 3D_Multi_present.
constexpr uint8_t k3dPresent = 0x80;
constexpr uint8_t k3dFlagBits = 0xE0;

// Index in the payload of HDMI block byte 8 (the payload starts at block byte 1).
constexpr int kVideoFlagsIndex = 7;
// Index in the payload of the maximum TMDS clock byte (block byte 7).
constexpr int kClockIndex = 6;

// Visits every block with the given tag in image order and returns the position of the last one
// that matches, or -1.
template <typename Match>
int LastBlock(const EdidImage& image, uint8_t tag, Match match) {
    int last = -1;
    int position = kFirstDataBlock;
    while (position < kEdidSize && FindDataBlock(image, tag, position)) {
        const BlockReader block(image, position);
        if (match(block)) last = position;
        position += block.Length() + 1;
    }
    return last;
}

}  // namespace

bool Is4KVic(uint8_t vic) {
    return vic >= 96 && vic <= 107;
}

Payload BuildHdmiPayload(const BlockReader& b, const EdidInfo& info, QStringList& notes) {
    const int length = b.Length();
    const bool has3d = (info.features & Has3D) != 0;
    const bool fourK = Holds4KVic(info.vicList) || Holds4KVic(info.yuv420Vics);

    // Only the deep colour bits (DC_48bit, DC_36bit, DC_30bit, DC_Y444) are the record's; a record
    // fresh from the decoder still holds the whole old byte 6, whose Supports_AI and DVI_Dual bits
    // must neither be copied nor count as deep colour.
    const uint8_t deepColor = info.hdmiDeepColor & 0x78;

    Payload p = {0x03, 0x0C, 0x00, info.cecAddress[0], info.cecAddress[1]};
    // Byte 6: Supports_AI as loaded (set for a block too short to say), then the deep colour bits.
    p.push_back(static_cast<uint8_t>((length >= 6 ? (b(6) & 0x80) : 0x80) | deepColor));
    // Byte 7: maximum TMDS clock in 5 MHz units: 165, 225 with deep colour, 300 for 4K formats.
    uint8_t clock = 0x21;
    if (deepColor != 0) clock = 0x2D;
    if (fourK) clock = 0x3C;
    p.push_back(clock);

    // t is the payload index of the 3D byte; it exists only once p is longer than t. When the old
    // block announces latency fields it is too short to hold, the missing bytes read as 0 and the
    // 3D byte is appended below at its proper place when it is needed.
    int t = 8;
    if (length >= 8) {
        const uint8_t flags = b(8);
        p.push_back(flags);
        if (flags & kILatencyPresent) {
            for (int k = 9; k <= 12; ++k) p.push_back(b(k));
            if (length >= 13) p.push_back(b(13));
            t = 12;
        } else if (flags & kLatencyPresent) {
            p.push_back(b(9));
            p.push_back(b(10));
            if (length >= 11) p.push_back(b(11));
            t = 10;
        } else if (flags & kHdmiVideoPresent) {
            if (length >= 9) p.push_back(b(9));
        }
    }
    const auto has3dByte = [&] { return static_cast<int>(p.size()) > t; };

    std::vector<uint8_t> vics;
    for (uint8_t v : info.hdmiVics)
        if (v != 0) vics.push_back(v);
    const int n = static_cast<int>(vics.size());

    if (n > 0) {
        if (p[kClockIndex] < 0x3C) p[kClockIndex] = 0x3C;
        if (p.size() > kVideoFlagsIndex)
            p[kVideoFlagsIndex] |= kHdmiVideoPresent;
        else
            p.push_back(kHdmiVideoPresent);
    }

    if (has3d) {
        if (n == 0) {
            if (p.size() > kVideoFlagsIndex) {
                p[kVideoFlagsIndex] |= kHdmiVideoPresent;
            } else {
                p.push_back(kHdmiVideoPresent);
                p.push_back(k3dPresent);
                t = 8;
            }
        }
        if (info.hdmi3dLength > 0) {
            if (has3dByte())
                p[t] = info.hdmi3dFlags;
            else
                p.push_back(info.hdmi3dFlags);
        } else {
            if (has3dByte())
                p[t] |= k3dPresent;
            else
                p.push_back(k3dPresent);
        }
    } else {
        if (n > 0) {
            if (has3dByte())
                p[t] &= static_cast<uint8_t>(~k3dFlagBits);
            else
                p.push_back(0x00);
        } else if (p.size() > kVideoFlagsIndex) {
            uint8_t& video = p[kVideoFlagsIndex];
            if ((video & (kLatencyPresent | kILatencyPresent)) == 0) {
                // No latency fields: drop the video byte entirely when nothing else is in it.
                if ((video & 0x0F) == 0) {
                    p.resize(7);
                } else {
                    p.resize(8);
                    video &= static_cast<uint8_t>(~kHdmiVideoPresent);
                }
            } else if (has3dByte()) {
                // The latency fields stay; the 3D byte after them must not go on announcing 3D
                // that was switched off.
                p[t] &= static_cast<uint8_t>(~k3dFlagBits);
            } else if (video & kHdmiVideoPresent) {
                // HDMI_Video_present announces the 3D byte: give it its place.
                p.push_back(0x00);
            }
        }
    }

    if (n > 0 || has3d) {
        int length3d = has3d ? info.hdmi3dLength : 0;
        if (length3d > kMax3dData) {
            notes << QStringLiteral("HDMI 3D data cut from %1 to %2 bytes.\r\n")
                         .arg(length3d)
                         .arg(kMax3dData);
            length3d = kMax3dData;
        }
        const int room = kMaxPayload - static_cast<int>(p.size()) - 1 - n;
        if (length3d > room) {
            notes << QStringLiteral(
                         "HDMI 3D data cut from %1 to %2 bytes: no room in the HDMI "
                         "block.\r\n")
                         .arg(length3d)
                         .arg(room);
            length3d = room;
        }
        p.push_back(static_cast<uint8_t>(n * 32 + length3d));
        p.insert(p.end(), vics.begin(), vics.end());
        p.insert(p.end(), info.hdmi3dData.begin(), info.hdmi3dData.begin() + length3d);
    }
    return p;
}

LoadedExtension ReadLoadedExtension(const EdidInfo& info, QStringList& notes) {
    const EdidImage& image = info.image;
    LoadedExtension loaded;

    const int colorimetry = LastBlock(image, kTagExtended, [](const BlockReader& b) {
        return b.Length() >= 1 && b(1) == kExtColorimetry;
    });
    if (colorimetry >= 0 && info.colorimetry[0] != 0) {
        const BlockReader b(image, colorimetry);
        loaded.colorimetry =
            Payload{kExtColorimetry, info.colorimetry[0], static_cast<uint8_t>(b(3) | 0x01)};
    }

    const int hdmi = LastBlock(image, kTagVendor,
                               [](const BlockReader& b) { return b.HasOui(0x03, 0x0C, 0x00); });
    if (hdmi >= 0) loaded.hdmi = BuildHdmiPayload(BlockReader(image, hdmi), info, notes);

    const int forum = LastBlock(image, kTagVendor,
                                [](const BlockReader& b) { return b.HasOui(0xD8, 0x5D, 0xC4); });
    if (forum >= 0) {
        Payload f = BlockReader(image, forum).Payload();
        // Payload byte 6 (block byte 7): the YCbCr 4:2:0 deep colour bits 2..0 come from the
        // creator; bits 7..3 (HDMI 2.1 Max_FRL_Rate and others) have no control and stay.
        if (f.size() >= 7) f[6] = uint8_t((f[6] & 0xF8) | (info.yuv420DeepColor & 7));
        loaded.hdmiForum = std::move(f);
    }
    return loaded;
}

}  // namespace varnok
