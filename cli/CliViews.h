#pragma once
// The operations' views on stdout/stderr: what the window shows in its labels and debug log,
// varnok-cli keeps for its result and message, writes to the debug log on stderr with --verbose,
// and turns into a progress line on a terminal. The file dialogs answer with the paths given on
// the command line.

#include <QString>
#include <optional>

#include "cli/CliOutput.h"
#include "device/DeviceOpsView.h"
#include "firmware/FirmwareView.h"
#include "link/Dialogs.h"
#include "link/LinkView.h"
#include "link/SearchView.h"

namespace varnok::cli {

class CliViews : public LinkView, public SearchView, public DeviceOpsView, public FirmwareView {
public:
    explicit CliViews(CliConsole& console) : console_(console) {}

    // What the operations last showed in the window's labels.
    struct Label {
        QString text;
        bool red = false;
    };
    const Label& uploadLabel() const { return uploadLabel_; }
    const Label& firmwareLabel() const { return firmwareLabel_; }
    const QString& versionText() const { return versionText_; }
    // Counts the bytes of an upload for the progress line; reset before each upload.
    void startUpload() { uploadBytes_ = 0; }

    // LinkView, DeviceOpsView and FirmwareView share the debug log.
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

    // DeviceOpsView.
    void setUploadLabel(const QString& text, bool red) override { uploadLabel_ = {text, red}; }
    void setEdidPath(const QString&) override {}
    void checkModeButton(EdidMode) override {}

    // FirmwareView. The update always verifies what it reads back.
    void setProgressText(const QString& text, bool red) override { firmwareLabel_ = {text, red}; }
    void showProgressBytes(qint64 sent, qint64 total) override;
    void setVersionText(const QString& text) override { versionText_ = text; }
    void setUpdateEnabled(bool) override {}
    void setPathText(const QString&) override {}
    bool verifyChecked() const override { return true; }
    void updateRunning(bool running) override;

private:
    CliConsole& console_;
    Label uploadLabel_;
    Label firmwareLabel_;
    QString versionText_;
    qint64 uploadBytes_ = 0;
};

// The shared open and save dialogs, answered with the command line's paths; a message box
// becomes the message of the result.
class CliDialogs : public Dialogs {
public:
    // The open dialog confirms `path`: the operations read the file last chosen in it.
    void choose(const QString& path) {
        openAnswer_ = path;
        executeOpen();
    }
    void setSavePath(const QString& path) { saveAnswer_ = path; }
    const QString& lastError() const { return lastError_; }

    void showError(const QString& text) override { lastError_ = text; }
    void showInformation(const QString& text, std::optional<QPoint>) override { lastError_ = text; }

protected:
    std::optional<QString> askOpen(const QString&) override { return openAnswer_; }
    std::optional<QString> askSave(const QString&) override { return saveAnswer_; }

private:
    std::optional<QString> openAnswer_;
    std::optional<QString> saveAnswer_;
    QString lastError_;
};

}  // namespace varnok::cli
