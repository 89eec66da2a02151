#pragma once
// The named byte ranges of an EDID of 128 × N bytes (N = 1..8): blocks 0 and 1 as EdidByteLayout
// names them in the device's 256-byte image, each later block as EdidByteLayout names a block 1
// of its kind (a CTA-861 block's data blocks and timings, any other block by its tag), with its
// offsets and its checksum's block number its own.

#include <QByteArray>
#include <QList>

#include "edid/EdidLayout.h"

namespace varnok {

// In offset order; together they cover every byte of edid (at least 256: a 128-byte EDID is
// laid out as its image, block 1 reading 0xFF), each exactly once.
QList<EdidByteRange> EdidByteLayoutBlocks(const QByteArray& edid);

}  // namespace varnok
