#pragma once
// The check before an upload from the window (the Controller page's Upload, the creator's
// Upload, the EDID window's Upload to Device): an EDID with an error (CheckEdid) is uploaded only
// after the user has seen its findings and chosen "Upload anyway". Notes never ask.

#include <QByteArray>

#include "edid/EdidInfo.h"

namespace varnok {

class Dialogs;

// The bytes the check judges for the device's 256-byte image: the 128-byte EDID it was read
// from when the base block announces no extension and bytes 128..255 are all 0xFF, else all 256.
QByteArray CheckedBytes(const EdidImage& image);

// True to upload edid: it has no error, or "Upload anyway" was chosen in the question that lists
// its errors; false for "Cancel".
bool ConfirmUploadCheck(Dialogs& dialogs, const QByteArray& edid);

// For the pages that keep their own validation: an image that validation refuses is not asked
// about (the page refuses it with its own texts), so only errors validation lets through ask.
bool ConfirmDeviceImageUpload(Dialogs& dialogs, const EdidImage& image);

}  // namespace varnok
