#include "app/FirmwarePage.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/TForm1.h"
#include "app/WidgetText.h"
#include "link/DeviceLink.h"
#include "words/OutcomeWords.h"

namespace varnok {
namespace {

const QString kTargetVersion = QStringLiteral("Target Version : ");
const QString kUpdateFailed = QStringLiteral("Update Fw Failed.");

}  // namespace

FirmwarePage::FirmwarePage(TForm1& form)
    : QObject(&form),
      form_(form),
      ops_(form.link(), *this, clock_),
      label1_(form.controls().label1),
      version_(form.controls().firmwareVersion),
      path_(form.controls().firmwarePath),
      open_(form.controls().openFirmware),
      update_(form.controls().updateFirmware),
      disconnect_(form.controls().disconnect),
      verify_(form.controls().verifyFirmware) {
    setObjectName(QStringLiteral("FirmwarePage"));
    connect(open_, &QPushButton::clicked, this,
            [this] { form_.runOperation([this] { Button_Open_FwClick(); }); });
    connect(update_, &QPushButton::clicked, this,
            [this] { form_.runOperation([this] { Button_Update_FwClick(); }); });
}

void FirmwarePage::showFailure(const QString& text) {
    SetLabelText(label1_, text, true);
}

void FirmwarePage::showVersion(const QString& text) {
    version_->setText(kTargetVersion + text);
}

void FirmwarePage::Button_Open_FwClick() {
    if (ops_.updating()) return;
    Dialogs& dialogs = form_.dialogs();
    const bool chosen = dialogs.executeOpen();
    if (chosen) path_->setText(dialogs.openFileName());
    // After a cancel the dialog still names the file chosen last on any page.
    const QString path = dialogs.openFileName();
    const FirmwareCheckResult check = ops_.openFirmware(path, chosen);
    switch (check.outcome) {
        case FirmwareCheck::OpenFailed:
            showFailure(kUpdateFailed);
            // The path box shows the file just chosen, which Update must not program; after a
            // cancel Update keeps its state.
            if (chosen) update_->setEnabled(false);
            break;
        case FirmwareCheck::Untagged:
            update_->setEnabled(true);
            break;
        case FirmwareCheck::Illegal:
            update_->setEnabled(false);
            showVersion(QStringLiteral("Illegal !"));
            break;
        case FirmwareCheck::Tagged:
            showVersion(check.data);
            update_->setEnabled(true);
            break;
    }
    form_.showOutcome(FirmwareOpenWords(check, path));
}

void FirmwarePage::Button_Update_FwClick() {
    // As Open checked them; a file found untagged at the start of the update loses them.
    const QString path = ops_.checkedPath();
    const QString version = ops_.checkedVersion();
    const FirmwareResult result = ops_.updateFirmware();
    switch (result.outcome) {
        case FirmwareOutcome::Busy:
            return;  // the running update tells its own outcome
        case FirmwareOutcome::Programmed:
            break;
        case FirmwareOutcome::NotIspMode:
            showFailure(QStringLiteral("Not ISP Mode."));
            break;
        case FirmwareOutcome::UnknownDevice:
            showFailure(QStringLiteral("Unknow Device."));
            break;
        case FirmwareOutcome::Illegal:
            update_->setEnabled(false);
            showVersion(QStringLiteral("Illegal !"));
            showFailure(kUpdateFailed);
            break;
        default:
            showFailure(kUpdateFailed);
            break;
    }
    // The tagged kind compares every page it reads back when "With Verification" is ticked; the
    // other kind's loader acknowledges every block.
    const uint8_t variant = form_.link().IspVariant;
    const FirmwareProof proof = variant == 1                           ? FirmwareProof::Acknowledged
                                : variant == 0 && verify_->isChecked() ? FirmwareProof::ReadBack
                                                                       : FirmwareProof::None;
    form_.showOutcome(FirmwareUpdateWords(result, path, version, proof));
}

void FirmwarePage::showProgress(int percent) {
    SetLabelText(label1_, QString::number(percent) + QLatin1Char('%'), false);
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
