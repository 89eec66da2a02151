#pragma once
// The start and end notices of a device operation (codes 10 and 11, writes without data that the
// device does not answer), sent by this guard alone, on every path out of the operation: its
// end, a failure, a lost link, the window closing (the end notice still goes out then, on the
// operation's own connection only; see BoundOperation).
//
// The notices go to a connected device only (unless AnnounceAlways): an operation that works
// without one (the analyzer's "Bin File", the creator's loads and Save) sends nothing while
// disconnected or in ISP mode. A guard opened inside another guard sends nothing at all: the
// window opens the guard before its file dialog, so the device hears 10 before the dialog opens
// (and 10 and 11 when it is cancelled), and the operation it then calls, which always holds a
// guard, sends nothing extra; varnok-cli calls the operation directly and sends the same bytes.
//
// While it lives, the operation is bound to the connection it started on (BoundOperation).

#include "link/DeviceLink.h"

namespace varnok {

class OperationGuard {
public:
    enum Option : unsigned {
        NoOption = 0,
        // The link watchdog stays quiet from the start (DeviceAlive; the next status poll clears
        // it): the analyzer's "Bin File".
        KeepDeviceAlive = 1,
        // No byte is taken from the port meanwhile: the receive tick stops before the start
        // notice and runs again before the end notice, if it ran (a dialog opened during an ISP
        // transfer, which runs without the tick, cannot start it behind the transfer's back).
        HoldReceiveTick = 2,
        // The notices go out whatever the connection's state (the Controller page's Open, which
        // the window offers in every state and has always announced).
        AnnounceAlways = 4,
    };

    explicit OperationGuard(DeviceLink& link, unsigned options = NoOption);
    ~OperationGuard();
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;

    // The connection the operation started on is gone, or the program is closing.
    bool lost() const { return bound_.lost(); }

private:
    DeviceLink& link_;
    BoundOperation bound_;
    bool announced_ = false;
    bool tickHeld_ = false;
    bool tickWasRunning_ = false;
};

}  // namespace varnok
