#include "firmware/IspClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace varnok {
namespace {

// How long an update pass that found nothing waits.
constexpr int kIdleMs = 2;

int64_t monotonicNs() {
    static QElapsedTimer since;
    if (!since.isValid()) since.start();
    return since.nsecsElapsed();
}

}  // namespace

uint32_t EventLoopClock::tickMs() {
    return static_cast<uint32_t>(monotonicNs() / 1000000);
}

void EventLoopClock::waitFor(int ms) {
    // A nested loop sleeps in the event dispatcher until the timer or any event (port data,
    // repaint, user input) arrives, so the wait costs no CPU.
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

void EventLoopClock::pause(uint32_t ms) {
    const int64_t start = monotonicNs();
    const int64_t limit = int64_t(ms) * 1000000;
    for (int64_t done = 0; done <= limit; done = monotonicNs() - start) {
        const int64_t leftMs = (limit - done) / 1000000 + 1;
        waitFor(int(std::min<int64_t>(leftMs, 1000)));
    }
}

void EventLoopClock::processEvents() {
    QCoreApplication::processEvents();
}

void EventLoopClock::idle() {
    // Two milliseconds: at 57600 baud about 11 bytes arrive meanwhile, far from the 1024 the
    // receive buffer holds, and a page's read-back is seen complete at most 2 ms late. A 1 ms
    // wait woke the window a thousand times a second for the whole update.
    waitFor(kIdleMs);
}

}  // namespace varnok
