#include "firmware/Isp029Update.h"

#include "firmware/FirmwareView.h"
#include "firmware/IspClock.h"
#include "link/DeviceLink.h"

namespace varnok {

namespace isp029 {

uint8_t BlockChecksum(const QByteArray& block) {
    uint8_t sum = 0;
    for (char c : block) sum = uint8_t(sum + uint8_t(c));
    return uint8_t(0x100 - sum);
}

namespace {
QByteArray numbered(uint8_t command, uint16_t n) {
    const uint8_t hi = uint8_t(n >> 8), lo = uint8_t(n & 0xFF);
    const char bytes[5] = {char(command), char(hi), char(lo), char(~hi), char(~lo)};
    return QByteArray(bytes, 5);
}
}  // namespace

QByteArray StartCommand(uint16_t blocks) {
    return numbered(kStart, blocks);
}

QByteArray BlockCommand(uint16_t index, const QByteArray& block) {
    QByteArray cmd = numbered(kBlock, index);
    cmd.append(block);
    cmd.append(char(BlockChecksum(block)));
    return cmd;
}

QByteArray EndCommand() {
    const char bytes[2] = {char(kEnd), char(kEndCheck)};
    return QByteArray(bytes, 2);
}

}  // namespace isp029

using namespace isp029;

Isp029Update::Isp029Update(DeviceLink& link, FirmwareView& view, IspClock& clock)
    : link_(link), view_(view), clock_(clock), channel_(link) {}

Isp029Update::Answer Isp029Update::exchange(const QByteArray& command, uint32_t limitMs) {
    channel_.send(command);
    const uint32_t sent = clock_.tickMs();
    uint32_t scanned = 0;
    for (;;) {
        clock_.processEvents();
        if (!channel_.portUsable()) return Answer::PortLost;
        const IspChannel::Intake intake = channel_.takeIn();
        // The answer is the first ACK or NAK after the command; other bytes are banner text
        // that was on its way when the command left.
        for (; scanned < link_.RxLength; ++scanned) {
            const uint8_t b = link_.RxBuffer[scanned];
            if (b == kAck) return Answer::Ack;
            if (b == kNak) return Answer::Nak;
        }
        if (link_.RxLength >= uint32_t(kRxBufferSize)) {
            // A buffer full of text and no answer yet: collect afresh rather than drop it.
            link_.RxLength = 0;
            scanned = 0;
        }
        // Across a network the answer also travels there and back.
        if (clock_.tickMs() - sent > limitMs + link_.networkGraceMs()) return Answer::None;
        if (intake == IspChannel::Intake::Overflow) scanned = link_.RxLength;
        if (intake == IspChannel::Intake::Nothing) clock_.idle();
    }
}

Isp029Update::Answer Isp029Update::deliver(const QByteArray& command, uint32_t limitMs,
                                           const QString& what, bool retryOnNak) {
    Answer answer = Answer::None;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        answer = exchange(command, limitMs);
        if (answer == Answer::Ack || answer == Answer::PortLost) return answer;
        if (answer == Answer::Nak && !retryOnNak) {
            view_.logAppend(what + QStringLiteral(" Refused.\r\n"));
            return answer;
        }
        view_.logAppend(
            what + (answer == Answer::Nak ? QStringLiteral(" NAK") : QStringLiteral(" No Answer")) +
            (attempt < kAttempts ? QStringLiteral(", Resend.\r\n") : QStringLiteral(".\r\n")));
    }
    view_.logAppend(what + QStringLiteral(" Failed.\r\n"));
    return answer;
}

Isp029Update::Result Isp029Update::run(const QString& path) {
    channel_.stopReceiveTick();
    view_.logReplace(QStringLiteral("ISP029 Update...\r\n"));
    view_.showProgress(0);

    Result result = Result::Done;
    auto end = [&](Result r) {
        result = r;
        channel_.restoreReceiveTick();
        link_.LinkMode = kLinkModeApi;
        image_.close();
        return result;
    };

    if (!image_.open(path)) {
        view_.logAppend(QStringLiteral("Fw Open Fail.\r\n"));
        return end(Result::OpenFailed);
    }
    const qint64 blocks = (image_.size() + kBlockSize - 1) / kBlockSize;
    if (blocks < 1 || blocks > kMaxBlocks) {
        view_.logAppend(QStringLiteral("Fw Size Error.\r\n"));
        return end(Result::BadSize);
    }

    // The port now carries the loader's bytes, not API answers.
    link_.LinkMode = 1;
    if (channel_.portUsable()) link_.ComPort->discardInput();
    channel_.clearRx();

    Answer a = deliver(StartCommand(uint16_t(blocks)), kStartWaitMs, QStringLiteral("Start"), true);
    if (a == Answer::PortLost) {
        view_.logAppend(QStringLiteral("ISP Port Lost.\r\n"));
        return end(Result::PortLost);
    }
    if (a != Answer::Ack) return end(Result::Refused);
    view_.logAppend(QStringLiteral("Start OK, %1 Blocks.\r\n").arg(blocks));

    for (qint64 k = 0; k < blocks; ++k) {
        const QByteArray block = image_.read(k * kBlockSize, kBlockSize);
        a = deliver(BlockCommand(uint16_t(k), block), kBlockWaitMs,
                    QStringLiteral("Block %1").arg(k), true);
        if (a == Answer::PortLost) {
            view_.logAppend(QStringLiteral("ISP Port Lost.\r\n"));
            return end(Result::PortLost);
        }
        if (a != Answer::Ack) return end(Result::Refused);
        view_.showProgress(int((k + 1) * 100 / blocks));
        view_.showProgressBytes((k + 1) * kBlockSize, blocks * kBlockSize);
    }

    a = deliver(EndCommand(), kEndWaitMs, QStringLiteral("End"), false);
    if (a == Answer::PortLost) {
        view_.logAppend(QStringLiteral("ISP Port Lost.\r\n"));
        return end(Result::PortLost);
    }
    if (a != Answer::Ack) return end(Result::Refused);
    view_.logAppend(QStringLiteral("ISP029 Update Done.\r\n"));
    return end(Result::Done);
}

}  // namespace varnok
