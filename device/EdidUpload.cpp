#include "device/EdidUpload.h"

#include "device/AnalyzerRead.h"
#include "device/EdidFileSteps.h"
#include "device/OperationGuard.h"
#include "edid/Edid.h"
#include "link/LinkView.h"

namespace varnok {
namespace {

constexpr uint32_t kBlockWritePauseMs = 50;

void SendMode(DeviceLink& link, EdidMode mode) {
    const auto byte = static_cast<uint8_t>(mode);
    link.SendApiCommand(1, api_code::EdidMode, 1, &byte);
}

// Validates the image and sends it, status polling stopped meanwhile.
UploadOutcome SendValidImage(DeviceLink& link, LinkView& log, const EdidImage& image,
                             const UploadOptions& options) {
    EdidInfo judged;
    judged.image = image;
    if (!ValidateEdidImage(judged)) return UploadOutcome::Invalid;
    if (options.holdPolling) link.disablePoll();
    // A Disconnect during the pauses leaves nothing to poll, and the progress shown meanwhile
    // counted bytes that never left: the upload failed.
    if (!UploadUserEdid(link, log, image, options.showUserMode)) return UploadOutcome::LinkLost;
    if (options.holdPolling) link.enablePoll();
    return UploadOutcome::Uploaded;
}

// The read-back of an upload that went out: the analyzer's read of the User EDID (notices,
// selection 0x00, retries), compared byte for byte.
UploadResult ReadBack(DeviceLink& link, LinkView& log, const EdidImage& image,
                      const UploadOptions& options) {
    if (options.readingBack) options.readingBack();
    const AnalyzerResult back = ReadAnalyzerImage(link, log, EdidSource::User);
    UploadResult result{UploadOutcome::NoReadBack, {}, {image, 0, std::nullopt}};
    if (!back.data.image || back.is(AnalyzerOutcome::LinkLost)) return result;
    result.data.readBack = back.data.image;
    for (int i = 0; i < kEdidSize; ++i)
        if ((*back.data.image)[i] != image[i]) ++result.data.differing;
    result.outcome = result.data.differing > 0 ? UploadOutcome::Differs : UploadOutcome::Verified;
    return result;
}

// The upload inside its guard, then the read-back, each with notices of their own; the whole
// bound to the connection it starts on.
template <typename Upload>
UploadResult UploadThenVerify(DeviceLink& link, LinkView& log, const UploadOptions& options,
                              Upload upload) {
    const BoundOperation bound(link);
    const UploadResult sent = upload();
    if (!options.verify || !sent.is(UploadOutcome::Uploaded)) return sent;
    return ReadBack(link, log, sent.data.image, options);
}

}  // namespace

int UploadProgress(ApiCode code, int index) {
    return index * 100 / 256 + (code == api_code::EdidBlock0 ? 1 : 51);
}

bool UploadUserEdid(DeviceLink& link, LinkView& progress, const EdidImage& image,
                    const std::function<void()>& showUserMode) {
    const BoundOperation bound(link);
    for (const ApiCode code : {api_code::EdidBlock0, api_code::EdidBlock1}) {
        const int offset = code == api_code::EdidBlock0 ? 0 : kBlockSize;
        link.SendApiCommand(1, code, kBlockSize, image.data() + offset, [&](int index) {
            progress.showUploadProgress(UploadProgress(code, index));
        });
        link.WaitMs(kBlockWritePauseMs);
    }
    // A device that has at most part of the image must not be told to present it.
    if (bound.lost() || !link.portOpen() || link.ComPort->hasFatalError()) return false;
    // The window shows User mode before the device is told to present the new User EDID.
    if (showUserMode) showUserMode();
    SendMode(link, EdidMode::User);
    return true;
}

UploadResult UploadEdidFile(DeviceLink& link, LinkView& log, const QString& path,
                            const UploadOptions& options) {
    return UploadThenVerify(link, log, options, [&]() -> UploadResult {
        const OperationGuard guard(link);
        const Result<ReadOutcome, EdidImage> read = OpenEdidFileLogged(path, log);
        if (!read.is(ReadOutcome::Read)) return {UploadOutcome::OpenFailed, read.reason, {}};
        return {SendValidImage(link, log, read.data, options), {}, {read.data, 0, std::nullopt}};
    });
}

UploadResult UploadEdidImage(DeviceLink& link, LinkView& log, const EdidImage& image,
                             const UploadOptions& options) {
    return UploadThenVerify(link, log, options, [&]() -> UploadResult {
        const OperationGuard guard(link);
        return {SendValidImage(link, log, image, options), {}, {image, 0, std::nullopt}};
    });
}

bool SelectEdidMode(DeviceLink& link, EdidMode mode, const std::function<void()>& showMode) {
    if (IsDeviceManufacturer(link)) return false;
    if (showMode) showMode();
    SendMode(link, mode);
    return true;
}

}  // namespace varnok
