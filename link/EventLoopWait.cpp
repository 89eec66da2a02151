#include "EventLoopWait.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace varnok {

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}  // namespace

// Wakes its nested event loop after a given number of nanoseconds. A QTimer counts whole
// milliseconds, which would turn the 0.9 ms left of a paced byte's pause into 1 ms; a timerfd
// counts nanoseconds and reaches the loop through a socket notifier.
class EventLoopWait::Waker {
public:
    Waker() {
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
        // Without a timerfd (none left, or not Linux): a precise timer, rounded up to whole ms.
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] { wake(); });
    }
    ~Waker() {
#ifdef __linux__
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
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
        timer_.stop();
    }

    QEventLoop loop_;
    QTimer timer_;
    bool fired_ = false;
#ifdef __linux__
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
};

EventLoopWait::EventLoopWait() = default;
EventLoopWait::~EventLoopWait() = default;

uint32_t EventLoopWait::until(const QElapsedTimer& since, uint32_t ms) {
    const qint64 limitNs = qint64(ms) * kNsPerMs;
    qint64 elapsedNs = since.nsecsElapsed();
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
                // The application is quitting (every event loop now returns at once): keep the
                // pause without events rather than spinning until it ends.
                const qint64 restNs = limitNs + 1 - since.nsecsElapsed();
                if (restNs > 0) QThread::usleep(static_cast<unsigned long>((restNs + 999) / 1000));
            }
            elapsedNs = since.nsecsElapsed();
        }
    }
    // Whole milliseconds, rounded up: always more than ms.
    return uint32_t((elapsedNs + kNsPerMs - 1) / kNsPerMs);
}

}  // namespace varnok
