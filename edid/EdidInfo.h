#pragma once
// The EDID record every image store of the program is made of: validation status, capability
// flags, the raw 256-byte image (VESA E-EDID base block + one CTA-861 extension) and the facts
// decoded from it. Field names are the program's vocabulary; widths follow the image's bytes.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace varnok {

constexpr int kEdidSize = 256;
constexpr int kBlockSize = 128;
using EdidImage = std::array<uint8_t, kEdidSize>;

// The 256 bytes of an image, as a file or a parser holds them.
inline QByteArray EdidImageBytes(const EdidImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), kEdidSize);
}

// The first 256 bytes as an image; 0xFF past the end of shorter bytes, as a short .bin file reads
// on the device's pages (a 128-byte EDID then shows no extension).
inline EdidImage EdidImageFromBytes(const QByteArray& bytes) {
    EdidImage image;
    image.fill(0xFF);
    const qsizetype n = bytes.size() < kEdidSize ? bytes.size() : qsizetype(kEdidSize);
    for (qsizetype i = 0; i < n; ++i) image[size_t(i)] = uint8_t(bytes[i]);
    return image;
}

// EdidStatus bits. The four reason bits 0x0008..0x0040 are set by ValidateEdidImage;
// InputError and BrandNew belong to the creator.
enum EdidStatusBits : uint16_t {
    InputError = 0x0001,
    HeaderBad = 0x0008,
    Checksum0Bad = 0x0010,
    Checksum1Bad = 0x0020,
    OverBanks = 0x0040,
    BrandNew = 0x0080,
};
constexpr uint16_t kReasonBits = 0x78;
using EdidStatus = uint16_t;

enum FeatureFlagBits : uint16_t {
    NoExtension = 0x0001,
    CeaOnly = 0x0002,
    HdmiVsdb = 0x0004,
    Has3D = 0x0008,
    HdmiVic4K = 0x0010,
    Has4KVic = 0x0020,
};
using FeatureFlags = uint16_t;

// One bit per audio format class of a CTA-861 short audio descriptor.
enum AudioFormatFlagBits : uint16_t {
    AudioLpcm2ch = 0x0001,    // code 1, at most 2 channels
    AudioLpcmMulti = 0x0002,  // code 1, more than 2 channels
    AudioAc3 = 0x0004,        // code 2
    AudioEac3 = 0x0008,       // code 10
    AudioMat = 0x0010,        // code 12 (MLP / Dolby TrueHD)
    AudioDts = 0x0020,        // code 7
    AudioDtsHd = 0x0040,      // code 11
    AudioAac = 0x0080,        // code 6
    AudioOneBit = 0x0100,     // code 9
};
using AudioFormatFlags = uint16_t;

struct EdidInfo {
    EdidStatus status = 0;
    FeatureFlags features = 0;
    EdidImage image{};
    std::array<char, 4> manufacturer{};  // three letters and a 0
    std::array<char, 14> monitorName{};  // up to 13 characters and a 0
    uint16_t productCode = 0;
    uint32_t serialNumber = 0;
    uint8_t manufactureYear = 0;      // base byte 17, years since 1990
    uint8_t manufactureWeek = 0;      // base byte 16
    uint32_t establishedTimings = 0;  // bytes 35..37, 24 bits
    std::array<uint16_t, 8> standardTimings{};
    std::array<std::array<uint8_t, 18>, 3> extensionDtds{};
    uint8_t ceaFlags = 0;  // extension byte 3
    uint8_t hdmiDeepColor = 0;
    uint8_t maxColorDepth = 8;
    std::array<uint8_t, 24> vicList{};
    std::array<std::array<uint8_t, 3>, 10> sads{};
    uint32_t speakerAllocation = 0;
    std::array<uint8_t, 8> yuv420Vics{};
    std::array<uint8_t, 4> hdmiVics{};
    uint8_t hdmi3dLength = 0;
    uint8_t hdmi3dFlags = 0;
    std::array<uint8_t, 14> hdmi3dData{};
    uint8_t videoCapability = 0;
    std::array<uint8_t, 2> colorimetry{};
    std::array<uint8_t, 6> hdrStaticMetadata{};
    std::array<char, 12> maxResolutionName{};
    uint8_t supports600MHz = 0;
    uint8_t yuv420DeepColor = 0;
    uint8_t scdcPresent = 0;
    uint8_t yuv420Supported = 0;
    std::array<uint8_t, 2> cecAddress{};
    AudioFormatFlags audioFormats = 0;
    uint8_t maxAudioChannels = 0;
};

}  // namespace varnok
