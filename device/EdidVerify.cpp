#include "device/EdidVerify.h"

#include "device/AnalyzerRead.h"
#include "link/DeviceLink.h"

namespace varnok {

UserEdidCheck ReadBackUserEdid(DeviceLink& link, LinkView& log, const EdidImage& uploaded) {
    EdidInfo back;
    const AnalyzerReadResult result = RunAnalyzerRead(link, log, EdidSource::User, back, {});
    UserEdidCheck check;
    if (!result.received || result.lostLink) return check;
    check.read = true;
    for (int i = 0; i < kEdidSize; ++i)
        if (back.image[i] != uploaded[i]) ++check.differing;
    return check;
}

}  // namespace varnok
