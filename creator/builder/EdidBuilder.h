#pragma once
// The creator's image writer: turns the creator record (an EdidInfo whose image is the image the
// creator was last loaded with or last built) into a complete two-block image, a VESA E-EDID base
// block and one CTA-861 extension, both with correct checksums. Plain byte logic, no window.

#include <QStringList>

#include "edid/EdidInfo.h"

namespace varnok {

// Writes the record into info.image in place: the base block is edited (identification, name
// descriptor, established and standard timings, extension count 1, checksum), the extension is
// written anew from the record, reusing the colorimetry, HDMI and HDMI Forum blocks it held.
// Data blocks go only into bytes 132..254; one that does not fit whole is left out. Always
// succeeds. Returns one debug-log line (ending in "\r\n") per block left out or cut short, empty
// when everything fitted.
QStringList WriteCreatedImage(EdidInfo& info);

}  // namespace varnok
