#include "link/EventLoopWait.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif
#ifdef _WIN32
#include <windows.h>
// timeapi.h after windows.h
#include <timeapi.h>

#include <QDeadlineTimer>
#include <QWinEventNotifier>

// Windows 10 1803 and later: a waitable timer that keeps its due time to a fraction of a
// millisecond instead of the system tick (15.6 ms unless a program raises the timer rate).
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif
#endif

namespace varnok {

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}  // namespace

// Wakes its nested event loop after a given number of nanoseconds. A QTimer counts whole
// milliseconds, which would turn the 0.9 ms left of a paced byte's pause into 1 ms; a timerfd
// counts nanoseconds and reaches the loop through a socket notifier. On Windows a waitable timer
// counts 100 ns units and reaches the loop through a QWinEventNotifier; it is a high-resolution
// timer where the system has them, else an ordinary one with the system's timer rate raised to
// 1 ms (timeBeginPeriod) for as long as the waker lives.
class EventLoopWait::Waker {
public:
    Waker() {
#ifdef _WIN32
        const DWORD access = TIMER_MODIFY_STATE | SYNCHRONIZE;
        timerHandle_ =
            CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, access);
        if (!timerHandle_) {
            timerHandle_ = CreateWaitableTimerExW(nullptr, nullptr, 0, access);
            periodRaised_ = timerHandle_ && timeBeginPeriod(1) == TIMERR_NOERROR;
        }
        if (timerHandle_) {
            winNotifier_ = std::make_unique<QWinEventNotifier>(timerHandle_);
            QObject::connect(winNotifier_.get(), &QWinEventNotifier::activated, &loop_, [this] {
                // A wake-up of an earlier pause that was left without it (the application
                // quitting) may still be on its way: only one at or past the deadline counts.
                if (deadline_.hasExpired()) wake();
            });
        }
#endif
#ifdef __linux__
        fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, &loop_, [this] {
                uint64_t expirations = 0;
                if (::read(fd_, &expirations, sizeof expirations) < 0) return;  // not yet due
                wake();
            });
        }
#endif
        // Without a timerfd or a waitable timer (none left): a precise timer, rounded up to whole
        // ms.
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] { wake(); });
    }
    ~Waker() {
#ifdef __linux__
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
#endif
#ifdef _WIN32
        winNotifier_.reset();
        if (timerHandle_) {
            CancelWaitableTimer(timerHandle_);
            CloseHandle(timerHandle_);
        }
        if (periodRaised_) timeEndPeriod(1);
#endif
    }
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    // Sleeps in the event loop until ns have passed; false when the loop returned without the
    // wake-up (the application is quitting).
    bool sleep(qint64 ns) {
        fired_ = false;
        arm(ns);
        loop_.exec();
        if (!fired_) disarm();
        return fired_;
    }

    // Ends the running sleep without its wake-up.
    void cancel() {
        loop_.quit();
    }

private:
    void wake() {
        fired_ = true;
        loop_.quit();
    }
    void arm(qint64 ns) {
#ifdef __linux__
        if (fd_ >= 0) {
            itimerspec when{};
            when.it_value.tv_sec = time_t(ns / 1'000'000'000);
            when.it_value.tv_nsec = long(ns % 1'000'000'000);
            if (timerfd_settime(fd_, 0, &when, nullptr) == 0) return;
            // A timerfd that cannot be set: the timer takes this round.
        }
#endif
#ifdef _WIN32
        if (timerHandle_) {
            deadline_.setPreciseRemainingTime(0, ns, Qt::PreciseTimer);
            LARGE_INTEGER due;
            due.QuadPart = -std::max<LONGLONG>((ns + 99) / 100, 1);  // relative, 100 ns units
            if (SetWaitableTimer(timerHandle_, &due, 0, nullptr, nullptr, FALSE)) return;
        }
#endif
        timer_.start(int(std::max<qint64>((ns + kNsPerMs - 1) / kNsPerMs, 1)));
    }
    void disarm() {
#ifdef __linux__
        if (fd_ >= 0) {
            const itimerspec never{};
            timerfd_settime(fd_, 0, &never, nullptr);
            uint64_t expirations = 0;
            (void)!::read(fd_, &expirations, sizeof expirations);  // one already due goes too
        }
#endif
#ifdef _WIN32
        if (timerHandle_) CancelWaitableTimer(timerHandle_);
#endif
        timer_.stop();
    }

    QEventLoop loop_;
    QTimer timer_;
    bool fired_ = false;
#ifdef __linux__
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
#ifdef _WIN32
    HANDLE timerHandle_ = nullptr;
    bool periodRaised_ = false;
    QDeadlineTimer deadline_;
    std::unique_ptr<QWinEventNotifier> winNotifier_;
#endif
};

EventLoopWait::EventLoopWait() = default;
EventLoopWait::~EventLoopWait() = default;

uint32_t EventLoopWait::until(const QElapsedTimer& since, uint32_t ms) {
    const qint64 limitNs = qint64(ms) * kNsPerMs;
    qint64 elapsedNs = since.nsecsElapsed();
    const uint64_t interruptsBefore = interrupts_;
    if (elapsedNs <= limitNs) {
        if (wakers_.size() <= depth_) wakers_.push_back(std::make_unique<Waker>());
        Waker& waker = *wakers_[depth_];
        struct Depth {
            size_t& depth;
            explicit Depth(size_t& d) : depth(d) { ++depth; }
            ~Depth() { --depth; }
        } nested(depth_);
        while (elapsedNs <= limitNs) {
            // One nanosecond past the limit, so a wake-up on the dot is already "more than".
            if (!waker.sleep(limitNs - elapsedNs + 1)) {
                if (interrupts_ != interruptsBefore) break;
                // The application is quitting (every event loop now returns at once): keep the
                // pause without events rather than spinning until it ends.
                const qint64 restNs = limitNs + 1 - since.nsecsElapsed();
                if (restNs > 0) QThread::usleep(static_cast<unsigned long>((restNs + 999) / 1000));
            }
            elapsedNs = since.nsecsElapsed();
        }
    }
    // Whole milliseconds, rounded up: always more than ms (unless interrupted).
    return uint32_t((elapsedNs + kNsPerMs - 1) / kNsPerMs);
}

void EventLoopWait::interrupt() {
    ++interrupts_;
    // The pauses running now are the wakers below the current depth, nested one in another.
    for (size_t i = 0; i < depth_ && i < wakers_.size(); ++i) wakers_[i]->cancel();
}

}  // namespace varnok
