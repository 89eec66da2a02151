#include "firmware/FirmwareOperations.h"

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareView.h"
#include "firmware/Isp029Update.h"
#include "firmware/IspUpdate.h"
#include "link/DeviceLink.h"
#include "link/Dialogs.h"

namespace varnok {
namespace {

const QString kTargetVersion = QStringLiteral("Target Version : ");

QString failedText() {
    return QStringLiteral("Update Fw Failed.");
}

}  // namespace

FirmwareOperations::FirmwareOperations(DeviceLink& link, Dialogs& dialogs, FirmwareView& view,
                                       IspClock& clock)
    : link_(link), dialogs_(dialogs), view_(view), clock_(clock) {}

FirmwareCheck::Outcome FirmwareOperations::openFirmware() {
    if (updating_) return FirmwareCheck::OpenFailed;
    const bool chosen = dialogs_.executeOpen();
    if (chosen) view_.setPathText(dialogs_.openFileName());
    // After a cancel the dialog still names the file chosen last on any page.
    const QString path = dialogs_.openFileName();
    const FirmwareCheck check = CheckFirmwareImage(path, link_.IspVariant);
    if (check.outcome == FirmwareCheck::OpenFailed) {
        view_.logReplace(QStringLiteral("Fw Open Fail.\r\n"));
        view_.setProgressText(failedText(), true);
        // The path box now shows the file just chosen: Update must not program the one checked
        // before it. After a cancel the box still shows that one, and Update keeps its state.
        if (chosen) {
            checkedPath_.clear();
            view_.setUpdateEnabled(false);
        }
        return check.outcome;
    }
    view_.logReplace(QStringLiteral("Fw Open OK.\r\n"));
    checkedVersion_ = check.version;
    switch (check.outcome) {
        case FirmwareCheck::Untagged:
            checkedPath_ = path;
            view_.setUpdateEnabled(true);
            break;
        case FirmwareCheck::Illegal:
            checkedPath_.clear();
            view_.setUpdateEnabled(false);
            view_.setVersionText(kTargetVersion + QStringLiteral("Illegal !"));
            break;
        case FirmwareCheck::Tagged:
            checkedPath_ = path;
            view_.setVersionText(kTargetVersion + check.version);
            view_.setUpdateEnabled(true);
            break;
        case FirmwareCheck::OpenFailed:
            break;
    }
    return check.outcome;
}

FirmwareOutcome FirmwareOperations::updateFirmware() {
    if (updating_) return FirmwareOutcome::Busy;
    if (!(link_.LinkFlags & IspMode)) {
        view_.setProgressText(QStringLiteral("Not ISP Mode."), true);
        return FirmwareOutcome::NotIspMode;
    }
    const uint8_t variant = link_.IspVariant;
    if (variant > 1) {
        view_.setProgressText(QStringLiteral("Unknow Device."), true);
        return FirmwareOutcome::UnknownDevice;
    }
    if (variant == 0 && !checkedPath_.isEmpty()) {
        // The tagged kind takes only a tagged image: the file may have changed since Open, or
        // it was accepted for the other device kind, which takes any file.
        const FirmwareCheck check = CheckFirmwareImage(checkedPath_, 0);
        if (check.outcome == FirmwareCheck::Illegal) {
            checkedPath_.clear();
            checkedVersion_.clear();
            view_.setUpdateEnabled(false);
            view_.setVersionText(kTargetVersion + QStringLiteral("Illegal !"));
            view_.setProgressText(failedText(), true);
            return FirmwareOutcome::Illegal;
        }
    }
    return runUpdate(variant);
}

FirmwareOutcome FirmwareOperations::runUpdate(uint8_t variant) {
    struct Running {
        FirmwareOperations& ops;
        explicit Running(FirmwareOperations& o) : ops(o) {
            ops.updating_ = true;
            ops.view_.updateRunning(true);
        }
        ~Running() {
            ops.updating_ = false;
            ops.view_.updateRunning(false);
        }
    } running(*this);
    if (variant == 0) {
        IspUpdate update(link_, view_, clock_);
        switch (update.run(checkedPath_)) {
            case IspUpdate::Result::Done:
                return FirmwareOutcome::Programmed;
            case IspUpdate::Result::OpenFailed:
                return FirmwareOutcome::OpenFailed;
            case IspUpdate::Result::ConfirmTimeout:
            case IspUpdate::Result::SyncTimeout:
                return FirmwareOutcome::NoLoader;
            case IspUpdate::Result::PageFailed:
                return FirmwareOutcome::PageFailed;
            case IspUpdate::Result::PortLost:
                break;
        }
        return FirmwareOutcome::PortLost;
    }
    Isp029Update update(link_, view_, clock_);
    switch (update.run(checkedPath_)) {
        case Isp029Update::Result::Done:
            return FirmwareOutcome::Programmed;
        case Isp029Update::Result::OpenFailed:
            return FirmwareOutcome::OpenFailed;
        case Isp029Update::Result::BadSize:
            return FirmwareOutcome::BadSize;
        case Isp029Update::Result::Refused:
            return FirmwareOutcome::Refused;
        case Isp029Update::Result::PortLost:
            break;
    }
    return FirmwareOutcome::PortLost;
}

}  // namespace varnok
