#pragma once
// Time for the ISP update loops: the millisecond tick, the fixed pauses and the short wait of a
// pass that found nothing to do. The product waits in the event loop (the window stays live and
// no core is burnt); tests use a virtual clock so that 220 ms read-back limits and 10 s bounds
// pass at once.

#include <cstdint>

namespace varnok {

class IspClock {
public:
    virtual ~IspClock() = default;
    // The millisecond tick count (wraps at 2^32; compare differences in unsigned arithmetic).
    virtual uint32_t tickMs() = 0;
    // Returns once more than `ms` milliseconds have passed, processing events meanwhile.
    virtual void pause(uint32_t ms) = 0;
    // Processes pending events without waiting.
    virtual void processEvents() = 0;
    // A pass found no bytes and nothing to send: wait a moment (a few bytes' time on the line),
    // processing events meanwhile.
    virtual void idle() = 0;
};

// The product's clock: a monotonic tick and nested event loops woken by precise timers.
class EventLoopClock : public IspClock {
public:
    uint32_t tickMs() override;
    void pause(uint32_t ms) override;
    void processEvents() override;
    void idle() override;

private:
    void waitFor(int ms);
};

}  // namespace varnok
