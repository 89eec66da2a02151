#include "bench/NetworkBench.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "bench/CliBench.h"
#include "bench/Scenario.h"
#include "tests/support/Ser2net.h"
#include "tests/support/TcpRelay.h"
#include "tests/support/TestFiles.h"

namespace varnok::bench {
namespace {

constexpr double kOverLocalGoalMs = 30.0;
constexpr int kRelayDelayMs = 20;

// One varnok-cli run with this process's event loop running (the relay forwards in it); false
// with *why when it failed.
bool TimedRun(const QStringList& args, const QString& configHome, Span* span, QString* why) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNOK_PORTS"), QString());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);  // no named ports of the user's
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 wallNs = -1;
    QObject::connect(&p, &QProcess::finished, &loop, [&] {
        wallNs = clock.nsecsElapsed();
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    const qint64 cpu0 = ChildrenCpuNs();
    clock.start();
    p.start(QStringLiteral(VARNOK_CLI_PATH), args);
    if (p.waitForStarted(5000)) loop.exec();
    if (wallNs < 0) {
        p.kill();
        p.waitForFinished(5000);
        *why = QStringLiteral("varnok-cli %1 did not end").arg(args.join(u' '));
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why = QStringLiteral("varnok-cli %1 ended with %2").arg(args.join(u' ')).arg(p.exitCode());
        return false;
    }
    *span = Span{wallNs, ChildrenCpuNs() - cpu0};
    return true;
}

double MedianMs(const QList<Span>& runs) {
    QList<double> ms;
    for (const Span& s : runs) ms << s.wallMs();
    std::sort(ms.begin(), ms.end());
    const qsizetype n = ms.size();
    return n == 0 ? 0.0 : n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2.0;
}

}  // namespace

void runNetwork(Report& report, int repeat) {
    // Each way of reaching a device has a device of its own; ser2net serves a line to one client
    // at a time.
    struct Way {
        const char* name;
        QString port;
        std::unique_ptr<EmulatedDevice> device;
        OperationRow* download = nullptr;
        OperationRow* upload = nullptr;
    };
    std::vector<Way> ways(4);
    ways[0].name = "local pty";
    ways[1].name = "ser2net raw";
    ways[2].name = "ser2net RFC 2217";
    ways[3].name = "20 ms relay, raw";
    for (Way& w : ways) {
        w.download =
            &report.addOperation(QStringLiteral("CLI download, %1").arg(w.name), kCliDownload);
        w.upload = &report.addOperation(QStringLiteral("CLI upload, %1").arg(w.name), kCliUpload);
        for (OperationRow* row : {w.download, w.upload}) {
            row->marginGoalMs = kCliMarginMs;
            row->cpuGoal = 0.10;
        }
    }
    // Over the relay the figures are for the record: the floor leaves out the network's delay.
    for (OperationRow* row : {ways[3].download, ways[3].upload}) {
        row->marginGoalMs = 0;
        row->ratioGoal = 100;
    }
    auto failAll = [&](const QString& why) {
        for (Way& w : ways) {
            w.download->note = why;
            w.upload->note = why;
        }
    };
    if (test::Ser2net::program().isEmpty()) return failAll(QStringLiteral("n/a: no ser2net"));

    QTemporaryDir dir;
    QString error;
    for (Way& w : ways) {
        w.device = PacedDevice(&error);
        if (!w.device) {
            failAll(QStringLiteral("emulated device did not start: ") + error);
            ways.front().download->failed = true;
            return;
        }
    }
    test::Ser2net server;
    if (!server.start({{ways[1].device->slavePath(), false},
                       {ways[2].device->slavePath(), true},
                       {ways[3].device->slavePath(), false}},
                      dir.path(), &error)) {
        failAll(QStringLiteral("ser2net did not start: ") + error);
        ways.front().download->failed = true;
        return;
    }
    test::TcpRelay relay(server.host(), server.port(2), kRelayDelayMs);
    if (!relay.listen()) {
        failAll(QStringLiteral("the relay did not listen"));
        ways.front().download->failed = true;
        return;
    }
    ways[0].port = ways[0].device->slavePath();
    ways[1].port = server.url(0);
    ways[2].port = server.url(1);
    ways[3].port = relay.url("tcp");

    const QString uploadFile = dir.filePath(QStringLiteral("upload.bin"));
    WriteAll(uploadFile, ways[0].device->store(EmuStore::External));
    const QString target = dir.filePath(QStringLiteral("internal.bin"));
    // The ways take turns, so that what else the machine does falls on all of them alike.
    for (int i = 0; i < repeat; ++i) {
        for (Way& w : ways) {
            for (OperationRow* row : {w.download, w.upload}) {
                if (row->failed) continue;
                const bool down = row == w.download;
                Span span;
                QString why;
                const bool ran =
                    TimedRun(down ? QStringList{"--port", w.port, "download", "internal", target}
                                  : QStringList{"--port", w.port, "upload", uploadFile},
                             dir.path(), &span, &why);
                const bool right =
                    ran && (down ? ReadAll(target) == w.device->store(EmuStore::Internal)
                                 : w.device->store(EmuStore::User) == ReadAll(uploadFile));
                if (!right) {
                    row->failed = true;
                    row->note = ran ? QStringLiteral("the bytes differ") : why;
                    continue;
                }
                row->runs << span;
                // The server takes the line's next client once the last has gone.
                waitInEventLoop(100);
            }
        }
    }

    for (const bool down : {true, false}) {
        const OperationRow& local = down ? *ways[0].download : *ways[0].upload;
        for (int k = 1; k <= 3; ++k) {
            const OperationRow& row = down ? *ways[k].download : *ways[k].upload;
            if (row.runs.isEmpty() || local.runs.isEmpty()) continue;
            const double over = MedianMs(row.runs) - MedianMs(local.runs);
            const bool goal = k < 3;
            report.addFigure({QStringLiteral("%1, %2, over local")
                                  .arg(down ? "Download" : "Upload", ways[k].name),
                              QStringLiteral("%1 ms").arg(over, 0, 'f', 1),
                              goal ? QStringLiteral("<=30 ms") : QStringLiteral("-"),
                              !goal || over <= kOverLocalGoalMs,
                              QStringLiteral("median wall, varnok-cli start to exit")});
        }
    }
}

}  // namespace varnok::bench
