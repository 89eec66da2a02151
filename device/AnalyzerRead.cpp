#include "device/AnalyzerRead.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "device/DeviceApi.h"
#include "device/OperationGuard.h"
#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"

namespace varnok {
namespace {

constexpr uint8_t kEdidHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kHeaderSearchOffsets = 16;

// True when any byte arrived since the last command: SendApiCommand zero-fills the buffer, and a
// response always starts with its non-zero lead byte (or, from a confused device, other bytes).
bool AnythingReceived(const DeviceLink& link) {
    return std::any_of(link.RxBuffer.begin(), link.RxBuffer.begin() + kRxBufferSize,
                       [](uint8_t b) { return b != 0; });
}

// True when the answer to the last read brought at least `bytes` bytes: RxLength counts them until
// the dispatch step takes a complete answer (count + 3 bytes) and sets LastApiCode to 0. A block
// that did not come whole reads as the zeros of the cleared buffer, and an all-zero extension
// block even passes its checksum, so such a read is never taken for the device's EDID.
bool AnswerHas(const DeviceLink& link, uint32_t bytes) {
    return link.LastApiCode == 0 || link.RxLength >= bytes;
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
        bool heard = false;
        link.SendApiCommand(0, plan.block0Code, kBlockSize);
        link.WaitAnswerMs(plan.pauseMs);
        heard |= AnythingReceived(link);
        int offset = FindEdidHeaderOffset(link.RxBuffer.data());
        if (offset < 0) {
            log.logAppend(QStringLiteral("No Header Found.\r\n"));
            offset = kHeaderSearchOffsets;
        }
        std::copy_n(link.RxBuffer.begin() + offset, kBlockSize, attempt.begin());
        const bool whole0 = AnswerHas(link, uint32_t(offset + kBlockSize));

        link.SendApiCommand(0, plan.block1Code, kBlockSize);
        link.WaitAnswerMs(plan.pauseMs);
        heard |= AnythingReceived(link);
        std::copy_n(link.RxBuffer.begin() + kResponseHeader, kBlockSize,
                    attempt.begin() + kBlockSize);
        const bool whole1 = AnswerHas(link, uint32_t(kResponseHeader + kBlockSize));

        // An attempt whose answers did not both come whole read (some of) the zeros of the
        // cleared buffer; the image of an earlier attempt stands. So does one cut short by a
        // lost link.
        const bool whole = heard && whole0 && whole1 && !guard.lost();
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
    if (!guard.lost()) link.enablePoll();
    return result;
}

}  // namespace varnok
