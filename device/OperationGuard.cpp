#include "device/OperationGuard.h"

#include <QTimer>

#include "device/DeviceApi.h"

namespace varnok {

OperationGuard::OperationGuard(DeviceLink& link, unsigned options)
    : link_(link), bound_(link, /*announces=*/true) {
    if (options & HoldReceiveTick) {
        tickHeld_ = true;
        tickWasRunning_ = link_.Timer_UART_Rx->isActive();
        link_.disableRxTimer();
    }
    if (bound_.first() &&
        ((options & AnnounceAlways) || link_.connectionState() == ConnectionState::Connected)) {
        // An operation begun while the program closes sends no start notice, and so no end
        // notice either.
        announced_ = link_.SendApiCommand(1, api_code::OperationStart, 0);
    }
    if (options & KeepDeviceAlive) link_.LinkFlags |= DeviceAlive;
}

OperationGuard::~OperationGuard() {
    if (tickHeld_ && tickWasRunning_) link_.enableRxTimer();
    if (announced_) bound_.sendClosing(1, api_code::OperationEnd);
}

}  // namespace varnok
