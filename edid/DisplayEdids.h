#pragma once
// The EDIDs of the displays attached to this computer, as the system reports them: on Linux the
// DRM connectors' edid files under /sys/class/drm, on Windows the EDID values of the attached
// monitors under the registry's display enumeration. The environment variable VARNOK_DRM_DIR
// names a folder read instead of /sys/class/drm, on any system (tests point it at a fake tree).

#include <QList>
#include <QString>

#include "edid/EdidInfo.h"

namespace varnok {

struct DisplayEdid {
    QString connector;    // "card0-HDMI-A-1"; on Windows the monitor's model and instance
    QString monitorName;  // the display product name descriptor's text; empty when it has none
    // The first 256 bytes; after a 128-byte EDID bytes 128..255 are 0xFF, as a 128-byte .bin
    // file reads. An EDID with more than one extension keeps its base block and first extension
    // unchanged (byte 126 still counts them all, so validation calls it "Edid Over Banks.").
    EdidImage image{};
    int size = 0;  // the bytes the display reported: 128, 256, or more
};

inline constexpr char kDrmDirVariable[] = "VARNOK_DRM_DIR";

// Every display whose EDID is not empty (an empty one means nothing is attached), in connector
// name order.
QList<DisplayEdid> ListDisplayEdids();

// The displays of one DRM folder: its entries' "edid" files that are regular files and not
// empty (a FIFO or a device is never opened), each read up to 32 KiB.
QList<DisplayEdid> ReadDrmDisplayEdids(const QString& drmDir);

}  // namespace varnok
