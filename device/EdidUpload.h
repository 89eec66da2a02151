#pragma once
// Writing an EDID into the device's User EDID: the upload of a file (the Controller page's
// Upload) or of bytes from elsewhere (the creator, the EDID window, varnok-cli), optionally read
// back and compared; and the mode command.

#include <QString>
#include <functional>
#include <optional>

#include "base/Result.h"
#include "device/DeviceApi.h"
#include "edid/EdidInfo.h"
#include "link/DeviceLink.h"

namespace varnok {

class LinkView;

enum class UploadOutcome {
    Uploaded,    // sent (not read back)
    Verified,    // sent, read back, and all 256 bytes equal
    OpenFailed,  // the file can't be opened ("Edid Open Fail."); nothing sent but the notices
    Invalid,     // the image failed validation; nothing sent but the notices
    LinkLost,    // the port went away during the upload: the device has at most part of it
    NoReadBack,  // sent, but the device did not answer the read-back
    Differs,     // sent, but the read-back differs (data.differing bytes of 256)
};
struct UploadData {
    EdidImage image{};  // what was read from the file (also when invalid), or given
    int differing = 0;  // bytes of the read-back that differ from image
    // The User EDID as read back (Verified and Differs): what the device now holds.
    std::optional<EdidImage> readBack;
};
using UploadResult = Result<UploadOutcome, UploadData>;

struct UploadOptions {
    // Read the User EDID back after the upload (the analyzer's read, with its own notices) and
    // compare all 256 bytes: the device acknowledges no byte written to it, so this read is the
    // only way to learn that a device which stalled mid-upload stored a mixed EDID.
    bool verify = false;
    // Status polling stops for the upload and runs again after it; the creator's Upload leaves
    // it running.
    bool holdPolling = true;
    // Called just before the device is told to present the new User EDID (the window checks
    // its User mode button then).
    std::function<void()> showUserMode;
    // Called when the read-back starts.
    std::function<void()> readingBack;
};

// Sends the 256 bytes of a valid image as the User EDID (0x0105 and 0x0106 writes of 128 bytes,
// 50 ms after each, the progress of each data byte shown through progress), then calls
// showUserMode and selects User mode (0x0101, data 3). Nothing the device answers is awaited.
// False when the connection it started on was lost or failed meanwhile: the mode is then neither
// shown nor sent. Sends no notices (the operations below do).
bool UploadUserEdid(DeviceLink& link, LinkView& progress, const EdidImage& image,
                    const std::function<void()>& showUserMode);

// The upload progress shown with data byte `index` of block 0 (code 0x0105) or block 1: 1 to 50
// during block 0, 51 to 100 during block 1.
int UploadProgress(ApiCode code, int index);

// The Controller page's Upload: the file at path read by the device's file rule (the log tells
// "Edid Open OK." or "Edid Open Fail."), validated, and uploaded with status polling stopped;
// all inside an OperationGuard.
UploadResult UploadEdidFile(DeviceLink& link, LinkView& log, const QString& path,
                            const UploadOptions& options = {});

// The same for bytes that come from no file: the same notices, validation and frames; the log
// keeps its text.
UploadResult UploadEdidImage(DeviceLink& link, LinkView& log, const EdidImage& image,
                             const UploadOptions& options = {});

// A mode button pressed: a device whose manufacturer ID is "QEV" chooses its mode itself, so
// nothing happens; otherwise showMode is called (the window checks the button) and the mode is
// sent. True when sent.
bool SelectEdidMode(DeviceLink& link, EdidMode mode, const std::function<void()>& showMode);

}  // namespace varnok
