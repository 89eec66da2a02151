#pragma once
// EDID bytes as text. Reading takes the hex text people copy: plain hex with any spacing (with or
// without 0x, with or without an "00:" offset before each line), Debian edid-decode's whole output
// (its hex block; the decoded text after it is ignored), xrandr --verbose's indented "EDID:"
// lines, or a C array of bytes (comments allowed). Writing gives edid-decode's own hex form, which
// edid-decode and this reader take back. Plain byte logic: nothing here prints or shows anything.

#include <QString>
#include <QStringView>

#include "edid/EdidInfo.h"

namespace varnok {

struct EdidHexText {
    bool ok = false;
    // The bytes found. A 128-byte EDID is stored as a 128-byte .bin file reads: bytes 128..255
    // are 0xFF (so EdidByteCount gives 128 again, and FormatEdidHex writes 128 bytes).
    EdidImage image{};
    int size = 0;   // bytes found: 128 or 256 when ok
    QString form;   // the form recognised: "edid-decode output", "xrandr output", "C array", "hex"
    QString error;  // one sentence saying what was wrong when !ok, e.g. "Found 200 bytes; an EDID
                    // has 128 or 256."
};

EdidHexText ParseEdidHexText(QStringView text);

// edid-decode's hex form of the EDID's EdidByteCount(image) bytes: 16 a line, two lower-case
// digits each, separated by spaces, a blank line between the blocks, a line break at the end.
QString FormatEdidHex(const EdidImage& image);

// The same lines with each line's offset before it ("00: 00 ff ff ..", up to "f0: "), for a hex
// dump with offsets; ParseEdidHexText reads it back as well.
QString FormatEdidHexDump(const EdidImage& image);

}  // namespace varnok
