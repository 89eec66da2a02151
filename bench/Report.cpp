#include "bench/Report.h"

#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace varnok::bench {
namespace {

double median(QList<double> v) {
    if (v.isEmpty()) return 0.0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

QString pad(const QString& s, int width, bool right = false) {
    return right ? s.rightJustified(width) : s.leftJustified(width);
}

QString num(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

}  // namespace

OperationRow& Report::addOperation(const QString& name, Floor floor, double ratioGoal) {
    OperationRow row;
    row.name = name;
    row.floor = floor;
    row.ratioGoal = ratioGoal;
    operations_.push_back(row);
    return operations_.back();
}

bool Report::print(const QString& heading) const {
    QString out;
    QTextStream ts(&out);
    bool allOk = true;

    const int wName = 26;
    ts << heading << "\n\n";
    ts << pad("Operation", wName) << " | " << pad("runs", 4, true) << " | "
       << pad("wall ms", 8, true) << " | " << pad("floor ms", 8, true) << " | "
       << pad("ratio", 5, true) << " | " << pad("worst", 5, true) << " | "
       << pad("CPU/wall", 8, true) << " | " << pad("goal", 14) << " | " << pad("ok", 4)
       << " | floor formula (ms)\n";
    ts << QString(wName, '-') << "-+------+----------+----------+-------+-------+----------+"
       << "----------------+------+-------------------\n";
    for (const OperationRow& r : operations_) {
        const QString goal = r.marginGoalMs > 0 ? QStringLiteral("+%1ms, <=%2%")
                                                      .arg(num(r.marginGoalMs, 0))
                                                      .arg(num(r.cpuGoal * 100, 0))
                                                : QStringLiteral("<=%1, <=%2%")
                                                      .arg(num(r.ratioGoal, 2))
                                                      .arg(num(r.cpuGoal * 100, 0));
        if (!r.note.isEmpty() && r.runs.isEmpty()) {
            ts << pad(r.name, wName) << " | " << pad("-", 4, true) << " | " << pad("-", 8, true)
               << " | " << pad(num(r.floor.ms, 1), 8, true) << " | " << pad("-", 5, true) << " | "
               << pad("-", 5, true) << " | " << pad("-", 8, true) << " | " << pad(goal, 14) << " | "
               << pad(r.failed ? "FAIL" : "n/a", 4) << " | " << r.floor.formula << "  [" << r.note
               << "]\n";
            allOk = allOk && !r.failed;
            continue;
        }
        QList<double> walls;
        QList<double> ratios;
        qint64 cpu = 0;
        qint64 wall = 0;
        for (const Span& s : r.runs) {
            walls << s.wallMs();
            ratios << s.wallMs() / r.floor.ms;
            cpu += s.cpuNs;
            wall += s.wallNs;
        }
        const double ratio = median(ratios);
        const double worst = *std::max_element(ratios.begin(), ratios.end());
        const double cpuShare = wall > 0 ? double(cpu) / double(wall) : 0.0;
        const double worstMs = *std::max_element(walls.begin(), walls.end());
        const bool timeOk =
            r.marginGoalMs > 0 ? worstMs <= r.floor.ms + r.marginGoalMs : ratio <= r.ratioGoal;
        const bool ok = !r.failed && timeOk && cpuShare <= r.cpuGoal;
        allOk = allOk && ok;
        ts << pad(r.name, wName) << " | " << pad(QString::number(r.runs.size()), 4, true) << " | "
           << pad(num(median(walls), 1), 8, true) << " | " << pad(num(r.floor.ms, 1), 8, true)
           << " | " << pad(num(ratio, 3), 5, true) << " | " << pad(num(worst, 3), 5, true) << " | "
           << pad(num(cpuShare * 100, 2) + "%", 8, true) << " | " << pad(goal, 14) << " | "
           << pad(ok ? "ok" : "MISS", 4) << " | " << r.floor.formula;
        if (!r.note.isEmpty()) ts << "  [" << r.note << "]";
        ts << "\n";
    }
    ts << "\n";
    ts << pad("Figure", wName + 22) << " | " << pad("value", 12, true) << " | " << pad("goal", 10)
       << " | " << pad("ok", 4) << " | how\n";
    ts << QString(wName + 22, '-') << "-+--------------+------------+------+-----\n";
    for (const FigureRow& f : figures_) {
        allOk = allOk && f.ok;
        ts << pad(f.name, wName + 22) << " | " << pad(f.value, 12, true) << " | " << pad(f.goal, 10)
           << " | " << pad(f.ok ? "ok" : "MISS", 4) << " | " << f.how << "\n";
    }
    ts << "\n" << (allOk ? "All goals met." : "Some goals missed (MISS or FAIL above).") << "\n";
    ts.flush();
    std::fputs(out.toUtf8().constData(), stdout);
    std::fflush(stdout);
    return allOk;
}

}  // namespace varnok::bench
