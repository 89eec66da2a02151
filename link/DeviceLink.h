#pragma once
// The one device link of the program: the link state shared by every device operation, the
// command frame, the pauses and the 100 ms receive tick. The device answers a command with a
// lead byte 0xA1, two bytes the host ignores, and the command's count of data bytes.
//
// Everything here runs on the main thread; pauses re-enter the event loop.

#include <QObject>
#include <array>
#include <cstdint>
#include <memory>

#include "LinkView.h"
#include "SerialPort.h"

class QTimer;

namespace varnok {

using ApiCode = uint16_t;

enum LinkFlagBits : uint8_t {
    ResponseReady = 0x01,
    IspMode = 0x08,
    DeviceAlive = 0x10,
};

constexpr int kRxBufferSize = 1024;
constexpr uint8_t kLinkModeApi = 8;  // the port carries the API frames

class DeviceLink : public QObject {
    Q_OBJECT
public:
    explicit DeviceLink(LinkView& view, QObject* parent = nullptr);
    ~DeviceLink() override;

    // --- link state (the protocol's vocabulary) ---
    std::unique_ptr<SerialPort> ComPort;  // null when no port is open
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
    void SendApiCommand(uint8_t w, ApiCode code, uint16_t count, const uint8_t* data = nullptr);
    // Returns once more than ms milliseconds have passed, processing events meanwhile.
    uint32_t WaitMs(uint32_t ms);
    // Up to n-1 pauses of 10 ms for the lead byte 0xA1; true when it timed out.
    bool WaitApiResponse(int polls);

    // The receive tick (Timer_UART_Rx) and the dispatch step, public for tests.
    void Timer_UART_RxTimer();
    void DispatchResponse();
    void Timer_Poll_StatusTimer();

signals:
    // Effects of a dispatched valid response, for the window.
    void modelNameReceived(const QString& name);     // code 1: Label_Model_Name, LED green
    void firmwareVersionReceived(const QString& text);  // code 2: full "Current Version : v%s"
    void edidModeReceived(uint8_t mode);             // code 257: mode buttons
    // The watchdog or a fatal port error asks for the Disconnect operation.
    void disconnectRequested();

private:
    LinkView& view_;
};

}  // namespace varnok
