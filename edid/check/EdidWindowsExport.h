#pragma once
// Export for Windows: a monitor .inf that installs the EDID as an EDID override, one REG_BINARY
// value per 128-byte block ("0", "1", ...) under the EDID_OVERRIDE key of the monitor's device
// parameters, as Microsoft documents for monitor INF files ("Overriding Monitor EDIDs with an
// INF"), and a README telling how to install and remove it. Nothing is written: the caller
// writes both files.

#include <QByteArray>
#include <QDate>
#include <QString>

namespace varnok {

struct WindowsEdidExport {
    // Why there is nothing to export, in words: the size, or no manufacturer ID in bytes 8 and 9
    // (the hardware ID needs it). Nothing else is set then.
    QString fault;
    QString name;            // NAME, by EdidOverrideName's rules
    QString hardwareId;      // "MONITOR\DEL4093": the manufacturer and product code of the EDID
    QString infFileName;     // "NAME.inf"
    QByteArray inf;          // ASCII with CRLF line ends
    QString readmeFileName;  // "NAME-README.txt"
    QByteArray readme;       // ASCII with CRLF line ends
};

// driverDate is the .inf's DriverVer date; Windows prefers the newer of two drivers that match
// equally well, so the caller gives today.
WindowsEdidExport ExportEdidForWindows(const QByteArray& edid, const QString& name,
                                       const QDate& driverDate);

}  // namespace varnok
