#include "link/DeviceLink.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <utility>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "link/TThread_Uart_Api.h"

namespace varnok {

namespace {
constexpr int kRxTickMs = 100;
constexpr int kPollMs = 1000;
constexpr int kFloodKeep = 16;  // bytes kept from a queue of more than 1024
constexpr uint32_t kDataPhaseLeadMs = 50;
constexpr uint32_t kDataBytePauseMs = 1;
// How long after a read its answer may still be on its way when the next command goes out.
constexpr uint32_t kLateAnswerMs = 50;
constexpr uint32_t kAnswerLookMs = 1;  // a 6-byte answer takes about 1 ms at 57600 baud
// How often a wait across a network looks for its answer: far below the network's own delay.
constexpr uint32_t kNetworkLookMs = 5;
}  // namespace

DeviceLink::DeviceLink(LinkView& view, QObject* parent) : QObject(parent), view_(view) {
    Timer_UART_Rx = new QTimer(this);
    Timer_UART_Rx->setObjectName(QStringLiteral("Timer_UART_Rx"));
    Timer_UART_Rx->setInterval(kRxTickMs);
    connect(Timer_UART_Rx, &QTimer::timeout, this, &DeviceLink::Timer_UART_RxTimer);

    Timer_Poll_Status = new QTimer(this);
    Timer_Poll_Status->setObjectName(QStringLiteral("Timer_Poll_Status"));
    Timer_Poll_Status->setInterval(kPollMs);
    connect(Timer_Poll_Status, &QTimer::timeout, this, &DeviceLink::Timer_Poll_StatusTimer);

#ifdef __linux__
    // The kernel may defer a timer wake-up by the thread's slack (50 us by default) to batch it
    // with others; an upload waits out 257 pauses of 1 ms and would gain 13 ms. One microsecond
    // keeps the pauses to what the device needs.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif

    // Created suspended; the first probe of a search starts it.
    dispatcher_ = std::make_unique<TThread_Uart_Api>([this] { DispatchResponse(); });
    LinkMode = kLinkModeApi;
}

DeviceLink::~DeviceLink() {
    // End the dispatcher before anything it hands over can go away; it never waits on this
    // thread once told to stop.
    dispatcher_->Stop();
    dispatcher_.reset();
    closePort();
}

bool DeviceLink::portOpen() const {
    return ComPort && ComPort->isOpen();
}

void DeviceLink::setConnectionState(ConnectionState state) {
    if (state_ == state) return;
    state_ = state;
    emit connectionStateChanged(state);
}

void DeviceLink::startDispatcher() {
    dispatcher_->Resume();
}
void DeviceLink::suspendDispatcher() {
    dispatcher_->Suspend();
}

void DeviceLink::enableRxTimer() {
    if (!Timer_UART_Rx->isActive()) Timer_UART_Rx->start();
}
void DeviceLink::disableRxTimer() {
    Timer_UART_Rx->stop();
}
void DeviceLink::enablePoll() {
    if (!Timer_Poll_Status->isActive()) Timer_Poll_Status->start();
}
void DeviceLink::disablePoll() {
    Timer_Poll_Status->stop();
}

QString DeviceLink::rxText(int offset) const {
    if (offset < 0 || offset >= int(RxBuffer.size())) return {};
    const auto* start = reinterpret_cast<const char*>(RxBuffer.data()) + offset;
    const size_t len = strnlen(start, RxBuffer.size() - size_t(offset));
    return QString::fromLatin1(start, qsizetype(len));
}

void DeviceLink::closePort() {
    if (ComPort) {
        ComPort->close();
        ComPort.reset();
        ++connectionSerial_;
        // The running operation's pauses would only wait for answers that cannot come.
        if (boundDepth_ > 0) pauses_.interrupt();
    }
    faultReported_ = nullptr;
}

void DeviceLink::takePort(std::unique_ptr<SerialPort> port) {
    closePort();
    ComPort = std::move(port);
    ++connectionSerial_;
}

bool DeviceLink::operationLost() const {
    return boundDepth_ > 0 && (boundSerial_ != connectionSerial_ || shuttingDown_);
}

void DeviceLink::shutDown() {
    shuttingDown_ = true;
    pauses_.interrupt();
    if (opening_) opening_->abortWait();
}

void DeviceLink::setOpeningPort(SerialPort* port) {
    opening_ = port;
    if (opening_ && shuttingDown_) opening_->abortWait();
}

bool DeviceLink::mayWrite() const {
    // Nothing of an operation reaches a connection other than its own.
    if (boundDepth_ > 0 && boundSerial_ != connectionSerial_) return false;
    // Closing: an operation stopped short still tells the device it has ended.
    if (shuttingDown_) return boundDepth_ > 0 && closingFrame_;
    return true;
}

void DeviceLink::setStatusPoll(ApiCode code, uint16_t count) {
    pollCode_ = code;
    pollCount_ = count;
}

BoundOperation::BoundOperation(DeviceLink& link, bool announces)
    : link_(link), announces_(announces) {
    if (link_.boundDepth_++ == 0) link_.boundSerial_ = link_.connectionSerial_;
    if (announces_) first_ = link_.announcedDepth_++ == 0;
}

BoundOperation::~BoundOperation() {
    if (announces_) --link_.announcedDepth_;
    --link_.boundDepth_;
}

void BoundOperation::sendClosing(uint8_t w, ApiCode code) {
    link_.closingFrame_ = true;
    link_.SendApiCommand(w, code, 0);
    link_.closingFrame_ = false;
}

std::array<uint8_t, 4> DeviceLink::apiHeader(uint8_t w, ApiCode code, uint16_t count) {
    return {uint8_t((w * 128u + (code >> 8)) & 0xFF), uint8_t(code & 0xFF), uint8_t(count & 0xFF),
            0x0D};
}

bool DeviceLink::SendApiCommand(uint8_t w, ApiCode code, uint16_t count, const uint8_t* data,
                                const std::function<void(int index)>& eachByte) {
    // Across a network the answer to a read nothing waited for (the status poll) may still be on
    // its way: it is taken first, so that it does not land in this command's answer. The poll
    // stays off meanwhile; it is off for the new command anyway.
    if (unwaitedRead_ && crossesNetwork()) {
        disablePoll();
        WaitOnNetwork([this] { return answerSettled(); });
    }
    unwaitedRead_ = false;
    // A complete response that the dispatcher has not yet taken belongs to the previous command:
    // act on it now, before its code and bytes are replaced by the new command's.
    if (LinkFlags & ResponseReady) DispatchResponse();
    // The answer to a read sent just before (a status poll, the mode query after a search) may
    // still be on its way; it would land in the new command's answer, and a read takes only an
    // exact answer. It is taken in first: at most until kLateAnswerMs after that read went out.
    if (std::exchange(readPending_, false) && mayWrite() && portOpen() && !answerComplete() &&
        readSent_.isValid() && readSent_.elapsed() < kLateAnswerMs) {
        disablePoll();
        WaitForAnswer(kLateAnswerMs - uint32_t(readSent_.elapsed()));
        if (LinkFlags & ResponseReady) DispatchResponse();
    }
    if (!mayWrite()) {
        // A refused command has no answer; the last one's must not pass for it.
        takenAnswer_.clear();
        return false;
    }

    disablePoll();
    const auto header = apiHeader(w, code, count);
    if (portOpen())
        ComPort->write(
            QByteArray(reinterpret_cast<const char*>(header.data()), int(header.size())));
    // Reset the receive state before any event is processed, so no byte of the new response can
    // be collected into the old state.
    RxLength = 0;
    LastApiCode = code;
    LastApiCount = count;
    std::fill(RxBuffer.begin(), RxBuffer.end(), uint8_t(0));
    takenAnswer_.clear();
    rxSinceCommand_ = 0;
    unwaitedRead_ = w == 0 && count > 0;
    readPending_ = w == 0 && count > 0;
    if (readPending_) readSent_.start();

    // An operation's closing frame gets no answer, so nothing would ever re-arm the status poll:
    // while connected it keeps running, and the watchdog keeps watching the device.
    if (closingFrame_ && state_ == ConnectionState::Connected) enablePoll();

    if (w != 1 || count == 0 || data == nullptr) return true;

    // Once its header is out, the frame is written whole: the device takes the next `count`
    // bytes as its data, so a frame cut short would turn whatever follows (an end notice) into
    // data. Closing the program or an interrupt lets it finish; only the loss of its connection
    // (a Disconnect, a port error, a new search) ends it, since the rest would go nowhere, or to
    // a device found meanwhile.
    const uint32_t connection = connectionSerial_;
    QElapsedTimer lead;
    lead.start();
    paceFrame(lead, kDataPhaseLeadMs, connection);
    for (int i = 0; i < count; ++i) {
        if (connectionSerial_ != connection || !portOpen()) return true;
        // The device takes the data paced: one byte per write, and more than 1 ms before the
        // next. The pause runs from the write, so showing the progress meanwhile does not
        // lengthen it; 256 bytes would otherwise carry 256 times that work.
        ComPort->write(QByteArray(1, char(data[i])));
        QElapsedTimer written;
        written.start();
        if (eachByte) {
            LinkFlags |= DeviceAlive;
            eachByte(i);
        }
        paceFrame(written, kDataBytePauseMs, connection);
    }
    // A port lost during the data phase leaves nothing to poll.
    if (portOpen()) enablePoll();
    return true;
}

void DeviceLink::paceFrame(const QElapsedTimer& since, uint32_t ms, uint32_t connection) {
    // An interrupt (closing, a signal) ends the pauses running now; a pause inside a frame is
    // taken up again until it has passed.
    while (connectionSerial_ == connection && since.nsecsElapsed() <= qint64(ms) * 1'000'000)
        pauses_.until(since, ms);
}

uint32_t DeviceLink::WaitMs(uint32_t ms) {
    // An operation that can go no further has nothing left to wait for.
    if (operationLost() || shuttingDown_) return 0;
    QElapsedTimer clock;
    clock.start();
    return pauses_.until(clock, ms);
}

uint32_t DeviceLink::WaitAnswerMs(uint32_t ms) {
    unwaitedRead_ = false;
    const uint32_t waited = WaitMs(ms);
    WaitOnNetwork([this] { return answerSettled(); });
    return waited;
}

bool DeviceLink::WaitOnNetwork(const std::function<bool()>& done) {
    if (!crossesNetwork()) return done();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        collectResponseBytes();
        if (done()) return true;
        if (operationLost() || shuttingDown_ || !portOpen()) return false;
        const auto passed = uint32_t(clock.elapsed());
        if (passed >= kNetworkGraceMs) return false;
        pauses_.until(clock, std::min(passed + kNetworkLookMs, kNetworkGraceMs));
    }
}

bool DeviceLink::WaitApiResponse(int polls) {
    unwaitedRead_ = false;
    bool lead = false;
    for (int k = 1; k <= polls - 1; ++k) {
        WaitMs(10);
        // Take in what has arrived since the last receive tick: the answer is on the line within
        // a few milliseconds, and waiting for the next 100 ms tick to see it would add up to
        // 100 ms to every selection.
        if (RxBuffer[0] != kResponseLead || RxLength < uint32_t(kResponseHeader))
            collectResponseBytes();
        lead = RxBuffer[0] == kResponseLead;
        // The answer is discarded whole: a lead byte taken in without the two bytes after it
        // leaves them on the line, where they would become the start of the next answer. Wait
        // for them unless the dispatch step has already taken a complete answer.
        if (lead && (RxLength >= uint32_t(kResponseHeader) || LastApiCode == 0)) break;
    }
    // Across a network the acknowledgement may still be on its way.
    if (!lead) {
        WaitOnNetwork([this] {
            if (RxLength > 0 && RxBuffer[0] != kResponseLead) return true;  // no answer of ours
            return RxBuffer[0] == kResponseLead &&
                   (RxLength >= uint32_t(kResponseHeader) || LastApiCode == 0);
        });
        lead = RxBuffer[0] == kResponseLead;
    }
    if (!lead) return true;
    // The answer only confirms the command; its bytes are not needed.
    RxLength = 0;
    std::fill(RxBuffer.begin(), RxBuffer.end(), uint8_t(0));
    return false;
}

bool DeviceLink::answerComplete() const {
    if (RxBuffer[0] != kResponseLead) return false;
    // The dispatch step sets LastApiCode to 0 once it has taken a complete answer; before that,
    // RxLength counts what came in.
    return LastApiCode == 0 || uint64_t(RxLength) >= uint64_t(LastApiCount) + kResponseHeader;
}

bool DeviceLink::answerSettled() const {
    return answerComplete() || (RxLength > 0 && RxBuffer[0] != kResponseLead);
}

bool DeviceLink::WaitForAnswer(uint32_t ms) {
    unwaitedRead_ = false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // As WaitMs: an operation that can go no further has nothing left to wait for.
        if (operationLost() || shuttingDown_) return false;
        if (answerComplete()) {
            // What the answer sets (manufacturer ID, model name, version, mode) is set when
            // this returns, as after the window's fixed pause.
            if (LinkFlags & ResponseReady) DispatchResponse();
            return true;
        }
        const auto passed = uint32_t(clock.elapsed());
        if (clock.nsecsElapsed() > qint64(ms) * 1'000'000) {
            // Across a network the answer may still be on its way.
            if (!WaitOnNetwork([this] { return answerSettled(); }) || !answerComplete())
                return false;
            if (LinkFlags & ResponseReady) DispatchResponse();
            return true;
        }
        pauses_.until(clock, std::min(passed + kAnswerLookMs, ms));
        collectResponseBytes();
    }
}

void DeviceLink::watchdogStep() {
    if ((LinkFlags & IspMode) || searchEnabled() || (LinkFlags & DeviceAlive)) {
        WatchdogTicks = 0;
        return;
    }
    if (++WatchdogTicks >= kWatchdogLimit) {
        WatchdogTicks = 0;
        emit disconnectRequested();
    }
}

bool DeviceLink::checkPortFault() {
    if (!ComPort->hasFatalError()) return false;
    if (faultReported_ != ComPort.get()) {
        faultReported_ = ComPort.get();
        view_.logAppend(QStringLiteral("Port Error: ") + ComPort->errorString() +
                        QStringLiteral(".\r\n"));
    }
    // While a search probes the port, the search itself closes it and goes on.
    if (state_ == ConnectionState::Connected || state_ == ConnectionState::Isp)
        emit disconnectRequested();
    return true;
}

void DeviceLink::Timer_UART_RxTimer() {
    watchdogStep();
    collectResponseBytes();
}

void DeviceLink::collectResponseBytes() {
    // Without a port (never opened, or closed by Disconnect) the tick reads nothing and leaves
    // the buffer and the log as they are.
    if (!ComPort) return;
    if (checkPortFault() || !ComPort || !ComPort->isOpen()) return;

    const qint64 waiting = ComPort->bytesWaiting();
    if (waiting > 0) rxSinceCommand_ += uint64_t(waiting);
    if (waiting > kRxBufferSize) {
        // Far more than any response: keep the first bytes for a look and drop the flood.
        const QByteArray head = ComPort->read(kFloodKeep);
        std::copy_n(head.constData(), std::min<qsizetype>(head.size(), kFloodKeep),
                    reinterpret_cast<char*>(RxBuffer.data()));
        ComPort->discardInput();
        return;
    }
    if (waiting > 0) {
        // Never store past the 1024 bytes: keep the earliest bytes that fit and read the rest
        // off the port so they are not taken for the start of the next response.
        const uint32_t filled = std::min<uint32_t>(RxLength, kRxBufferSize);
        const qint64 room = kRxBufferSize - filled;
        const qint64 keep = std::min(waiting, room);
        QByteArray kept;
        if (keep > 0) kept = ComPort->read(keep);
        if (waiting > keep) ComPort->read(waiting - keep);
        const auto taken = std::min<qsizetype>(kept.size(), room);
        std::copy_n(kept.constData(), taken, reinterpret_cast<char*>(RxBuffer.data()) + filled);
        RxLength = filled + uint32_t(taken);
        RxBuffer[RxLength] = 0;
        // Raw response bytes appear in the log as characters, up to the first zero byte.
        view_.logAppend(rxText(0));
    }
    const uint64_t answerSize = uint64_t(LastApiCount) + kResponseHeader;
    if (uint64_t(RxLength) >= answerSize && LinkMode == kLinkModeApi) {
        LinkFlags |= ResponseReady;
        // Taken at once: after the dispatch step, later bytes land at offset 0 over it.
        if (takenAnswer_.isEmpty())
            takenAnswer_ =
                QByteArray(reinterpret_cast<const char*>(RxBuffer.data()), qsizetype(answerSize));
    }
    if (LinkFlags & ResponseReady) dispatcher_->Wake();
}

void DeviceLink::DispatchResponse() {
    if (!(LinkFlags & ResponseReady)) return;
    LinkFlags &= uint8_t(~ResponseReady);
    if (RxBuffer[0] == kResponseLead) {
        // The answer to the status poll's query tells that the device is there.
        if (pollCode_ != 0 && LastApiCode == pollCode_) LinkFlags |= DeviceAlive;
        // The device layer reads what the answer says; the operations take block data from
        // RxBuffer themselves after their pause.
        emit answerDispatched(ApiCode(LastApiCode));
        enablePoll();
    }
    // A response with another lead byte is dropped without any other effect.
    RxLength = 0;
    LastApiCode = 0;
}

void DeviceLink::Timer_Poll_StatusTimer() {
    if (searchEnabled() || pollCode_ == 0) return;
    LinkFlags &= uint8_t(~DeviceAlive);
    SendApiCommand(0, pollCode_, pollCount_);
}

}  // namespace varnok
