// The device link's receive tick and dispatch step, played from a script: bytes arriving in any
// chunks (answers with the lead byte 0xA1 or anything else, floods of more than 1024 bytes),
// ticks, dispatches, commands with any count, any LinkMode, port faults and closes.

#include <QObject>
#include <algorithm>

#include "device/DeviceApi.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "link/DeviceLink.h"

namespace varnok::fuzz {
namespace {

class ScriptPort : public SerialPort {
public:
    QByteArray incoming;
    bool fatal = false;
    bool opened = true;

    bool open(const QString&) override { return opened = true; }
    bool setLineSettings() override { return true; }
    bool isOpen() const override { return opened; }
    void close() override { opened = false; }
    qint64 write(const QByteArray& bytes) override { return bytes.size(); }
    qint64 bytesWaiting() override { return incoming.size(); }
    QByteArray read(qint64 max) override {
        const QByteArray out = incoming.left(max);
        incoming.remove(0, out.size());
        return out;
    }
    void discardInput() override { incoming.clear(); }
    bool hasFatalError() const override { return fatal; }
    QString errorString() const override { return QStringLiteral("Input/output error"); }
};

class LogView : public LinkView {
public:
    qsizetype logged = 0;
    void logAppend(const QString& text) override { logged += text.size(); }
    void logAddLine(const QString& line) override { logged += line.size() + 2; }
    void logReplace(const QString& text) override { logged = text.size(); }
    void showUploadProgress(int) override {}
};

// Codes the device answers, and a few it does not know.
constexpr ApiCode kCodes[] = {api_code::ModelName,
                              api_code::FirmwareVersion,
                              api_code::ManufacturerId,
                              api_code::OperationStart,
                              api_code::OperationEnd,
                              api_code::EdidMode,
                              api_code::EdidBlock0,
                              api_code::EdidBlock1,
                              api_code::EdidSelect,
                              api_code::ExternalBlock0,
                              api_code::ExternalBlock1,
                              0,
                              0x7FFF,
                              0xFFFF};

class Script {
public:
    Script(DeviceLink& link, FuzzInput& in) : link_(link), in_(in) {}

    ScriptPort* port() { return static_cast<ScriptPort*>(link_.ComPort.get()); }

    void tick() {
        ScriptPort* p = port();
        const bool usable = p && p->isOpen() && !p->fatal;
        const bool flood = usable && p->incoming.size() > kRxBufferSize;
        const bool wasReady = link_.LinkFlags & ResponseReady;
        link_.Timer_UART_RxTimer();
        CheckBuffer();
        FuzzRequire(link_.WatchdogTicks < kWatchdogLimit, "watchdog count past its limit");
        // A tick takes in everything that waits: the bytes that fit, or a flood it discards.
        if (usable && port()) FuzzRequire(port()->incoming.isEmpty(), "tick left bytes queued");
        const bool ready = link_.LinkFlags & ResponseReady;
        if (!wasReady && ready) {
            FuzzRequire(link_.LinkMode == kLinkModeApi, "response completed outside API mode");
            FuzzRequire(uint64_t(link_.RxLength) >= uint64_t(link_.LastApiCount) + 3,
                        "response completed before its bytes were in");
        }
        // A flood is only looked at; the next tick judges the buffer again.
        if (usable && !flood && link_.LinkMode == kLinkModeApi &&
            uint64_t(link_.RxLength) >= uint64_t(link_.LastApiCount) + 3)
            FuzzRequire(ready, "complete response not marked ready");
    }

    void dispatch() {
        const bool wasReady = link_.LinkFlags & ResponseReady;
        const auto id = link_.ManufacturerId;
        const bool idAnswer = wasReady && link_.RxBuffer[0] == kResponseLead &&
                              link_.LastApiCode == api_code::ManufacturerId;
        link_.DispatchResponse();
        FuzzRequire(!(link_.LinkFlags & ResponseReady), "dispatch left the response ready");
        if (wasReady) FuzzRequire(link_.RxLength == 0 && link_.LastApiCode == 0, "dispatch reset");
        if (!idAnswer) FuzzRequire(link_.ManufacturerId == id, "manufacturer ID from no answer");
        CheckBuffer();
    }

    void command() {
        const uint8_t w = in_.byte() & 1;
        const uint8_t pick = in_.byte();
        const ApiCode code = pick < 200 ? kCodes[pick % std::size(kCodes)] : in_.word();
        const uint16_t count = in_.byte() < 128 ? in_.byte() : in_.word();
        // No data: a write command then sends its header only, so nothing pauses.
        link_.SendApiCommand(w, code, count);
        FuzzRequire(link_.RxLength == 0 && link_.LastApiCode == code && link_.LastApiCount == count,
                    "command did not reset the receive state");
        FuzzRequire(std::all_of(link_.RxBuffer.begin(), link_.RxBuffer.end(),
                                [](uint8_t b) { return b == 0; }),
                    "command left old bytes in RxBuffer");
    }

    void run() {
        while (!in_.empty()) {
            switch (in_.byte() % 12) {
                case 0:
                    if (port()) port()->incoming += in_.bytes(in_.byte());
                    break;
                case 1:
                    // An answer: lead byte, two ignored bytes and up to 255 data bytes.
                    if (port()) port()->incoming += char(kResponseLead) + in_.bytes(2 + in_.byte());
                    break;
                case 2:
                    tick();
                    break;
                case 3:
                    dispatch();
                    break;
                case 4:
                    command();
                    break;
                case 5: {
                    const uint8_t mode = in_.byte();
                    link_.LinkMode = mode < 128 ? kLinkModeApi : mode;
                    break;
                }
                case 6: {
                    // Two reads in one call would be taken in a compiler's own order.
                    const int extra = in_.word() % 4096;
                    const char fill = char(in_.byte());
                    if (port()) port()->incoming += QByteArray(kRxBufferSize + 1 + extra, fill);
                    break;
                }
                case 7:
                    link_.setConnectionState(ConnectionState(in_.byte() % 4));
                    break;
                case 8:
                    if (port()) port()->fatal = !port()->fatal;
                    break;
                case 9:
                    link_.LinkFlags ^= (in_.byte() & 1) ? IspMode : DeviceAlive;
                    break;
                case 10:
                    link_.Timer_Poll_StatusTimer();
                    break;
                default:
                    if (link_.ComPort)
                        link_.closePort();
                    else
                        link_.ComPort = std::make_unique<ScriptPort>();
                    break;
            }
        }
    }

private:
    void CheckBuffer() {
        FuzzRequire(link_.RxLength <= uint32_t(kRxBufferSize), "RxLength past the buffer");
        FuzzRequire(link_.RxBuffer[kRxBufferSize] == 0, "RxBuffer lost its terminating zero");
    }

    DeviceLink& link_;
    FuzzInput& in_;
};

}  // namespace

int FuzzRxTick(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    LogView view;
    DeviceLink link(view);
    link.ComPort = std::make_unique<ScriptPort>();
    link.setConnectionState(ConnectionState::Connected);
    bool disconnectAllowed = true;
    QObject::connect(&link, &DeviceLink::disconnectRequested, [&] {
        const ConnectionState s = link.connectionState();
        disconnectAllowed &= s == ConnectionState::Connected || s == ConnectionState::Isp;
    });
    Script(link, in).run();
    FuzzRequire(disconnectAllowed, "disconnect asked for while no device was held");
    link.disablePoll();
    return 0;
}

}  // namespace varnok::fuzz
