#include "edid/check/EdidWindowsExport.h"

#include <QStringList>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidOverrideName.h"

namespace varnok {
namespace {

// The monitor device setup class (Class=Monitor).
const char kMonitorClassGuid[] = "{4D36E96E-E325-11CE-BFC1-08002BE10318}";
constexpr int kBytesPerLine = 16;

// A quoted INF string: '"' doubled, '%' doubled so it is no string key.
QString InfString(QString s) {
    return u'"' + s.replace(u'"', QStringLiteral("\"\"")).replace(u'%', QStringLiteral("%%")) +
           u'"';
}

QByteArray CrLf(const QStringList& lines) {
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

// HKR,EDID_OVERRIDE,"n",0x01,<128 bytes>: flag 0x01 makes the value REG_BINARY.
void AddBlockValues(const QByteArray& edid, QStringList& inf) {
    for (int block = 0; block < edid.size() / kEdidBlockBytes; ++block) {
        inf << QStringLiteral("HKR,EDID_OVERRIDE,\"%1\",0x01,\\").arg(block);
        for (int line = 0; line < kEdidBlockBytes / kBytesPerLine; ++line) {
            QStringList bytes;
            for (int i = 0; i < kBytesPerLine; ++i) {
                const int at = block * kEdidBlockBytes + line * kBytesPerLine + i;
                bytes << QString::asprintf("0x%02X", static_cast<uint8_t>(edid.at(at)));
            }
            const bool last = line == kEdidBlockBytes / kBytesPerLine - 1;
            inf << bytes.join(u',') + (last ? QString() : QStringLiteral(",\\"));
        }
    }
}

QByteArray Inf(const WindowsEdidExport& x, const QByteArray& edid, const QString& model,
               const QString& manufacturer, const QDate& date) {
    const int blocks = static_cast<int>(edid.size() / kEdidBlockBytes);
    QStringList inf{
        QStringLiteral("; %1: makes Windows use the EDID below (%2 bytes, %3 block%4) for the")
            .arg(x.infFileName)
            .arg(edid.size())
            .arg(blocks)
            .arg(blocks == 1 ? "" : "s"),
        QStringLiteral("; monitor %1 instead of the EDID the monitor sends. Made by Varnok;")
            .arg(x.hardwareId),
        QStringLiteral("; how to install and remove it: %1.").arg(x.readmeFileName),
        QString(),
        QStringLiteral("[Version]"),
        QStringLiteral("Signature=\"$WINDOWS NT$\""),
        QStringLiteral("Class=Monitor"),
        QStringLiteral("ClassGuid=") + QLatin1String(kMonitorClassGuid),
        QStringLiteral("Provider=%Provider%"),
        QStringLiteral("DriverVer=%1,1.0.0.0").arg(date.toString(QStringLiteral("MM/dd/yyyy"))),
        QString(),
        QStringLiteral("[Manufacturer]"),
        QStringLiteral("%Manufacturer%=EdidOverride,NTx86,NTamd64,NTarm64"),
    };
    for (const char* platform : {"NTx86", "NTamd64", "NTarm64"}) {
        inf << QString() << QStringLiteral("[EdidOverride.%1]").arg(QLatin1String(platform))
            << QStringLiteral("%Monitor%=EdidOverride.Install,") + x.hardwareId;
    }
    inf << QString() << QStringLiteral("[EdidOverride.Install]")
        << QStringLiteral("DelReg=EdidOverride.DelReg") << QString()
        << QStringLiteral("; The hardware key (HKR here) is the monitor's Device Parameters.")
        << QStringLiteral("[EdidOverride.Install.HW]")
        << QStringLiteral("AddReg=EdidOverride.AddReg") << QString()
        << QStringLiteral("; What an earlier monitor INF may have set for this monitor.")
        << QStringLiteral("[EdidOverride.DelReg]") << QStringLiteral("HKR,MODES")
        << QStringLiteral("HKR,,MaxResolution") << QStringLiteral("HKR,,DPMS")
        << QStringLiteral("HKR,,ICMProfile") << QString()
        << QStringLiteral("; One binary value a 128-byte block, named by its number.")
        << QStringLiteral("[EdidOverride.AddReg]");
    AddBlockValues(edid, inf);
    inf << QString() << QStringLiteral("[Strings]")
        << QStringLiteral("Provider=") + InfString(QStringLiteral("Varnok"))
        << QStringLiteral("Manufacturer=") + InfString(manufacturer)
        << QStringLiteral("Monitor=") + InfString(model);
    return CrLf(inf);
}

QByteArray Readme(const WindowsEdidExport& x, const QByteArray& edid, const QString& model,
                  const EdidIdentity& id) {
    return CrLf({
        QStringLiteral("EDID override for Windows: %1").arg(x.infFileName),
        QString(),
        QStringLiteral("%1 makes Windows use its EDID (%2 bytes) instead of the one the monitor "
                       "sends, for every monitor with the hardware ID %3: the manufacturer (%4) "
                       "and product code (%5) in bytes 8 to 11 of the EDID. For a monitor with "
                       "another ID, put that ID in place of %3 in the .inf (Device Manager shows "
                       "it in the monitor's Properties, Details, Hardware Ids).")
            .arg(x.infFileName)
            .arg(edid.size())
            .arg(x.hardwareId, id.manufacturer,
                 QString::asprintf("%04X", unsigned{id.productCode})),
        QString(),
        QStringLiteral("To install it:"),
        QStringLiteral("1. Open Device Manager and expand Monitors."),
        QStringLiteral("2. Right-click the monitor, choose Update driver, Browse my computer for "
                       "drivers, Let me pick from a list of available drivers on my computer, "
                       "Have Disk, and open %1.")
            .arg(x.infFileName),
        QStringLiteral("3. Choose \"%1\" and confirm. The .inf is not signed, so Windows may "
                       "warn that it cannot verify the publisher.")
            .arg(model),
        QStringLiteral("4. Unplug the monitor and plug it in again, or restart Windows."),
        QString(),
        QStringLiteral("To remove it: in Device Manager right-click the monitor, choose Uninstall "
                       "device, tick the option to remove its driver, then choose Action, Scan "
                       "for hardware changes."),
    });
}

}  // namespace

WindowsEdidExport ExportEdidForWindows(const QByteArray& edid, const QString& name,
                                       const QDate& driverDate) {
    WindowsEdidExport x;
    x.fault = EdidSizeFault(edid.size());
    if (!x.fault.isEmpty()) return x;
    const EdidIdentity id = ReadEdidIdentity(edid);
    if (id.manufacturer.isEmpty()) {
        x.fault = QStringLiteral(
            "bytes 8 and 9 hold no manufacturer ID (three letters A to Z), so there is no "
            "hardware ID for the .inf");
        return x;
    }
    x.name = EdidOverrideName(edid, name);
    x.hardwareId = QStringLiteral("MONITOR\\") + id.deviceId();
    x.infFileName = x.name + QStringLiteral(".inf");
    x.readmeFileName = x.name + QStringLiteral("-README.txt");
    const QString model = (id.monitorName.isEmpty() ? id.deviceId() : id.monitorName) +
                          QStringLiteral(" (EDID override)");
    x.inf = Inf(x, edid, model, id.manufacturer, driverDate);
    x.readme = Readme(x, edid, model, id);
    return x;
}

}  // namespace varnok
