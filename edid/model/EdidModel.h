#pragma once
// An EDID of 1 to 8 blocks of 128 bytes, held so that every byte survives: the VESA E-EDID base
// block as its fields, each CTA-861 extension as its header, data blocks in order, detailed
// timings and the padding after them, and any other block (DisplayID, a block map, a CTA-861
// block whose layout does not hold together) as its 128 bytes. Checksums are kept as stored,
// right or wrong. Serialising a model nobody edited gives back exactly the bytes it was parsed
// from; EdidEdit.h changes it. Plain byte logic: nothing here prints or opens files.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace varnok {

constexpr int kEdidModelBlockSize = 128;
constexpr int kEdidModelMaxBlocks = 8;  // the base block and up to 7 extensions
constexpr int kCtaFirstDataBlock = 4;   // CTA-861 data blocks start at byte 4 of their block
constexpr int kCtaChecksum = 127;
constexpr int kDescriptorSize = 18;

using Bytes18 = std::array<uint8_t, kDescriptorSize>;

struct EdidBaseBlock {
    std::array<uint8_t, 8> header{};  // 00 FF FF FF FF FF FF 00 in a sound EDID
    uint16_t vendorId = 0;            // bytes 8..9, big-endian: three 5-bit letters, 1 = 'A'
    uint16_t productCode = 0;         // bytes 10..11, little-endian
    uint32_t serialNumber = 0;        // bytes 12..15, little-endian
    uint8_t week = 0;        // byte 16: 1..54, 0 unknown, 0xFF when byte 17 is a model year
    uint8_t year = 0;        // byte 17: years since 1990
    uint8_t version = 0;     // byte 18
    uint8_t revision = 0;    // byte 19
    uint8_t videoInput = 0;  // byte 20: bit 7 digital, then depth and interface
    uint8_t widthCm = 0;     // byte 21 (or an aspect ratio when byte 22 is 0)
    uint8_t heightCm = 0;    // byte 22
    uint8_t gamma = 0;       // byte 23: gamma x 100 - 100; 0xFF when given elsewhere
    uint8_t features = 0;    // byte 24: power management, colour type, sRGB, preferred
    // Bytes 25..34: red x, red y, green x, green y, blue x, blue y, white x, white y, 10 bits
    // each in units of 1/1024 (the two low bits of each live in bytes 25 and 26).
    std::array<uint16_t, 8> chromaticity{};
    uint32_t establishedTimings = 0;            // bytes 35..37, byte 35 in bits 23..16
    std::array<uint16_t, 8> standardTimings{};  // bytes 38..53, first byte of each in bits 15..8
    std::array<Bytes18, 4> descriptors{};       // bytes 54..125, decoded by EdidDescriptors.h
    uint8_t extensionCount = 0;                 // byte 126 as stored
    uint8_t checksum = 0;                       // byte 127 as stored

    bool operator==(const EdidBaseBlock&) const = default;
};

// One CTA-861 data block: a header byte (tag in bits 7..5, payload length in bits 4..0), then
// its payload. For tag 7 the payload's first byte is the extended tag.
struct CtaDataBlock {
    int tag = 0;           // 1 audio, 2 video, 3 vendor-specific, 4 speaker allocation, 7 extended
    int extendedTag = -1;  // tag 7 only: payload byte 0; -1 for an empty tag-7 block (and others)
    QByteArray body;       // the payload after the extended tag; all of it for the other tags

    int payloadLength() const { return int(extendedTag >= 0) + int(body.size()); }
    int size() const { return 1 + payloadLength(); }  // header byte included
    bool operator==(const CtaDataBlock&) const = default;
};

struct CtaExtension {
    uint8_t revision = 3;   // byte 1
    uint8_t dtdOffset = 4;  // byte 2 as stored: where the detailed timings start, 0 for none
    // Byte 3: underscan, basic audio, YCbCr 4:4:4, YCbCr 4:2:2 in bits 7..4; bits 3..0 the
    // number of native detailed timings, counted from the base block's first.
    uint8_t flags = 0;
    QList<CtaDataBlock> dataBlocks;  // from byte 4 up to dtdOffset, in order
    // From dtdOffset: 18-byte detailed timings up to the first whose pixel clock is 0 or the
    // first that would reach the checksum.
    QList<Bytes18> timings;
    // The bytes after the timings up to byte 126, as stored; all zeros once an edit changed the
    // layout.
    QByteArray padding;
    uint8_t checksum = 0;

    bool operator==(const CtaExtension&) const = default;

    int dataBlockBytes() const;
    // Bytes 4..126 that neither a data block nor a timing takes: what an edit may still use.
    int freeBytes() const;
};

// An extension block: a CTA-861 block with its layout parsed, or any block as its raw bytes.
struct EdidExtension {
    bool isCta = false;
    CtaExtension cta;                                // when isCta
    std::array<uint8_t, kEdidModelBlockSize> raw{};  // when !isCta: the block as stored
    // For a block tagged 0x02 that stayed raw: why its layout could not be taken apart, e.g.
    // "the data block at byte 120 states 12 bytes and runs past byte 127". Empty otherwise.
    QString rawReason;

    uint8_t tag() const { return isCta ? 0x02 : raw[0]; }
    bool operator==(const EdidExtension&) const = default;
};

struct EdidModel {
    EdidBaseBlock base;
    QList<EdidExtension> extensions;  // block 1 is extensions[0]

    int blockCount() const { return 1 + int(extensions.size()); }
    // Equal models serialise to equal bytes; a model parsed from its own bytes equals it.
    bool operator==(const EdidModel&) const = default;
    // The extension of block (1..blockCount()-1) when it is a parsed CTA-861 block, else null.
    const CtaExtension* cta(int block) const;
    CtaExtension* cta(int block);
};

struct EdidModelParse {
    bool ok = false;
    EdidModel model;
    QString error;  // when !ok, one sentence: "An EDID has 128 to 1024 bytes in whole blocks of
                    // 128; this has 300."
};

// Any content is taken (a wrong header, wrong checksums, an extension count that disagrees with
// the size, garbage); only the size is checked: 128 x N bytes, N = 1..8.
EdidModelParse ParseEdidModel(const QByteArray& bytes);
QByteArray SerializeEdidModel(const EdidModel& model);
// One block's 128 bytes as serialised (block 0 is the base block).
QByteArray SerializeEdidBlock(const EdidModel& model, int block);

// Bytes an edit can still use in a block: in the base block 18 for each dummy descriptor
// (tag 0x10), in a parsed CTA-861 block what lies after its last timing (padding counts as free),
// in a raw block 0. -1 for a block the model does not have.
int EdidFreeBytes(const EdidModel& model, int block);

// The sum that makes bytes 0..126 of a block's serialised bytes add up to 0 modulo 256.
uint8_t EdidBlockChecksum(const QByteArray& block);

}  // namespace varnok
