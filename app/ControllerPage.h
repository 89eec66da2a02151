#pragma once
// The "EDID Controller" page (TabSheet1): the mode buttons, the Upload group and the Download
// group. Its handlers ask their questions (the shared file dialogs) inside the operation's guard,
// call the device operations, and show what they return: the captions of the page (Label2,
// Edit_Edid_Path), the specified message boxes and the status bar.

#include <QObject>
#include <array>

#include "device/DeviceApi.h"
#include "device/EdidStores.h"

class QRadioButton;

namespace varnok {

class TForm1;

class ControllerPage : public QObject {
    Q_OBJECT
public:
    explicit ControllerPage(TForm1& form);

    void Button_Open_EdidClick();
    void Button_Upload_EdidClick();
    void Button_DL_IntEdidClick();
    void Button_DL_ExtEdidClick();
    void Button_DL_UserEdidClick();
    void Button_DL_StoredEdidClick();
    // Any mouse button pressed over an enabled mode button (Space on a focused one does the same).
    void RadioButton_Set_IntEdidMouseDown();
    void RadioButton_Set_ExtEdidMouseDown();
    void RadioButton_Set_UserEdidMouseDown();

    // Checks the mode button of mode; the group is exclusive, so the other two are unchecked.
    void checkModeButton(EdidMode mode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void download(EdidSource source);
    void modeDown(EdidMode mode);
    QRadioButton* modeButton(EdidMode mode) const;

    TForm1& form_;
    // Internal, External, User: compared as objects, so the filter never asks a half-destroyed
    // window for its controls.
    std::array<const QObject*, 3> modeButtons_{};
};

// Message box of every failed download after the dialog was confirmed; a file that could not be
// created or completed adds the system's reason on a line of its own.
inline constexpr char kDownloadFailedText[] = "Download Edid Failed.";
// Label2 (and Label3) after an upload that failed.
inline constexpr char kUploadFailedText[] = "Upload Edid Failed.";

}  // namespace varnok
