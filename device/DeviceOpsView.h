#pragma once
// What the device EDID operations show in the window, and what they work with. The window's
// controller page implements the view; unit tests implement it with a recorder. Keeps the
// operations free of widget types.

#include <QString>
#include <cstdint>

namespace varnok {

class DeviceLink;
class Dialogs;
struct EdidStores;

// The device's EDID modes, as carried in the data byte of command 0x0101.
enum class EdidMode : uint8_t { Internal = 0, External = 2, User = 3 };

class DeviceOpsView {
public:
    virtual ~DeviceOpsView() = default;
    // Debug log: replace the whole text, or append text as it is ("\r\n" included by the caller).
    virtual void logReplace(const QString& text) = 0;
    virtual void logAppend(const QString& text) = 0;
    // The upload page's status label (Label2): black for progress, red for failures.
    virtual void setUploadLabel(const QString& text, bool red) = 0;
    // The upload page's file edit (Edit_Edid_Path).
    virtual void setEdidPath(const QString& path) = 0;
    // Checks the mode button of mode; the group is exclusive, so the other two are unchecked.
    virtual void checkModeButton(EdidMode mode) = 0;
};

// Everything an operation of the EDID Controller page works with.
struct DeviceOpsContext {
    DeviceLink& link;
    Dialogs& dialogs;
    EdidStores& stores;
    DeviceOpsView& view;
};

}  // namespace varnok
