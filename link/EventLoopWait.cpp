#include "EventLoopWait.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace varnok {

namespace {

constexpr qint64 kNsPerMs = 1'000'000;

// Wakes a nested event loop after a given number of nanoseconds. A QTimer counts whole
// milliseconds, which would turn the 0.9 ms left of a paced byte's pause into 1 ms; a timerfd
// counts nanoseconds and reaches the loop through a socket notifier.
class PauseWaker {
public:
    explicit PauseWaker(QEventLoop& loop) : loop_(loop) {
#ifdef __linux__
        fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, &loop_, [this] {
                uint64_t expirations = 0;
                if (::read(fd_, &expirations, sizeof expirations) < 0) return;  // not yet due
                fired_ = true;
                loop_.quit();
            });
            return;
        }
#endif
        // Without a timerfd (none left, or not Linux): a precise timer, rounded up to whole ms.
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] {
            fired_ = true;
            loop_.quit();
        });
    }
    ~PauseWaker() {
#ifdef __linux__
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    PauseWaker(const PauseWaker&) = delete;
    PauseWaker& operator=(const PauseWaker&) = delete;

    void arm(qint64 ns) {
        fired_ = false;
#ifdef __linux__
        if (fd_ >= 0) {
            itimerspec when{};
            when.it_value.tv_sec = time_t(ns / 1'000'000'000);
            when.it_value.tv_nsec = long(ns % 1'000'000'000);
            if (timerfd_settime(fd_, 0, &when, nullptr) == 0) return;
            // A timerfd that cannot be set: fall through to the timer for this round.
        }
#endif
        timer_.start(int(std::max<qint64>((ns + kNsPerMs - 1) / kNsPerMs, 1)));
    }
    void disarm() {
#ifdef __linux__
        if (fd_ >= 0) {
            const itimerspec never{};
            timerfd_settime(fd_, 0, &never, nullptr);
        }
#endif
        timer_.stop();
    }
    bool fired() const {
        return fired_;
    }

private:
    QEventLoop& loop_;
    QTimer timer_;
    bool fired_ = false;
#ifdef __linux__
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
};

}  // namespace

uint32_t WaitInEventLoop(const QElapsedTimer& since, uint32_t ms) {
    const qint64 limitNs = qint64(ms) * kNsPerMs;
    std::unique_ptr<QEventLoop> loop;
    std::unique_ptr<PauseWaker> waker;
    for (;;) {
        const qint64 elapsedNs = since.nsecsElapsed();
        // Whole milliseconds, rounded up: always more than ms.
        if (elapsedNs > limitNs) return uint32_t((elapsedNs + kNsPerMs - 1) / kNsPerMs);
        if (!loop) {
            loop = std::make_unique<QEventLoop>();
            waker = std::make_unique<PauseWaker>(*loop);
            continue;  // setting up took a little of the pause: measure again
        }
        // One nanosecond past the limit, so a wake-up on the dot is already "more than".
        waker->arm(limitNs - elapsedNs + 1);
        loop->exec();
        // The application is quitting (every event loop now returns at once): keep the pause
        // without events rather than spinning until it ends.
        if (!waker->fired()) {
            waker->disarm();
            const qint64 restNs = limitNs + 1 - since.nsecsElapsed();
            if (restNs > 0) QThread::usleep(static_cast<unsigned long>((restNs + 999) / 1000));
        }
    }
}

}  // namespace varnok
