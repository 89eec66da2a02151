#pragma once
// The "EDID Controller" page (TabSheet1): the mode buttons, the Upload group and the Download
// group. Its handlers move values between the page's controls and the device operations.

#include <QObject>
#include <functional>

#include "device/DeviceOpsView.h"
#include "device/EdidStores.h"
#include "edid/EdidInfo.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace varnok {

class TForm1;

class ControllerPage : public QObject, public DeviceOpsView {
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

    // DeviceOpsView
    void logReplace(const QString& text) override;
    void logAppend(const QString& text) override;
    void setUploadLabel(const QString& text, bool red) override;
    void setEdidPath(const QString& path) override;
    void checkModeButton(EdidMode mode) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run(const std::function<void()>& operation);
    void download(EdidSource source);
    void modeDown(EdidMode mode);

    TForm1& form_;
    DeviceOpsContext ctx_;
    QLabel* label2_;
    QLineEdit* path_;
    QRadioButton* modeInt_;
    QRadioButton* modeExt_;
    QRadioButton* modeUser_;
};

// Checks the mode button of mode on the window's EDID Controller page.
void CheckModeButton(TForm1& form, EdidMode mode);
// UploadUserEdid for any page of the window: User mode is checked before it is sent. False when
// the connection was lost meanwhile.
bool UploadUserEdid(TForm1& form, const EdidImage& image);

}  // namespace varnok
