#include "firmware/IspUpdate.h"

#include <cstring>

#include "firmware/FirmwareView.h"
#include "firmware/IspClock.h"
#include "link/DeviceLink.h"

namespace varnok {
namespace {

constexpr uint8_t kIspSync = 0x81;
constexpr uint8_t kIspSelectBank = 0x83;
constexpr uint8_t kIspSetAddress = 0x84;
constexpr uint8_t kIspReadBack = 0x85;
constexpr uint8_t kIspWritePage = 0x86;
constexpr uint8_t kIspInfo = 0x87;

constexpr uint8_t kLinkModeUnconfirmed = 0;
constexpr uint8_t kLinkModeIsp = 1;

constexpr uint32_t kHoleStart = 0x7000;  // bank 0: 4 KB the device keeps for itself
constexpr uint32_t kHoleEnd = 0x8000;
constexpr uint32_t kBankWindow = 0x8000;  // banks 1 and 2 are seen at 0x8000-0xFFFF
constexpr uint32_t kBankEnd = 0xFFFF;
constexpr uint32_t kLastBankEnd = 0xF600;  // bank 2 stops after the page at 0xF400
constexpr uint8_t kBanks = 3;
constexpr qint64 kProgrammedBytes = 243 * 512;  // every page of the three banks

}  // namespace

IspUpdate::IspUpdate(DeviceLink& link, FirmwareView& view, IspClock& clock)
    : link_(link), view_(view), clock_(clock), channel_(link) {}

IspUpdate::Result IspUpdate::run(const QString& path) {
    channel_.stopReceiveTick();
    view_.logReplace(QStringLiteral("ISP Mode Check...\r\n"));
    view_.showProgress(0);

    if (!image_.open(path)) {
        view_.logAppend(QStringLiteral("Fw Open Fail.\r\n"));
        channel_.restoreReceiveTick();
        return Result::OpenFailed;
    }

    channel_.clearRx();
    link_.LinkMode = kLinkModeUnconfirmed;
    clock_.pause(500);

    state_ = Confirm;
    counter_ = 0;
    bank_ = 0;
    address_ = 0;
    fileOffset_ = 0;
    retries_ = 0;
    result_ = Result::Done;
    stateEntered_ = clock_.tickMs();

    while (state_ != Finished) {
        clock_.processEvents();
        if (!channel_.portUsable()) {
            view_.logAppend(QStringLiteral("ISP Port Lost.\r\n"));
            finish(Result::PortLost);
            break;
        }
        const IspChannel::Intake intake = channel_.takeIn();
        if (intake == IspChannel::Intake::Overflow) continue;  // no state step on a flood
        const bool acted = step();
        // Nothing arrived and nothing was sent: sleep until the next millisecond instead of
        // spinning on the port.
        if (!acted && intake == IspChannel::Intake::Nothing) clock_.idle();
    }

    channel_.restoreReceiveTick();
    link_.LinkMode = kLinkModeApi;
    image_.close();
    return result_;
}

void IspUpdate::enter(State s) {
    state_ = s;
    stateEntered_ = clock_.tickMs();
}

void IspUpdate::finish(Result r) {
    result_ = r;
    state_ = Finished;
}

bool IspUpdate::step() {
    switch (state_) {
        case Confirm:
            return stepConfirm();
        case Sync:
            return stepSync();
        case Identify:
            return stepIdentify();
        case SelectBank:
            return stepSelectBank();
        case Address:
            return stepAddress();
        case WritePage:
            return stepWritePage();
        case ReadBack:
            return stepReadBack();
        case Finished:
            break;
    }
    return false;
}

bool IspUpdate::stepConfirm() {
    // A device in ISP mode announces itself with a stream of non-zero bytes; the count runs on
    // over passes, so a short banner is confirmed after a few looks.
    int nonZero = 0;
    for (int i = 0; i < 16; ++i) nonZero += link_.RxBuffer[i] != 0;
    counter_ = uint16_t(counter_ + nonZero);
    if (counter_ >= 16) {
        counter_ = 0;
        view_.logAppend(QStringLiteral("ISP Mode Confirmed!\r\n"));
        link_.LinkMode = kLinkModeIsp;
        enter(Sync);
        return true;
    }
    view_.logAppend(QStringLiteral("ISP Mode Not Confirmed.\r\n"));
    if (clock_.tickMs() - stateEntered_ >= kPhaseLimitMs) {
        view_.logAppend(QStringLiteral("ISP Mode Check Timeout.\r\n"));
        finish(Result::ConfirmTimeout);
        return true;
    }
    clock_.pause(200);
    return true;
}

bool IspUpdate::stepSync() {
    if (channel_.firstReply() == kIspSync) {
        counter_ = 0;
        enter(Identify);
        return true;
    }
    if (clock_.tickMs() - stateEntered_ >= kPhaseLimitMs) {
        view_.logAppend(QStringLiteral("ISP Sync Timeout.\r\n"));
        finish(Result::SyncTimeout);
        return true;
    }
    if (++counter_ > 10) {
        counter_ = 0;
        channel_.send(QByteArray(1, char(kIspSync)));
        clock_.pause(2);
        return true;
    }
    return false;
}

bool IspUpdate::stepIdentify() {
    if (counter_ == 0) {
        counter_ = 1;
        channel_.send(QByteArray(1, char(kIspInfo)));
        clock_.pause(10);
        return true;
    }
    const auto& rx = link_.RxBuffer;
    const char* text = reinterpret_cast<const char*>(rx.data() + 2);
    const size_t length = strnlen(text, kRxBufferSize - 2);
    view_.logAppend(QString::fromLatin1(text, qsizetype(length)) + QStringLiteral("\r\n"));
    counter_ = 0;
    enter(SelectBank);
    return true;
}

bool IspUpdate::stepSelectBank() {
    if (counter_ == 0) {
        counter_ = 1;
        const char cmd[2] = {char(kIspSelectBank), char(bank_)};
        channel_.send(QByteArray(cmd, 2));
        clock_.pause(2);
        return true;
    }
    counter_ = 0;
    enter(Address);
    return true;
}

bool IspUpdate::stepAddress() {
    if (counter_ == 1) {
        counter_ = 0;
        enter(WritePage);
        return true;
    }
    if (bank_ == 0 && address_ == kHoleStart) {
        address_ = kHoleEnd;
        fileOffset_ = kHoleEnd;
    } else if (bank_ == 2 && address_ >= kLastBankEnd) {
        finish(Result::Done);
        return true;
    } else if (address_ >= kBankEnd) {
        ++bank_;
        if (bank_ >= kBanks) {
            finish(Result::Done);
            return true;
        }
        address_ = kBankWindow;
        enter(SelectBank);  // the file offset runs on into the new bank
        return true;
    }
    counter_ = 1;
    const char cmd[3] = {char(kIspSetAddress), char((address_ >> 8) & 0xFF), char(address_ & 0xFF)};
    channel_.send(QByteArray(cmd, 3));
    clock_.pause(2);
    return true;
}

bool IspUpdate::stepWritePage() {
    if (counter_ == 1) {
        counter_ = 0;
        enter(ReadBack);
        return true;
    }
    view_.showProgress(int(fileOffset_ * 100 / kProgressDivisor));
    counter_ = 1;
    channel_.send(QByteArray(1, char(kIspWritePage)));
    const QByteArray bytes = image_.read(fileOffset_, kPageSize);
    std::memcpy(page_.data(), bytes.constData(), kPageSize);
    channel_.sendMore(bytes.left(kPageSize / 2));
    channel_.sendMore(bytes.mid(kPageSize / 2));
    clock_.pause(10);
    fileOffset_ += kPageSize;
    address_ += kPageSize;
    // The 4 KB hole of bank 0 is skipped in the file too, so it is not counted as sent.
    const qint64 sent = fileOffset_ - (fileOffset_ >= kHoleEnd ? kHoleEnd - kHoleStart : 0);
    view_.showProgressBytes(sent, kProgrammedBytes);
    return true;
}

bool IspUpdate::stepReadBack() {
    bool sent = false;
    if (counter_ == 0) {
        counter_ = 1;
        channel_.clearRx();
        channel_.send(QByteArray(1, char(kIspReadBack)));
        requestTime_ = clock_.tickMs();
        sent = true;
    }
    if (link_.RxLength < uint32_t(kPageSize)) {
        // Across a network the page also travels there and back.
        if (clock_.tickMs() - requestTime_ > kReadBackLimitMs + link_.networkGraceMs()) {
            view_.logAddLine(QStringLiteral("Read Wait=") + QString::number(requestTime_));
            pageFailed(false);
            return true;
        }
        return sent;  // wait for the rest of the reply
    }
    if (view_.verifyChecked() && !comparePage()) {
        pageFailed(true);
        return true;
    }
    counter_ = 0;
    retries_ = 0;
    enter(Address);
    return true;
}

bool IspUpdate::comparePage() {
    // Page bytes 2..510 against reply offsets 4..512; bytes 0, 1 and 511 are not compared.
    // A good read-back is the common case: one comparison settles it.
    if (std::memcmp(page_.data() + 2, link_.RxBuffer.data() + 4, kComparedBytes) == 0) return true;
    const uint32_t pageAddress = address_ - kPageSize;
    int equal = 0;
    for (int i = 2; i < 2 + kComparedBytes; ++i) {
        const uint8_t sent = page_[i];
        const uint8_t got = link_.RxBuffer[i + 2];
        if (sent == got) {
            ++equal;
            continue;
        }
        // A failed page can log 509 of these lines; built by concatenation, as arg() would
        // build and scan three intermediate strings for each.
        view_.logAddLine(QStringLiteral("ROM: Bank") + QString::number(int(bank_)) +
                         QStringLiteral(", Addr ") + QString::number(pageAddress + uint32_t(i)) +
                         QStringLiteral(": ") + QString::number(int(sent)) +
                         QStringLiteral(" != ") + QString::number(int(got)));
    }
    return equal >= kMinEqualBytes;
}

void IspUpdate::pageFailed(bool afterCompare) {
    ++retries_;
    if (retries_ >= kMaxAttempts) {
        view_.logAppend(QStringLiteral("Page Failed %1 Times.\r\n").arg(kMaxAttempts));
        finish(Result::PageFailed);
        return;
    }
    counter_ = 0;
    if (afterCompare) view_.logAddLine(QStringLiteral("Verify Error! Try Again."));
    fileOffset_ -= kPageSize;
    address_ -= kPageSize;
    enter(Address);
}

}  // namespace varnok
