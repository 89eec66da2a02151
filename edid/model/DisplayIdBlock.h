#pragma once
// A DisplayID section carried in an EDID extension block (tag 0x70, VESA DisplayID 1.3 and 2.x):
// its data blocks, their names, and the detailed timings of type I and type VII data blocks as
// the 18-byte detailed timing descriptor of VESA E-EDID would hold them. Only what the fit to the
// device's 256 bytes needs; plain byte logic.

#include <QByteArray>
#include <QList>
#include <QString>

#include "edid/model/EdidDescriptors.h"

namespace varnok {

inline constexpr uint8_t kDisplayIdExtensionTag = 0x70;

struct DisplayIdDataBlock {
    uint8_t tag = 0;
    uint8_t revision = 0;  // the block's second byte: revision in bits 2..0, flags above
    QByteArray payload;
};

struct DisplayIdSection {
    uint8_t version = 0;  // 0x12 for 1.2, 0x20 for 2.0
    QList<DisplayIdDataBlock> blocks;
    // Set when the stated lengths run past the block: the blocks before the fault are listed.
    QString fault;
};

// The section of an extension block of 128 bytes whose first byte is 0x70.
DisplayIdSection ParseDisplayIdSection(const QByteArray& block);

// "detailed timings (type I)", "tiled display topology", "CTA-861 data blocks", ...: the data
// block's kind in words, lower case, for a list of what a fit dropped.
QString DisplayIdBlockName(uint8_t tag);

// Type I (tag 0x03) and type VII (tag 0x22) detailed timings, and the CTA-861 data blocks that
// a DisplayID 2.0 section carries in its tag 0x81 block.
inline constexpr uint8_t kDisplayIdTypeI = 0x03;
inline constexpr uint8_t kDisplayIdTypeVII = 0x22;
inline constexpr uint8_t kDisplayIdCtaBlocks = 0x81;

struct DisplayIdTiming {
    EdidDetailedTiming timing;  // in a detailed timing descriptor's fields (pixel clock rounded)
    qint64 pixelClockKhz = 0;   // as the DisplayID block states it
    int width = 0;
    int height = 0;  // the frame's lines
    double refreshHz = 0;
    bool preferred = false;
    // Empty when a detailed timing descriptor can hold the timing, else why not, in words.
    QString problem;
};

// The timings of a type I or type VII data block (an empty list for any other tag).
QList<DisplayIdTiming> DisplayIdTimings(const DisplayIdDataBlock& block);

}  // namespace varnok
