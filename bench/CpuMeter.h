#pragma once
// CPU time of the bench process, split into what the window spends (its main thread, the
// dispatcher thread and anything else Qt starts) and what the emulated devices spend on their own
// threads in the same process. Every figure is taken from the kernel's CPU-time clocks, which
// count nanoseconds actually run, not scheduler ticks.

#include <sys/types.h>
#include <QElapsedTimer>
#include <QList>

namespace varnok::bench {

// The ids of the process's threads at this moment.
QList<pid_t> processThreads();

class CpuMeter {
public:
    // Threads that are not the window's: those that appeared since `before` (taken just before
    // an emulated device was started).
    void excludeThreadsSince(const QList<pid_t>& before);
    // CPU nanoseconds of the window's threads so far.
    qint64 varnokCpuNs();
    // CPU nanoseconds of the whole process so far.
    static qint64 processCpuNs();

private:
    struct Excluded {
        pid_t tid;
        qint64 lastNs;  // kept once the thread has ended
    };
    QList<Excluded> excluded_;
};

// A measured stretch: wall time and the window's CPU time.
struct Span {
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
    double wallMs() const { return wallNs / 1e6; }
    double cpuPerWall() const { return wallNs > 0 ? double(cpuNs) / double(wallNs) : 0.0; }
};

class Stopwatch {
public:
    explicit Stopwatch(CpuMeter& meter) : meter_(meter) {}
    void start();
    Span stop();

private:
    CpuMeter& meter_;
    QElapsedTimer wall_;
    qint64 cpu0_ = 0;
};

// Peak resident memory of this process so far, in MB (getrusage ru_maxrss).
double peakResidentMb();

}  // namespace varnok::bench
