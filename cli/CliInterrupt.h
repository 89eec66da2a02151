#pragma once
// Ctrl+C (SIGINT) and SIGTERM, or the console's Ctrl+C and close events on Windows, while
// varnok-cli holds a device connection. An interrupted operation stops as a closing window stops
// it: before its next frame, with only its end notice (code 11) still sent on its own connection,
// and nothing written to a file from a read that did not complete; a search probes no further
// port. The program then exits with 128 + the signal's number (130 for Ctrl+C).
//
// The firmware update is not stopped (DeferInterrupts): a device left between its erase and its
// last page would have to be programmed again. An interrupt there is noted and the update runs to
// its end; it gives up on its own when the device goes silent.
//
// Outside a connection the signals keep their default action, so a command reading standard
// input still ends at once.

#include <functional>

namespace varnok::cli {

class CliInterrupt {
public:
    // Installs the handlers until destroyed; `stop` ends the connection's running operation.
    explicit CliInterrupt(std::function<void()> stop);
    ~CliInterrupt();
    CliInterrupt(const CliInterrupt&) = delete;
    CliInterrupt& operator=(const CliInterrupt&) = delete;

    // The signal that stopped an operation in this process, or 0.
    static int caught();

private:
    class Source;  // the platform's way in (a self-pipe, or the console's handler thread)
    void deliver(int signal);

    std::function<void()> stop_;
    Source* source_ = nullptr;
};

// While one lives, an interrupt stops nothing (see above).
class DeferInterrupts {
public:
    DeferInterrupts();
    ~DeferInterrupts();
    DeferInterrupts(const DeferInterrupts&) = delete;
    DeferInterrupts& operator=(const DeferInterrupts&) = delete;
};

}  // namespace varnok::cli
