#include "bench/EdidModelBench.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>

#include "bench/Report.h"
#include "edid/model/EdidModel.h"

namespace varnok::bench {

namespace {

constexpr double kGoalUs = 50.0;
constexpr int kPasses = 200;

QList<QByteArray> SampleEdids() {
    QList<QByteArray> edids;
    for (const char* dir : {VARNOK_BENCH_SAMPLES, VARNOK_BENCH_SAMPLES_LARGE}) {
        for (const QFileInfo& f : QDir(QString::fromUtf8(dir)).entryInfoList({"*.bin"})) {
            QFile file(f.filePath());
            if (file.open(QIODevice::ReadOnly)) edids.append(file.readAll());
        }
    }
    return edids;
}

// Mean microseconds of one parse + serialise over the EDIDs, kPasses times each; false when an
// EDID does not come back as it was.
bool Measure(const QList<QByteArray>& edids, double& us) {
    bool same = true;
    QElapsedTimer clock;
    clock.start();
    for (int pass = 0; pass < kPasses; ++pass) {
        for (const QByteArray& bytes : edids) {
            same &= SerializeEdidModel(ParseEdidModel(bytes).model) == bytes;
        }
    }
    us = double(clock.nsecsElapsed()) / 1e3 / (double(kPasses) * double(edids.size()));
    return same;
}

}  // namespace

void runEdidModel(Report& report) {
    const QList<QByteArray> all = SampleEdids();
    QList<QByteArray> large;
    std::copy_if(all.begin(), all.end(), std::back_inserter(large),
                 [](const QByteArray& b) { return b.size() == 512; });
    double us = 0.0;
    double largeUs = 0.0;
    const bool same = !all.isEmpty() && Measure(all, us) && Measure(large, largeUs);
    report.addFigure({QStringLiteral("EDID model: parse + serialise one EDID"),
                      same ? QStringLiteral("%1 us").arg(us, 0, 'f', 2) : QStringLiteral("-"),
                      QStringLiteral("<=50 us"), same && us <= kGoalUs && largeUs <= kGoalUs,
                      same ? QStringLiteral("mean over %1 real EDIDs x %2; 512-byte ones %3 us")
                                 .arg(all.size())
                                 .arg(kPasses)
                                 .arg(largeUs, 0, 'f', 2)
                           : QStringLiteral("FAILED: no samples, or one did not come back")});
}

}  // namespace varnok::bench
