#include "bench/Startup.h"

#include <sys/resource.h>
#include <time.h>

#include <QEvent>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "app/VarnokApplication.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"

namespace varnok::bench {
namespace {

// Notes the first paint event that reaches the window itself.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            const qint64 t = monotonicNs();
            rusage r{};
            getrusage(RUSAGE_SELF, &r);
            std::printf("first-paint-ns %lld\nmaxrss-kb %ld\n", static_cast<long long>(t),
                        r.ru_maxrss);
            std::fflush(stdout);
            // Quit once this paint has been carried out.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

}  // namespace

qint64 monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int runStartupChild(int argc, char** argv) {
    VarnokApplication app(argc, argv);
    // The window as the product creates it; the port list is never asked for, since nobody
    // presses Search.
    FormFixture fx(std::make_unique<FixedPortLister>());
    FirstPaint watcher;
    fx.form->installEventFilter(&watcher);
    fx.form->show();
    // A window that never paints ends the child rather than the benchmark.
    QTimer::singleShot(10'000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}

StartupResult measureStartup(const QString& program, int runs) {
    StartupResult result;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        const qint64 t0 = monotonicNs();
        child.start(program, {QString::fromLatin1(kStartupChildFlag)});
        if (!child.waitForFinished(30'000) || child.exitCode() != 0) {
            result.error =
                QStringLiteral("launch %1 failed: %2 %3")
                    .arg(i + 1)
                    .arg(child.errorString(), QString::fromLocal8Bit(child.readAllStandardError()));
            child.kill();
            child.waitForFinished(1000);
            continue;
        }
        const QStringList lines =
            QString::fromLatin1(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const QStringList kv = line.split(' ');
            if (kv.size() != 2) continue;
            if (kv[0] == QLatin1String("first-paint-ns"))
                result.ms << (kv[1].toLongLong() - t0) / 1e6;
            if (kv[0] == QLatin1String("maxrss-kb"))
                result.childPeakMb = std::max(result.childPeakMb, kv[1].toLongLong() / 1024.0);
        }
    }
    return result;
}

}  // namespace varnok::bench
