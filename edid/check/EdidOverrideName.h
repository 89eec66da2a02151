#pragma once
// Who an EDID says the monitor is, and the file name an operating-system override of it gets.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace varnok {

struct EdidIdentity {
    QString manufacturer;      // the PNP ID of bytes 8 and 9, "DEL"; empty unless 3 letters A-Z
    uint16_t productCode = 0;  // bytes 10 and 11, least significant first
    QString monitorName;       // the display product name descriptor, printable ASCII, trimmed
    // The monitor's device ID as Windows forms it, "DEL4093"; empty without a manufacturer.
    QString deviceId() const;
};

// edid holds at least block 0 (128 bytes).
EdidIdentity ReadEdidIdentity(const QByteArray& edid);

// The NAME of NAME.bin and NAME.inf: the given name when there is one, else the monitor name,
// else the device ID, else "edid". It is made safe for a file name on every system and for the
// kernel's drm.edid_firmware parameter (which splits at ',' and ':'): a trailing ".bin" or ".inf"
// is dropped; each run of characters other than A-Z, a-z, 0-9, '.', '_' and '-' becomes one '-';
// '-', '.' and '_' are trimmed from both ends (no hidden file, nothing read as an option); at
// most 64 characters are kept; a name Windows reserves for a device (CON, NUL, COM1, ...) gets
// "-edid" appended. A given name with nothing left falls back to the monitor name and so on.
QString EdidOverrideName(const QByteArray& edid, const QString& given = {});

}  // namespace varnok
