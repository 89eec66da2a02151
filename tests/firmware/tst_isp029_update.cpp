// The acknowledged block update of the "ISP029" loader, against a loader that answers at once and
// a virtual clock.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "firmware/Isp029Update.h"
#include "tests/firmware/IspFakes.h"

using namespace varnok;
using namespace varnok::test;

namespace {

struct Rig {
    NullLinkView linkView;
    DeviceLink link{linkView};
    RecordingView view;
    VirtualClock clock;
    Variant1Port* port = new Variant1Port;
    QTemporaryDir dir;
    QString path;
    QByteArray image;

    explicit Rig(const QByteArray& img) : image(img) {
        link.ComPort.reset(port);
        port->link = &link;
        port->incoming = "ISP029 BOOT\r\n";
        link.LinkFlags = IspMode;
        link.IspVariant = 1;
        link.Timer_UART_Rx->start();
        path = dir.filePath(QStringLiteral("fw.bin"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(image);
    }
    Isp029Update::Result run() {
        Isp029Update update(link, view, clock);
        return update.run(path);
    }
};

}  // namespace

class Isp029UpdateTest : public QObject {
    Q_OBJECT
private slots:
    void blockChecksum_data();
    void blockChecksum();
    void wholeImageInAcknowledgedBlocks();
    void resends_data();
    void resends();
    void failures_data();
    void failures();
    void unusableFiles_data();
    void unusableFiles();
};

void Isp029UpdateTest::blockChecksum_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("checksum");
    QTest::newRow("zeros") << QByteArray(128, '\0') << 0x00;
    QTest::newRow("one 1") << (QByteArray(1, 1) + QByteArray(127, '\0')) << 0xFF;
    QTest::newRow("erased") << QByteArray(128, char(0xFF)) << 0x80;
    QTest::newRow("sum 0x1234") << (QByteArray(0x12, char(0xFF)) + QByteArray(1, char(0x46)) +
                                    QByteArray(109, '\0'))
                                << 0xCC;
}

void Isp029UpdateTest::blockChecksum() {
    QFETCH(QByteArray, block);
    QFETCH(int, checksum);
    QCOMPARE(int(isp029::BlockChecksum(block)), checksum);
    uint8_t sum = 0;
    for (char c : block + char(checksum)) sum = uint8_t(sum + uint8_t(c));
    QCOMPARE(sum, uint8_t(0));
}

void Isp029UpdateTest::wholeImageInAcknowledgedBlocks() {
    // 1000 bytes: 7 whole blocks and one of 104 bytes, sent padded with 0xFF.
    Rig rig(randomImage(1000, 4));
    rig.port->textBeforeStartAck = "ISP029 BOOT\r\n";
    QCOMPARE(rig.run(), Isp029Update::Result::Done);

    const auto& w = rig.port->writes;
    QCOMPARE(w.size(), 1 + 8 + 1);
    QCOMPARE(w[0], QByteArray("\xB0\x00\x08\xFF\xF7", 5));
    for (int k = 0; k < 8; ++k) {
        const QByteArray& b = w[1 + k];
        QCOMPARE(b.size(), 134);
        QCOMPARE(b.left(5), QByteArray("\xB1\x00", 2) + char(k) + char(0xFF) + char(~k));
        QByteArray expected = rig.image.mid(k * 128, 128);
        expected += QByteArray(128 - expected.size(), char(0xFF));
        QCOMPARE(b.mid(5, 128), expected);
        uint8_t sum = 0;
        for (int i = 5; i < 134; ++i) sum = uint8_t(sum + uint8_t(b[i]));
        QCOMPARE(sum, uint8_t(0));
    }
    QCOMPARE(w.last(), QByteArray("\xB2\x4D", 2));
    QCOMPARE(rig.port->memory.left(1000), rig.image);
    QCOMPARE(rig.port->memory.mid(1000, 24), QByteArray(24, char(0xFF)));

    QCOMPARE(rig.view.log, QStringLiteral("ISP029 Update...\r\nStart OK, 8 Blocks.\r\n"
                                          "ISP029 Update Done.\r\n"));
    QStringList shown;
    for (const auto& p : rig.view.progress) shown << p;
    QCOMPARE(shown, (QStringList{"0%", "12%", "25%", "37%", "50%", "62%", "75%", "87%", "100%"}));
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
    QVERIFY(rig.port->discards >= 1);  // banner bytes before START are thrown away
}

void Isp029UpdateTest::resends_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("reply");  // what the loader answers the first two times
    QTest::addColumn<QString>("line");
    QTest::newRow("block NAK") << 0xB1 << 3 << 0x15 << QStringLiteral("Block 3 NAK, Resend.\r\n");
    QTest::newRow("block silent") << 0xB1 << 5 << int(Variant1Port::kSilent)
                                  << QStringLiteral("Block 5 No Answer, Resend.\r\n");
    QTest::newRow("block garbage")
        << 0xB1 << 0 << 0x41 << QStringLiteral("Block 0 No Answer, Resend.\r\n");
    QTest::newRow("start silent") << 0xB0 << 8 << int(Variant1Port::kSilent)
                                  << QStringLiteral("Start No Answer, Resend.\r\n");
    QTest::newRow("end silent") << 0xB2 << -1 << int(Variant1Port::kSilent)
                                << QStringLiteral("End No Answer, Resend.\r\n");
}

void Isp029UpdateTest::resends() {
    QFETCH(int, code);
    QFETCH(int, number);
    QFETCH(int, reply);
    QFETCH(QString, line);
    Rig rig(randomImage(1024, 8));
    rig.port->answer = [=](const Variant1Port::Command& c, int repeat) {
        return c.code == code && c.number == number && repeat < 2 ? reply : Variant1Port::kNormal;
    };
    QCOMPARE(rig.run(), Isp029Update::Result::Done);
    QCOMPARE(rig.view.logCount(line), 2);
    QCOMPARE(rig.port->count(uint8_t(code), number), 3);
    QCOMPARE(rig.port->memory.left(1024), rig.image);
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
}

void Isp029UpdateTest::failures_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("line");
    QTest::newRow("start never answered")
        << 0xB0 << int(Variant1Port::kSilent) << 8 << QStringLiteral("Start Failed.\r\n");
    QTest::newRow("block always refused")
        << 0xB1 << 0x15 << 8 << QStringLiteral("Block 0 NAK.\r\nBlock 0 Failed.\r\n");
    QTest::newRow("end refused") << 0xB2 << 0x15 << 1 << QStringLiteral("End Refused.\r\n");
}

void Isp029UpdateTest::failures() {
    QFETCH(int, code);
    QFETCH(int, reply);
    QFETCH(int, sends);
    QFETCH(QString, line);
    Rig rig(randomImage(1024, 8));
    rig.port->answer = [=](const Variant1Port::Command& c, int) {
        return c.code == code ? reply : Variant1Port::kNormal;
    };
    const uint32_t start = rig.clock.now;
    QCOMPARE(rig.run(), Isp029Update::Result::Refused);
    QVERIFY(rig.view.log.endsWith(line));
    int sent = 0;
    for (const auto& c : rig.port->commands) sent += c.code == code;
    QCOMPARE(sent, sends);
    QVERIFY(rig.clock.now - start < 8 * 1000 + 100);  // bounded
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

void Isp029UpdateTest::unusableFiles_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("line");
    QTest::newRow("missing") << false << QStringLiteral("Fw Open Fail.\r\n");
    QTest::newRow("empty") << true << QStringLiteral("Fw Size Error.\r\n");
}

void Isp029UpdateTest::unusableFiles() {
    QFETCH(bool, exists);
    QFETCH(QString, line);
    Rig rig(QByteArray{});
    if (!exists) rig.path += QStringLiteral(".missing");
    QVERIFY(rig.run() != Isp029Update::Result::Done);
    QCOMPARE(rig.view.log, QStringLiteral("ISP029 Update...\r\n") + line);
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

QTEST_GUILESS_MAIN(Isp029UpdateTest)
#include "tst_isp029_update.moc"
