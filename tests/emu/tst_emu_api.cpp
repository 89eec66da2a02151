// The emulated device in API mode, driven through its pty with plain POSIX reads and writes.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "tests/emu/PtyClient.h"
#include "tools/emu/DefaultEdid.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

QByteArray answer(const QByteArray& data) {
    return hex("A10000") + data;
}

// A rule from its command-line text (the texts here are known to be valid).
FaultRule fault(const QString& text) {
    return parseFaultRule(text).value_or(FaultRule{});
}

QByteArray pattern(int size, int seed) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

std::unique_ptr<EmulatedDevice> startDevice(EmulatorConfig config = {}) {
    auto d = std::make_unique<EmulatedDevice>(config);
    QString error;
    if (!d->start(&error)) qWarning() << error;
    return d;
}

}  // namespace

class TstEmuApi : public QObject {
    Q_OBJECT
private slots:
    void readRequestsAnswerCountBytes_data();
    void readRequestsAnswerCountBytes();
    void noticesAndWritesGetNoAnswer();
    void selectionChoosesStore_data();
    void selectionChoosesStore();
    void writeThenReadBackUserStore();
    void defaultEdidsAreValid_data();
    void defaultEdidsAreValid();
    void frameLogInMemoryAndFile();
    void garbageBeforeHeaderIsSkipped();
    void shortDataPhaseIsDropped();
    void faults_data();
    void faults();
    void floodSendsMoreThan1024Bytes();
    void hangUpAfterFrames();
    void slowAnswerComesLater();
    void unreadAnswerDiesWithTheLine();
    void severalDevicesAtOnce();
    void pacingTakesWireTime();
    void faultRuleText_data();
    void faultRuleText();
};

void TstEmuApi::readRequestsAnswerCountBytes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("9 manufacturer") << 9 << 3 << answer("QEV");
    QTest::newRow("9 cut to count") << 9 << 2 << answer("QE");
    QTest::newRow("1 model") << 1 << 5 << answer("VK-01");
    QTest::newRow("1 padded") << 1 << 8 << answer(QByteArray("VK-01\0\0\0", 8));
    QTest::newRow("2 version") << 2 << 4 << answer("1.23");
    QTest::newRow("257 mode") << 257 << 1 << answer(hex("00"));
}

void TstEmuApi::readRequestsAnswerCountBytes() {
    QFETCH(int, code);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);
    auto dev = startDevice();
    PtyClient host(dev->slavePath());
    QVERIFY(host.isOpen());
    QVERIFY(host.send(PtyClient::header(false, uint16_t(code), uint8_t(count))));
    QCOMPARE(host.read(expected.size()).toHex(' '), expected.toHex(' '));
    QCOMPARE(host.readFor(60), QByteArray());  // nothing beyond count + 3 bytes
}

void TstEmuApi::noticesAndWritesGetNoAnswer() {
    auto dev = startDevice();
    PtyClient host(dev->slavePath());
    QByteArray out = PtyClient::header(true, 10, 0) + PtyClient::header(true, 11, 0);
    out += PtyClient::header(true, 257, 1) + hex("02");
    out += PtyClient::header(true, 262, 128) + pattern(128, 1);
    out += PtyClient::header(false, 300, 1);  // unknown code
    QVERIFY(host.send(out));
    QVERIFY(dev->waitForFrames(5, 2000));
    QCOMPARE(host.readFor(150), QByteArray());
    const auto f = dev->frames();
    QCOMPARE(f[0].code, uint16_t(10));
    QVERIFY(f[0].w);
    QCOMPARE(f[1].code, uint16_t(11));
    QCOMPARE(dev->edidMode(), uint8_t(2));
    QCOMPARE(dev->store(EmuStore::User).mid(128), pattern(128, 1));
}

void TstEmuApi::selectionChoosesStore_data() {
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("store");
    QTest::newRow("0xFF Internal") << 0xFF << int(EmuStore::Internal);
    QTest::newRow("0x00 User") << 0x00 << int(EmuStore::User);
    QTest::newRow("0x55 Stored") << 0x55 << int(EmuStore::Stored);
    QTest::newRow("unknown keeps Internal") << 0x12 << int(EmuStore::Internal);
}

void TstEmuApi::selectionChoosesStore() {
    QFETCH(int, selector);
    QFETCH(int, store);
    auto dev = startDevice();
    PtyClient host(dev->slavePath());
    QVERIFY(host.send(PtyClient::header(true, 264, 1) + char(selector)));
    QCOMPARE(host.read(3).toHex(' '), hex("A10000").toHex(' '));
    QCOMPARE(host.readFor(60), QByteArray());

    const QByteArray image = dev->store(EmuStore(store));
    QVERIFY(host.send(PtyClient::header(false, 261, 128)));
    QCOMPARE(host.read(131), answer(image.left(128)));
    QVERIFY(host.send(PtyClient::header(false, 262, 128)));
    QCOMPARE(host.read(131), answer(image.mid(128)));

    // The External store has reads of its own and needs no selection.
    const QByteArray external = dev->store(EmuStore::External);
    QVERIFY(host.send(PtyClient::header(false, 518, 128)));
    QCOMPARE(host.read(131), answer(external.left(128)));
    QVERIFY(host.send(PtyClient::header(false, 519, 128)));
    QCOMPARE(host.read(131), answer(external.mid(128)));
}

void TstEmuApi::writeThenReadBackUserStore() {
    auto dev = startDevice();
    PtyClient host(dev->slavePath());
    const QByteArray image = pattern(256, 3);
    // Block 0 with its data bytes one per write, as the host paces them.
    QVERIFY(host.send(PtyClient::header(true, 261, 128)));
    for (int i = 0; i < 128; ++i) QVERIFY(host.send(image.mid(i, 1)));
    QVERIFY(host.send(PtyClient::header(true, 262, 128) + image.mid(128)));
    QVERIFY(host.send(PtyClient::header(true, 257, 1) + char(3)));
    QVERIFY(dev->waitForFrames(3, 2000));
    QCOMPARE(dev->store(EmuStore::User), image);
    QCOMPARE(dev->edidMode(), uint8_t(3));

    QVERIFY(host.send(PtyClient::header(true, 264, 1) + char(0)));
    QCOMPARE(host.read(3), hex("A10000"));
    QVERIFY(host.send(PtyClient::header(false, 261, 128)));
    QCOMPARE(host.read(131), answer(image.left(128)));
    QVERIFY(host.send(PtyClient::header(false, 262, 128)));
    QCOMPARE(host.read(131), answer(image.mid(128)));

    // A mode the device does not have is ignored.
    QVERIFY(host.send(PtyClient::header(true, 257, 1) + char(1)));
    QVERIFY(host.send(PtyClient::header(false, 257, 1)));
    QCOMPARE(host.read(4), answer(hex("03")));
    // The other stores are untouched.
    QCOMPARE(dev->store(EmuStore::Internal), defaultEmulatorEdid(EmuStore::Internal));
}

void TstEmuApi::defaultEdidsAreValid_data() {
    QTest::addColumn<int>("store");
    for (int s = 0; s < kEmuStoreCount; ++s) QTest::newRow(qPrintable(QString::number(s))) << s;
}

void TstEmuApi::defaultEdidsAreValid() {
    QFETCH(int, store);
    const QByteArray e = defaultEmulatorEdid(EmuStore(store));
    QCOMPARE(e.size(), 256);
    QCOMPARE(e.left(8), hex("00FFFFFFFFFFFF00"));
    for (int block = 0; block < 2; ++block) {
        uint8_t sum = 0;
        for (int i = 0; i < 128; ++i) sum += uint8_t(e[block * 128 + i]);
        QCOMPARE(sum, uint8_t(0));
    }
    QCOMPARE(int(e[126]), 1);
    QCOMPARE(uint8_t(e[128]), uint8_t(0x02));  // CTA-861 extension
    // Walk the data blocks up to the DTD offset and find the HDMI vendor-specific block.
    const int end = 128 + uint8_t(e[130]);
    bool hdmi = false;
    int at = 132;
    while (at < end) {
        const int tag = uint8_t(e[at]) >> 5;
        const int len = uint8_t(e[at]) & 0x1F;
        if (tag == 3 && e.mid(at + 1, 3) == hex("030C00")) hdmi = true;
        at += 1 + len;
    }
    QCOMPARE(at, end);
    QVERIFY(hdmi);
    for (int other = 0; other < kEmuStoreCount; ++other)
        if (other != store) QVERIFY(defaultEmulatorEdid(EmuStore(other)) != e);
}

void TstEmuApi::frameLogInMemoryAndFile() {
    QTemporaryDir dir;
    EmulatorConfig c;
    c.logPath = dir.filePath("frames.log");
    auto dev = startDevice(c);
    {
        PtyClient host(dev->slavePath());
        QVERIFY(host.send(PtyClient::header(false, 9, 3)));
        QCOMPARE(host.read(6).size(), 6);
        QVERIFY(host.send(PtyClient::header(true, 264, 1) + hex("55")));
        QCOMPARE(host.read(3).size(), 3);
    }
    const auto f = dev->frames();
    QCOMPARE(int(f.size()), 2);
    QCOMPARE(f[0].kind, FrameRecord::Kind::Api);
    QCOMPARE(f[0].w, false);
    QCOMPARE(f[0].code, uint16_t(9));
    QCOMPARE(f[0].count, uint16_t(3));
    QCOMPARE(f[1].w, true);
    QCOMPARE(f[1].code, uint16_t(264));
    QCOMPARE(f[1].data, hex("55"));
    QVERIFY(f[1].ms >= f[0].ms);
    dev->stop();

    QFile log(c.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QCOMPARE(lines.size(), 3);  // two lines and the empty rest after the last line break
    QVERIFY(lines[0].endsWith(" W=0 code=9 count=3 data="));
    QVERIFY(lines[1].endsWith(" W=1 code=264 count=1 data=55"));
    dev->clearFrames();
    QCOMPARE(dev->frameCount(), 0);
}

void TstEmuApi::garbageBeforeHeaderIsSkipped() {
    auto dev = startDevice();
    PtyClient host(dev->slavePath());
    QVERIFY(host.send(hex("55AA") + PtyClient::header(false, 9, 3)));
    QCOMPARE(host.read(6), answer("QEV"));
    const auto f = dev->frames();
    QCOMPARE(int(f.size()), 2);
    QCOMPARE(f[0].kind, FrameRecord::Kind::Dropped);
    QCOMPARE(f[0].data, hex("55AA"));
    QCOMPARE(f[1].code, uint16_t(9));
}

void TstEmuApi::shortDataPhaseIsDropped() {
    EmulatorConfig c;
    c.dataTimeoutMs = 100;
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    const QByteArray cut = PtyClient::header(true, 261, 128) + pattern(10, 9);
    QVERIFY(host.send(cut));
    QVERIFY(dev->waitForFrames(1, 2000));
    QCOMPARE(dev->frames()[0].kind, FrameRecord::Kind::Dropped);
    QCOMPARE(dev->frames()[0].data, cut);
    QCOMPARE(dev->store(EmuStore::User), defaultEmulatorEdid(EmuStore::User));
    // The next frame is read from its own header again.
    QVERIFY(host.send(PtyClient::header(false, 9, 3)));
    QCOMPARE(host.read(6), answer("QEV"));
}

void TstEmuApi::faults_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<QList<QByteArray>>("replies");
    const QByteArray probe = PtyClient::header(false, 9, 3);
    const QByteArray mode = PtyClient::header(false, 257, 1);
    const QByteArray ok = answer("QEV");
    QTest::newRow("silent") << "silent" << QList{probe} << QList{QByteArray()};
    QTest::newRow("wrong lead") << "wrong-lead:0" << QList{probe} << QList{hex("000000") + "QEV"};
    QTest::newRow("partial") << "partial:2" << QList{probe} << QList{hex("A100")};
    QTest::newRow("stop after 2") << "stop-after:2" << QList{probe, probe, probe, mode}
                                  << QList{ok, ok, QByteArray(), QByteArray()};
    QTest::newRow("only code 257") << "silent@257" << QList{mode, probe} << QList{QByteArray(), ok};
    QTest::newRow("second frame only")
        << "wrong-lead:0x55,after=1,times=1" << QList{probe, probe, probe}
        << QList{ok, hex("550000") + "QEV", ok};
    QTest::newRow("corrupt") << "corrupt:2@2" << QList{PtyClient::header(false, 2, 4)}
                             << QList{answer(QByteArray("1.") + char(~'2') + char(~'3'))};
}

void TstEmuApi::faults() {
    QFETCH(QString, rule);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(QList<QByteArray>, replies);
    const auto parsed = varnok::parseFaultRule(rule);
    QVERIFY(parsed);
    EmulatorConfig c;
    c.faults = {*parsed};
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    for (int i = 0; i < requests.size(); ++i) {
        QVERIFY(host.send(requests[i]));
        const QByteArray got =
            replies[i].isEmpty() ? host.readFor(120) : host.read(replies[i].size());
        QCOMPARE(got.toHex(' '), replies[i].toHex(' '));
        QCOMPARE(host.readFor(30), QByteArray());
    }
    QCOMPARE(dev->frameCount(), requests.size());  // every frame is logged, answered or not
}

void TstEmuApi::floodSendsMoreThan1024Bytes() {
    EmulatorConfig c;
    c.faults = {fault("flood")};
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QVERIFY(host.send(PtyClient::header(false, 257, 1)));
    const QByteArray got = host.read(4000, 1000);
    QCOMPARE(got.size(), 1500);
    QVERIFY(got.startsWith(answer(hex("00"))));
}

void TstEmuApi::hangUpAfterFrames() {
    EmulatorConfig c;
    c.faults = {fault("hangup-after:1")};
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QVERIFY(host.send(PtyClient::header(false, 9, 3)));
    QCOMPARE(host.read(6), answer("QEV"));
    QVERIFY(!dev->isHungUp());
    QVERIFY(host.send(PtyClient::header(false, 257, 1)));
    QVERIFY(host.waitHangUp(2000));
    QVERIFY(dev->isHungUp());

    // The same on request, as a cable pulled by a test.
    auto second = startDevice();
    PtyClient other(second->slavePath());
    QTRY_VERIFY(second->hostConnected());
    second->hangUp();
    QVERIFY(other.waitHangUp(2000));
    QVERIFY(second->isHungUp());
}

void TstEmuApi::slowAnswerComesLater() {
    EmulatorConfig c;
    c.faults = {fault("slow:600")};
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QVERIFY(host.send(PtyClient::header(false, 9, 3)));
    QCOMPARE(host.readFor(150), QByteArray());  // a delay can only be longer, never shorter
    QCOMPARE(host.read(6, 3000), answer("QEV"));
}

void TstEmuApi::unreadAnswerDiesWithTheLine() {
    auto dev = startDevice();
    // An answer that reached the line but was never read, then one still waiting in the device.
    const std::vector<std::vector<FaultRule>> cases = {{}, {fault("slow:200")}};
    for (const auto& rules : cases) {
        dev->setFaults(rules);
        dev->clearFrames();
        {
            PtyClient host(dev->slavePath());
            QTRY_VERIFY(dev->hostConnected());
            QVERIFY(host.send(PtyClient::header(false, 9, 3)));
            QVERIFY(dev->waitForFrames(1, 2000));
            QTest::qWait(50);
        }
        QTRY_VERIFY(!dev->hostConnected());
        QTest::qWait(250);  // past the slow answer's time
        PtyClient again(dev->slavePath());
        QCOMPARE(again.readFor(150), QByteArray());
        dev->setFaults({});
        QVERIFY(again.send(PtyClient::header(false, 9, 3)));
        QCOMPARE(again.read(6), answer("QEV"));
    }
}

void TstEmuApi::severalDevicesAtOnce() {
    EmulatorConfig silent;
    silent.faults = {fault("silent")};
    EmulatorConfig other;
    other.manufacturerId = "ABC";
    auto a = startDevice(silent);
    auto b = startDevice(other);
    auto d = startDevice();
    QVERIFY(a->slavePath() != b->slavePath() && b->slavePath() != d->slavePath());
    PtyClient ha(a->slavePath()), hb(b->slavePath()), hd(d->slavePath());
    for (PtyClient* h : {&ha, &hb, &hd}) QVERIFY(h->send(PtyClient::header(false, 9, 3)));
    QCOMPARE(hd.read(6), answer("QEV"));
    QCOMPARE(hb.read(6), answer("ABC"));
    QCOMPARE(ha.readFor(100), QByteArray());
    QCOMPARE(a->frameCount(), 1);
}

void TstEmuApi::pacingTakesWireTime() {
    EmulatorConfig c;
    c.wirePacing = true;
    auto dev = startDevice(c);
    PtyClient host(dev->slavePath());
    QElapsedTimer t;
    t.start();
    QVERIFY(host.send(PtyClient::header(false, 261, 128)));
    QCOMPARE(host.read(131).size(), 131);
    // 135 bytes of 10 bits at 57600 baud take 23.4 ms at the least.
    QVERIFY2(t.elapsed() >= 20, qPrintable(QString::number(t.elapsed())));
}

void TstEmuApi::faultRuleText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("times");
    QTest::newRow("silent") << "silent" << true << int(FaultKind::Silent) << -1 << 0 << 0 << -1;
    QTest::newRow("slow per code")
        << "slow:200@261" << true << int(FaultKind::Slow) << 261 << 200 << 0 << -1;
    QTest::newRow("stop after") << "stop-after:5" << true << int(FaultKind::Silent) << -1 << 0 << 5
                                << -1;
    QTest::newRow("hang up after")
        << "hangup-after:3" << true << int(FaultKind::HangUp) << -1 << 0 << 3 << -1;
    QTest::newRow("isp corrupt once")
        << "corrupt:90@0x85,times=1" << true << int(FaultKind::Corrupt) << 0x85 << 90 << 0 << 1;
    QTest::newRow("flood default")
        << "flood" << true << int(FaultKind::Flood) << -1 << 1500 << 0 << -1;
    QTest::newRow("wrong lead hex")
        << "wrong-lead:0x00" << true << int(FaultKind::WrongLead) << -1 << 0 << 0 << -1;
    QTest::newRow("unknown kind") << "bogus" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("missing value") << "slow" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad value") << "partial:x" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad option") << "silent,foo=1" << false << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad code") << "silent@x" << false << 0 << 0 << 0 << 0 << 0;
}

void TstEmuApi::faultRuleText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QString error;
    const auto r = varnok::parseFaultRule(text, &error);
    QCOMPARE(bool(r), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(int, after);
    QFETCH(int, times);
    QCOMPARE(int(r->kind), kind);
    QCOMPARE(r->code, code);
    QCOMPARE(r->value, value);
    QCOMPARE(r->after, after);
    QCOMPARE(r->times, times);
}

QTEST_GUILESS_MAIN(TstEmuApi)
#include "tst_emu_api.moc"
