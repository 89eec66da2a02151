#include "device/AnalyzerRead.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"

namespace varnok {
namespace {

constexpr uint8_t kEdidHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kHeaderSearchOffsets = 16;
constexpr int kResponseDataOffset = 3;  // after the lead byte 0xA1 and two ignored bytes

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

AnalyzerReadResult ReadAnalyzerImage(DeviceLink& link, LinkView& log, EdidSource source,
                                     EdidInfo& store) {
    const AnalyzerReadPlan plan = AnalyzerPlanFor(source);
    AnalyzerReadResult result;
    // Once the connection the read started on is gone, nothing more of it is sent anywhere.
    const BoundOperation bound(link);

    // The link watchdog stays quiet for the whole read (nothing here clears DeviceAlive; the next
    // status poll does), and no poll may slip its query in between the select and the reads.
    link.LinkFlags |= DeviceAlive;
    link.disablePoll();

    while (result.attempts < plan.attempts) {
        ++result.attempts;
        if (plan.selector) {
            const uint8_t selector = *plan.selector;
            link.SendApiCommand(1, api_code::EdidSelect, 1, &selector);
            if (link.WaitApiResponse(20)) {
                log.logAppend(QStringLiteral("API Timeout.\r\n"));
                if (bound.lost()) break;
                continue;  // the attempt counts; no read is made in it
            }
        }

        EdidImage attempt{};
        bool heard = false;
        link.SendApiCommand(0, plan.block0Code, kBlockSize);
        link.WaitMs(plan.pauseMs);
        heard |= AnythingReceived(link);
        int offset = FindEdidHeaderOffset(link.RxBuffer.data());
        if (offset < 0) {
            log.logAppend(QStringLiteral("No Header Found.\r\n"));
            offset = kHeaderSearchOffsets;
        }
        std::copy_n(link.RxBuffer.begin() + offset, kBlockSize, attempt.begin());
        const bool whole0 = AnswerHas(link, uint32_t(offset + kBlockSize));

        link.SendApiCommand(0, plan.block1Code, kBlockSize);
        link.WaitMs(plan.pauseMs);
        heard |= AnythingReceived(link);
        std::copy_n(link.RxBuffer.begin() + kResponseDataOffset, kBlockSize,
                    attempt.begin() + kBlockSize);
        const bool whole1 = AnswerHas(link, uint32_t(kResponseDataOffset + kBlockSize));

        // An attempt whose answers did not both come whole read (some of) the zeros of the
        // cleared buffer; the store keeps what it held. So does one cut short by a lost link.
        const bool whole = heard && whole0 && whole1 && !bound.lost();
        if (whole) {
            result.received = true;
            store.image = attempt;
        }
        if (whole && ValidateEdidImage(store)) {
            result.valid = true;
            break;
        }
        log.logAppend(QStringLiteral("Retry Edid.\r\n"));
        if (bound.lost()) break;
    }

    // A Disconnect during the pauses closed the port: further attempts could only time out, and
    // polling stays off as Disconnect left it.
    result.lostLink = bound.lost();
    if (!result.lostLink) link.enablePoll();
    return result;
}

AnalyzerReadResult RunAnalyzerRead(DeviceLink& link, LinkView& log, EdidSource source,
                                   EdidInfo& store,
                                   const std::function<void(const AnalyzerReadResult&)>& report) {
    // Bound from notice to notice: a window closed during the read still sends the end notice,
    // and nothing reaches a connection other than this one.
    const BoundOperation bound(link);
    // Notices are writes without data; the device does not answer them.
    link.SendApiCommand(1, api_code::OperationStart, 0);
    const AnalyzerReadResult result = ReadAnalyzerImage(link, log, source, store);
    if (report) report(result);
    link.SendApiCommand(1, api_code::OperationEnd, 0);
    return result;
}

}  // namespace varnok
