#pragma once
// The one device link of the program: the link state shared by every device operation, the
// command frame, the pauses, the 100 ms receive tick, the status poll and the watchdog. The
// device answers a command with a lead byte 0xA1, two bytes the host ignores, and the command's
// count of data bytes. The link carries frames: what the codes mean, and what their answers say,
// is the device layer's (device/DeviceApi.h, device/DeviceAnswers.h).
//
// Everything here runs on the main thread; pauses re-enter the event loop.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>  // Timer_UART_Rx and Timer_Poll_Status are driven by the operations too
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/EventLoopWait.h"
#include "link/LinkView.h"
#include "link/SerialPort.h"

class QTimer;

namespace varnok {

class TThread_Uart_Api;

using ApiCode = uint16_t;

enum LinkFlagBits : uint8_t {
    ResponseReady = 0x01,
    IspMode = 0x08,
    DeviceAlive = 0x10,
};

constexpr int kRxBufferSize = 1024;
constexpr uint8_t kLinkModeApi = 8;  // the port carries the API frames
constexpr int kResponseHeader = 3;   // lead byte 0xA1 and two bytes the host ignores

// Where the link stands with the window. BitBtn_Search is enabled in Disconnected and Searching
// (no port held for good); the status poll and the watchdog only run in Connected and Isp.
enum class ConnectionState : uint8_t { Disconnected, Searching, Connected, Isp };

constexpr uint8_t kResponseLead = 0xA1;
constexpr int kWatchdogLimit = 30;  // receive ticks without DeviceAlive before the link is dropped

class DeviceLink : public QObject {
    Q_OBJECT
public:
    explicit DeviceLink(LinkView& view, QObject* parent = nullptr);
    ~DeviceLink() override;

    // --- link state (the protocol's vocabulary) ---
    std::unique_ptr<SerialPort> ComPort;                // null when no port is open
    std::array<uint8_t, kRxBufferSize + 1> RxBuffer{};  // plus a terminating zero
    uint32_t RxLength = 0;
    uint32_t LastApiCode = 0;
    uint32_t LastApiCount = 0;
    uint8_t LinkFlags = 0;
    uint8_t LinkMode = kLinkModeApi;
    std::array<uint8_t, 3> ManufacturerId{};
    uint8_t IspVariant = 0;
    uint8_t WatchdogTicks = 0;

    QTimer* Timer_UART_Rx = nullptr;      // 100 ms receive tick, disabled at start
    QTimer* Timer_Poll_Status = nullptr;  // 1000 ms status poll, disabled at start

    bool portOpen() const;

    // Frames and sends one command: header (W<<7 | code>>8, code & 0xFF, count, 0x0D), then for a
    // write with data a paced data phase (50 ms, then each byte in its own write and 1 ms).
    // eachByte, when given, is told the index of every data byte just written (an upload shows
    // its progress there), and such a long data phase keeps the watchdog quiet (DeviceAlive).
    // A frame once begun is written whole, also while the program closes (shutDown); only the
    // loss of its connection cuts it. False when the frame was refused (see mayWrite).
    bool SendApiCommand(uint8_t w, ApiCode code, uint16_t count, const uint8_t* data = nullptr,
                        const std::function<void(int index)>& eachByte = {});
    // Returns once more than ms milliseconds have passed, processing events meanwhile.
    uint32_t WaitMs(uint32_t ms);
    // Up to n-1 pauses of 10 ms for the lead byte 0xA1; true when it timed out.
    bool WaitApiResponse(int polls);
    // Like WaitMs(ms), but ends as soon as the answer to the last command is complete (lead byte
    // 0xA1 and count + 3 bytes) and dispatched. For a front end that goes on at once, where the
    // window pauses a fixed time; true when the answer came. Across a network the wait may run
    // kNetworkGraceMs past ms.
    bool WaitForAnswer(uint32_t ms);

    // --- ports across a network ---
    // A device answers within the pauses its protocol gives it, but across a network the answer
    // also travels there and back. On such a port (SerialPort::crossesNetwork) every wait for an
    // answer that ends with its answer not yet in goes on until it is, for at most this much
    // longer: the pause after a block read or a probe, the wait for the selection's
    // acknowledgement, the ISP loader's read-back. A local port keeps its pauses exactly.
    static constexpr uint32_t kNetworkGraceMs = 2000;
    bool crossesNetwork() const { return ComPort && ComPort->crossesNetwork(); }
    // kNetworkGraceMs across a network, else 0: what a wait bounded by its own clock (the ISP
    // update's) adds to its limit.
    uint32_t networkGraceMs() const { return crossesNetwork() ? kNetworkGraceMs : 0; }
    // The pause after a command that is answered (WaitMs(ms)); across a network, an answer not
    // complete by then is waited for as above. Bytes that cannot begin an answer (another lead
    // byte) end the wait at once.
    uint32_t WaitAnswerMs(uint32_t ms);
    // Across a network: takes in what arrives until done() holds, for at most kNetworkGraceMs
    // (sooner when the operation is lost or the program closes). Elsewhere it returns at once.
    // done()'s value.
    bool WaitOnNetwork(const std::function<bool()>& done);
    // The port the search is opening, before it becomes ComPort: shutDown() ends its connect or
    // negotiation wait at once (abortWait). Null when none.
    void setOpeningPort(SerialPort* port);

    // The receive tick (Timer_UART_Rx) and the dispatch step, public for tests.
    void Timer_UART_RxTimer();
    void DispatchResponse();
    void Timer_Poll_StatusTimer();
    // The status poll's query (a read of `count` bytes): sent every 1000 ms while connected, and
    // a valid answer to `code`, whoever asked, marks the device alive for the watchdog. Nothing
    // is polled before the device layer sets it.
    void setStatusPoll(ApiCode code, uint16_t count);

    // The data of the answer just dispatched (RxBuffer from offset 3) as text, to its first zero
    // byte, bytes taken as Latin-1.
    QString answerText() const { return rxText(kResponseHeader); }

    // --- additions: connection state, dispatcher control, helpers for the operations ---
    // Where the link writes its log lines and progress (the window).
    LinkView& view() const { return view_; }
    ConnectionState connectionState() const { return state_; }
    void setConnectionState(ConnectionState state);
    // True while BitBtn_Search is enabled: no port is held for good (disconnected or searching).
    bool searchEnabled() const {
        return state_ == ConnectionState::Disconnected || state_ == ConnectionState::Searching;
    }

    // The dispatcher thread: started (resumed) at every probe, suspended at Disconnect.
    TThread_Uart_Api& dispatcher() { return *dispatcher_; }
    void startDispatcher();
    void suspendDispatcher();

    // Enabling a timer that already runs leaves its interval running (as a click on an enabled
    // control changes nothing); disabling stops it.
    void enableRxTimer();
    void disableRxTimer();
    void enablePoll();
    void disablePoll();

    // The text at RxBuffer offset `offset` up to its first zero byte, bytes taken as Latin-1.
    QString rxText(int offset = 0) const;

    // Closes and drops the port (no-op without one). Nothing reads or writes it afterwards.
    void closePort();
    // Takes a port that the search has opened and set up as ComPort: a connection of its own.
    void takePort(std::unique_ptr<SerialPort> port);

    // --- connections, and the device operations bound to them (BoundOperation) ---
    // Changes whenever a port is taken or let go, so each connection has a number of its own.
    uint32_t connectionSerial() const { return connectionSerial_; }
    // True while a device operation runs.
    bool operationBound() const { return boundDepth_ > 0; }
    // True when the running operation can go no further: the connection it started on is gone
    // (Disconnect, the watchdog, a port error), or the program is closing. Its frames are then
    // refused and its pauses end at once.
    bool operationLost() const;
    // The program is closing: running pauses end at once, and nothing more is written but the
    // rest of a frame already begun and a bound operation's end notice on its own connection. A
    // search probes no further port.
    void shutDown();
    bool shuttingDown() const { return shuttingDown_; }

    // --- the answer to the last command, exactly as it came ---
    // The answer (lead byte, two bytes, count data bytes) copied out the moment its count + 3
    // bytes were in; empty before. Bytes that come later, which the receive tick collects from
    // RxBuffer offset 0 again once the dispatch step has taken the answer, never change it.
    const QByteArray& takenAnswer() const { return takenAnswer_; }
    // Every byte read off the port since the last command: its answer's and any that followed.
    uint64_t bytesSinceCommand() const { return rxSinceCommand_; }
    // Takes in the bytes waiting on the port now, as the receive tick does (without its watchdog
    // step), so that a pause's end judges everything that arrived within it.
    void collectNow() { collectResponseBytes(); }

    // The 4-byte command header: (W * 128 + code >> 8) mod 256, code & 0xFF, count & 0xFF, 0x0D.
    static std::array<uint8_t, 4> apiHeader(uint8_t w, ApiCode code, uint16_t count);

signals:
    // A complete answer with the lead byte 0xA1 to the command `code` is being dispatched: its
    // data stands in RxBuffer from offset 3 (answerText) while the signal is handled.
    void answerDispatched(varnok::ApiCode code);
    // The watchdog or a fatal port error asks for the Disconnect operation.
    void disconnectRequested();
    // The connection state changed (Disconnected, Searching, Connected, Isp).
    void connectionStateChanged(varnok::ConnectionState state);

private:
    friend class BoundOperation;
    // Whether a frame may go out now (see operationLost and shutDown).
    bool mayWrite() const;
    // A pause inside a frame being written: more than ms milliseconds on `since`, whatever
    // interrupts the pauses, unless the connection it was begun on is gone.
    void paceFrame(const QElapsedTimer& since, uint32_t ms, uint32_t connection);
    void watchdogStep();
    // The receive tick after its watchdog step: reads the bytes waiting into RxBuffer, marks the
    // response complete and wakes the dispatcher. WaitApiResponse takes bytes in the same way.
    void collectResponseBytes();
    bool checkPortFault();
    bool answerComplete() const;
    // The answer is complete, or bytes came that begin no answer.
    bool answerSettled() const;

    LinkView& view_;
    ConnectionState state_ = ConnectionState::Disconnected;
    std::unique_ptr<TThread_Uart_Api> dispatcher_;
    const SerialPort* faultReported_ = nullptr;  // the port whose fault was logged last
    EventLoopWait pauses_;
    uint32_t connectionSerial_ = 0;
    uint32_t boundSerial_ = 0;   // the connection the running operation started on
    int boundDepth_ = 0;         // operations nest: an upload inside the creator's Upload
    int announcedDepth_ = 0;     // of them, those that announce themselves to the device
    bool closingFrame_ = false;  // the frame being sent ends a bound operation
    ApiCode pollCode_ = 0;
    uint16_t pollCount_ = 0;
    bool shuttingDown_ = false;
    QByteArray takenAnswer_;
    uint64_t rxSinceCommand_ = 0;
    // The last command was a read whose answer nothing has waited for yet (the status poll, the
    // mode query at connect): across a network the next command waits for it first, or that
    // answer would land in the next command's.
    bool unwaitedRead_ = false;
    SerialPort* opening_ = nullptr;
    bool readPending_ = false;  // the last command was a read (its answer may be on its way)
    QElapsedTimer readSent_;
};

// Binds the device operation that creates it to the connection it starts on, for its lifetime.
// Once that connection is gone no further frame of the operation reaches any port, even one that
// a new search has opened meanwhile, and its pauses end at once: the operation then sees lost()
// and ends with its failure. An operation started inside another one keeps the outer binding.
//
// An operation that announces itself to the device (with start and end frames of the device
// layer's, OperationGuard) says so here: only the outermost of nested announcing operations
// announces (first()), so an operation called inside another sends nothing extra.
class BoundOperation {
public:
    explicit BoundOperation(DeviceLink& link, bool announces = false);
    ~BoundOperation();
    BoundOperation(const BoundOperation&) = delete;
    BoundOperation& operator=(const BoundOperation&) = delete;
    bool lost() const { return link_.operationLost(); }
    // True when this operation announces and no operation around it does.
    bool first() const { return first_; }
    // The operation's closing frame, a write without data that the device does not answer: it
    // goes out also while the program is closing (an operation stopped short still tells the
    // device it has ended), but only on the operation's own connection; and while connected the
    // status poll runs on after it, since no answer will re-arm it.
    void sendClosing(uint8_t w, ApiCode code);

private:
    DeviceLink& link_;
    bool announces_;
    bool first_ = false;
};

}  // namespace varnok
