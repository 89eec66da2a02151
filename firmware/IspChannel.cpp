#include "firmware/IspChannel.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

#include "link/DeviceLink.h"

namespace varnok {
namespace {

constexpr int kDumpLength = 16;

}  // namespace

IspChannel::IspChannel(DeviceLink& link) : link_(link) {}

bool IspChannel::portUsable() const {
    return link_.ComPort && link_.ComPort->isOpen() && !link_.ComPort->hasFatalError();
}

IspChannel::Intake IspChannel::takeIn() {
    if (!portUsable()) return Intake::Nothing;
    SerialPort& port = *link_.ComPort;
    const qint64 waiting = port.bytesWaiting();
    if (waiting <= 0) return Intake::Nothing;
    auto& rx = link_.RxBuffer;
    if (waiting > kRxBufferSize) {
        // A flood (a banner streamed into a stopped receiver): look at 16 bytes without counting
        // them, so that the next read overwrites them, and start afresh.
        const QByteArray dump = port.read(kDumpLength);
        const uint32_t at = std::min<uint32_t>(link_.RxLength, kRxBufferSize - kDumpLength);
        std::memcpy(rx.data() + at, dump.constData(),
                    std::min<qsizetype>(dump.size(), kDumpLength));
        port.discardInput();
        return Intake::Overflow;
    }
    const uint32_t room = kRxBufferSize - std::min<uint32_t>(link_.RxLength, kRxBufferSize);
    const QByteArray got = port.read(std::min<qint64>(waiting, room));
    if (waiting > room) {
        // No room left: the rest is taken from the port and dropped, so the queue can't grow
        // into the flood case and later replies still start in a fresh buffer.
        dropped_ += uint64_t(port.read(waiting - room).size());
    }
    const uint32_t n = uint32_t(std::min<qsizetype>(got.size(), room));
    std::memcpy(rx.data() + link_.RxLength, got.constData(), n);
    link_.RxLength += n;
    rx[link_.RxLength] = 0;  // RxBuffer has one byte beyond 1024 for this zero
    firstReply_ = rx[0];
    return Intake::Received;
}

void IspChannel::send(const QByteArray& bytes) {
    link_.RxLength = 0;
    sendMore(bytes);
}

void IspChannel::sendMore(const QByteArray& bytes) {
    if (portUsable()) link_.ComPort->write(bytes);
}

void IspChannel::stopReceiveTick() {
    tickWasRunning_ = link_.Timer_UART_Rx && link_.Timer_UART_Rx->isActive();
    if (link_.Timer_UART_Rx) link_.Timer_UART_Rx->stop();
}

void IspChannel::restoreReceiveTick() {
    if (tickWasRunning_ && link_.Timer_UART_Rx) link_.Timer_UART_Rx->start();
}

void IspChannel::clearRx() {
    link_.RxBuffer.fill(0);
    link_.RxLength = 0;
}

}  // namespace varnok
