#pragma once
// Drives the real window (TForm1 with scripted dialogs and a fixed port list) against emulated
// devices on pseudo-terminals, wire paced at 57600 baud, and times every device operation.

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "bench/CpuMeter.h"
#include "bench/Report.h"

class QAbstractButton;

namespace varnok {
class EmulatedDevice;
struct EmulatorConfig;
struct FormFixture;
class FixedPortLister;
}  // namespace varnok

namespace varnok::bench {

struct Options {
    int repeat = 5;        // runs of each EDID operation
    int idleSeconds = 20;  // connected and idle
    bool firmware = true;  // the full firmware update (about 45 s)
};

class Scenario {
public:
    Scenario(Report& report, CpuMeter& meter, Options options);
    ~Scenario();

    // Search, downloads, uploads, analyzer reads and the idle stretch, on a device in API mode.
    void runApiDevice();
    // Search in ISP mode and the firmware update with read-back verification.
    void runIspDevice();

    // Connected and idle: the window's CPU per wall second (set by runApiDevice).
    Span idle() const { return idle_; }
    bool idleMeasured() const { return idleMeasured_; }
    bool idleStayedConnected() const { return idleConnected_; }

private:
    std::unique_ptr<EmulatedDevice> startDevice(const EmulatorConfig& config, QString* error);
    template <typename W>
    W* find(const char* name) const;
    bool click(const char* name);
    Span timed(const std::function<void()>& action);
    void settle();
    void searchAndConnect();
    void downloads();
    void fileUpload();
    void creatorUpload();
    void analyzer();
    void idleStretch();
    void disconnect();

    Report& report_;
    CpuMeter& meter_;
    Options options_;
    QTemporaryDir dir_;
    std::unique_ptr<FormFixture> fx_;
    FixedPortLister* ports_ = nullptr;
    std::unique_ptr<EmulatedDevice> device_;
    Span idle_;
    bool idleMeasured_ = false;
    bool idleConnected_ = false;
};

// Waits in the event loop (timers, port data and the dispatcher keep running) for ms.
void waitInEventLoop(int ms);

}  // namespace varnok::bench
