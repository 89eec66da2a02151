#pragma once
// A bound on one step of a test that runs inside the window's own handlers: a handler that never
// returns never gives the test back its checks, so a thread of its own ends the test instead.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace varnok {

// Aborts the test when the cell it guards does not end in time: a hung handler never returns to
// the test's own checks.
class HangGuard {
public:
    HangGuard(const QString& cell, int seconds) : cell_(cell.toLocal8Bit()) {
        thread_ = std::thread([this, seconds] {
            std::unique_lock lock(mutex_);
            if (!done_changed_.wait_for(lock, std::chrono::seconds(seconds),
                                        [this] { return done_; })) {
                std::fprintf(stderr, "FAIL: cell '%s' did not end within %d s\n", cell_.constData(),
                             seconds);
                std::fflush(stderr);
                std::abort();
            }
        });
    }
    ~HangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_changed_.notify_all();
        thread_.join();
    }

private:
    QByteArray cell_;
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace varnok
