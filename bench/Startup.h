#pragma once
// Start-up to the first paint of the window, measured across a process launch: the bench starts
// itself again with kStartupChildFlag, and the child reports the monotonic time at which Form1
// received its first paint event. The parent takes the same clock just before it launches the
// child, so the figure covers loading the program and Qt, creating the window and painting it.

#include <QList>
#include <QString>

namespace varnok::bench {

inline constexpr char kStartupChildFlag[] = "--startup-child";

// The child: create the window as the product does, show it, print "first-paint-ns <t>" and
// "maxrss-kb <n>" at its first paint, and quit. Returns the exit code.
int runStartupChild(int argc, char** argv);

struct StartupResult {
    QList<double> ms;        // one per launch that painted
    double childPeakMb = 0;  // largest peak resident memory of a child
    QString error;           // set when a launch failed
};

// Launches `program` with the child flag `runs` times, one after the other.
StartupResult measureStartup(const QString& program, int runs);

// The monotonic clock that parent and child share (CLOCK_MONOTONIC), in nanoseconds.
qint64 monotonicNs();

}  // namespace varnok::bench
