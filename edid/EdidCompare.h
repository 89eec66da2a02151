#pragma once
// Two EDID images side by side: the analyzer's fourteen rows of each, which rows differ, and
// every byte that differs with both values and what the byte is.

#include <QList>
#include <array>

#include "edid/EdidReport.h"

namespace varnok {

struct EdidByteDifference {
    int offset;  // 0..255
    uint8_t a;
    uint8_t b;
    // What the byte is (EdidByteRegions): a's region, or b's where the byte holds nothing in a
    // (a 128-byte EDID against one with an extension).
    QString region;
};

struct EdidComparison {
    EdidReport a;  // the rows as the analyzer shows them ("Illegal" and "-" for an invalid image)
    EdidReport b;
    std::array<bool, kEdidReportRowCount> rowDiffers{};  // in row order
    QList<EdidByteDifference> bytes;                     // in offset order; empty when identical

    bool identical() const { return bytes.isEmpty(); }
    int differingRows() const;
};

// All 256 bytes are compared: a 128-byte EDID's block 1 reads as 0xFF (as its file does), so
// against a 256-byte EDID its whole block 1 differs.
EdidComparison CompareEdids(const EdidImage& a, const EdidImage& b);

}  // namespace varnok
