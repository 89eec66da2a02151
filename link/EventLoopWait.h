#pragma once
// The pauses of the device's protocol: waits of "more than N ms" in a nested event loop, so the
// window, the timers and the dispatcher's hand-over run meanwhile and the thread sleeps otherwise.

#include <QElapsedTimer>
#include <cstdint>

namespace varnok {

// Returns once more than ms milliseconds have passed on `since` (at once when they already
// have), with the whole milliseconds passed, rounded up. The wake-up is exact to the
// microsecond where the platform allows (a timerfd on Linux), so a pause measured from an
// earlier moment, such as the write of a paced byte, ends when the device needs it to and the
// work done since that moment is not added to it. Waits may nest: each has its own wake-up.
uint32_t WaitInEventLoop(const QElapsedTimer& since, uint32_t ms);

}  // namespace varnok
