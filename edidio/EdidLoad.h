#pragma once
// The one loader of the workbench (the EDID window's file and display sources, varnok-cli's file
// operands), with one size policy: an EDID is 128 x N bytes, N = 1..8 (a base block and up to
// seven extensions). Any other size is refused with the size in words ("300 bytes: an EDID is a
// multiple of 128 bytes"); an EDID of an accepted size comes back with all its bytes.
//
// The window's specified pages keep the device's own file rule instead (FileRead.h).

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "base/Result.h"
#include "edid/EdidInfo.h"

namespace varnok {

constexpr int kMaxEdidBlocks = 8;

enum class LoadOutcome {
    Loaded,      // the data holds every byte of the EDID
    ReadFailed,  // the file can't be opened; the reason is the system's
    BadSize,     // the bytes are no EDID by their number; the reason tells the size
    TooLarge,    // a valid size, but more than the caller can take (EdidImageOf)
};
using LoadResult = Result<LoadOutcome, QByteArray>;

// Reads `in` to its end (at most one byte more than the largest EDID, so a huge file is never
// taken whole) and judges the size.
LoadResult LoadEdid(QIODevice& in);
LoadResult LoadEdidFile(const QString& path);
// The policy alone, for bytes read elsewhere (a display's).
LoadResult CheckEdidSize(const QByteArray& bytes);

// For a caller that holds the 256-byte image: a 128-byte EDID with 0xFF after it (as its .bin
// file reads), a 256-byte one as it is. A larger EDID is refused in words (TooLarge), never cut.
Result<LoadOutcome, EdidImage> EdidImageOf(const LoadResult& loaded);

}  // namespace varnok
