#pragma once
// EDID bytes as text. Reading takes the hex text people copy: plain hex with any spacing (with or
// without 0x, with or without an "00:" offset before each line, or split by colons), Debian
// edid-decode's whole output (its hex block; the decoded text after it is ignored), the "EDID
// (hex):" block of older edid-decode output and hardware-probe reports, xrandr --verbose's
// indented "EDID:" lines, a Windows registry export's "EDID"=hex: value, a dump with offsets
// (hexdump -C, xxd, od, hexdump; their ASCII columns and "*" lines for repeats understood), or a
// C array of bytes (comments allowed). Writing gives edid-decode's own hex form, which edid-decode
// and this reader take back. Plain byte logic: nothing here prints or shows anything.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "edid/EdidInfo.h"

namespace varnok {

struct EdidHexText {
    bool ok = false;
    // The bytes found. A 128-byte EDID is stored as a 128-byte .bin file reads: bytes 128..255
    // are 0xFF (so EdidByteCount gives 128 again, and FormatEdidHex writes 128 bytes).
    // With more than two blocks (ParseEdidHexBlocks) it holds the first 256 bytes only.
    EdidImage image{};
    int size = 0;  // bytes found when ok: 128 or 256, or 128 × N from ParseEdidHexBlocks
    // The form recognised: "edid-decode output", "EDID (hex): block", "xrandr output", "Windows
    // registry export", "hexdump -C output", "hexdump output", "xxd output", "od output", "hex
    // dump" (lines with "00:" offsets), "C array", "hex".
    QString form;
    QString error;     // one sentence saying what was wrong when !ok, e.g. "Found 200 bytes; an
                       // EDID has 128 or 256."
    QByteArray bytes;  // every byte found when ok, size of them, none added
};

// The most blocks ParseEdidHexBlocks reads.
constexpr int kMaxHexTextBlocks = 8;

// An EDID of 128 or 256 bytes, as the device holds one; more blocks are an error.
EdidHexText ParseEdidHexText(QStringView text);
// An EDID of 1 to kMaxHexTextBlocks blocks of 128 bytes: every block of a 384- or 512-byte EDID.
EdidHexText ParseEdidHexBlocks(QStringView text);
// The text of a file or of standard input to parse: UTF-16 or UTF-8 when it starts with a byte
// order mark (regedit exports UTF-16), else UTF-8.
QString EdidHexTextFromBytes(const QByteArray& data);

// edid-decode's hex form of the EDID's EdidByteCount(image) bytes: 16 a line, two lower-case
// digits each, separated by spaces, a blank line between the blocks, a line break at the end.
QString FormatEdidHex(const EdidImage& image);
// The same for every byte of an EDID of 128 × N bytes, a blank line between each two blocks.
QString FormatEdidHexBytes(const QByteArray& edid);

// The same lines with each line's offset before it ("00: 00 ff ff ..", up to "f0: "), for a hex
// dump with offsets; ParseEdidHexText reads it back as well.
QString FormatEdidHexDump(const EdidImage& image);

}  // namespace varnok
