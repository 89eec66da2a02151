#include "firmware/FirmwareOperations.h"

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareView.h"
#include "firmware/Isp029Update.h"
#include "firmware/IspUpdate.h"
#include "link/DeviceLink.h"

namespace varnok {

FirmwareOperations::FirmwareOperations(DeviceLink& link, FirmwareView& view, IspClock& clock)
    : link_(link), view_(view), clock_(clock) {}

FirmwareCheckResult FirmwareOperations::openFirmware(const QString& path, bool chosen) {
    if (updating_) return {FirmwareCheck::OpenFailed, {}, {}};
    const FirmwareCheckResult check = CheckFirmwareImage(path, link_.IspVariant);
    if (check.is(FirmwareCheck::OpenFailed)) {
        view_.logReplace(QStringLiteral("Fw Open Fail.\r\n"));
        // The path box now shows the file just chosen: Update must not program the one checked
        // before it. After a cancel the box still shows that one, and Update keeps its state.
        if (chosen) checkedPath_.clear();
        return check;
    }
    view_.logReplace(QStringLiteral("Fw Open OK.\r\n"));
    checkedVersion_ = check.data;
    checkedPath_ = check.is(FirmwareCheck::Illegal) ? QString() : path;
    return check;
}

FirmwareResult FirmwareOperations::updateFirmware() {
    if (updating_) return {FirmwareOutcome::Busy, {}, {}};
    if (!(link_.LinkFlags & IspMode)) return {FirmwareOutcome::NotIspMode, {}, {}};
    const uint8_t variant = link_.IspVariant;
    if (variant > 1) return {FirmwareOutcome::UnknownDevice, {}, {}};
    if (variant == 0 && !checkedPath_.isEmpty()) {
        // The tagged kind takes only a tagged image: the file may have changed since Open, or
        // it was accepted for the other device kind, which takes any file.
        if (CheckFirmwareImage(checkedPath_, 0).is(FirmwareCheck::Illegal)) {
            checkedPath_.clear();
            checkedVersion_.clear();
            return {FirmwareOutcome::Illegal, {}, {}};
        }
    }
    return {runUpdate(variant), {}, {}};
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
