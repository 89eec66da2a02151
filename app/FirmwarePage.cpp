#include "app/FirmwarePage.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/OutcomeWords.h"
#include "app/TForm1.h"
#include "link/DeviceLink.h"
#include "link/Dialogs.h"

namespace varnok {
namespace {

template <typename W>
W* control(TForm1& form, const char* name) {
    return form.findChild<W*>(QString::fromLatin1(name));
}

}  // namespace

FirmwarePage::FirmwarePage(TForm1& form)
    : QObject(&form),
      form_(form),
      ops_(form.link(), form.dialogs(), *this, clock_),
      label1_(control<QLabel>(form, "Label1")),
      version_(control<QLabel>(form, "Label_FW_Version")),
      path_(control<QLineEdit>(form, "Edit_Fw_Path")),
      open_(control<QPushButton>(form, "Button_Open_Fw")),
      update_(control<QPushButton>(form, "Button_Update_Fw")),
      disconnect_(control<QPushButton>(form, "BitBtn_Disconnect")),
      verify_(control<QCheckBox>(form, "CheckBox_FW_Verify")) {
    setObjectName(QStringLiteral("FirmwarePage"));
    connect(open_, &QPushButton::clicked, this,
            [this] { form_.runOperation([this] { Button_Open_FwClick(); }); });
    connect(update_, &QPushButton::clicked, this,
            [this] { form_.runOperation([this] { Button_Update_FwClick(); }); });
}

void FirmwarePage::Button_Open_FwClick() {
    const FirmwareCheck::Outcome outcome = ops_.openFirmware();
    form_.showOutcome(
        FirmwareOpenWords(outcome, form_.dialogs().openFileName(), ops_.checkedVersion()));
}

void FirmwarePage::Button_Update_FwClick() {
    // As Open checked them; a file found untagged at the start of the update loses them.
    const QString path = ops_.checkedPath();
    const QString version = ops_.checkedVersion();
    const FirmwareOutcome outcome = ops_.updateFirmware();
    if (outcome == FirmwareOutcome::Busy) return;  // the running update tells its own outcome
    // The tagged kind compares every page it reads back when "With Verification" is ticked.
    const bool verified = form_.link().IspVariant == 0 && verify_->isChecked();
    form_.showOutcome(FirmwareUpdateWords(outcome, path, version, verified));
}

void FirmwarePage::setProgressText(const QString& text, bool red) {
    TForm1::setLabelText(label1_, text, red);
}

void FirmwarePage::setVersionText(const QString& text) {
    version_->setText(text);
}

void FirmwarePage::setUpdateEnabled(bool enabled) {
    update_->setEnabled(enabled);
}

void FirmwarePage::setPathText(const QString& path) {
    path_->setText(path);
}

bool FirmwarePage::verifyChecked() const {
    return verify_->isChecked();
}

void FirmwarePage::logAppend(const QString& text) {
    form_.logAppend(text);
}

void FirmwarePage::logAddLine(const QString& line) {
    form_.logAddLine(line);
}

void FirmwarePage::logReplace(const QString& text) {
    form_.logReplace(text);
}

void FirmwarePage::updateRunning(bool running) {
    QPushButton* const buttons[3] = {open_, update_, disconnect_};
    if (running) {
        for (int i = 0; i < 3; ++i) {
            wasEnabled_[i] = buttons[i]->isEnabled();
            buttons[i]->setEnabled(false);
        }
        form_.installEventFilter(this);
        return;
    }
    form_.removeEventFilter(this);
    for (int i = 0; i < 3; ++i) buttons[i]->setEnabled(wasEnabled_[i]);
    if (closeDeferred_) {
        closeDeferred_ = false;
        // Closed once the click that ran the update has returned to the event loop.
        QMetaObject::invokeMethod(&form_, &TForm1::close, Qt::QueuedConnection);
    }
}

bool FirmwarePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::Close && ops_.updating()) {
        // Closing now would end the program inside the update and leave the device half
        // programmed; the window closes when the update has ended.
        event->ignore();
        if (!closeDeferred_) form_.logAppend(QStringLiteral("Close After Update.\r\n"));
        closeDeferred_ = true;
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace varnok
