// Linux: the DRM connectors' edid files.
#include "edidio/DisplayEdids.h"

namespace varnok {

QList<DisplayEdid> SystemDisplayEdids() {
    return ReadDrmDisplayEdids(QStringLiteral("/sys/class/drm"));
}

}  // namespace varnok
