#pragma once
// What the firmware operations tell their front end while they run, and the one setting they
// read from it: the debug log, the progress of an update, and "With Verification". The window
// implements it over its controls and shows the outcome of each operation in its own captions;
// varnok-cli on stderr; tests with a recorder. Keeps the firmware code free of widget types.

#include <QString>

namespace varnok {

class FirmwareView {
public:
    virtual ~FirmwareView() = default;
    // Update progress in per cent (Label1 shows "n%"): 0 at the start, then after each page or
    // block.
    virtual void showProgress(int percent) = 0;
    // Image bytes sent so far and in all, after each page or block (the window's Label1 shows
    // the percentage only; a command-line progress line shows the bytes too).
    virtual void showProgressBytes(qint64 sent, qint64 total) {
        (void)sent;
        (void)total;
    }
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
