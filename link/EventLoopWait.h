#pragma once
// The pauses of the device's protocol: waits of "more than N ms" in a nested event loop, so the
// window, the timers and the dispatcher's hand-over run meanwhile and the thread sleeps otherwise.

#include <QElapsedTimer>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace varnok {

class EventLoopWait {
public:
    EventLoopWait();
    ~EventLoopWait();
    EventLoopWait(const EventLoopWait&) = delete;
    EventLoopWait& operator=(const EventLoopWait&) = delete;

    // Returns once more than ms milliseconds have passed on `since` (at once when they already
    // have), with the whole milliseconds passed, rounded up. The wake-up is exact to the
    // microsecond where the platform allows (a timerfd on Linux, a high-resolution waitable timer
    // on Windows), so a pause measured from an earlier moment, such as the write of a paced byte,
    // ends when the device needs it to and the work done since that moment is not added to it.
    // Waits may nest (a pause inside another one's event loop): each depth has its own loop and
    // wake-up.
    uint32_t until(const QElapsedTimer& since, uint32_t ms);
    // Ends every pause running now at once (a pause that returns early this way has passed
    // fewer than its ms); pauses begun later are not affected.
    void interrupt();

private:
    class Waker;
    // Kept from one pause to the next: an upload makes 256 of them, and setting a wake-up up
    // and down for each would cost a good part of the CPU the upload uses.
    std::vector<std::unique_ptr<Waker>> wakers_;
    size_t depth_ = 0;
    uint64_t interrupts_ = 0;
};

}  // namespace varnok
