// The emulated device in ISP mode: banner, synchronisation and the loader's byte protocol.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "tests/emu/PtyClient.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

QByteArray page(int seed) {
    QByteArray b(512, '\0');
    for (int i = 0; i < b.size(); ++i) b[i] = char((i * 13 + seed * 31 + 1) & 0xFF);
    return b;
}

EmulatorConfig ispConfig() {
    EmulatorConfig c;
    c.mode = EmulatorConfig::Mode::Isp;
    c.ispBanner = "ISP029 BOOT\r\n";
    return c;
}

std::unique_ptr<EmulatedDevice> startDevice(const EmulatorConfig& config) {
    auto d = std::make_unique<EmulatedDevice>(config);
    QString error;
    if (!d->start(&error)) qWarning() << error;
    return d;
}

// Sends 0x81 until the echo is the last byte and the banner has stopped.
bool synchronise(PtyClient& host) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (!host.send(QByteArray(1, char(0x81)))) return false;
        const QByteArray got = host.readFor(150);
        if (got.endsWith(char(0x81)) && host.readFor(120).isEmpty()) return true;
    }
    return false;
}

QByteArray writePage(int bank, int address, const QByteArray& bytes) {
    QByteArray out;
    out.append(char(0x83)).append(char(bank));
    out.append(char(0x84)).append(char(address >> 8)).append(char(address & 0xFF));
    out.append(char(0x86)).append(bytes);
    return out;
}

}  // namespace

class TstEmuIsp : public QObject {
    Q_OBJECT
private slots:
    void bannerStreamsUntilSync();
    void identification();
    void pageWriteAndReadBack_data();
    void pageWriteAndReadBack();
    void pageIsCutAtTheBankEnd();
    void reopeningStartsOver();
    void readBackFaults();
    void romDumpAndInitialRom();
    void unknownVariantDoesNotStart();
};

void TstEmuIsp::bannerStreamsUntilSync() {
    auto dev = startDevice(ispConfig());
    PtyClient host(dev->slavePath());
    const QByteArray banner = host.readFor(300);
    QVERIFY2(banner.count("ISP029 BOOT\r\n") >= 2, banner.constData());
    QVERIFY(!banner.contains('\0'));
    // An API probe means nothing to the loader.
    QVERIFY(host.send(PtyClient::header(false, 9, 3)));
    QVERIFY(synchronise(host));
    const auto f = dev->frames();
    QVERIFY(f.size() >= 2);
    QCOMPARE(f[0].kind, FrameRecord::Kind::Dropped);
    QCOMPARE(f[0].data, PtyClient::header(false, 9, 3));
    QCOMPARE(f[1].kind, FrameRecord::Kind::Isp);
    QCOMPARE(f[1].code, uint16_t(0x81));
}

void TstEmuIsp::identification() {
    EmulatorConfig c = ispConfig();
    c.ispInfo = "LOADER 7";
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QVERIFY(synchronise(host));
    QVERIFY(host.send(QByteArray(1, char(0x87))));
    const QByteArray expected = QByteArray::fromHex("8700") + "LOADER 7" + QByteArray(1, '\0');
    QCOMPARE(host.read(expected.size()), expected);
}

void TstEmuIsp::pageWriteAndReadBack_data() {
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("address");
    QTest::newRow("bank 0 start") << 0 << 0x0000;
    QTest::newRow("bank 0 high") << 0 << 0x8000;
    QTest::newRow("bank 1") << 1 << 0x8200;
    QTest::newRow("bank 2 last page") << 2 << 0xF400;
}

void TstEmuIsp::pageWriteAndReadBack() {
    QFETCH(int, bank);
    QFETCH(int, address);
    auto dev = startDevice(ispConfig());
    PtyClient host(dev->slavePath());
    QVERIFY(synchronise(host));
    const QByteArray bytes = page(bank + address);
    const QByteArray cmd = writePage(bank, address, bytes);
    // The page goes as 0x86 alone and two writes of 256 bytes, like the host's loader.
    QVERIFY(host.send(cmd.left(6)));
    QVERIFY(host.send(cmd.mid(6, 256)));
    QVERIFY(host.send(cmd.mid(6 + 256)));
    QVERIFY(host.send(QByteArray(1, char(0x85))));
    QCOMPARE(host.read(514), QByteArray::fromHex("8500") + bytes);

    const QByteArray rom = dev->rom();
    QCOMPARE(rom.size(), 3 * 0x10000);
    const int at = bank * 0x10000 + address;
    QCOMPARE(rom.mid(at, 512), bytes);
    QCOMPARE(rom.count(char(0xFF)) + 512 - bytes.count(char(0xFF)), rom.size());

    const auto f = dev->frames();
    QCOMPARE(f[f.size() - 2].code, uint16_t(0x86));
    QCOMPARE(f[f.size() - 2].data, bytes);
    QCOMPARE(f[f.size() - 3].data, cmd.mid(3, 2));  // 0x84 address bytes
}

void TstEmuIsp::pageIsCutAtTheBankEnd() {
    auto dev = startDevice(ispConfig());
    PtyClient host(dev->slavePath());
    QVERIFY(synchronise(host));
    const QByteArray bytes = page(5);
    QVERIFY(host.send(writePage(0, 0xFF00, bytes) + char(0x85)));
    QCOMPARE(host.read(514),
             QByteArray::fromHex("8500") + bytes.left(256) + QByteArray(256, char(0xFF)));
    QCOMPARE(dev->rom().mid(0xFF00, 256), bytes.left(256));
    QCOMPARE(dev->rom().mid(0x10000, 512), QByteArray(512, char(0xFF)));  // bank 1 untouched
    // A bank the ROM does not have is ignored: the device stays on bank 0.
    QVERIFY(host.send(QByteArray::fromHex("8305") + char(0x85)));
    QCOMPARE(host.read(514).mid(2, 256), bytes.left(256));
}

void TstEmuIsp::reopeningStartsOver() {
    auto dev = startDevice(ispConfig());
    {
        PtyClient host(dev->slavePath());
        QVERIFY(synchronise(host));
    }
    QTRY_VERIFY(!dev->hostConnected());
    PtyClient again(dev->slavePath());
    QVERIFY(again.readFor(200).contains("ISP029 BOOT"));
}

void TstEmuIsp::readBackFaults() {
    EmulatorConfig c = ispConfig();
    c.faults = {parseFaultRule("corrupt:90@0x85,times=1").value(),
                parseFaultRule("silent@0x85,after=2").value()};
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QVERIFY(synchronise(host));
    const QByteArray bytes = page(9);
    QVERIFY(host.send(writePage(1, 0x8000, bytes) + char(0x85)));
    const QByteArray first = host.read(514);
    QCOMPARE(first.size(), 514);
    int differing = 0;
    for (int i = 0; i < 512; ++i)
        if (first[i + 2] != bytes[i]) {
            ++differing;
            QVERIFY(i >= 2 && i < 92);  // page bytes 2.. are the ones a verifier compares
        }
    QCOMPARE(differing, 90);
    QVERIFY(host.send(QByteArray(1, char(0x85))));
    QCOMPARE(host.read(514).mid(2), bytes);
    QVERIFY(host.send(QByteArray(1, char(0x85))));
    QCOMPARE(host.readFor(150), QByteArray());
}

void TstEmuIsp::romDumpAndInitialRom() {
    QTemporaryDir dir;
    EmulatorConfig c = ispConfig();
    c.rom = QByteArray("\x01\x02\x03", 3);
    c.romDumpPath = dir.filePath("rom.bin");
    auto dev = startDevice(c);
    {
        PtyClient host(dev->slavePath());
        QVERIFY(synchronise(host));
        QVERIFY(host.send(writePage(2, 0x8000, page(1)) + char(0x85)));
        QCOMPARE(host.read(514).size(), 514);
    }
    const QByteArray rom = dev->rom();
    dev->stop();
    QFile f(c.romDumpPath);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), rom);
    QCOMPARE(rom.left(4), QByteArray("\x01\x02\x03\xFF", 4));
    QCOMPARE(rom.mid(0x28000, 512), page(1));
}

void TstEmuIsp::unknownVariantDoesNotStart() {
    EmulatorConfig c = ispConfig();
    c.ispVariant = 7;
    EmulatedDevice dev(c);
    QString error;
    QVERIFY(!dev.start(&error));
    QVERIFY(error.contains("variant 7"));
    QVERIFY(dev.slavePath().isEmpty());
}

QTEST_GUILESS_MAIN(TstEmuIsp)
#include "tst_emu_isp.moc"
