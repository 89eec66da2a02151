#pragma once
// Export for Linux: the EDID as a firmware file the kernel's DRM loads instead of the display's
// own (the drm.edid_firmware parameter), and what to do with it, in words. Nothing is written:
// the caller writes NAME.bin's bytes and shows (and copies) the instructions.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace varnok {

struct LinuxEdidExport {
    QString fault;         // the size in words when edid is not 128 × N bytes; nothing else set
    QString name;          // NAME, by EdidOverrideName's rules
    QString fileName;      // "NAME.bin"
    QByteArray file;       // its bytes: the EDID as it is
    QString firmwarePath;  // "/usr/lib/firmware/edid/NAME.bin"
    // "drm.edid_firmware=HDMI-A-1:edid/NAME.bin", one per connector given; empty without any.
    QStringList kernelParameters;
    QString instructions;  // the steps, as plain text with '\n' line ends
};

// connectors are the DRM connector names of this computer as the display reader lists them
// ("card0-HDMI-A-1"; the kernel parameter takes them without "card0-"). name may be empty.
LinuxEdidExport ExportEdidForLinux(const QByteArray& edid, const QString& name,
                                   const QStringList& connectors);

}  // namespace varnok
