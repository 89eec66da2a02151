#pragma once
// The CTA-861 data blocks an editor changes by their fields: what kind a block is, its named
// bit fields (HDMI and HDMI Forum vendor blocks, speaker allocation, colorimetry, HDR static
// metadata, video capability), and its lists (video SVDs, short audio descriptors, the YCbCr
// 4:2:0 capability map). Every function works on a CtaDataBlock value and returns or changes
// only that value; EdidEdit puts the result into the EDID (SetDataBlock), where its size is
// checked against the room in the block.

#include <QList>
#include <QString>

#include "edid/model/EdidModel.h"

namespace varnok {

enum class CtaBlockKind {
    Audio,                // tag 1
    Video,                // tag 2
    HdmiVsdb,             // tag 3, OUI 00-0C-03
    HdmiForumVsdb,        // tag 3, OUI C4-5D-D8
    VendorSpecific,       // tag 3, any other OUI (or too short for one)
    SpeakerAllocation,    // tag 4
    VesaDisplayTransfer,  // tag 5
    VideoCapability,      // tag 7, extended tag 0
    Colorimetry,          // tag 7, extended tag 5
    HdrStaticMetadata,    // tag 7, extended tag 6
    Yuv420Video,          // tag 7, extended tag 14
    Yuv420CapabilityMap,  // tag 7, extended tag 15
    OtherExtended,        // tag 7, any other extended tag (or none)
    Reserved,             // tags 0 and 6
};

CtaBlockKind CtaBlockKindOf(const CtaDataBlock& block);
// A short stable name for a kind ("video", "audio", "speaker", "hdmi", "hdmi-forum",
// "colorimetry", "hdr-static", "vcdb", "420-video", "420-map", "vendor", "vesa-dtc",
// "extended", "reserved"), for the command line and the tests.
QString CtaBlockKindId(CtaBlockKind kind);
bool CtaBlockKindFromId(const QString& id, CtaBlockKind& kind);

// A new block of a kind with every field at 0, except that an HDMI block's physical address is
// 1.0.0.0 and an HDMI Forum block's version 1. Each gets the payload its kind needs at least:
// HDMI 5 bytes (OUI and address), HDMI Forum 7 (up to its deep colour flags), speaker
// allocation 3, colorimetry and HDR static metadata 2 after the extended tag, video capability
// 1; video, audio and the 4:2:0 lists are empty; other kinds an empty block of their tag.
CtaDataBlock NewCtaDataBlock(CtaBlockKind kind);

// Named bit fields. Values are the raw bits; unit() says what one step is worth.
enum class CtaField {
    HdmiPhysicalAddress,  // 16 bits, A.B.C.D as nibbles, A in bits 15..12
    HdmiSupportsAi,
    HdmiDc48Bit,
    HdmiDc36Bit,
    HdmiDc30Bit,
    HdmiDcY444,
    HdmiDviDual,
    HdmiMaxTmdsClock,  // 5 MHz units, 0 = not given
    HfVersion,
    HfMaxTmdsCharacterRate,  // 5 MHz units, 0 = 340 MHz or less
    HfScdcPresent,
    HfRrCapable,
    HfLte340McscScramble,
    HfMaxFrlRate,  // 0 none, 1 3 Gbit/s x 3 lanes, ..., 6 12 Gbit/s x 4 lanes
    HfUhdVic,
    HfDc48Bit420,
    HfDc36Bit420,
    HfDc30Bit420,
    HfAllm,
    HfVrrMin,  // Hz, 6 bits
    HfVrrMax,  // Hz, 10 bits
    HfDsc1p2,
    HfDscNative420,
    HfDscAllBpp,
    HfDsc16Bpc,
    HfDsc12Bpc,
    HfDsc10Bpc,
    HfDscMaxFrlRate,
    HfDscMaxSlices,
    HfDscTotalChunkKBytes,
    SpeakerAllocation,    // 24 bits, payload byte 1 in bits 7..0 (bit 0 FL/FR)
    ColorimetryFlags,     // BT2020 RGB (bit 7) ... xvYCC601 (bit 0)
    ColorimetryFlags2,    // 4 bits: ST2113 RGB (bit 3), ICtCp, sRGB, default (bit 0)
    ColorimetryMetadata,  // MD3..MD0
    HdrEotfs,             // bit 0 SDR, 1 HDR gamma, 2 SMPTE ST 2084, 3 HLG
    HdrMetadataTypes,     // bit 0 static metadata type 1
    HdrMaxLuminance,      // code values; 0 with the byte present, absent when the block is short
    HdrMaxFrameAverage,
    HdrMinLuminance,
    VcdbQy,
    VcdbQs,
    VcdbPt,  // 2 bits each
    VcdbIt,
    VcdbCe,
};

struct CtaFieldInfo {
    CtaField field;
    CtaBlockKind kind;  // the block kind the field belongs to
    const char* id;     // a short stable name, e.g. "max-tmds-clock"
    int bits;           // width: values are 0 .. 2^bits - 1
    int unit;           // what one step is worth in the field's unit (5 for the 5 MHz steps)
};

const CtaFieldInfo& CtaFieldInfoOf(CtaField field);
// The fields of a kind, in their byte order; empty for kinds without named fields.
QList<CtaField> CtaFieldsOf(CtaBlockKind kind);

// The field's value; 0 where the block is too short to hold it.
int CtaFieldValue(const CtaDataBlock& block, CtaField field);
// Sets the field's bits. A non-zero value in a byte beyond the block's end first lengthens the
// body with zeros up to it; a value of 0 there changes nothing. False, block unchanged, with
// *problem set, when the block is not of the field's kind or the value does not fit its bits.
bool SetCtaFieldValue(CtaDataBlock& block, CtaField field, int value, QString* problem);

// A short video descriptor: VIC 1..64 may be marked native (bit 7); 129..192 read as native
// VIC 1..64. Any other byte (0, 65..128, 193..255) is its own VIC and never native.
struct CtaSvd {
    int vic = 0;
    bool native = false;
    bool operator==(const CtaSvd&) const = default;
};
QList<CtaSvd> CtaVideoSvds(const CtaDataBlock& block);
// A video block of the SVDs in order (native honoured for VIC 1..64, VIC taken modulo 256).
CtaDataBlock MakeCtaVideoBlock(const QList<CtaSvd>& svds);

// A short audio descriptor, three bytes as stored.
struct CtaSad {
    std::array<uint8_t, 3> bytes{};

    int format() const { return bytes[0] >> 3 & 0x0F; }  // 1 L-PCM, 2 AC-3, ... 15 extended
    int channels() const { return (bytes[0] & 7) + 1; }
    uint8_t sampleRates() const { return bytes[1] & 0x7F; }  // bit 0 32 kHz ... bit 6 192 kHz
    // Byte 3: L-PCM bit depths (bit 0 16, 1 20, 2 24), the maximum bit rate / 8 kHz of codes
    // 2..8, or format-dependent detail.
    uint8_t detail() const { return bytes[2]; }
    static CtaSad make(int format, int channels, uint8_t sampleRates, uint8_t detail);
    bool operator==(const CtaSad&) const = default;
};
// The block's whole descriptors; trailing bytes of an incomplete one are not included.
QList<CtaSad> CtaAudioSads(const CtaDataBlock& block);
CtaDataBlock MakeCtaAudioBlock(const QList<CtaSad>& sads);

// The YCbCr 4:2:0 capability map: one bit per SVD of the video blocks, in their order (bit 0 of
// the first byte is the first SVD). An empty map means every SVD supports 4:2:0.
QList<bool> CtaYuv420Map(const CtaDataBlock& block);
// The map with as many bytes as the flags need (an empty list gives the empty map).
CtaDataBlock MakeCtaYuv420Map(const QList<bool>& perSvd);

}  // namespace varnok
