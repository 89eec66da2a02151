#pragma once
// What one byte of an EDID image is, in a few words, for a list of bytes that differ: the field
// of the VESA E-EDID base block ("manufacturer ID", "standard timing 3"), the field inside a
// detailed timing ("detailed timing 1: pixel clock", numbered over the whole EDID as edid-decode
// numbers its DTDs) or a display descriptor, and in a CTA-861 extension the header field, the
// data block and its field ("video data block: SVD 2, VIC 4", "HDMI vendor-specific data block:
// max TMDS clock"), the padding and the checksums. Built on EdidByteLayout's ranges, so both name
// the same bytes the same way.

#include <QList>
#include <QString>

#include "edid/EdidInfo.h"

namespace varnok {

struct EdidByteRegion {
    QString name;
    // Padding, unused bytes, or a block 1 the EDID does not use: a byte that means nothing here.
    bool holdsNothing = false;
};

// One region per byte, bytes 0..255 in order.
QList<EdidByteRegion> EdidByteRegions(const EdidImage& image);

}  // namespace varnok
