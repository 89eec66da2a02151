// The emulated "ISP029" loader on its own: what it acknowledges, refuses and drops.

#include <QTest>

#include "tools/emu/IspVariant1.h"

using namespace varnok;

namespace {

QByteArray numbered(uint8_t code, int n, bool goodComplement = true) {
    QByteArray c;
    c += char(code);
    c += char(n >> 8);
    c += char(n & 0xFF);
    c += char(~(n >> 8) ^ (goodComplement ? 0 : 1));
    c += char(~n);
    return c;
}

QByteArray block(int k, const QByteArray& data, int checksumError = 0) {
    uint8_t sum = 0;
    for (char b : data) sum = uint8_t(sum + uint8_t(b));
    return numbered(0xB1, k) + data + char(uint8_t(0x100 - sum + checksumError));
}

QByteArray data(int seed) {
    QByteArray d(128, '\0');
    for (int i = 0; i < 128; ++i) d[i] = char(i * 7 + seed);
    return d;
}

struct Loader {
    EmulatorConfig config;
    IspRom rom{QByteArray(0x40, 'x')};
    IspVariant1 loader{config, rom};
    qint64 ms = 0;
    // The answers to the bytes, in order.
    QByteArray feed(const QByteArray& bytes) {
        std::vector<Exchange> out;
        loader.feed(bytes, ms, out);
        QByteArray replies;
        for (const auto& ex : out) replies += ex.reply;
        return replies;
    }
};

const QByteArray ack(1, 0x06);
const QByteArray nak(1, 0x15);

}  // namespace

class EmuIsp029Test : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void sessionWritesBlocks();
    void versionRequestAndProbe();
    void stalledCommandIsDropped();
};

void EmuIsp029Test::answers_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("replies");
    const QByteArray start2 = numbered(0xB0, 2);
    QTest::newRow("start") << start2 << ack;
    QTest::newRow("start, bad complement") << numbered(0xB0, 2, false) << nak;
    QTest::newRow("start, zero blocks") << numbered(0xB0, 0) << nak;
    QTest::newRow("start, more than the ROM") << numbered(0xB0, 3 * 512 + 1) << nak;
    QTest::newRow("start, whole ROM") << numbered(0xB0, 3 * 512) << ack;
    QTest::newRow("block before start") << block(0, data(1)) << nak;
    QTest::newRow("block") << start2 + block(1, data(1)) << ack + ack;
    QTest::newRow("block, checksum off by one") << start2 + block(1, data(1), 1) << ack + nak;
    QTest::newRow("block, out of range") << start2 + block(2, data(1)) << ack + nak;
    QTest::newRow("end, block missing")
        << start2 + block(0, data(1)) + "\xB2\x4D" << ack + ack + nak;
    QTest::newRow("end") << start2 + block(0, data(1)) + block(1, data(2)) + "\xB2\x4D"
                         << ack + ack + ack + ack;
    QTest::newRow("end, bad check byte")
        << start2 + block(0, data(1)) + block(1, data(2)) + "\xB2\x4C" << ack + ack + ack + nak;
    QTest::newRow("end before start") << QByteArray("\xB2\x4D") << nak;
    QTest::newRow("noise between commands")
        << "ab" + start2 + "\x01\x02" + block(0, data(3)) << ack + ack;
}

void EmuIsp029Test::answers() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, replies);
    Loader l;
    QCOMPARE(l.feed(bytes), replies);
}

void EmuIsp029Test::sessionWritesBlocks() {
    Loader l;
    QVERIFY(l.loader.streamsBanner());
    QCOMPARE(l.feed(numbered(0xB0, 3)), ack);
    QVERIFY(!l.loader.streamsBanner());
    QCOMPARE(l.rom.bytes().left(0x40), QByteArray(0x40, char(0xFF)));  // erased
    // Blocks in any order, one of them twice, arriving a few bytes at a time.
    const QByteArray stream =
        block(2, data(3)) + block(0, data(1)) + block(0, data(1)) + block(1, data(2)) + "\xB2\x4D";
    QByteArray replies;
    for (int i = 0; i < stream.size(); i += 7) replies += l.feed(stream.mid(i, 7));
    QCOMPARE(replies, ack + ack + ack + ack + ack);
    QCOMPARE(l.rom.bytes().left(384), data(1) + data(2) + data(3));
    QCOMPARE(l.rom.bytes().mid(384, 128), QByteArray(128, char(0xFF)));
    QCOMPARE(l.feed("\xB2\x4D"), nak);  // the session is over
}

void EmuIsp029Test::versionRequestAndProbe() {
    Loader l;
    l.config.version = "2.5";
    IspVariant1 loader(l.config, l.rom);
    std::vector<Exchange> out;
    // The search's probe (code 9) is dropped; the version request (code 2) is answered.
    loader.feed(QByteArray("\x00\x09\x03\x0D\x00\x02\x04\x0D", 8), 0, out);
    QByteArray replies;
    for (const auto& ex : out) replies += ex.reply;
    QCOMPARE(replies, QByteArray("\xA1\x00\x00"
                                 "2.5\x00",
                                 7));
    QCOMPARE(out.front().frame.kind, FrameRecord::Kind::Dropped);
    QCOMPARE(out.front().frame.data, QByteArray("\x00\x09\x03\x0D", 4));
}

void EmuIsp029Test::stalledCommandIsDropped() {
    Loader l;
    QCOMPARE(l.feed(numbered(0xB0, 1)), ack);
    QCOMPARE(l.feed(block(0, data(1)).left(60)), QByteArray());
    QCOMPARE(l.loader.deadline(), l.ms + IspVariant1::kGapMs);
    std::vector<Exchange> out;
    l.loader.expire(l.ms + IspVariant1::kGapMs, out);
    QCOMPARE(int(out.size()), 1);
    QCOMPARE(out[0].frame.kind, FrameRecord::Kind::Dropped);
    QCOMPARE(out[0].frame.data.size(), 60);
    // The resend lands on a clean boundary.
    l.ms += 100;
    QCOMPARE(l.feed(block(0, data(1))), ack);
}

QTEST_GUILESS_MAIN(EmuIsp029Test)
#include "tst_emu_isp029.moc"
