#pragma once
// The EDIDs of the displays attached to this computer, as the system reports them: on Linux the
// DRM connectors' edid files under /sys/class/drm, on Windows the EDID values of the attached
// monitors under the registry's display enumeration (the platform's reader is chosen in CMake).
// The environment variable VARNOK_DRM_DIR names a folder read instead, on any system (tests
// point it at a fake tree).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "edid/EdidInfo.h"

namespace varnok {

struct DisplayEdid {
    QString connector;    // "card0-HDMI-A-1"; on Windows the monitor's model and instance
    QString monitorName;  // the display product name descriptor's text; empty when it has none
    QByteArray bytes;     // every byte the display reported
    // The first 256 bytes, for a look at the base block and first extension: after a 128-byte
    // EDID bytes 128..255 are 0xFF; a larger EDID keeps byte 126 counting all its extensions.
    EdidImage image{};
    int size() const { return int(bytes.size()); }
};

inline constexpr char kDrmDirVariable[] = "VARNOK_DRM_DIR";

// Every display whose EDID is not empty (an empty one means nothing is attached), in connector
// name order, numbers by their value ("DP-2" before "DP-10").
QList<DisplayEdid> ListDisplayEdids();

// The displays of one DRM folder: its entries' "edid" files that are regular files and not
// empty (a FIFO or a device is never opened), each read up to 32 KiB.
QList<DisplayEdid> ReadDrmDisplayEdids(const QString& drmDir);

// A display as the list gives it, from the bytes it reported.
DisplayEdid MakeDisplayEdid(const QString& connector, const QByteArray& bytes);

// The file name a display's EDID is saved under: its connector with every character other than
// a letter, a digit, '-' and '_' made '_' (a Windows monitor is named "model\instance", and a
// monitor's name may hold anything), then ".bin".
QString DisplayFileName(const QString& connector);
// The file names for saving the displays side by side, one for each in order: DisplayFileName,
// and where that name is taken already (connectors that differ only in characters made '_', or
// only in case, which some file systems ignore) "-2", "-3", ... before ".bin", so no display's
// file overwrites another's.
QStringList DisplayFileNames(const QList<DisplayEdid>& displays);

// Connector names in the order people count them: digit runs by their value, "DP-2" < "DP-10".
bool ConnectorLess(const QString& a, const QString& b);

// The system's own displays (the platform's reader): sysfs on Linux, the registry on Windows.
QList<DisplayEdid> SystemDisplayEdids();

}  // namespace varnok
