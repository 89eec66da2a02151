#include "bench/CliBench.h"

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "bench/Scenario.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

namespace varnok::bench {
namespace {

constexpr int kParallel = 4;
constexpr double kCliCpuGoal = 0.10;  // of one core; loading Qt Core is most of it

// CPU nanoseconds of the children this process has waited for: the varnok-cli processes (the
// emulated devices are threads of this process).
qint64 childrenCpuNs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1'000'000'000 +
           (qint64(u.ru_utime.tv_usec) + u.ru_stime.tv_usec) * 1000;
}

struct Launch {
    std::unique_ptr<QProcess> process;
    QElapsedTimer clock;
    qint64 wallNs = -1;
};

// Starts varnok-cli; its wall time is taken when it has exited.
void start(Launch& l, const QStringList& args) {
    l.process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNOK_PORTS"), QString());  // never the machine's own ports
    l.process->setProcessEnvironment(env);
    l.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(l.process.get(), &QProcess::finished, l.process.get(),
                     [&l] { l.wallNs = l.clock.nsecsElapsed(); });
    l.clock.start();
    l.process->start(QStringLiteral(VARNOK_CLI_PATH), args);
}

// Runs the launches to their end; false when one failed.
bool finish(std::vector<Launch>& launches, QString* why) {
    bool ok = true;
    for (Launch& l : launches) {
        if (!l.process->waitForFinished(30000)) l.process->kill();
        waitInEventLoop(0);  // the finished signal has set wallNs
        if (l.process->exitStatus() != QProcess::NormalExit || l.process->exitCode() != 0) {
            ok = false;
            *why = QStringLiteral("varnok-cli %1 ended with %2")
                       .arg(l.process->arguments().join(u' '))
                       .arg(l.process->exitCode());
        }
    }
    return ok;
}

}  // namespace

qint64 ChildrenCpuNs() {
    return childrenCpuNs();
}

std::unique_ptr<EmulatedDevice> PacedDevice(QString* error) {
    EmulatorConfig config;
    config.wirePacing = true;
    auto device = std::make_unique<EmulatedDevice>(config);
    if (!device->start(error)) return nullptr;
    return device;
}

void runCli(Report& report, int repeat) {
    QTemporaryDir dir;
    OperationRow& download =
        report.addOperation(QStringLiteral("CLI download Internal"), kCliDownload);
    OperationRow& upload = report.addOperation(QStringLiteral("CLI upload"), kCliUpload);
    OperationRow& parallel =
        report.addOperation(QStringLiteral("CLI 4 downloads at once"), kCliDownload);
    for (OperationRow* row : {&download, &upload, &parallel}) {
        row->marginGoalMs = kCliMarginMs;
        row->cpuGoal = kCliCpuGoal;
    }

    std::vector<std::unique_ptr<EmulatedDevice>> devices;
    QString error;
    for (int i = 0; i < kParallel; ++i) {
        devices.push_back(PacedDevice(&error));
        if (!devices.back()) {
            download.failed = true;
            download.note = QStringLiteral("emulated device did not start: ") + error;
            return;
        }
    }
    EmulatedDevice& first = *devices.front();
    const QString uploadFile = dir.filePath(QStringLiteral("upload.bin"));
    {
        QFile f(uploadFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(first.store(EmuStore::External)) != 256) {
            upload.failed = true;
            upload.note = QStringLiteral("upload file could not be written");
        }
    }

    // One command at a time, as a script runs them one after another.
    auto timedRuns = [&](OperationRow& row, const QStringList& args, auto check) {
        for (int i = 0; i < repeat && !row.failed; ++i) {
            std::vector<Launch> one(1);
            const qint64 cpu0 = childrenCpuNs();
            start(one[0], args);
            QString why;
            if (!finish(one, &why) || !check(&why)) {
                row.failed = true;
                row.note = why;
                break;
            }
            row.runs << Span{one[0].wallNs, childrenCpuNs() - cpu0};
            waitInEventLoop(100);
        }
    };
    const QString target = dir.filePath(QStringLiteral("internal.bin"));
    timedRuns(download, {"--port", first.slavePath(), "download", "internal", target},
              [&](QString* why) {
                  *why = QStringLiteral("file differs from the device's Internal EDID");
                  return ReadAll(target) == first.store(EmuStore::Internal);
              });
    timedRuns(upload, {"--port", first.slavePath(), "upload", uploadFile}, [&](QString* why) {
        *why = QStringLiteral("the device's User EDID differs from the file");
        return first.store(EmuStore::User) == ReadAll(uploadFile);
    });

    for (int i = 0; i < repeat && !parallel.failed; ++i) {
        std::vector<Launch> launches(kParallel);
        const qint64 cpu0 = childrenCpuNs();
        for (int k = 0; k < kParallel; ++k)
            start(launches[k], {"--port", devices[k]->slavePath(), "download", "internal",
                                dir.filePath(QStringLiteral("p%1.bin").arg(k))});
        QString why;
        if (!finish(launches, &why)) {
            parallel.failed = true;
            parallel.note = why;
            break;
        }
        const qint64 cpuEach = (childrenCpuNs() - cpu0) / kParallel;
        for (int k = 0; k < kParallel; ++k) {
            if (ReadAll(dir.filePath(QStringLiteral("p%1.bin").arg(k))) !=
                devices[k]->store(EmuStore::Internal)) {
                parallel.failed = true;
                parallel.note = QStringLiteral("device %1: file differs").arg(k + 1);
            }
            parallel.runs << Span{launches[k].wallNs, cpuEach};
        }
        waitInEventLoop(100);
    }
}

}  // namespace varnok::bench
