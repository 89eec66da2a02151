#pragma once
// What the firmware operations show in the window's "Firmware" group, and the one setting they
// read from it. The window implements it over its controls; tests implement it with a recorder.
// Keeps the firmware code free of widget types.

#include <QString>

namespace varnok {

class FirmwareView {
public:
    virtual ~FirmwareView() = default;
    // Label1: progress "n%" in black, failure texts in red.
    virtual void setProgressText(const QString& text, bool red) = 0;
    // Image bytes sent so far and in all, after each page or block (the window's Label1 shows
    // the percentage only; a command-line progress line shows the bytes too).
    virtual void showProgressBytes(qint64 sent, qint64 total) {
        (void)sent;
        (void)total;
    }
    // Label_FW_Version.
    virtual void setVersionText(const QString& text) = 0;
    // Button_Update_Fw.
    virtual void setUpdateEnabled(bool enabled) = 0;
    // Edit_Fw_Path.
    virtual void setPathText(const QString& path) = 0;
    // CheckBox_FW_Verify, read for every page.
    virtual bool verifyChecked() const = 0;
    // Debug log: append as is, add a line (a line break follows), replace the whole text.
    virtual void logAppend(const QString& text) = 0;
    virtual void logAddLine(const QString& line) = 0;
    virtual void logReplace(const QString& text) = 0;
    // An update starts or ends: the window refuses a second update, Disconnect and closing the
    // window in between.
    virtual void updateRunning(bool running) = 0;
};

}  // namespace varnok
