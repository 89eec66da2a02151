#include "device/EdidUpload.h"

#include <QTimer>

#include "device/EdidStores.h"
#include "edid/Edid.h"
#include "edidio/FileRead.h"
#include "link/DeviceLink.h"
#include "link/Dialogs.h"

namespace varnok {
namespace {

constexpr uint32_t kBlockWritePauseMs = 50;
const QString kOpenFail = QStringLiteral("Edid Open Fail.\r\n");
const QString kOpenOk = QStringLiteral("Edid Open OK.\r\n");

void SendMode(DeviceLink& link, EdidMode mode) {
    const auto byte = static_cast<uint8_t>(mode);
    link.SendApiCommand(1, api_code::EdidMode, 1, &byte);
}

// Validates the User image as it stands and sends it.
UploadOutcome SendUserImage(DeviceOpsContext& ctx) {
    EdidInfo& user = ctx.stores.user;
    if (!ValidateEdidImage(user)) {
        // The User image keeps the bytes just read, valid or not.
        ctx.view.setUploadLabel(ValidationMessage(user.status), true);
        return UploadOutcome::Invalid;
    }
    ctx.link.disablePoll();
    // A Disconnect during the pauses leaves nothing to poll, and the progress shown meanwhile
    // counted bytes that never left: the upload failed.
    if (!UploadUserEdid(ctx.link, user.image, [&] { ctx.view.checkModeButton(EdidMode::User); })) {
        ctx.view.setUploadLabel(kUploadFailedText, true);
        return UploadOutcome::LinkLost;
    }
    ctx.link.enablePoll();
    return UploadOutcome::Uploaded;
}

UploadOutcome Upload(DeviceOpsContext& ctx) {
    // The file last chosen in the shared open dialog on any page, not the edit's text.
    const Result<ReadOutcome, EdidImage> read = ReadEdidFile(ctx.dialogs.openFileName());
    if (read.is(ReadOutcome::Read)) ctx.stores.user.image = read.data;
    if (!read.is(ReadOutcome::Read)) {
        ctx.view.logReplace(kOpenFail);
        ctx.view.setUploadLabel(kUploadFailedText, true);
        return UploadOutcome::OpenFailed;
    }
    ctx.view.logReplace(kOpenOk);
    return SendUserImage(ctx);
}

}  // namespace

bool UploadUserEdid(DeviceLink& link, const EdidImage& image,
                    const std::function<void()>& checkUserModeButton) {
    const BoundOperation bound(link);
    link.SendApiCommand(1, api_code::EdidBlock0, kBlockSize, image.data());
    link.WaitMs(kBlockWritePauseMs);
    link.SendApiCommand(1, api_code::EdidBlock1, kBlockSize, image.data() + kBlockSize);
    link.WaitMs(kBlockWritePauseMs);
    // A device that has at most part of the image must not be told to present it.
    if (bound.lost() || !link.portOpen() || link.ComPort->hasFatalError()) return false;
    // The window shows User mode before the device is told to present the new User EDID.
    if (checkUserModeButton) checkUserModeButton();
    SendMode(link, EdidMode::User);
    return true;
}

bool OpenEdidFile(DeviceOpsContext& ctx) {
    DeviceLink& link = ctx.link;
    // No byte is taken from the port while the dialog is open. The tick is given back in the
    // state it was found in, so a dialog opened during an ISP transfer (which runs without the
    // tick) cannot start it behind the transfer's back.
    const bool rxWasRunning = link.Timer_UART_Rx->isActive();
    link.disableRxTimer();
    link.SendApiCommand(1, api_code::OperationStart, 0);
    const bool chosen = ctx.dialogs.executeOpen();
    if (chosen) ctx.view.setEdidPath(ctx.dialogs.openFileName());
    if (rxWasRunning) link.enableRxTimer();
    link.SendApiCommand(1, api_code::OperationEnd, 0);
    return chosen;
}

UploadOutcome UploadEdidFile(DeviceOpsContext& ctx) {
    const BoundOperation bound(ctx.link);
    ctx.link.SendApiCommand(1, api_code::OperationStart, 0);
    const UploadOutcome outcome = Upload(ctx);
    ctx.link.SendApiCommand(1, api_code::OperationEnd, 0);
    return outcome;
}

UploadOutcome UploadEdidImage(DeviceOpsContext& ctx, const EdidImage& image) {
    const BoundOperation bound(ctx.link);
    ctx.link.SendApiCommand(1, api_code::OperationStart, 0);
    // As a file is read into the User image for its upload; no file is opened, so the log keeps
    // its text.
    ctx.stores.user.image = image;
    const UploadOutcome outcome = SendUserImage(ctx);
    ctx.link.SendApiCommand(1, api_code::OperationEnd, 0);
    return outcome;
}

bool SelectEdidMode(DeviceOpsContext& ctx, EdidMode mode) {
    const auto& id = ctx.link.ManufacturerId;
    if (id[0] == 'Q' && id[1] == 'E' && id[2] == 'V') return false;
    ctx.view.checkModeButton(mode);
    SendMode(ctx.link, mode);
    return true;
}

}  // namespace varnok
