// Decodes a 256-byte image (VESA E-EDID base block + one CTA-861 extension) into an EdidInfo.
// Every byte is read through bounds that keep it inside the image: a data block whose length runs
// past byte 255 is cut at the image's end, and bytes a block does not hold read as 0.

#include <algorithm>
#include <cstring>

#include "edid/Edid.h"
#include "edid/VicNameTable.h"

namespace varnok {

namespace {

constexpr int kFirstDataBlock = 132;
constexpr uint8_t kTagAudio = 0x20;
constexpr uint8_t kTagVideo = 0x40;
constexpr uint8_t kTagVendor = 0x60;
constexpr uint8_t kTagSpeaker = 0x80;
constexpr uint8_t kTagExtended = 0xE0;

// One CTA-861 data block: header byte at pos, length in bits 4..0 of the header.
class DataBlock {
public:
    DataBlock(const EdidImage& image, int pos)
        : image_(image),
          pos_(pos),
          stated_(image[pos] & 0x1F),
          length_(std::min(stated_, kEdidSize - 1 - pos)) {}

    // Payload length, cut so that it never reaches past byte 255 of the image.
    int length() const { return length_; }
    // Where the next block of the collection starts, by the length the header states.
    int next() const { return pos_ + stated_ + 1; }
    // Block byte k (0 is the header); a byte beyond the block reads as 0.
    uint8_t operator[](int k) const { return k >= 0 && k <= length_ ? image_[pos_ + k] : 0; }
    bool HasOui(uint8_t b1, uint8_t b2, uint8_t b3) const {
        return length_ >= 3 && (*this)[1] == b1 && (*this)[2] == b2 && (*this)[3] == b3;
    }

private:
    const EdidImage& image_;
    int pos_;
    int stated_;
    int length_;
};

// Visits every data block of one tag in image order.
template <typename Visit>
void ForEachDataBlock(const EdidImage& image, uint8_t tag, Visit visit) {
    int pos = kFirstDataBlock;
    while (FindDataBlock(image, tag, pos)) {
        const DataBlock block(image, pos);
        visit(block);
        pos = block.next();
    }
}

template <std::size_t N>
void SetText(std::array<char, N>& field, const char* text) {
    field.fill(0);
    for (std::size_t i = 0; i + 1 < N && text[i] != 0; ++i) {
        field[i] = text[i];
    }
}

void ResetDecodedFields(EdidInfo& info) {
    info.status &= static_cast<EdidStatus>(~(kReasonBits | InputError));
    info.features = 0;
    SetText(info.monitorName, kUndefinedName);
    info.productCode = 0;
    // The extension's timings and video capability come from this image or from nowhere: a value
    // kept from an earlier image would be written into the next EDID the creator builds.
    for (auto& dtd : info.extensionDtds) {
        dtd.fill(0);
    }
    info.videoCapability = 0;
    info.ceaFlags = 0;
    info.hdmiDeepColor = 0;
    info.maxColorDepth = 8;
    info.vicList.fill(0);
    for (auto& sad : info.sads) {
        sad.fill(0);
    }
    info.speakerAllocation = 0;
    info.yuv420Vics.fill(0);
    info.hdmiVics.fill(0);
    info.hdmi3dLength = 0;
    info.hdmi3dFlags = 0;
    info.hdmi3dData.fill(0);
    info.colorimetry[0] = 0;
    info.hdrStaticMetadata.fill(0);
    SetText(info.maxResolutionName, kUndefinedName);
    info.supports600MHz = 0;
    info.yuv420DeepColor = 0;
    info.scdcPresent = 0;
    info.yuv420Supported = 0;
    info.cecAddress = {0, 0};
    info.audioFormats = 0;
    info.maxAudioChannels = 0;
}

void DecodeIdentification(EdidInfo& info) {
    const EdidImage& image = info.image;
    // Three 5-bit letters, 1 = 'A', packed big-endian into bytes 8 and 9.
    info.manufacturer[0] = static_cast<char>(0x40 + (image[8] >> 2));
    info.manufacturer[1] = static_cast<char>(0x40 + ((image[8] & 3) << 3) + (image[9] >> 5));
    info.manufacturer[2] = static_cast<char>(0x40 + (image[9] & 0x1F));
    info.manufacturer[3] = 0;
    info.productCode = static_cast<uint16_t>(image[10] | image[11] << 8);
    info.serialNumber = static_cast<uint32_t>(image[12]) | static_cast<uint32_t>(image[13]) << 8 |
                        static_cast<uint32_t>(image[14]) << 16 |
                        static_cast<uint32_t>(image[15]) << 24;
    info.manufactureWeek = image[16];
    info.manufactureYear = image[17];
}

void DecodeTimings(EdidInfo& info) {
    const EdidImage& image = info.image;
    info.establishedTimings =
        static_cast<uint32_t>(image[35]) << 16 | static_cast<uint32_t>(image[36]) << 8 | image[37];
    for (int i = 0; i < 8; ++i) {
        info.standardTimings[i] = static_cast<uint16_t>(image[38 + 2 * i] << 8 | image[39 + 2 * i]);
    }
}

// HDMI Licensing vendor-specific data block (OUI 00-0C-03).
void DecodeHdmiBlock(EdidInfo& info, const DataBlock& b) {
    info.features = static_cast<FeatureFlags>((info.features & ~CeaOnly) | HdmiVsdb);
    const int length = b.length();
    if (length >= 5) {
        info.cecAddress = {b[4], b[5]};
    }
    if (length >= 6) {
        info.hdmiDeepColor = b[6];
        if (b[6] & 0x40) {
            info.maxColorDepth = 16;
        } else if (b[6] & 0x20) {
            info.maxColorDepth = 12;
        } else if (b[6] & 0x10) {
            info.maxColorDepth = 10;
        }
    }
    if (length < 9 || !(b[8] & 0x20)) {
        return;  // no HDMI_Video_present
    }
    // The latency fields, when present, push the 3D and HDMI_VIC bytes back.
    int a = 9;
    if (b[8] & 0x40) {
        a = 13;  // progressive and interlaced latencies
    } else if (b[8] & 0x80) {
        a = 11;  // progressive latencies only
    }
    const int lengths = a + 1;  // HDMI_VIC_LEN (bits 7..5) and HDMI_3D_LEN (bits 4..0)
    const int firstVic = a + 2;
    const int vicLength = b[lengths] >> 5;
    if (b[a] & 0x80) {
        info.features |= Has3D;
        const int first3d = lengths + vicLength + 1;
        // Only the 3D bytes the block really holds are kept, up to the field's 14.
        const int held = std::max(0, length - first3d + 1);
        info.hdmi3dLength = static_cast<uint8_t>(std::min({b[lengths] & 0x1F, 14, held}));
        info.hdmi3dFlags = b[a];
        for (int k = 0; k < info.hdmi3dLength; ++k) {
            info.hdmi3dData[k] = b[first3d + k];
        }
    }
    if (length >= firstVic && vicLength != 0) {
        if (b[firstVic] >= 1 && b[firstVic] <= 4) {
            info.features |= HdmiVic4K;
        }
        for (int k = 0; k < std::min(vicLength, 4); ++k) {
            info.hdmiVics[k] = b[firstVic + k];
        }
    }
}

// HDMI Forum vendor-specific data block (OUI C4-5D-D8).
void DecodeHdmiForumBlock(EdidInfo& info, const DataBlock& b) {
    const int length = b.length();
    // Max_TMDS_Character_Rate is in units of 5 MHz; 120 is 600 MHz.
    if (length >= 5 && b[5] >= 120) {
        info.supports600MHz = 1;
    }
    if (length >= 6 && (b[6] & 0x80)) {
        info.scdcPresent = 1;
    }
    if (length >= 7) {
        info.yuv420DeepColor = b[7] & 7;  // DC_30bit_420, DC_36bit_420, DC_48bit_420
    }
}

// SVD bytes 0, 128, 254 and 255 are reserved and carry no format.
bool IsReservedSvd(uint8_t v) {
    return v == 0 || v == 128 || v == 254 || v == 255;
}

// Codes 1..64 may carry the native bit (bit 7); codes from 193 on are plain VICs.
uint8_t SvdToVic(uint8_t v) {
    return (v <= 64 || (v >= 129 && v <= 192)) ? (v & 0x7F) : v;
}

void DecodeVideoBlock(EdidInfo& info, const DataBlock& b) {
    for (int k = 0; k < b.length(); ++k) {
        const uint8_t v = b[1 + k];
        if (IsReservedSvd(v)) {
            continue;
        }
        if (k < static_cast<int>(info.vicList.size())) {
            info.vicList[k] = SvdToVic(v);
        }
        if (v >= 93 && v <= 107) {
            info.features |= Has4KVic;
        }
    }
    // The best format is the first table entry the block lists, wherever it stands in the block.
    for (const VicName& entry : VicNameTable) {
        if (entry.vic == 0) {
            break;
        }
        for (int k = 0; k < b.length(); ++k) {
            const uint8_t v = b[1 + k];
            if (!IsReservedSvd(v) && SvdToVic(v) == entry.vic) {
                SetText(info.maxResolutionName, entry.name);
                return;
            }
        }
    }
}

// Extended-tag blocks, by their extended tag code in block byte 1.
void DecodeExtendedBlock(EdidInfo& info, const DataBlock& b) {
    const int length = b.length();
    switch (b[1]) {
        case 0:  // video capability
            if (length == 2) {
                info.videoCapability = b[2];
            }
            break;
        case 5:  // colorimetry
            if (length == 3) {
                info.colorimetry = {b[2], b[3]};
            }
            break;
        case 6:  // HDR static metadata
            for (int k = 0; k <= length - 2 && k < 6; ++k) {
                info.hdrStaticMetadata[k] = b[2 + k];
            }
            break;
        case 14:  // YCbCr 4:2:0 video
            for (int k = 0; k <= length - 2 && k < 8; ++k) {
                info.yuv420Vics[k] = b[2 + k];
            }
            if (b[2] != 0) {
                info.yuv420Supported = 1;
            }
            break;
        case 15:  // YCbCr 4:2:0 capability map
            info.yuv420Supported = 1;
            break;
        default:
            break;
    }
}

AudioFormatFlags AudioFormatBit(int code, int channels) {
    switch (code) {
        case 1:
            return channels <= 2 ? AudioLpcm2ch : AudioLpcmMulti;
        case 2:
            return AudioAc3;
        case 6:
            return AudioAac;
        case 7:
            return AudioDts;
        case 9:
            return AudioOneBit;
        case 10:
            return AudioEac3;
        case 11:
            return AudioDtsHd;
        case 12:
            return AudioMat;
        default:
            return 0;
    }
}

void DecodeAudioBlock(EdidInfo& info, const DataBlock& b) {
    // Every audio block fills the descriptor slots from slot 0.
    for (int j = 0; 3 * j < b.length() && j < static_cast<int>(info.sads.size()); ++j) {
        info.sads[j] = {b[3 * j + 1], b[3 * j + 2], b[3 * j + 3]};
    }
    // The format classes and the channel maximum look at every descriptor of the block.
    for (int q = 1; q <= b.length(); q += 3) {
        const int code = (b[q] >> 3) & 0x0F;
        const int channels = (b[q] & 7) + 1;
        info.audioFormats |= AudioFormatBit(code, channels);
        info.maxAudioChannels =
            static_cast<uint8_t>(std::max<int>(info.maxAudioChannels, channels));
    }
}

// Up to three detailed timing descriptors that fit between the extension's DTD offset (byte 130)
// and its checksum and padding.
void CopyExtensionDtds(EdidInfo& info) {
    const int d = info.image[130];
    for (int k = 0; k < 3; ++k) {
        if (126 - d - 18 * k >= 18) {
            const int first = kBlockSize + d + 18 * k;
            std::copy_n(info.image.begin() + first, 18, info.extensionDtds[k].begin());
        }
    }
}

}  // namespace

// A display product name descriptor is 00 00 00 FC 00 followed by up to 13 characters ended by
// 0x0A. Every one in the base block is taken, so the last one wins.
bool FindMonitorName(const EdidImage& image, std::array<char, 14>& name) {
    bool found = false;
    for (int p = 3; p < kBlockSize; ++p) {
        if (image[p] != 0xFC || image[p - 3] != 0 || image[p - 2] != 0 || image[p - 1] != 0 ||
            image[p + 1] != 0) {
            continue;
        }
        found = true;
        name.fill(0);
        for (int i = 0; i < 13; ++i) {
            const uint8_t c = image[p + 2 + i];
            if (c == 0x0A) {
                break;
            }
            name[i] = static_cast<char>(c);
        }
    }
    return found;
}

bool DecodeEdid(EdidInfo& info, const uint8_t* source) {
    ResetDecodedFields(info);
    std::memmove(info.image.data(), source, kEdidSize);  // source may be info.image itself
    if (!ValidateEdidImage(info)) {
        return false;
    }
    const EdidImage& image = info.image;
    DecodeIdentification(info);
    FindMonitorName(image, info.monitorName);
    DecodeTimings(info);
    if (image[126] != 1) {
        info.features = NoExtension;
    } else {
        info.features = CeaOnly;
        info.ceaFlags = image[131];
        ForEachDataBlock(image, kTagVendor, [&](const DataBlock& b) {
            if (b.HasOui(0x03, 0x0C, 0x00)) {
                DecodeHdmiBlock(info, b);
            } else if (b.HasOui(0xD8, 0x5D, 0xC4)) {
                DecodeHdmiForumBlock(info, b);
            }
        });
    }
    // The vendor blocks are decoded before the video blocks wherever they stand in the image.
    ForEachDataBlock(image, kTagVideo, [&](const DataBlock& b) { DecodeVideoBlock(info, b); });
    ForEachDataBlock(image, kTagExtended,
                     [&](const DataBlock& b) { DecodeExtendedBlock(info, b); });
    ForEachDataBlock(image, kTagAudio, [&](const DataBlock& b) { DecodeAudioBlock(info, b); });
    int speakerPos = kFirstDataBlock;
    if (FindDataBlock(image, kTagSpeaker, speakerPos)) {
        const DataBlock b(image, speakerPos);
        info.speakerAllocation =
            static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 | b[3];
    }
    CopyExtensionDtds(info);
    return true;
}

}  // namespace varnok
