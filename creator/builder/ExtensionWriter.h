#pragma once
// Writes the CTA-861 extension block (image bytes 128..255) anew from the creator record and the
// blocks reused from the loaded extension.

#include <QStringList>

#include "creator/builder/LoadedExtension.h"
#include "edid/EdidInfo.h"

namespace varnok {

// Data blocks occupy bytes 132..254 at most; byte 255 is the checksum.
constexpr int kDataBlocksBegin = 132;
constexpr int kDataBlocksEnd = 255;

// Lays out the data blocks in their fixed order, skipping any that would not fit whole (one
// note each), sets the detailed timing offset in byte 130, appends the extension's detailed
// timing descriptors, zero-fills the rest and writes the checksum.
void WriteExtensionBlock(EdidInfo& info, const LoadedExtension& loaded, QStringList& notes);

}  // namespace varnok
