#pragma once
// What an EDID rebuilt from another no longer holds of it, in words, for a question before the
// rebuilt bytes are written: the creator's "Bin Modifiy" loads a file, and its Save and Upload
// build the EDID again from its own fields, which can leave out what the file had (its 4:2:0
// map, a Dolby Vision block, VICs it has no box for, a higher Max TMDS clock).

#include <QByteArray>
#include <QStringList>

namespace varnok {

// One line per loss, in block order; empty when built holds everything loaded held. Both are
// 128 x N bytes (any content; a size that is no EDID gives no losses). Compared: the detailed
// timings (of every block), extension blocks, and in the first CTA-861 extension its support
// flags and each data block by kind: the VICs of the video and 4:2:0 video blocks, the audio
// formats and their channels, the Max TMDS clock and FRL rate, the HDR transfer functions, the
// colorimetry and speaker bits, and every other block (by OUI or extended tag) as a whole.
QStringList EdidLosses(const QByteArray& loaded, const QByteArray& built);

}  // namespace varnok
