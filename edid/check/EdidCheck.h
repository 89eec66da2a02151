#pragma once
// The check before an upload: what in an EDID of 128 × N bytes breaks real sources (errors).
// Only what certainly breaks them is an error: a header, version, checksum or extension count
// that makes sources reject the EDID or a block, CTA-861 data blocks or a DTD offset that run
// past their block, and a preferred timing with a zero pixel clock or a zero active size. The
// conformance findings of edid-decode --check are notes (EdidDecodeNotes), never errors: most
// real monitors ship with some.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "edid/check/EdidFindings.h"

namespace varnok {

inline constexpr int kEdidBlockBytes = 128;
// Block 0 and the 255 extensions its extension count (byte 126) can announce.
inline constexpr int kMaxCheckedEdidBlocks = 256;

// Empty when size is 128 × N bytes with N from 1 to kMaxCheckedEdidBlocks; otherwise the size in
// words: "the EDID is empty", "the EDID is 200 bytes, not a multiple of 128", "the EDID is 33024
// bytes, more than 256 blocks of 128".
QString EdidSizeFault(qsizetype size);

// The value of the block's last byte that makes its 128 bytes sum to 0 modulo 256 (VESA
// E-EDID); block must lie inside edid.
uint8_t EdidBlockChecksum(const QByteArray& edid, int block);

// The errors in edid, in block and byte order. A size that is not 128 × N gives one error and
// nothing else is judged; so do bytes that are all the same (an erased EEPROM, an empty file).
EdidFindings CheckEdid(const QByteArray& edid);

}  // namespace varnok
