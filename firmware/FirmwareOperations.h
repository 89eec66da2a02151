#pragma once
// The firmware page's two operations without widgets: Open checks an image file and arms Update;
// Update programs the device in its ISP mode with the protocol of its kind. The front end asks
// for the file first (the window's shared open dialog, varnok-cli's operand) and shows the
// outcome in its own words and captions.
//
// Update programs the file that Open checked when it armed Update, not whatever the shared open
// dialog holds by then (another page may have chosen an EDID file in it since). Just before
// programming, the tagged device kind's file is checked again, since the device kind or the file
// may have changed since Open. A newly chosen file that cannot be opened disarms Update, since
// the path box then shows it. While an update runs, a second Open or Update is refused.

#include <QString>
#include <cstdint>

#include "base/Result.h"
#include "firmware/FirmwareImage.h"

namespace varnok {

class DeviceLink;
class FirmwareView;
class IspClock;

enum class FirmwareOutcome {
    Programmed,     // every page read back (or every block acknowledged)
    Busy,           // an update already runs
    NotIspMode,     // "Not ISP Mode."
    UnknownDevice,  // "Unknow Device."
    Illegal,        // the checked file no longer carries its tag; Update is disarmed
    OpenFailed,     // the image file can't be opened
    BadSize,        // an image the ISP029 loader cannot take (empty, too large)
    NoLoader,       // ISP mode not confirmed, or no sync echo, within the bound
    PageFailed,     // a page failed its read-back 16 times
    Refused,        // the ISP029 loader refused a command, or left it unanswered, 8 times
    PortLost,       // the port went away during the update
};
using FirmwareResult = Result<FirmwareOutcome>;

class FirmwareOperations {
public:
    FirmwareOperations(DeviceLink& link, FirmwareView& view, IspClock& clock);

    // Button_Open_FwClick, once the file is known: `path` is the file to check (after a
    // cancelled dialog, the one chosen last on any page), `chosen` whether it was just chosen.
    // Logs "Fw Open OK." or "Fw Open Fail."; arms Update for a file it accepts (Untagged, Tagged)
    // and disarms it for an Illegal one, or for a chosen file that can't be opened. A refusal
    // while an update runs is OpenFailed, with nothing logged.
    FirmwareCheckResult openFirmware(const QString& path, bool chosen);
    // Button_Update_FwClick.
    FirmwareResult updateFirmware();

    bool updating() const { return updating_; }
    // The file that Open last accepted (empty while Update is disarmed).
    const QString& checkedPath() const { return checkedPath_; }
    // The version its tag carries ("v1.234"); empty for an untagged image or none.
    const QString& checkedVersion() const { return checkedVersion_; }

private:
    FirmwareOutcome runUpdate(uint8_t variant);

    DeviceLink& link_;
    FirmwareView& view_;
    IspClock& clock_;
    QString checkedPath_;
    QString checkedVersion_;
    bool updating_ = false;
};

}  // namespace varnok
