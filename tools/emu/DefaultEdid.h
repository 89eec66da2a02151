#pragma once
// The EDIDs an emulated device holds when it is given no files: one valid VESA E-EDID 1.3 base
// block with one CTA-861 extension (video, audio, speaker and HDMI vendor-specific data blocks),
// differing per store in product code, serial number and monitor name so that a reader can tell
// which store answered.

#include <QByteArray>

#include "tools/emu/EmulatorConfig.h"

namespace varnok {

QByteArray defaultEmulatorEdid(EmuStore store);

// Sets the last byte of each 128-byte block so that the block sums to 0 modulo 256.
void fixEdidChecksums(QByteArray& image);

}  // namespace varnok
