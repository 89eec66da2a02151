#pragma once
// The operations' sinks on stdout/stderr: what the window shows in its debug log varnok-cli
// writes to stderr with --verbose, and the progress of an upload or a firmware update becomes a
// progress line on a terminal.

#include <QString>

#include "cli/CliOutput.h"
#include "device/SearchView.h"
#include "firmware/FirmwareView.h"
#include "link/LinkView.h"

namespace varnok::cli {

class CliViews : public LinkView, public SearchView, public FirmwareView {
public:
    explicit CliViews(CliConsole& console) : console_(console) {}

    // Counts the bytes of an upload for the progress line; reset before each upload.
    void startUpload() { uploadBytes_ = 0; }

    // LinkView and FirmwareView share the debug log.
    void logAppend(const QString& text) override { console_.logAppend(text); }
    void logAddLine(const QString& line) override { console_.logAddLine(line); }
    void logReplace(const QString& text) override { console_.logReplace(text); }
    void showUploadProgress(int percent) override;

    // SearchView: the window's control states; nothing to show here.
    void setBusy(bool) override {}
    void enterConnected() override {}
    void enableDeviceControls() override {}
    void enterIsp() override {}
    void enterDisconnected() override {}

    // FirmwareView. The update always verifies what it reads back.
    void showProgress(int) override {}
    void showProgressBytes(qint64 sent, qint64 total) override;
    bool verifyChecked() const override { return true; }
    void updateRunning(bool running) override;

private:
    CliConsole& console_;
    qint64 uploadBytes_ = 0;
};

}  // namespace varnok::cli
