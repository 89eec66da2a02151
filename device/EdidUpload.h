#pragma once
// Writing an EDID into the device's User EDID, the file upload of the EDID Controller page, and
// the mode command.

#include <QString>
#include <functional>

#include "device/DeviceOpsView.h"
#include "edid/EdidInfo.h"
#include "edid/EdidValidity.h"  // ValidationMessage, the words of a refused upload

namespace varnok {

class DeviceLink;

// Sends the 256 bytes of a valid image as the User EDID (0x0105 and 0x0106 writes of 128 bytes,
// 50 ms after each), then calls checkUserModeButton and selects User mode (0x0101, data 3).
// Nothing the device answers is awaited. False when the connection it started on was lost or
// failed meanwhile: the mode is then neither shown nor sent.
bool UploadUserEdid(DeviceLink& link, const EdidImage& image,
                    const std::function<void()>& checkUserModeButton);

inline const QString kUploadFailedText = QStringLiteral("Upload Edid Failed.");

// Open: lets the user choose the EDID file (the shared open dialog), with the receive tick held
// and the notices around it. True when a file was chosen; the edit then shows its path.
bool OpenEdidFile(DeviceOpsContext& ctx);

// LinkLost: the port went away during the upload (a pulled cable), so the device has at most part
// of the image; Label2 says "Upload Edid Failed." in red instead of the last progress value.
enum class UploadOutcome { Uploaded, OpenFailed, Invalid, LinkLost };

// Upload: reads the open dialog's current file into the User image, validates it and uploads it.
UploadOutcome UploadEdidFile(DeviceOpsContext& ctx);

// Upload of bytes that come from no file (the EDID window): the same notices, validation, frames
// and upload label texts as UploadEdidFile, the image taking the file's place in the User store.
// OpenFailed is never returned.
UploadOutcome UploadEdidImage(DeviceOpsContext& ctx, const EdidImage& image);

// A mode button pressed: a device whose manufacturer ID is "QEV" chooses its mode itself, so
// nothing happens; otherwise the button is checked and the mode is sent. True when sent.
bool SelectEdidMode(DeviceOpsContext& ctx, EdidMode mode);

}  // namespace varnok
