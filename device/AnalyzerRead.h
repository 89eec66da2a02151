#pragma once
// The analyzer's read of one of the device's EDIDs (Internal, External or User), with retries.
// The device returns each 128-byte half of an EDID in answer to a read command; Internal and
// User are first chosen with command 264 and a selector byte, External has read commands of its
// own. Widget-free: the page around it disables its buttons, keeps the image in its store and
// shows the report.

#include <cstdint>
#include <optional>

#include "base/Result.h"
#include "device/EdidStores.h"
#include "edid/EdidInfo.h"

namespace varnok {

class DeviceLink;
class LinkView;

// How one source is read.
struct AnalyzerReadPlan {
    std::optional<uint8_t> selector;  // data byte of command 264; none for External
    uint16_t block0Code = 0;
    uint16_t block1Code = 0;
    uint32_t pauseMs = 0;  // after each block read
    int attempts = 0;
};

// Internal: 264/0xFF, 261, 262, 200 ms, 5 attempts; External: 518, 519, 200 ms, 5 attempts;
// User: 264/0x00, 261, 262, 300 ms, 6 attempts. Stored is not an analyzer source.
AnalyzerReadPlan AnalyzerPlanFor(EdidSource source);

// Offset 0..15 of the first 8-byte EDID header 00 FF FF FF FF FF FF 00 in the first 23 bytes of
// buffer (which must hold at least 23 bytes), or -1 when it stands at none of them.
int FindEdidHeaderOffset(const uint8_t* buffer);

enum class AnalyzerOutcome {
    Valid,     // an attempt read a valid image
    Invalid,   // some attempt got exact answers to both block reads, none a valid image
    NoAnswer,  // no byte answered any block read
    Garbled,   // answers came, but in no attempt both exactly (bytes more or fewer than a block)
    LinkLost,  // the port closed during the read (a Disconnect); attempts stopped
};
struct AnalyzerRead {
    // The image of the last attempt whose two answers both came exactly (the lead byte, two bytes,
    // 128 data bytes, nothing more: as a download takes them); none when no attempt's did (a
    // silent device must not bring back a previous image as if it had just been read, a block
    // that never came must not pass as an empty extension, and noise must not pass as EDID bytes).
    std::optional<EdidImage> image;
    int attempts = 0;  // attempts made
};
using AnalyzerResult = Result<AnalyzerOutcome, AnalyzerRead>;

// The analyzer's read of one of the device's EDIDs, inside an OperationGuard (the notices 10 and
// 11; the window opens its own guard around it, so that it fills its rows before the end
// notice). Marks the device alive and stops status polling, makes up to the plan's attempts,
// then restarts polling. Logs "API Timeout.\r\n", "No Header Found.\r\n" and "Retry Edid.\r\n"
// as they occur.
AnalyzerResult ReadAnalyzerImage(DeviceLink& link, LinkView& log, EdidSource source);

}  // namespace varnok
