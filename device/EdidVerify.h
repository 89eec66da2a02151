#pragma once
// Reading the User EDID back after an upload. The device acknowledges none of the bytes written
// to it, so this read is the only way to learn that a device which stalled mid-upload stored a
// mixed EDID.

#include "edid/EdidInfo.h"

namespace varnok {

class DeviceLink;
class LinkView;

struct UserEdidCheck {
    bool read = false;  // the device's answers to the read came whole
    int differing = 0;  // bytes of the 256 that differ from the uploaded image
};

// The analyzer's read of the User EDID (notices, selection 0x00, retries), compared byte for
// byte with `uploaded`. The program's User image store is left alone.
UserEdidCheck ReadBackUserEdid(DeviceLink& link, LinkView& log, const EdidImage& uploaded);

}  // namespace varnok
