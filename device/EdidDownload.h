#pragma once
// Downloading one of the device's four EDIDs (Internal, External, User, Stored) into a 256-byte
// .bin file.

#include <QString>
#include <cstdint>
#include <optional>

#include "base/Result.h"
#include "device/EdidStores.h"
#include "edid/EdidInfo.h"
#include "link/DeviceLink.h"

namespace varnok {

class LinkView;

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

enum class DownloadOutcome {
    Saved,       // both blocks read and the file written
    Cancelled,   // never returned by the download: the window's save dialog was cancelled
    OpenFailed,  // the target can't be written ("Edid Open Fail."); nothing asked of the device
    NotAcknowledged,  // no 0xA1 answer to the selection ("API Timeout.")
    ReadFailed,       // a block's answer was missing, short, too long or without 0xA1, or the
                      // connection was lost ("API Timeout.")
    WriteFailed,      // the file could not be completed; an existing file is left as it was
};
// The reason: the system's words for OpenFailed and WriteFailed. The data: the 256 bytes, when
// both blocks came whole (Saved, WriteFailed); the window's store of the source takes them.
using DownloadResult = Result<DownloadOutcome, std::optional<EdidImage>>;

// The whole download of source into the file at path, inside an OperationGuard (the notices
// 0x000A and 0x000B on every path). The target is checked before the device is asked for
// anything; a failed read never reaches the file.
DownloadResult DownloadDeviceEdid(DeviceLink& link, LinkView& log, EdidSource source,
                                  const QString& path);

// After the pause of a block read: true when its answer came exactly, the lead byte 0xA1, two
// bytes and the count of data bytes (DeviceLink::takenAnswer), and no further byte came within
// the pause. Takes in the bytes waiting on the port first.
bool BlockAnswerExact(DeviceLink& link);

}  // namespace varnok
