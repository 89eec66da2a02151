#pragma once
// The benchmark's one table: per operation the measured wall time (median of its runs), the
// floor and its formula, the ratio (median and worst run), the window's CPU per wall second, and
// whether the goals hold; then start-up, peak memory and idle CPU.

#include <QList>
#include <QString>
#include <deque>

#include "bench/CpuMeter.h"
#include "bench/Floors.h"

namespace varnok::bench {

struct OperationRow {
    QString name;
    Floor floor{};
    double ratioGoal = 1.05;
    double cpuGoal = 0.05;  // of one core
    // When above 0, the goal is every run within floor + this many ms instead of the ratio.
    double marginGoalMs = 0.0;
    QList<Span> runs;
    QString note;  // "n/a ...", "FAILED ..." or empty
    bool failed = false;
};

struct FigureRow {
    QString name;
    QString value;  // e.g. "123.4 ms"
    QString goal;
    bool ok = true;
    QString how;  // how the figure was taken
};

class Report {
public:
    OperationRow& addOperation(const QString& name, Floor floor, double ratioGoal = 1.05);
    void addFigure(FigureRow row) { figures_.append(std::move(row)); }
    // Prints the table to stdout; true when every goal holds.
    bool print(const QString& heading) const;

private:
    std::deque<OperationRow> operations_;  // rows stay where they are while more are added
    QList<FigureRow> figures_;
};

}  // namespace varnok::bench
