#pragma once
// The firmware page's two operations without widgets: Open checks an image file and arms Update;
// Update programs the device in its ISP mode with the protocol of its kind.
//
// Update programs the file that Open checked when it enabled Update, not whatever the shared open
// dialog holds by then (another page may have chosen an EDID file in it since). Just before
// programming, the tagged device kind's file is checked again, since the device kind or the file
// may have changed since Open. While an update runs, a second Open or Update is refused.

#include <QString>
#include <cstdint>

namespace varnok {

class DeviceLink;
class Dialogs;
class FirmwareView;
class IspClock;

class FirmwareOperations {
public:
    FirmwareOperations(DeviceLink& link, Dialogs& dialogs, FirmwareView& view, IspClock& clock);

    // Button_Open_FwClick.
    void openFirmware();
    // Button_Update_FwClick.
    void updateFirmware();

    bool updating() const { return updating_; }
    // The file that Open last accepted (empty when the last check disabled Update).
    const QString& checkedPath() const { return checkedPath_; }

private:
    void runUpdate(uint8_t variant);

    DeviceLink& link_;
    Dialogs& dialogs_;
    FirmwareView& view_;
    IspClock& clock_;
    QString checkedPath_;
    bool updating_ = false;
};

}  // namespace varnok
