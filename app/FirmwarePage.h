#pragma once
// The "System" page's Firmware group (GroupBox4): Open checks a firmware image, Update programs
// the device in its ISP mode. The page shows what the operations report and, while an update
// runs, refuses what would interleave with it on the one link: Open, a second Update and
// Disconnect are disabled, and closing the window waits until the update has ended.

#include <QObject>

#include "firmware/FirmwareOperations.h"
#include "firmware/FirmwareView.h"
#include "firmware/IspClock.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

class TForm1;

class FirmwarePage : public QObject, public FirmwareView {
    Q_OBJECT
public:
    explicit FirmwarePage(TForm1& form);

    void Button_Open_FwClick();
    void Button_Update_FwClick();

    bool updating() const { return ops_.updating(); }
    // A close of the window asked for during the update, carried out once it has ended.
    bool closeDeferred() const { return closeDeferred_; }

    // FirmwareView
    void showProgress(int percent) override;
    bool verifyChecked() const override;
    void logAppend(const QString& text) override;
    void logAddLine(const QString& line) override;
    void logReplace(const QString& text) override;
    void updateRunning(bool running) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Label1 in red: why the last Open or Update failed.
    void showFailure(const QString& text);
    void showVersion(const QString& text);

    TForm1& form_;
    EventLoopClock clock_;
    FirmwareOperations ops_;
    QLabel* label1_;
    QLabel* version_;
    QLineEdit* path_;
    QPushButton* open_;
    QPushButton* update_;
    QPushButton* disconnect_;
    QCheckBox* verify_;
    // Enabled states of Open, Update and Disconnect before the update disabled them.
    bool wasEnabled_[3] = {false, false, false};
    bool closeDeferred_ = false;
};

}  // namespace varnok
