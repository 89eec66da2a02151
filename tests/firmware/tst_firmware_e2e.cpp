// Firmware updates end to end: the emulated device on a real pseudo-terminal, found in its ISP
// mode by the device search and programmed through QSerialPort, for both loader kinds.

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "device/DeviceSearch.h"
#include "firmware/FirmwareOperations.h"
#include "link/PortListers.h"
#include "tests/firmware/IspFakes.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;
using namespace varnok::test;

namespace {

class QuietSearchView : public SearchView {
public:
    void setBusy(bool) override {}
    void enterConnected() override {}
    void enableDeviceControls() override {}
    void enterIsp() override { isp = true; }
    void enterDisconnected() override {}
    bool isp = false;
};

QByteArray taggedImage(int size, quint32 seed) {
    QByteArray image = randomImage(size, seed);
    image.replace(0x1010, 12, "FW Ver: 1234");
    return image;
}

// The ROM as the image should leave it: bank 0 0x0000-0x6FFF and 0x8000-0xFFFF, bank 1 from file
// 0x10000, bank 2 from file 0x18000 up to 0x1F5FF; everything else as it was.
QByteArray expectedRom(const QByteArray& image, const QByteArray& before) {
    QByteArray padded = image + QByteArray(0x20000 - image.size(), char(0xFF));
    QByteArray rom = before;
    rom.replace(0x0000, 0x7000, padded.mid(0x0000, 0x7000));
    rom.replace(0x8000, 0x8000, padded.mid(0x8000, 0x8000));
    rom.replace(0x18000, 0x8000, padded.mid(0x10000, 0x8000));
    rom.replace(0x28000, 0x7600, padded.mid(0x18000, 0x7600));
    return rom;
}

QList<FrameRecord> ispFrames(const EmulatedDevice& device) {
    QList<FrameRecord> out;
    for (const auto& f : device.frames())
        if (f.kind == FrameRecord::Kind::Isp) out << f;
    return out;
}

struct Rig {
    QTemporaryDir dir;
    EmulatedDevice device;
    FixedPortLister ports;
    NullLinkView linkView;
    DeviceLink link{linkView};
    QuietSearchView searchView;
    DeviceSearch search{link, ports, searchView};
    RecordingView view;
    EventLoopClock clock;
    FirmwareOperations ops{link, view, clock};
    FirmwareCheckResult check;

    explicit Rig(EmulatorConfig config) : device(std::move(config)) {}

    // Starts the device, finds it in ISP mode and opens `image` on the firmware page.
    bool prepare(const QByteArray& image) {
        QString error;
        if (!device.start(&error)) {
            qWarning() << error;
            return false;
        }
        ports.addPort(QStringLiteral("EMU1"), device.slavePath());
        search.Search();
        if (!searchView.isp || !(link.LinkFlags & IspMode)) return false;
        const QString path = dir.filePath(QStringLiteral("fw.bin"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size()) return false;
        f.close();
        check = ops.openFirmware(path, true);
        return !ops.checkedPath().isEmpty();
    }
};

EmulatorConfig ispDevice(int variant, std::vector<FaultRule> faults = {}) {
    EmulatorConfig c;
    c.mode = EmulatorConfig::Mode::Isp;
    c.ispVariant = variant;
    c.ispBanner = variant == 1 ? "ISP029 BOOT\r\n" : "ISP BOOT\r\n";
    c.version = "7.01";
    c.faults = std::move(faults);
    return c;
}

}  // namespace

class FirmwareE2eTest : public QObject {
    Q_OBJECT
private slots:
    void fullUpdateWithVerification();
    void shortFileErasesUpperBanks();
    void verifyToleranceOnTheWire();
    void silentReadBack();
    void isp029Update();
};

void FirmwareE2eTest::fullUpdateWithVerification() {
    Rig rig(ispDevice(0));
    const QByteArray image = taggedImage(0x1F600, 31);
    QVERIFY(rig.prepare(image));
    QCOMPARE(rig.link.IspVariant, uint8_t(0));
    QCOMPARE(rig.check.data, QStringLiteral("v1.234"));
    const QByteArray before = rig.device.rom();

    QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::Programmed);

    QCOMPARE(rig.device.rom(), expectedRom(image, before));
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
    QCOMPARE(rig.view.logCount(QStringLiteral("ROM: ")), 0);
    QCOMPARE(rig.view.logCount(QStringLiteral("Read Wait=")), 0);
    QVERIFY(
        rig.view.log.startsWith(QStringLiteral("ISP Mode Check...\r\nISP Mode Confirmed!\r\n")));
    QVERIFY(rig.view.log.contains(QStringLiteral("\r\nVK-01 ISP Loader\r\n")));

    const QList<FrameRecord> f = ispFrames(rig.device);
    QVERIFY(f.size() > 8);
    QCOMPARE(f[0].code, uint16_t(0x81));
    int i = 1;
    while (f[i].code == 0x81) ++i;  // further syncs while the echo was on its way
    QCOMPARE(f[i].code, uint16_t(0x87));
    QCOMPARE(f[i + 1].code, uint16_t(0x83));
    QCOMPARE(f[i + 1].data, QByteArray(1, '\0'));
    QCOMPARE(f[i + 2].code, uint16_t(0x84));
    QCOMPARE(f[i + 2].data, QByteArray(2, '\0'));
    QCOMPARE(f[i + 3].code, uint16_t(0x86));
    QCOMPARE(f[i + 3].data, image.left(512));
    QCOMPARE(f[i + 4].code, uint16_t(0x85));
    int bank = 0, pages = 0;
    for (const auto& r : f) {
        if (r.code == 0x83) bank = uint8_t(r.data[0]);
        if (r.code == 0x86) ++pages;
        if (r.code != 0x84) continue;
        const int address = (uint8_t(r.data[0]) << 8) | uint8_t(r.data[1]);
        QVERIFY(!(bank == 0 && address >= 0x7000 && address < 0x8000));
    }
    QCOMPARE(pages, 243);
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

void FirmwareE2eTest::shortFileErasesUpperBanks() {
    EmulatorConfig c = ispDevice(0);
    c.rom = QByteArray(3 * 0x10000, '\0');  // programmed before: every byte 0
    Rig rig(c);
    const QByteArray image = taggedImage(0x10000, 5);
    QVERIFY(rig.prepare(image));
    rig.ops.updateFirmware();
    const QByteArray rom = rig.device.rom();
    QCOMPARE(rom.mid(0x18000, 0x8000), QByteArray(0x8000, char(0xFF)));
    QCOMPARE(rom.mid(0x28000, 0x7600), QByteArray(0x7600, char(0xFF)));
    QCOMPARE(rom.mid(0x7000, 0x1000), QByteArray(0x1000, '\0'));  // the hole is never written
    QCOMPARE(rom, expectedRom(image, c.rom));
}

void FirmwareE2eTest::verifyToleranceOnTheWire() {
    // The first read-back comes with 89 bytes changed, the sixth with 90.
    Rig rig(ispDevice(0, {FaultRule{FaultKind::Corrupt, 0x85, 89, 0, 1},
                          FaultRule{FaultKind::Corrupt, 0x85, 90, 5, 1}}));
    const QByteArray image = taggedImage(0x1F600, 8);
    QVERIFY(rig.prepare(image));
    const QByteArray before = rig.device.rom();
    rig.ops.updateFirmware();
    QCOMPARE(rig.view.logCount(QStringLiteral("ROM: Bank0, Addr ")), 89 + 90);
    QCOMPARE(rig.view.logCount(QStringLiteral("Verify Error! Try Again.\r\n")), 1);
    const uint8_t sent = uint8_t(image[0x0A02]);  // page 5 (0x0A00), byte 2
    QVERIFY(rig.view.log.contains(
        QStringLiteral("ROM: Bank0, Addr 2562: %1 != %2\r\n").arg(sent).arg(uint8_t(~sent))));
    QCOMPARE(rig.device.rom(), expectedRom(image, before));
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
}

void FirmwareE2eTest::silentReadBack() {
    Rig rig(ispDevice(0, {FaultRule{FaultKind::Silent, 0x85, 0, 0, -1}}));
    QVERIFY(rig.prepare(taggedImage(0x1F600, 2)));
    QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::PageFailed);
    QCOMPARE(rig.view.logCount(QStringLiteral("Read Wait=")), 16);
    int pages = 0;
    for (const auto& r : ispFrames(rig.device)) pages += r.code == 0x86;
    QCOMPARE(pages, 16);
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

void FirmwareE2eTest::isp029Update() {
    // Block 10 is refused twice; one answer to block 18 (the 21st block frame) is lost.
    Rig rig(ispDevice(1, {FaultRule{FaultKind::WrongLead, 0xB1, 0x15, 10, 2},
                          FaultRule{FaultKind::Silent, 0xB1, 0, 20, 1}}));
    const QByteArray image = randomImage(0x1F600 + 77, 12);  // not a whole number of blocks
    QVERIFY(rig.prepare(image));
    QCOMPARE(rig.link.IspVariant, uint8_t(1));
    QCOMPARE(rig.check.outcome, FirmwareCheck::Untagged);  // no tag check
    rig.device.setRom(QByteArray(3 * 0x10000, '\0'));

    rig.ops.updateFirmware();

    const QByteArray rom = rig.device.rom();
    QCOMPARE(rom.left(image.size()), image);
    QCOMPARE(rom.mid(image.size()), QByteArray(rom.size() - image.size(), char(0xFF)));
    QCOMPARE(rig.view.logCount(QStringLiteral("Block 10 NAK, Resend.\r\n")), 2);
    QCOMPARE(rig.view.logCount(QStringLiteral("Block 18 No Answer, Resend.\r\n")), 1);
    QVERIFY(rig.view.log.endsWith(QStringLiteral("ISP029 Update Done.\r\n")));
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
    const QList<FrameRecord> f = ispFrames(rig.device);
    QCOMPARE(f.first().code, uint16_t(0xB0));
    QCOMPARE(f.first().data, QByteArray("\x03\xED\xFC\x12", 4));  // 1005 blocks
    QCOMPARE(f.last().code, uint16_t(0xB2));
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

QTEST_GUILESS_MAIN(FirmwareE2eTest)
#include "tst_firmware_e2e.moc"
