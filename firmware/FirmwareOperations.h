#pragma once
// The firmware page's two operations without widgets: Open checks an image file and arms Update;
// Update programs the device in its ISP mode with the protocol of its kind.
//
// Update programs the file that Open checked when it enabled Update, not whatever the shared open
// dialog holds by then (another page may have chosen an EDID file in it since). Just before
// programming, the tagged device kind's file is checked again, since the device kind or the file
// may have changed since Open. A file confirmed in the dialog that cannot be opened disarms
// Update, since the path box then shows it. While an update runs, a second Open or Update is
// refused.

#include <QString>
#include <cstdint>

#include "firmware/FirmwareImage.h"

namespace varnok {

class DeviceLink;
class Dialogs;
class FirmwareView;
class IspClock;

// How an Update ended, for a front end that reports it in words; the window shows Label1 and
// the debug log.
enum class FirmwareOutcome {
    Programmed,     // every page read back (or every block acknowledged)
    Busy,           // an update already runs
    NotIspMode,     // "Not ISP Mode."
    UnknownDevice,  // "Unknow Device."
    Illegal,        // the checked file no longer carries its tag
    OpenFailed,     // the image file can't be opened
    BadSize,        // an image the ISP029 loader cannot take (empty, too large)
    NoLoader,       // ISP mode not confirmed, or no sync echo, within the bound
    PageFailed,     // a page failed its read-back 16 times
    Refused,        // the ISP029 loader refused a command, or left it unanswered, 8 times
    PortLost,       // the port went away during the update
};

class FirmwareOperations {
public:
    FirmwareOperations(DeviceLink& link, Dialogs& dialogs, FirmwareView& view, IspClock& clock);

    // Button_Open_FwClick; returns the check of the file.
    FirmwareCheck::Outcome openFirmware();
    // Button_Update_FwClick.
    FirmwareOutcome updateFirmware();

    bool updating() const { return updating_; }
    // The file that Open last accepted (empty when the last check disabled Update).
    const QString& checkedPath() const { return checkedPath_; }
    // The version its tag carries ("v1.234"); empty for an untagged image or none.
    const QString& checkedVersion() const { return checkedVersion_; }

private:
    FirmwareOutcome runUpdate(uint8_t variant);

    DeviceLink& link_;
    Dialogs& dialogs_;
    FirmwareView& view_;
    IspClock& clock_;
    QString checkedPath_;
    QString checkedVersion_;
    bool updating_ = false;
};

}  // namespace varnok
