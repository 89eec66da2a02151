#include "device/AnalyzerRead.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "device/DeviceApi.h"
#include "device/EdidDownload.h"
#include "device/OperationGuard.h"
#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"

namespace varnok {
namespace {

constexpr uint8_t kEdidHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kHeaderSearchOffsets = 16;

// Sends one block read, pauses, and takes its 128 data bytes into dest when the answer came
// exactly: the lead byte, two bytes and the data, and no byte more within the pause
// (BlockAnswerExact). An answer with garbage or late bytes in it fails the block, as a download's
// does: nothing tells which of its bytes are the EDID's. `heard` is set when any byte came.
bool ReadExactBlock(DeviceLink& link, uint16_t code, uint32_t pauseMs, uint8_t* dest, bool& heard) {
    link.SendApiCommand(0, code, kBlockSize);
    link.WaitAnswerMs(pauseMs);  // across a network, an answer late by the pause is waited for
    const bool exact = BlockAnswerExact(link);
    heard |= link.bytesSinceCommand() > 0;
    if (exact) std::copy_n(link.takenAnswer().constData() + kResponseHeader, kBlockSize, dest);
    return exact;
}

}  // namespace

AnalyzerReadPlan AnalyzerPlanFor(EdidSource source) {
    switch (source) {
        case EdidSource::Internal:
            return {uint8_t{0xFF}, api_code::EdidBlock0, api_code::EdidBlock1, 200, 5};
        case EdidSource::External:
            return {std::nullopt, api_code::ExternalBlock0, api_code::ExternalBlock1, 200, 5};
        case EdidSource::User:
            return {uint8_t{0x00}, api_code::EdidBlock0, api_code::EdidBlock1, 300, 6};
        case EdidSource::Stored:
            break;
    }
    return {};
}

int FindEdidHeaderOffset(const uint8_t* buffer) {
    for (int offset = 0; offset < kHeaderSearchOffsets; ++offset) {
        if (std::memcmp(buffer + offset, kEdidHeader, sizeof kEdidHeader) == 0) return offset;
    }
    return -1;
}

AnalyzerResult ReadAnalyzerImage(DeviceLink& link, LinkView& log, EdidSource source) {
    const AnalyzerReadPlan plan = AnalyzerPlanFor(source);
    AnalyzerResult result{AnalyzerOutcome::NoAnswer, {}, {}};
    AnalyzerRead& read = result.data;
    // Bound from notice to notice: a window closed during the read still sends the end notice,
    // and nothing reaches a connection other than this one.
    const OperationGuard guard(link);

    // The link watchdog stays quiet for the whole read (nothing here clears DeviceAlive; the next
    // status poll does), and no poll may slip its query in between the select and the reads.
    link.LinkFlags |= DeviceAlive;
    link.disablePoll();

    bool valid = false;
    bool heard = false;  // any answer byte at all, exact or not
    while (read.attempts < plan.attempts) {
        ++read.attempts;
        if (plan.selector) {
            const uint8_t selector = *plan.selector;
            link.SendApiCommand(1, api_code::EdidSelect, 1, &selector);
            if (link.WaitApiResponse(20)) {
                log.logAppend(QStringLiteral("API Timeout.\r\n"));
                if (guard.lost()) break;
                continue;  // the attempt counts; no read is made in it
            }
        }

        EdidImage attempt{};
        const bool whole0 =
            ReadExactBlock(link, plan.block0Code, plan.pauseMs, attempt.data(), heard);
        // The header is looked for where it may stand in what came; an exact answer holds it right
        // after the answer's three head bytes.
        if (FindEdidHeaderOffset(link.RxBuffer.data()) < 0)
            log.logAppend(QStringLiteral("No Header Found.\r\n"));
        // Block 1 is read in every attempt, as the device is used to.
        const bool whole1 =
            ReadExactBlock(link, plan.block1Code, plan.pauseMs, attempt.data() + kBlockSize, heard);

        // An attempt whose answers did not both come exactly leaves the image of an earlier
        // attempt standing; so does one cut short by a lost link.
        const bool whole = whole0 && whole1 && !guard.lost();
        if (whole) {
            read.image = attempt;
            EdidInfo judged;
            judged.image = attempt;
            valid = ValidateEdidImage(judged);
            if (valid) break;
        }
        log.logAppend(QStringLiteral("Retry Edid.\r\n"));
        if (guard.lost()) break;
    }

    // A Disconnect during the pauses closed the port: further attempts could only time out, and
    // polling stays off as Disconnect left it.
    if (guard.lost())
        result.outcome = AnalyzerOutcome::LinkLost;
    else if (valid)
        result.outcome = AnalyzerOutcome::Valid;
    else if (read.image)
        result.outcome = AnalyzerOutcome::Invalid;
    else if (heard)
        result.outcome = AnalyzerOutcome::Garbled;
    if (!guard.lost()) link.enablePoll();
    return result;
}

}  // namespace varnok
