#include "edid/check/EdidLinuxExport.h"

#include <QRegularExpression>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidOverrideName.h"

namespace varnok {
namespace {

// The kernel names a connector without the card it belongs to.
QStringList KernelConnectors(const QStringList& connectors) {
    static const QRegularExpression card(QStringLiteral("^card\\d+-"));
    QStringList names;
    for (QString c : connectors) {
        c = c.trimmed().remove(card);
        if (!c.isEmpty() && !names.contains(c)) names << c;
    }
    return names;
}

}  // namespace

LinuxEdidExport ExportEdidForLinux(const QByteArray& edid, const QString& name,
                                   const QStringList& connectors) {
    LinuxEdidExport x;
    x.fault = EdidSizeFault(edid.size());
    if (!x.fault.isEmpty()) return x;
    x.name = EdidOverrideName(edid, name);
    x.fileName = x.name + QStringLiteral(".bin");
    x.file = edid;
    x.firmwarePath = QStringLiteral("/usr/lib/firmware/edid/") + x.fileName;
    const QString firmware = QStringLiteral("edid/") + x.fileName;
    for (const QString& c : KernelConnectors(connectors))
        x.kernelParameters << QStringLiteral("drm.edid_firmware=%1:%2").arg(c, firmware);

    QStringList t;
    t << QStringLiteral("EDID override for Linux: %1 (%2 bytes)").arg(x.fileName).arg(edid.size())
      << QString() << QStringLiteral("1. Copy the file into the kernel's firmware folder:")
      << QStringLiteral("   sudo mkdir -p /usr/lib/firmware/edid")
      << QStringLiteral("   sudo cp %1 %2").arg(x.fileName, x.firmwarePath) << QString();
    t << QStringLiteral(
        "2. Add the kernel parameter for the connector the display is on to the kernel command "
        "line (with GRUB: GRUB_CMDLINE_LINUX in /etc/default/grub, then sudo update-grub), and "
        "restart:");
    if (x.kernelParameters.isEmpty()) {
        t << QStringLiteral("   drm.edid_firmware=CONNECTOR:%1").arg(firmware)
          << QStringLiteral(
                 "   CONNECTOR is the connector's name under /sys/class/drm without its card "
                 "(card0-HDMI-A-1 is HDMI-A-1).");
    } else {
        for (const QString& p : x.kernelParameters) t << QStringLiteral("   ") + p;
        t << QStringLiteral(
            "   These are the connectors of this computer; take the one the display is on. For "
            "several displays, join connector:file pairs with commas in one parameter.");
    }
    t << QString()
      << QStringLiteral(
             "3. When the display is needed at boot (a boot splash, a disk password prompt), the "
             "initramfs must include the file, because the kernel loads it before the root file "
             "system is mounted: with dracut, add install_items+=\" %1 \" to "
             "/etc/dracut.conf.d/edid.conf and run sudo dracut -f; with initramfs-tools, copy "
             "it in a hook script in /etc/initramfs-tools/hooks and run sudo update-initramfs -u.")
             .arg(x.firmwarePath);
    x.instructions = t.join(u'\n') + u'\n';
    return x;
}

}  // namespace varnok
