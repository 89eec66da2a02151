#include "edid/model/CtaDataBlocks.h"

#include <algorithm>

namespace varnok {

namespace {

constexpr int kTagAudio = 1;
constexpr int kTagVideo = 2;
constexpr int kTagVendor = 3;
constexpr int kTagSpeaker = 4;
constexpr int kTagVesaDtc = 5;
constexpr int kTagExtended = 7;

// The IEEE OUIs as stored, least significant byte first.
const char kHdmiOui[] = "\x03\x0C\x00";
const char kHdmiForumOui[] = "\xD8\x5D\xC4";

struct KindInfo {
    CtaBlockKind kind;
    const char* id;
    int tag;
    int extendedTag;  // -1 for blocks without one
};

constexpr KindInfo kKinds[] = {
    {CtaBlockKind::Audio, "audio", kTagAudio, -1},
    {CtaBlockKind::Video, "video", kTagVideo, -1},
    {CtaBlockKind::HdmiVsdb, "hdmi", kTagVendor, -1},
    {CtaBlockKind::HdmiForumVsdb, "hdmi-forum", kTagVendor, -1},
    {CtaBlockKind::VendorSpecific, "vendor", kTagVendor, -1},
    {CtaBlockKind::SpeakerAllocation, "speaker", kTagSpeaker, -1},
    {CtaBlockKind::VesaDisplayTransfer, "vesa-dtc", kTagVesaDtc, -1},
    {CtaBlockKind::VideoCapability, "vcdb", kTagExtended, 0},
    {CtaBlockKind::Colorimetry, "colorimetry", kTagExtended, 5},
    {CtaBlockKind::HdrStaticMetadata, "hdr-static", kTagExtended, 6},
    {CtaBlockKind::Yuv420Video, "420-video", kTagExtended, 14},
    {CtaBlockKind::Yuv420CapabilityMap, "420-map", kTagExtended, 15},
    {CtaBlockKind::OtherExtended, "extended", kTagExtended, -1},
    {CtaBlockKind::Reserved, "reserved", 0, -1},
};

const KindInfo& InfoOf(CtaBlockKind kind) {
    return *std::find_if(std::begin(kKinds), std::end(kKinds),
                         [kind](const KindInfo& k) { return k.kind == kind; });
}

// Where a field's bits lie in the block's body: up to three parts, most significant first, each
// `width` bits at `shift` in body byte `byte`.
struct Part {
    int byte = -1;
    int shift = 0;
    int width = 0;
};

struct FieldLayout {
    CtaFieldInfo info;
    Part parts[3];
};

using F = CtaField;
using K = CtaBlockKind;

// Vendor-specific bodies start with the 3-byte OUI; extended ones after the extended tag.
const FieldLayout kFields[] = {
    {{F::HdmiPhysicalAddress, K::HdmiVsdb, "physical-address", 16, 1}, {{3, 0, 8}, {4, 0, 8}}},
    {{F::HdmiSupportsAi, K::HdmiVsdb, "supports-ai", 1, 1}, {{5, 7, 1}}},
    {{F::HdmiDc48Bit, K::HdmiVsdb, "dc-48bit", 1, 1}, {{5, 6, 1}}},
    {{F::HdmiDc36Bit, K::HdmiVsdb, "dc-36bit", 1, 1}, {{5, 5, 1}}},
    {{F::HdmiDc30Bit, K::HdmiVsdb, "dc-30bit", 1, 1}, {{5, 4, 1}}},
    {{F::HdmiDcY444, K::HdmiVsdb, "dc-y444", 1, 1}, {{5, 3, 1}}},
    {{F::HdmiDviDual, K::HdmiVsdb, "dvi-dual", 1, 1}, {{5, 0, 1}}},
    {{F::HdmiMaxTmdsClock, K::HdmiVsdb, "max-tmds-clock", 8, 5}, {{6, 0, 8}}},
    {{F::HfVersion, K::HdmiForumVsdb, "version", 8, 1}, {{3, 0, 8}}},
    {{F::HfMaxTmdsCharacterRate, K::HdmiForumVsdb, "max-tmds-character-rate", 8, 5}, {{4, 0, 8}}},
    {{F::HfScdcPresent, K::HdmiForumVsdb, "scdc-present", 1, 1}, {{5, 7, 1}}},
    {{F::HfRrCapable, K::HdmiForumVsdb, "rr-capable", 1, 1}, {{5, 6, 1}}},
    {{F::HfLte340McscScramble, K::HdmiForumVsdb, "lte-340mcsc-scramble", 1, 1}, {{5, 3, 1}}},
    {{F::HfMaxFrlRate, K::HdmiForumVsdb, "max-frl-rate", 4, 1}, {{6, 4, 4}}},
    {{F::HfUhdVic, K::HdmiForumVsdb, "uhd-vic", 1, 1}, {{6, 3, 1}}},
    {{F::HfDc48Bit420, K::HdmiForumVsdb, "dc-48bit-420", 1, 1}, {{6, 2, 1}}},
    {{F::HfDc36Bit420, K::HdmiForumVsdb, "dc-36bit-420", 1, 1}, {{6, 1, 1}}},
    {{F::HfDc30Bit420, K::HdmiForumVsdb, "dc-30bit-420", 1, 1}, {{6, 0, 1}}},
    {{F::HfAllm, K::HdmiForumVsdb, "allm", 1, 1}, {{7, 1, 1}}},
    {{F::HfVrrMin, K::HdmiForumVsdb, "vrr-min", 6, 1}, {{8, 0, 6}}},
    {{F::HfVrrMax, K::HdmiForumVsdb, "vrr-max", 10, 1}, {{8, 6, 2}, {9, 0, 8}}},
    {{F::HfDsc1p2, K::HdmiForumVsdb, "dsc-1p2", 1, 1}, {{10, 7, 1}}},
    {{F::HfDscNative420, K::HdmiForumVsdb, "dsc-native-420", 1, 1}, {{10, 6, 1}}},
    {{F::HfDscAllBpp, K::HdmiForumVsdb, "dsc-all-bpp", 1, 1}, {{10, 3, 1}}},
    {{F::HfDsc16Bpc, K::HdmiForumVsdb, "dsc-16bpc", 1, 1}, {{10, 2, 1}}},
    {{F::HfDsc12Bpc, K::HdmiForumVsdb, "dsc-12bpc", 1, 1}, {{10, 1, 1}}},
    {{F::HfDsc10Bpc, K::HdmiForumVsdb, "dsc-10bpc", 1, 1}, {{10, 0, 1}}},
    {{F::HfDscMaxFrlRate, K::HdmiForumVsdb, "dsc-max-frl-rate", 4, 1}, {{11, 4, 4}}},
    {{F::HfDscMaxSlices, K::HdmiForumVsdb, "dsc-max-slices", 4, 1}, {{11, 0, 4}}},
    {{F::HfDscTotalChunkKBytes, K::HdmiForumVsdb, "dsc-total-chunk-kbytes", 6, 1}, {{12, 0, 6}}},
    {{F::SpeakerAllocation, K::SpeakerAllocation, "speakers", 24, 1},
     {{2, 0, 8}, {1, 0, 8}, {0, 0, 8}}},
    {{F::ColorimetryFlags, K::Colorimetry, "colorimetry", 8, 1}, {{0, 0, 8}}},
    {{F::ColorimetryFlags2, K::Colorimetry, "colorimetry-2", 4, 1}, {{1, 4, 4}}},
    {{F::ColorimetryMetadata, K::Colorimetry, "gamut-metadata", 4, 1}, {{1, 0, 4}}},
    {{F::HdrEotfs, K::HdrStaticMetadata, "eotfs", 8, 1}, {{0, 0, 8}}},
    {{F::HdrMetadataTypes, K::HdrStaticMetadata, "metadata-types", 8, 1}, {{1, 0, 8}}},
    {{F::HdrMaxLuminance, K::HdrStaticMetadata, "max-luminance", 8, 1}, {{2, 0, 8}}},
    {{F::HdrMaxFrameAverage, K::HdrStaticMetadata, "max-frame-average", 8, 1}, {{3, 0, 8}}},
    {{F::HdrMinLuminance, K::HdrStaticMetadata, "min-luminance", 8, 1}, {{4, 0, 8}}},
    {{F::VcdbQy, K::VideoCapability, "qy", 1, 1}, {{0, 7, 1}}},
    {{F::VcdbQs, K::VideoCapability, "qs", 1, 1}, {{0, 6, 1}}},
    {{F::VcdbPt, K::VideoCapability, "s-pt", 2, 1}, {{0, 4, 2}}},
    {{F::VcdbIt, K::VideoCapability, "s-it", 2, 1}, {{0, 2, 2}}},
    {{F::VcdbCe, K::VideoCapability, "s-ce", 2, 1}, {{0, 0, 2}}},
};

const FieldLayout& LayoutOf(CtaField field) {
    return *std::find_if(std::begin(kFields), std::end(kFields),
                         [field](const FieldLayout& f) { return f.info.field == field; });
}

bool HasOui(const CtaDataBlock& block, const char* oui) {
    return block.body.size() >= 3 && block.body.startsWith(QByteArrayView(oui, 3));
}

}  // namespace

CtaBlockKind CtaBlockKindOf(const CtaDataBlock& block) {
    if (block.tag == kTagVendor) {
        if (HasOui(block, kHdmiOui)) return CtaBlockKind::HdmiVsdb;
        if (HasOui(block, kHdmiForumOui)) return CtaBlockKind::HdmiForumVsdb;
        return CtaBlockKind::VendorSpecific;
    }
    for (const KindInfo& k : kKinds) {
        if (k.tag == block.tag && k.tag != kTagVendor &&
            (k.tag != kTagExtended || k.extendedTag == block.extendedTag)) {
            return k.kind;
        }
    }
    return block.tag == kTagExtended ? CtaBlockKind::OtherExtended : CtaBlockKind::Reserved;
}

QString CtaBlockKindId(CtaBlockKind kind) {
    return QLatin1String(InfoOf(kind).id);
}

bool CtaBlockKindFromId(const QString& id, CtaBlockKind& kind) {
    for (const KindInfo& k : kKinds) {
        if (id == QLatin1String(k.id)) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}

CtaDataBlock NewCtaDataBlock(CtaBlockKind kind) {
    const KindInfo& k = InfoOf(kind);
    CtaDataBlock block;
    block.tag = k.tag;
    block.extendedTag = k.extendedTag;
    switch (kind) {
        case CtaBlockKind::HdmiVsdb:
            block.body = QByteArray(kHdmiOui, 3) + QByteArray("\x10\x00", 2);
            break;
        case CtaBlockKind::HdmiForumVsdb:
            block.body = QByteArray(kHdmiForumOui, 3) + QByteArray("\x01\x00\x00\x00", 4);
            break;
        case CtaBlockKind::SpeakerAllocation:
            block.body = QByteArray(3, '\0');
            break;
        case CtaBlockKind::Colorimetry:
        case CtaBlockKind::HdrStaticMetadata:
            block.body = QByteArray(2, '\0');
            break;
        case CtaBlockKind::VideoCapability:
            block.body = QByteArray(1, '\0');
            break;
        default:
            break;
    }
    return block;
}

const CtaFieldInfo& CtaFieldInfoOf(CtaField field) {
    return LayoutOf(field).info;
}

QList<CtaField> CtaFieldsOf(CtaBlockKind kind) {
    QList<CtaField> fields;
    for (const FieldLayout& f : kFields) {
        if (f.info.kind == kind) fields.append(f.info.field);
    }
    return fields;
}

int CtaFieldValue(const CtaDataBlock& block, CtaField field) {
    const FieldLayout& f = LayoutOf(field);
    if (CtaBlockKindOf(block) != f.info.kind) return 0;
    int value = 0;
    for (const Part& p : f.parts) {
        if (p.width == 0) break;
        const int bits = p.byte < block.body.size() ? uint8_t(block.body[p.byte]) : 0;
        value = value << p.width | (bits >> p.shift & ((1 << p.width) - 1));
    }
    return value;
}

bool SetCtaFieldValue(CtaDataBlock& block, CtaField field, int value, QString* problem) {
    const FieldLayout& f = LayoutOf(field);
    if (CtaBlockKindOf(block) != f.info.kind) {
        if (problem) {
            *problem = QStringLiteral("The field %1 belongs to a %2 block, not to a %3 block.")
                           .arg(QLatin1String(f.info.id), CtaBlockKindId(f.info.kind),
                                CtaBlockKindId(CtaBlockKindOf(block)));
        }
        return false;
    }
    if (value < 0 || value >= (1 << f.info.bits)) {
        if (problem) {
            *problem = QStringLiteral("The value %1 does not fit the field %2 (0 to %3).")
                           .arg(value)
                           .arg(QLatin1String(f.info.id))
                           .arg((1 << f.info.bits) - 1);
        }
        return false;
    }
    int shift = f.info.bits;
    for (const Part& p : f.parts) {
        if (p.width == 0) break;
        shift -= p.width;
        const int bits = value >> shift & ((1 << p.width) - 1);
        if (p.byte >= block.body.size()) {
            if (bits == 0) continue;
            block.body.resize(p.byte + 1, '\0');
        }
        const int mask = ((1 << p.width) - 1) << p.shift;
        block.body[p.byte] = char((uint8_t(block.body[p.byte]) & ~mask) | bits << p.shift);
    }
    return true;
}

QList<CtaSvd> CtaVideoSvds(const CtaDataBlock& block) {
    QList<CtaSvd> svds;
    for (char c : block.body) {
        const int v = uint8_t(c);
        const bool native = v >= 129 && v <= 192;
        svds.append(CtaSvd{native ? v & 0x7F : v, native});
    }
    return svds;
}

CtaDataBlock MakeCtaVideoBlock(const QList<CtaSvd>& svds) {
    CtaDataBlock block = NewCtaDataBlock(CtaBlockKind::Video);
    for (const CtaSvd& s : svds) {
        const int vic = s.vic & 0xFF;
        block.body += char(s.native && vic >= 1 && vic <= 64 ? vic | 0x80 : vic);
    }
    return block;
}

CtaSad CtaSad::make(int format, int channels, uint8_t sampleRates, uint8_t detail) {
    CtaSad sad;
    sad.bytes = {uint8_t((format & 0x0F) << 3 | ((channels - 1) & 7)), uint8_t(sampleRates & 0x7F),
                 detail};
    return sad;
}

QList<CtaSad> CtaAudioSads(const CtaDataBlock& block) {
    QList<CtaSad> sads;
    for (qsizetype k = 0; k + 3 <= block.body.size(); k += 3) {
        CtaSad sad;
        sad.bytes = {uint8_t(block.body[k]), uint8_t(block.body[k + 1]),
                     uint8_t(block.body[k + 2])};
        sads.append(sad);
    }
    return sads;
}

CtaDataBlock MakeCtaAudioBlock(const QList<CtaSad>& sads) {
    CtaDataBlock block = NewCtaDataBlock(CtaBlockKind::Audio);
    for (const CtaSad& s : sads) {
        block.body.append(reinterpret_cast<const char*>(s.bytes.data()), 3);
    }
    return block;
}

QList<bool> CtaYuv420Map(const CtaDataBlock& block) {
    QList<bool> flags;
    for (char c : block.body) {
        for (int bit = 0; bit < 8; ++bit) flags.append(uint8_t(c) >> bit & 1);
    }
    return flags;
}

CtaDataBlock MakeCtaYuv420Map(const QList<bool>& perSvd) {
    CtaDataBlock block = NewCtaDataBlock(CtaBlockKind::Yuv420CapabilityMap);
    block.body = QByteArray((perSvd.size() + 7) / 8, '\0');
    for (qsizetype k = 0; k < perSvd.size(); ++k) {
        if (perSvd[k]) block.body[k / 8] = char(uint8_t(block.body[k / 8]) | 1 << (k % 8));
    }
    return block;
}

}  // namespace varnok
