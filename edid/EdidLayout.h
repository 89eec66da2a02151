#pragma once
// The named byte ranges of an EDID image, for a hex view that shades and names them: the VESA
// E-EDID base block's fields and its four 18-byte descriptors, and in a CTA-861 extension its
// header, each data block (a vendor's by its OUI's name where CTA-861 or HDMI defines one), the
// 18-byte slots up to the last that holds anything (detailed timings and display descriptors), the
// padding and the checksum. Timings are named as edid-decode names them ("1920x1080i at 60.000
// Hz"). Every range lies inside the image: a data block whose stated length runs past its
// collection is cut there.

#include <QList>
#include <QString>

#include "edid/EdidInfo.h"

namespace varnok {

enum class EdidRangeKind {
    Header,          // bytes 0..7
    Field,           // a field of the base block or of the extension's header
    Descriptor,      // a base block's 18-byte descriptor, or an extension's display descriptor
    DataBlock,       // a CTA-861 data block, its header byte included
    DetailedTiming,  // an 18-byte detailed timing descriptor of the extension
    Checksum,        // byte 127 or 255
    Unused,          // padding, or a block 1 that holds no extension
};

struct EdidByteRange {
    int first = 0;
    int length = 0;
    EdidRangeKind kind = EdidRangeKind::Field;
    QString name;  // for the hover, e.g. "Descriptor 2: display product name \"DELL U2720Q\""
    // A checksum byte that is wrong, a header that is not the EDID header, or a data block whose
    // stated length runs past its collection (the range is then cut).
    bool bad = false;
};

// In offset order; together they cover bytes 0..255, each exactly once.
QList<EdidByteRange> EdidByteLayout(const EdidImage& image);

}  // namespace varnok
