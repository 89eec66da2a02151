#include "creator/builder/ExtensionWriter.h"

#include <algorithm>

#include "edid/Edid.h"

namespace varnok {

namespace {

// CTA-861 data block tag codes in bits 7..5 of the header byte.
constexpr uint8_t kTagAudio = 0x20;
constexpr uint8_t kTagVideo = 0x40;
constexpr uint8_t kTagVendor = 0x60;
constexpr uint8_t kTagSpeaker = 0x80;
constexpr uint8_t kTagExtended = 0xE0;
// Extended tag codes.
constexpr uint8_t kExtVideoCapability = 0x00;
constexpr uint8_t kExtHdrStatic = 0x06;
constexpr uint8_t kExtYuv420Video = 0x0E;

struct DataBlock {
    const char* name;
    uint8_t tag;
    Payload payload;
};

template <std::size_t N>
Payload NonZero(const std::array<uint8_t, N>& values) {
    Payload out;
    for (uint8_t v : values)
        if (v != 0) out.push_back(v);
    return out;
}

// The blocks to write, in their order, each only when its condition holds.
std::vector<DataBlock> CollectBlocks(const EdidInfo& info, const LoadedExtension& loaded) {
    std::vector<DataBlock> blocks;

    if (Payload vics = NonZero(info.vicList); !vics.empty())
        blocks.push_back({"Video Data Block", kTagVideo, std::move(vics)});

    Payload audio;
    for (const auto& sad : info.sads)
        if (sad[0] != 0) audio.insert(audio.end(), sad.begin(), sad.end());
    if (!audio.empty()) blocks.push_back({"Audio Data Block", kTagAudio, std::move(audio)});

    if (info.speakerAllocation != 0) {
        const uint32_t s = info.speakerAllocation;
        blocks.push_back({"Speaker Allocation Data Block",
                          kTagSpeaker,
                          {static_cast<uint8_t>(s >> 16), static_cast<uint8_t>(s >> 8),
                           static_cast<uint8_t>(s)}});
    }

    // A new HDMI block is never created: without one loaded, its settings reach no block.
    if (loaded.hdmi)
        blocks.push_back({"HDMI Vendor-Specific Data Block", kTagVendor, *loaded.hdmi});

    if (loaded.hdmiForum) {
        blocks.push_back({"HDMI Forum Vendor-Specific Data Block", kTagVendor, *loaded.hdmiForum});
    } else if (Holds4KVic(info.vicList)) {
        // A 4K format at 50/60 Hz needs the HDMI Forum block: version 1, 600 MHz maximum TMDS
        // character rate, SCDC present, then the YCbCr 4:2:0 deep colour bits.
        blocks.push_back(
            {"HDMI Forum Vendor-Specific Data Block",
             kTagVendor,
             {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, static_cast<uint8_t>(info.yuv420DeepColor & 7)}});
    }

    if (info.colorimetry[0] != 0) {
        Payload colorimetry = loaded.colorimetry.value_or(Payload{0x05, info.colorimetry[0], 0x01});
        blocks.push_back({"Colorimetry Data Block", kTagExtended, std::move(colorimetry)});
    }

    if (info.videoCapability != 0)
        blocks.push_back({"Video Capability Data Block",
                          kTagExtended,
                          {kExtVideoCapability, info.videoCapability}});

    const auto& hdr = info.hdrStaticMetadata;
    if (hdr[0] != 0) {
        Payload payload = {kExtHdrStatic, hdr[0], hdr[1]};
        // The luminance bytes are optional from the end: write up to the last one that is set.
        int luminance = 0;
        if (hdr[4] != 0)
            luminance = 3;
        else if (hdr[3] != 0)
            luminance = 2;
        else if (hdr[2] != 0)
            luminance = 1;
        payload.insert(payload.end(), hdr.begin() + 2, hdr.begin() + 2 + luminance);
        blocks.push_back({"HDR Static Metadata Data Block", kTagExtended, std::move(payload)});
    }

    if (Payload yuv = NonZero(info.yuv420Vics); !yuv.empty()) {
        yuv.insert(yuv.begin(), kExtYuv420Video);
        blocks.push_back({"YCbCr 4:2:0 Video Data Block", kTagExtended, std::move(yuv)});
    }
    return blocks;
}

}  // namespace

void WriteExtensionBlock(EdidInfo& info, const LoadedExtension& loaded, QStringList& notes) {
    EdidImage& image = info.image;
    const std::vector<DataBlock> blocks = CollectBlocks(info, loaded);

    image[128] = 0x02;  // CTA-861 extension tag
    image[129] = 0x03;  // revision 3
    // Byte 131: YCbCr 4:4:4 (bit 5) and 4:2:2 (bit 4) from the record; underscan, basic audio and
    // the native DTD count keep their loaded values.
    image[131] = static_cast<uint8_t>((image[131] & 0xCF) | (info.ceaFlags & 0x30));

    int w = kDataBlocksBegin;
    for (const DataBlock& block : blocks) {
        // The payload length fits the header's five bits; anything longer is cut there.
        const int length = std::min(static_cast<int>(block.payload.size()), kMaxPayload);
        if (w + 1 + length > kDataBlocksEnd) {
            notes << QStringLiteral("%1 left out: no room in block 1.\r\n")
                         .arg(QLatin1String(block.name));
            continue;
        }
        image[w++] = static_cast<uint8_t>(block.tag | length);
        std::copy_n(block.payload.begin(), length, image.begin() + w);
        w += length;
    }

    const int offset = w - 128;
    image[130] = static_cast<uint8_t>(offset);
    // A descriptor is placed only with more than 18 bytes left before the checksum area, so the
    // last one ends at byte 252 at the latest.
    for (int i = 0; i < 3; ++i) {
        if (126 - offset - 18 * i > 18) {
            std::copy(info.extensionDtds[i].begin(), info.extensionDtds[i].end(),
                      image.begin() + w);
            w += 18;
        }
    }
    std::fill(image.begin() + w, image.begin() + 255, 0);
    SetBlockChecksum(image, 1);
}

}  // namespace varnok
