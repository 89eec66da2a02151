// Load -> collect -> build -> validate round trip of the creator's image writer. The first 256
// bytes are the loaded image (a short input reads as a short file does, padded with 0xFF). Then a
// mode byte: odd, the rest sets the creator's controls, which the field collection reads into the
// record (ScriptedControls.h); even, the rest edits the record directly, within its own limits
// (three manufacturer characters and a 0, up to 13 name characters and a 0) and with any value
// where it allows one, also values no control can give.

#include <algorithm>
#include <cstring>
#include <string>

#include "creator/builder/EdidBuilder.h"
#include "creator/pages/ConversionError.h"
#include "creator/pages/CreatorCollector.h"
#include "edid/Edid.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/RecordCompare.h"
#include "fuzz/ScriptedControls.h"

namespace varnok::fuzz {
namespace {

constexpr std::array<uint8_t, 8> kHeader = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

void EditRecord(FuzzInput& in, EdidInfo& info) {
    while (!in.empty()) {
        const uint8_t field = in.byte();
        const uint8_t slot = in.byte();
        switch (field % 28) {
            case 0:
                info.features ^= Has3D;
                break;
            case 1:
                for (int k = 0; k < 3; ++k) info.manufacturer[k] = char(in.byte());
                info.manufacturer[3] = 0;
                break;
            case 2: {
                info.monitorName.fill(0);
                const int length = slot % 14;
                for (int k = 0; k < length; ++k) info.monitorName[k] = char(in.byte() | 1);
                break;
            }
            case 3:
                info.productCode = in.word();
                break;
            case 4:
                info.serialNumber = in.u32();
                break;
            case 5:
                info.manufactureYear = in.byte();
                break;
            case 6:
                info.manufactureWeek = in.byte();
                break;
            case 7:
                info.establishedTimings = in.u32() & 0xFFFFFF;
                break;
            case 8:
                info.standardTimings[slot % 8] = in.word();
                break;
            case 9:
                for (uint8_t& b : info.extensionDtds[slot % 3]) b = in.byte();
                break;
            case 10:
                info.ceaFlags = in.byte();
                break;
            case 11:
                info.hdmiDeepColor = in.byte();
                break;
            case 12:
                info.vicList[slot % 24] = in.byte();
                break;
            case 13:
                for (uint8_t& b : info.sads[slot % 10]) b = in.byte();
                break;
            case 14:
                info.speakerAllocation = in.u32() & 0xFFFFFF;
                break;
            case 15:
                info.yuv420Vics[slot % 8] = in.byte();
                break;
            case 16:
                info.hdmiVics[slot % 4] = in.byte();
                break;
            case 17:
                info.hdmi3dLength = in.byte();  // a loaded EDID may announce any length
                break;
            case 18:
                info.hdmi3dFlags = in.byte();
                break;
            case 19:
                info.hdmi3dData[slot % 14] = in.byte();
                break;
            case 20:
                info.videoCapability = in.byte();
                break;
            case 21:
                info.colorimetry[0] = in.byte();
                break;
            case 22:
                info.hdrStaticMetadata[slot % 6] = in.byte();
                break;
            case 23:
                info.yuv420DeepColor = in.byte();
                break;
            case 24:
                info.cecAddress[0] = in.byte();
                info.cecAddress[1] = in.byte();
                break;
            // Whole lists at once, so that the data blocks can fill block 1 to its last byte.
            case 25: {
                const uint8_t first = in.byte();
                for (int k = 0; k < 24; ++k)
                    info.vicList[k] = k < slot % 25 ? uint8_t(first + k) | 1 : 0;
                break;
            }
            case 26: {
                const uint8_t code = in.byte();
                for (int k = 0; k < 10; ++k)
                    info.sads[k] = k < slot % 11 ? std::array<uint8_t, 3>{uint8_t(code | 1), 7, 1}
                                                 : std::array<uint8_t, 3>{};
                break;
            }
            default:
                for (int k = 0; k < 8; ++k) info.yuv420Vics[k] = k < slot % 9 ? 96 + k % 12 : 0;
                break;
        }
    }
}

uint8_t Sum(const EdidImage& image, int first) {
    uint8_t sum = 0;
    for (int i = first; i < first + kBlockSize; ++i) sum = uint8_t(sum + image[i]);
    return sum;
}

// Block 0 as the published layout says the builder writes it from the loaded image.
EdidImage ExpectedBaseBlock(const EdidInfo& before, std::array<uint16_t, 8>& timings) {
    EdidImage e = before.image;
    const auto& m = before.manufacturer;
    const int c1 = uint8_t(m[0]) - 64, c2 = uint8_t(m[1]) - 64, c3 = uint8_t(m[2]) - 64;
    e[8] = uint8_t(c1 * 4 + (c2 >> 3));
    e[9] = uint8_t(c2 * 32 + c3);
    e[10] = uint8_t(before.productCode);
    e[11] = uint8_t(before.productCode >> 8);
    for (int k = 0; k < 4; ++k) e[12 + k] = uint8_t(before.serialNumber >> (8 * k));
    e[16] = before.manufactureWeek;
    e[17] = before.manufactureYear;
    const int length = int(qstrnlen(before.monitorName.data(), 13));
    for (int p = 3; p <= 113; ++p) {
        if (e[p - 3] || e[p - 2] || e[p - 1] || e[p] != 0xFC || e[p + 1]) continue;
        for (int k = 0; k < 13; ++k)
            e[p + 2 + k] = k < length ? uint8_t(before.monitorName[k]) : k == length ? 0x0A : 0x20;
    }
    e[35] = uint8_t(before.establishedTimings >> 16);
    e[36] = uint8_t(before.establishedTimings >> 8);
    e[37] = uint8_t(before.establishedTimings);
    timings = before.standardTimings;
    for (int i = 1; i < 8; ++i) {
        if (timings[i - 1] == 0x0101) {
            timings[i - 1] = timings[i];
            timings[i] = 0x0101;
        }
    }
    for (int i = 0; i < 8; ++i) {
        e[38 + 2 * i] = uint8_t(timings[i] >> 8);
        e[39 + 2 * i] = uint8_t(timings[i]);
    }
    e[126] = 1;
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + e[i]);
    e[127] = uint8_t(0x100 - sum);
    return e;
}

// The data blocks in the order the builder lays them out.
enum BlockKind {
    Video,
    Audio,
    Speaker,
    Hdmi,
    HdmiForum,
    Colorimetry,
    VideoCap,
    Hdr,
    Yuv420,
    Other
};

BlockKind Kind(const EdidImage& image, int p) {
    const uint8_t tag = image[p] & 0xE0;
    const int length = image[p] & 0x1F;
    auto at = [&](int k) { return k <= length ? image[p + k] : -1; };
    switch (tag) {
        case 0x40:
            return Video;
        case 0x20:
            return Audio;
        case 0x80:
            return Speaker;
        case 0x60:
            if (at(1) == 0x03 && at(2) == 0x0C && at(3) == 0x00) return Hdmi;
            if (at(1) == 0xD8 && at(2) == 0x5D && at(3) == 0xC4) return HdmiForum;
            return Other;
        case 0xE0:
            if (at(1) == 0x05) return Colorimetry;
            if (at(1) == 0x00) return VideoCap;
            if (at(1) == 0x06) return Hdr;
            if (at(1) == 0x0E) return Yuv420;
            return Other;
        default:
            return Other;
    }
}

template <std::size_t N>
std::vector<uint8_t> NonZero(const std::array<uint8_t, N>& values) {
    std::vector<uint8_t> out;
    for (uint8_t v : values)
        if (v) out.push_back(v);
    return out;
}

std::vector<uint8_t> Payload(const EdidImage& image, int p) {
    return std::vector<uint8_t>(image.begin() + p + 1, image.begin() + p + 1 + (image[p] & 0x1F));
}

void CheckExtension(const EdidInfo& before, const EdidInfo& after, int notes) {
    const EdidImage& image = after.image;
    FuzzRequire(image[128] == 0x02 && image[129] == 0x03, "extension tag or revision");
    FuzzRequire(image[131] == ((before.image[131] & 0xCF) | (before.ceaFlags & 0x30)),
                "extension byte 3");
    const int offset = image[130];
    const int w = kBlockSize + offset;
    FuzzRequire(offset >= 4 && w <= 255, "detailed timing offset outside the block");

    std::array<int, Other + 1> seen{};
    int last = -1;
    int p = 132;
    while (p < w) {
        const int length = image[p] & 0x1F;
        FuzzRequire(p + length < 255, "data block reaches the checksum");
        const BlockKind kind = Kind(image, p);
        FuzzRequire(kind != Other && int(kind) > last, "data block out of its place in the order");
        last = kind;
        ++seen[kind];
        if (kind == Video)
            FuzzRequire(Payload(image, p) == NonZero(before.vicList), "video block payload");
        if (kind == Audio) {
            std::vector<uint8_t> sads;
            for (const auto& s : before.sads)
                if (s[0]) sads.insert(sads.end(), s.begin(), s.end());
            FuzzRequire(Payload(image, p) == sads, "audio block payload");
        }
        if (kind == Speaker) {
            const uint32_t s = before.speakerAllocation;
            FuzzRequire(Payload(image, p) ==
                            std::vector<uint8_t>{uint8_t(s >> 16), uint8_t(s >> 8), uint8_t(s)},
                        "speaker allocation payload");
        }
        if (kind == Yuv420) {
            std::vector<uint8_t> vics = NonZero(before.yuv420Vics);
            vics.insert(vics.begin(), 0x0E);
            FuzzRequire(Payload(image, p) == vics, "YCbCr 4:2:0 block payload");
        }
        p += length + 1;
    }
    FuzzRequire(p == w, "data blocks do not end at the detailed timing offset");

    // The first three blocks always fit (at most 25 + 31 + 4 bytes); the others may be left out,
    // each with a note.
    FuzzRequire(seen[Video] == !NonZero(before.vicList).empty(), "video block presence");
    bool anySad = false;
    for (const auto& s : before.sads) anySad |= s[0] != 0;
    FuzzRequire(seen[Audio] == anySad, "audio block presence");
    FuzzRequire(seen[Speaker] == (before.speakerAllocation != 0), "speaker block presence");
    int missing = 0;
    missing += before.colorimetry[0] != 0 && !seen[Colorimetry];
    missing += before.videoCapability != 0 && !seen[VideoCap];
    missing += before.hdrStaticMetadata[0] != 0 && !seen[Hdr];
    missing += !NonZero(before.yuv420Vics).empty() && !seen[Yuv420];
    bool fourK = false;
    for (uint8_t v : before.vicList) fourK |= v >= 96 && v <= 107;
    missing += fourK && !seen[HdmiForum];
    FuzzRequire(notes >= missing, "a data block left out without a note");
    FuzzRequire(before.colorimetry[0] != 0 || !seen[Colorimetry], "colorimetry block kept at 0");
    FuzzRequire(before.videoCapability != 0 || !seen[VideoCap], "video capability block kept");
    FuzzRequire(before.hdrStaticMetadata[0] != 0 || !seen[Hdr], "HDR block kept at EOTF 0");

    int q = w;
    for (int i = 0; i < 3; ++i) {
        if (126 - offset - 18 * i <= 18) continue;
        FuzzRequire(std::equal(before.extensionDtds[i].begin(), before.extensionDtds[i].end(),
                               image.begin() + q),
                    "extension detailed timing descriptor");
        q += 18;
    }
    FuzzRequire(q <= 255, "descriptors reach the checksum");
    for (; q < 255; ++q) FuzzRequire(image[q] == 0, "fill after the descriptors not 0");
}

// What the decoder reads back from the built image matches what the record asked for.
void CheckDecodedBack(const EdidInfo& before, const EdidInfo& built) {
    EdidInfo back;
    FuzzRequire(DecodeEdid(back, built.image.data()), "built image does not decode");
    std::vector<std::array<uint8_t, 3>> sads;
    for (const auto& s : before.sads)
        if (s[0]) sads.push_back(s);
    for (size_t j = 0; j < before.sads.size(); ++j) {
        const std::array<uint8_t, 3> expected =
            j < sads.size() ? sads[j] : std::array<uint8_t, 3>{};
        FuzzRequire(back.sads[j] == expected, "audio descriptors read back");
    }
    FuzzRequire(back.speakerAllocation == before.speakerAllocation, "speakers read back");
    if (back.features & HdmiVsdb)
        FuzzRequire(back.cecAddress == before.cecAddress, "CEC address read back");
    if (back.colorimetry[0] != 0)
        FuzzRequire(back.colorimetry[0] == before.colorimetry[0], "colorimetry read back");
    if (back.hdrStaticMetadata[0] != 0)
        FuzzRequire(back.hdrStaticMetadata[0] == before.hdrStaticMetadata[0] &&
                        back.hdrStaticMetadata[1] == before.hdrStaticMetadata[1],
                    "HDR metadata read back");
    FuzzRequire(back.extensionDtds[0] == before.extensionDtds[0] || built.image[130] >= 108,
                "first descriptor read back");
}

void BuildAndCheck(EdidInfo& info) {
    const EdidInfo before = info;
    const QStringList notes = WriteCreatedImage(info);

    for (const QString& note : notes)
        FuzzRequire(note.endsWith(QLatin1String("\r\n")), "note without its line end");
    if (const char* field =
            FirstDifferentField(before, info, SkipImage | SkipFeatures | SkipStandardTimings)) {
        const std::string what = std::string("builder changed record field ") + field;
        FuzzFail(what.c_str());
    }
    FuzzRequire(info.features == (before.features & Has3D), "feature bits other than 3D kept");

    std::array<uint16_t, 8> timings{};
    const EdidImage base = ExpectedBaseBlock(before, timings);
    FuzzRequire(std::equal(base.begin(), base.begin() + kBlockSize, info.image.begin()),
                "block 0 differs from its layout");
    FuzzRequire(info.standardTimings == timings, "standard timings not compacted once");
    FuzzRequire(Sum(info.image, 0) == 0 && Sum(info.image, kBlockSize) == 0, "checksum");
    CheckExtension(before, info, int(notes.size()));

    const bool headerGood = std::equal(kHeader.begin(), kHeader.end(), info.image.begin());
    EdidInfo judged = info;
    FuzzRequire(ValidateEdidImage(judged) == headerGood,
                "built image invalid for another reason than its loaded header");
    if (headerGood) CheckDecodedBack(before, info);
}

}  // namespace

int FuzzBuildRoundtrip(const uint8_t* data, size_t size) {
    EdidInfo info;
    info.image.fill(0xFF);
    std::memcpy(info.image.data(), data, std::min<size_t>(size, kEdidSize));
    // The loader decodes the image in place; an invalid one still stays the creator image.
    DecodeEdid(info, info.image.data());
    FuzzInput rest(data + std::min<size_t>(size, kEdidSize),
                   size > size_t(kEdidSize) ? size - kEdidSize : 0);

    if (rest.byte() & 1) {
        // Save pressed twice over the same control states: each press collects the controls
        // into the record, then builds; the second build starts from the first one's output.
        const ScriptedControls controls(rest);
        for (int press = 0; press < 2; ++press) {
            const EdidImage image = info.image;
            try {
                CollectCreatorFields(controls, info);
            } catch (const ConversionError& e) {
                // The handler ends here: nothing is built, saved or uploaded.
                if (!controls.mayRefuse()) {
                    const std::string what =
                        std::string("collection refused a valid number: ") + e.what();
                    FuzzFail(what.c_str());
                }
                FuzzRequire(info.image == image, "collection changed the image");
                return 0;
            }
            FuzzRequire(info.image == image, "collection changed the image");
            BuildAndCheck(info);
        }
        return 0;
    }

    EditRecord(rest, info);
    BuildAndCheck(info);
    // The next build starts from this build's output, as a second Save does.
    BuildAndCheck(info);
    return 0;
}

}  // namespace varnok::fuzz
