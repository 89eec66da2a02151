#include "bench/CpuMeter.h"

#include <sys/resource.h>
#include <time.h>

#include <QDir>

namespace varnok::bench {
namespace {

qint64 ns(const timespec& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The CPU-time clock of one thread of this process, as pthread_getcpuclockid forms it on Linux
// (the thread id, complemented, shifted over the per-thread scheduler-clock bits).
bool threadCpuNs(pid_t tid, qint64* out) {
    const clockid_t id = clockid_t((~unsigned(tid)) << 3) | 6;
    timespec t{};
    if (clock_gettime(id, &t) != 0) return false;
    *out = ns(t);
    return true;
}

}  // namespace

QList<pid_t> processThreads() {
    QList<pid_t> ids;
    const QStringList names =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& n : names) ids << pid_t(n.toInt());
    return ids;
}

void CpuMeter::excludeThreadsSince(const QList<pid_t>& before) {
    for (pid_t tid : processThreads()) {
        if (before.contains(tid)) continue;
        qint64 now = 0;
        threadCpuNs(tid, &now);
        excluded_.append({tid, now});
    }
}

qint64 CpuMeter::processCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return ns(t);
}

qint64 CpuMeter::varnokCpuNs() {
    const qint64 total = processCpuNs();
    qint64 others = 0;
    for (Excluded& e : excluded_) {
        qint64 now = 0;
        if (threadCpuNs(e.tid, &now)) e.lastNs = now;
        others += e.lastNs;
    }
    return total - others;
}

void Stopwatch::start() {
    cpu0_ = meter_.varnokCpuNs();
    wall_.start();
}

Span Stopwatch::stop() {
    Span s;
    s.wallNs = wall_.nsecsElapsed();
    s.cpuNs = meter_.varnokCpuNs() - cpu0_;
    return s;
}

double peakResidentMb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss / 1024.0;  // kilobytes on Linux
}

}  // namespace varnok::bench
