// Times a full firmware update against the emulated device paced like a 57600 baud line, for
// both loader kinds, and prints two figures per kind:
//   - wall time as a ratio of the floor: the wire time of every byte of the update (both
//     directions, 10 bit times each) plus every fixed pause the protocol asks for;
//   - CPU time of this (host) process per wall second. The emulated device runs as a separate
//     process (varnok-emu), so its work is not counted.
// Usage: bench_firmware_update [path-to-varnok-emu]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

#include "device/DeviceSearch.h"
#include "firmware/FirmwareOperations.h"
#include "firmware/FirmwareView.h"
#include "firmware/IspClock.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"

using namespace varnok;

namespace {

constexpr double kByteMs = 10.0 * 1000.0 / 57600.0;
constexpr int kPages = 243;
constexpr int kImageSize = 0x1F600;

class QuietLog : public LinkView {
public:
    void logAppend(const QString&) override {}
    void logAddLine(const QString&) override {}
    void logReplace(const QString&) override {}
    void showUploadProgress(int) override {}
};

class QuietSearch : public SearchView {
public:
    void setBusy(bool) override {}
    void enterConnected() override {}
    void enableDeviceControls() override {}
    void enterIsp() override {}
    void enterDisconnected() override {}
};

class BenchView : public FirmwareView {
public:
    int percent = -1;
    QString log;
    void showProgress(int p) override { percent = p; }
    bool verifyChecked() const override { return true; }
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void updateRunning(bool) override {}
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The floor of the tagged kind: every byte each way plus the pauses (500 ms at the start, 2 ms
// after the sync, 10 ms after the identification, 2 ms per bank, 2 + 10 ms per page).
double floorVariant0(int syncs, int infoLength) {
    const double out = syncs + 1 + 3 * 2 + kPages * (3 + 1 + 512 + 1);
    const double in = syncs + 2 + infoLength + 1 + kPages * (2 + 512);
    const double pauses = 500 + 2.0 * syncs + 10 + 3 * 2 + kPages * (2 + 10);
    return (out + in) * kByteMs + pauses;
}

// The floor of the "ISP029" kind: START and its ACK, each block and its ACK, END and its ACK.
double floorVariant1(int blocks) {
    return ((5 + 1) + blocks * (5 + 128 + 1 + 1) + (2 + 1)) * kByteMs;
}

bool run(const QString& emu, int variant, const QByteArray& image) {
    QTemporaryDir dir;
    const QString imagePath = dir.filePath(QStringLiteral("fw.bin"));
    const QString dumpPath = dir.filePath(QStringLiteral("rom.bin"));
    QFile f(imagePath);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size()) return false;
    f.close();

    QProcess device;
    device.start(
        emu, {QStringLiteral("--mode"), QStringLiteral("isp"), QStringLiteral("--isp-variant"),
              QString::number(variant), QStringLiteral("--isp-banner"),
              variant == 1 ? QStringLiteral("ISP029 BOOT\\r\\n") : QStringLiteral("ISP BOOT\\r\\n"),
              QStringLiteral("--pace"), QStringLiteral("--rom-dump"), dumpPath});
    if (!device.waitForStarted(5000) || !device.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(emu));
        return false;
    }
    const QString pty = QString::fromLocal8Bit(device.readLine()).trimmed();

    QuietLog quietLog;
    DeviceLink link(quietLog);
    FixedPortLister ports({{QStringLiteral("EMU1"), pty}});
    QuietSearch quietSearch;
    DeviceSearch search(link, ports, quietSearch);
    search.Search();
    if (!(link.LinkFlags & IspMode) || link.IspVariant != variant) {
        std::fprintf(stderr, "device not found in ISP mode on %s\n", qPrintable(pty));
        return false;
    }

    BenchView view;
    EventLoopClock clock;
    FirmwareOperations ops(link, view, clock);
    if (ops.openFirmware(imagePath, true).is(FirmwareCheck::OpenFailed) ||
        ops.checkedPath().isEmpty())
        return false;

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    ops.updateFirmware();
    const double wallS = double(wall.nsecsElapsed()) / 1e9;
    const double cpuS = cpuSeconds() - cpu0;

    search.Disconnect();
    device.terminate();
    device.waitForFinished(5000);

    QByteArray rom;
    QFile dump(dumpPath);
    if (dump.open(QIODevice::ReadOnly)) rom = dump.readAll();
    bool flashOk = false;
    double floorS = 0;
    if (variant == 0) {
        const QByteArray p = image + QByteArray(0x20000 - image.size(), char(0xFF));
        flashOk = rom.size() == 0x30000 && rom.mid(0, 0x7000) == p.mid(0, 0x7000) &&
                  rom.mid(0x8000, 0x8000) == p.mid(0x8000, 0x8000) &&
                  rom.mid(0x18000, 0x8000) == p.mid(0x10000, 0x8000) &&
                  rom.mid(0x28000, 0x7600) == p.mid(0x18000, 0x7600);
        // One sync and the emulator's default identification text.
        floorS = floorVariant0(1, int(QByteArray("VK-01 ISP Loader").size())) / 1000.0;
    } else {
        flashOk = rom.left(image.size()) == image;
        floorS = floorVariant1(int((image.size() + 127) / 128)) / 1000.0;
    }
    std::printf(
        "variant %d (%s): wall %.2f s, floor %.2f s, ratio %.3f (goal <= 1.10); "
        "CPU %.2f s = %.1f %% of wall (goal <= 10 %%); flash %s; Label1 %s\n",
        variant, variant == 1 ? "ISP029 blocks" : "pages with verification", wallS, floorS,
        wallS / floorS, cpuS, 100.0 * cpuS / wallS, flashOk ? "equal to the image" : "DIFFERS",
        qPrintable(QString::number(view.percent) + QLatin1Char('%')));
    if (!flashOk) std::printf("debug log:\n%s\n", qPrintable(view.log.right(3000)));
    std::fflush(stdout);
    return flashOk;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString emu =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VARNOK_EMU_PATH);
    QRandomGenerator gen(2024);
    QByteArray image(kImageSize, '\0');
    for (auto& c : image) c = char(gen.bounded(256));
    image.replace(0x1010, 12, "FW Ver: 1234");
    bool ok = run(emu, 0, image);
    ok = run(emu, 1, image) && ok;
    return ok ? 0 : 1;
}
