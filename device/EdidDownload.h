#pragma once
// Downloading one of the device's four EDIDs (Internal, External, User, Stored) into its image
// store and a 256-byte .bin file.

#include <QString>
#include <cstdint>
#include <optional>

#include "device/DeviceOpsView.h"
#include "device/EdidStores.h"

namespace varnok {

class DeviceLink;

// Command 0x0108 tells the device which EDID the following 0x0105/0x0106 reads return; the
// External EDID has reads of its own (0x0206/0x0207) and needs no selection.
struct DownloadSource {
    const char* defaultFileName;
    std::optional<uint8_t> selector;  // data byte of 0x0108, none for External
    uint16_t block0Code;
    uint16_t block1Code;
    uint32_t pauseMs;  // pause after each block read before the answer is taken
};

const DownloadSource& DownloadSourceFor(EdidSource source);

// How a download ended, for tests and the window.
enum class DownloadOutcome {
    Saved,            // both blocks read, store updated, file written
    Cancelled,        // the save dialog was cancelled
    OpenFailed,       // the target can't be written ("Edid Open Fail.")
    NotAcknowledged,  // no 0xA1 answer to the selection ("API Timeout.")
    ReadFailed,       // a block's answer was missing, short, too long or without 0xA1, or the
                      // connection was lost ("API Timeout.")
    WriteFailed,      // the file could not be completed; an existing file is left as it was
};

// Message box text of every failed download after the dialog was confirmed.
inline const QString kDownloadFailedText = QStringLiteral("Download Edid Failed.");

// The whole download, bracketed by the notices 0x000A and 0x000B (both sent on every path).
// A failed read never reaches the file or the source's image store.
DownloadOutcome DownloadDeviceEdid(DeviceOpsContext& ctx, EdidSource source);

// After the pause of a block read: true when its answer came exactly, the lead byte 0xA1, two
// bytes and the count of data bytes (DeviceLink::takenAnswer), and no further byte came within
// the pause. Takes in the bytes waiting on the port first.
bool BlockAnswerExact(DeviceLink& link);

}  // namespace varnok
