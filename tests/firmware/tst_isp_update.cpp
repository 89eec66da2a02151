// The ISP state machine of the loader without the "ISP029" banner, against a device that answers
// at once and a virtual clock.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "firmware/IspChannel.h"
#include "firmware/IspUpdate.h"
#include "tests/firmware/IspFakes.h"

using namespace varnok;
using namespace varnok::test;

namespace {

constexpr int kFullImage = 0x1F600;

struct Rig {
    NullLinkView linkView;
    DeviceLink link{linkView};
    RecordingView view;
    VirtualClock clock;
    Variant0Port* port = new Variant0Port;
    QTemporaryDir dir;
    QString path;
    QByteArray image;

    explicit Rig(const QByteArray& img, const QByteArray& banner = QByteArray(16, 'U'))
        : image(img) {
        link.ComPort.reset(port);
        port->link = &link;
        port->incoming = banner;
        link.LinkFlags = IspMode;
        link.Timer_UART_Rx->start();
        path = dir.filePath(QStringLiteral("fw.bin"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(image);
    }
    IspUpdate::Result run() {
        IspUpdate update(link, view, clock);
        return update.run(path);
    }
    // File bytes as the update reads them: 0xFF past the end.
    QByteArray fileBytes(int offset, int length) const {
        QByteArray out = image.mid(offset, length);
        return out + QByteArray(length - out.size(), char(0xFF));
    }
    QList<Variant0Port::Command> addresses() const { return port->commandsOf(0x84); }
};

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray out;
    for (int b : list) out += char(b);
    return out;
}

// Complements `count` payload bytes starting at page byte `first`, on the first read-back only.
std::function<void(int, int, QByteArray&)> corruptOnce(int first, int count) {
    auto done = std::make_shared<bool>(false);
    return [=](int, int, QByteArray& page) {
        if (*done) return;
        *done = true;
        for (int i = first; i < first + count; ++i) page[i] = char(~uint8_t(page[i]));
    };
}

}  // namespace

class IspUpdateTest : public QObject {
    Q_OBJECT
private slots:
    void startOfCommandStream();
    void fullImageMapsOntoBanks();
    void shortFileSendsErasedPages();
    void verifyTolerance_data();
    void verifyTolerance();
    void mismatchLineNamesBankAndAddress();
    void silentReadBackStopsAfterSixteenAttempts();
    void uncheckedVerification();
    void confirmation_data();
    void confirmation();
    void silentDeviceGivesUp_data();
    void silentDeviceGivesUp();
    void replyArrivingInPieces();
    void streamingBannerNeverOverrunsRxBuffer();
    void channelKeepsWithinRxBuffer_data();
    void channelKeepsWithinRxBuffer();
    void portLostEndsUpdate();
    void imageOpenFailure();
};

void IspUpdateTest::startOfCommandStream() {
    Rig rig(randomImage(kFullImage));
    QCOMPARE(rig.run(), IspUpdate::Result::Done);

    QVERIFY(rig.view.log.startsWith(
        QStringLiteral("ISP Mode Check...\r\nISP Mode Confirmed!\r\nFake Loader 0.9\r\n")));
    QCOMPARE(rig.view.logCount(QStringLiteral("Not Confirmed")), 0);

    const QList<QByteArray>& w = rig.port->writes;
    QVERIFY(w.size() > 12);
    QCOMPARE(w[0], bytes({0x81}));
    QCOMPARE(w[1], bytes({0x87}));
    QCOMPARE(w[2], bytes({0x83, 0x00}));
    QCOMPARE(w[3], bytes({0x84, 0x00, 0x00}));
    QCOMPARE(w[4], bytes({0x86}));  // the command byte in a write of its own
    QCOMPARE(w[5], rig.image.mid(0, 256));
    QCOMPARE(w[6], rig.image.mid(256, 256));
    QCOMPARE(w[7], bytes({0x85}));
    QCOMPARE(w[8], bytes({0x84, 0x02, 0x00}));
    QCOMPARE(w[9], bytes({0x86}));
    QCOMPARE(w[10], rig.image.mid(512, 256));

    // Sync is tried on the eleventh idle pass; then 500 ms at the start and each command's pause.
    const QList<uint32_t> firstPauses = rig.clock.pauses.mid(0, 7);
    QCOMPARE(firstPauses, (QList<uint32_t>{500, 2, 10, 2, 2, 10, 2}));
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
}

void IspUpdateTest::fullImageMapsOntoBanks() {
    Rig rig(randomImage(kFullImage, 11));
    QCOMPARE(rig.run(), IspUpdate::Result::Done);

    const QByteArray& rom = rig.port->rom;
    QCOMPARE(rom.mid(0, 0x7000), rig.image.mid(0, 0x7000));
    QCOMPARE(rom.mid(0x7000, 0x1000), QByteArray(0x1000, char(0xFF)));  // the hole stays erased
    QCOMPARE(rom.mid(0x8000, 0x8000), rig.image.mid(0x8000, 0x8000));
    QCOMPARE(rom.mid(0x18000, 0x8000), rig.image.mid(0x10000, 0x8000));
    QCOMPARE(rom.mid(0x28000, 0x7600), rig.image.mid(0x18000, 0x7600));
    QCOMPARE(rom.mid(0x2F600), QByteArray(0xA00, char(0xFF)));

    // 243 pages, none addressed in bank 0's hole, each with the address, page, read-back order.
    QCOMPARE(rig.port->commandsOf(0x86).size(), 243);
    QCOMPARE(rig.port->commandsOf(0x85).size(), 243);
    int bank = -1;
    QList<int> banks;
    for (const auto& c : rig.port->commands) {
        if (c.code == 0x83) banks << (bank = uint8_t(c.args[0]));
        if (c.code != 0x84) continue;
        const int address = (uint8_t(c.args[0]) << 8) | uint8_t(c.args[1]);
        QVERIFY2(!(bank == 0 && address >= 0x7000 && address < 0x8000),
                 qPrintable(QString::number(address, 16)));
        if (bank == 2) QVERIFY(address <= 0xF400);
    }
    QCOMPARE(banks, (QList<int>{0, 1, 2}));

    // Bank 0 ends at 0xFE00 and bank 1 begins at 0x8000 with file offset 0x10000.
    const auto& w = rig.port->writes;
    const int end0 = int(w.indexOf(bytes({0x84, 0xFE, 0x00})));
    QVERIFY(end0 > 0);
    QCOMPARE(w[end0 + 1], bytes({0x86}));
    QCOMPARE(w[end0 + 2] + w[end0 + 3], rig.image.mid(0xFE00, 512));
    QCOMPARE(w[end0 + 4], bytes({0x85}));
    QCOMPARE(w[end0 + 5], bytes({0x83, 0x01}));
    QCOMPARE(w[end0 + 6], bytes({0x84, 0x80, 0x00}));
    QCOMPARE(w[end0 + 8] + w[end0 + 9], rig.image.mid(0x10000, 512));
    // After 0x6E00 comes 0x8000 with file bytes 0x8000.
    const int hole = int(w.indexOf(bytes({0x84, 0x6E, 0x00})));
    QCOMPARE(w[hole + 5], bytes({0x84, 0x80, 0x00}));
    QCOMPARE(w[hole + 7] + w[hole + 8], rig.image.mid(0x8000, 512));
    // The last page: bank 2, 0xF400, file 0x1F400, progress 100.
    QCOMPARE(rig.addresses().last().args, bytes({0xF4, 0x00}));
    QCOMPARE(w[w.size() - 3] + w[w.size() - 2], rig.image.mid(0x1F400, 512));
    QCOMPARE(rig.view.progress.first(), QStringLiteral("0%"));
    QCOMPARE(rig.view.progress.last(), QStringLiteral("100%"));
}

void IspUpdateTest::shortFileSendsErasedPages() {
    Rig rig(randomImage(0x10000, 3));
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    const QByteArray erased(512, char(0xFF));
    int bank = 0, erasedPages = 0;
    const auto& w = rig.port->writes;
    for (int i = 0; i + 2 < w.size(); ++i) {
        if (w[i].size() == 2 && uint8_t(w[i][0]) == 0x83) bank = uint8_t(w[i][1]);
        if (w[i] == bytes({0x86}) && bank >= 1) {
            QCOMPARE(w[i + 1] + w[i + 2], erased);
            ++erasedPages;
        }
    }
    QCOMPARE(erasedPages, 64 + 59);
    QCOMPARE(rig.port->rom.mid(0x8000, 0x8000), rig.image.mid(0x8000));
}

void IspUpdateTest::verifyTolerance_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("mismatchLines");
    QTest::addColumn<int>("pageSends");
    QTest::newRow("89 differ: passes") << 2 << 89 << 89 << 1;
    QTest::newRow("90 differ: sent again") << 2 << 90 << 90 << 2;
    QTest::newRow("bytes 0 and 1 not compared") << 0 << 2 << 0 << 1;
    QTest::newRow("byte 511 not compared") << 511 << 1 << 0 << 1;
    QTest::newRow("byte 510 compared") << 510 << 1 << 1 << 1;
}

void IspUpdateTest::verifyTolerance() {
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(int, mismatchLines);
    QFETCH(int, pageSends);
    Rig rig(randomImage(kFullImage, 5));
    rig.port->tamper = corruptOnce(first, count);
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    QCOMPARE(rig.view.logCount(QStringLiteral("ROM: Bank0, Addr ")), mismatchLines);
    QCOMPARE(rig.view.logCount(QStringLiteral("Verify Error! Try Again.\r\n")), pageSends - 1);
    int firstPage = 0;
    for (const auto& c : rig.addresses()) firstPage += c.args == bytes({0x00, 0x00});
    QCOMPARE(firstPage, pageSends);
    if (mismatchLines) {
        const uint8_t sent = uint8_t(rig.image[first]);
        QVERIFY(rig.view.log.contains(QStringLiteral("ROM: Bank0, Addr %1: %2 != %3\r\n")
                                          .arg(first)
                                          .arg(sent)
                                          .arg(uint8_t(~sent))));
    }
}

void IspUpdateTest::mismatchLineNamesBankAndAddress() {
    QByteArray image = randomImage(kFullImage, 9);
    image[0x10205] = char(171);
    Rig rig(image);
    auto done = std::make_shared<bool>(false);
    rig.port->tamper = [done](int bank, int address, QByteArray& page) {
        if (bank == 1 && address == 0x8200 && !*done) {
            *done = true;
            page[5] = char(255);
        }
    };
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    QVERIFY(rig.view.log.contains(QStringLiteral("\r\nROM: Bank1, Addr 33285: 171 != 255\r\n")));
    QCOMPARE(rig.view.logCount(QStringLiteral("ROM: ")), 1);
    QCOMPARE(rig.view.logCount(QStringLiteral("Verify Error")), 0);
}

void IspUpdateTest::silentReadBackStopsAfterSixteenAttempts() {
    Rig rig(randomImage(kFullImage));
    rig.port->answerReadBack = false;
    QCOMPARE(rig.run(), IspUpdate::Result::PageFailed);

    QCOMPARE(rig.view.logCount(QStringLiteral("Read Wait=")), 16);
    QCOMPARE(rig.view.logCount(QStringLiteral("Verify Error")), 0);
    QCOMPARE(rig.port->commandsOf(0x86).size(), 16);
    for (const auto& c : rig.addresses()) QCOMPARE(c.args, bytes({0x00, 0x00}));
    // Each line carries the tick of its request, and every request waited more than 220 ms.
    const QStringList lines = rig.view.log.split(QStringLiteral("\r\n"));
    QList<uint32_t> ticks;
    for (const QString& l : lines)
        if (l.startsWith(QStringLiteral("Read Wait="))) ticks << l.mid(10).toUInt();
    QCOMPARE(ticks.size(), 16);
    for (int i = 1; i < ticks.size(); ++i) QVERIFY(ticks[i] - ticks[i - 1] > 220);
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
}

void IspUpdateTest::uncheckedVerification() {
    {
        Rig rig(randomImage(kFullImage));
        rig.view.verify = false;
        rig.port->tamper = [](int, int, QByteArray& page) { page.fill(0); };
        QCOMPARE(rig.run(), IspUpdate::Result::Done);
        QCOMPARE(rig.view.logCount(QStringLiteral("ROM: ")), 0);
        QCOMPARE(rig.port->commandsOf(0x85).size(), 243);  // still requested and awaited
    }
    {
        Rig rig(randomImage(kFullImage));
        rig.view.verify = false;
        rig.port->answerReadBack = false;
        QCOMPARE(rig.run(), IspUpdate::Result::PageFailed);
        QCOMPARE(rig.view.logCount(QStringLiteral("Read Wait=")), 16);
    }
}

void IspUpdateTest::confirmation_data() {
    QTest::addColumn<QByteArray>("banner");
    QTest::addColumn<int>("notConfirmed");
    QTest::newRow("16 non-zero bytes") << QByteArray(16, 'I') << 0;
    QTest::newRow("8 non-zero bytes") << QByteArray(8, 'I') << 1;
    QTest::newRow("8 among zeros") << QByteArray("I\0I\0I\0I\0I\0I\0I\0I\0", 16) << 1;
    QTest::newRow("a flood of 3000") << QByteArray(3000, 'I') << 0;
}

void IspUpdateTest::confirmation() {
    QFETCH(QByteArray, banner);
    QFETCH(int, notConfirmed);
    Rig rig(randomImage(0x200), banner);
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    QCOMPARE(rig.view.logCount(QStringLiteral("ISP Mode Not Confirmed.\r\n")), notConfirmed);
    QCOMPARE(rig.view.logCount(QStringLiteral("ISP Mode Confirmed!\r\n")), 1);
    QVERIFY(rig.view.log.startsWith(QStringLiteral("ISP Mode Check...\r\n")));
}

void IspUpdateTest::silentDeviceGivesUp_data() {
    QTest::addColumn<QByteArray>("banner");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("result");
    QTest::newRow("no banner") << QByteArray() << true
                               << QStringLiteral("ISP Mode Check Timeout.\r\n")
                               << int(IspUpdate::Result::ConfirmTimeout);
    QTest::newRow("no sync echo") << QByteArray(16, 'I') << false
                                  << QStringLiteral("ISP Sync Timeout.\r\n")
                                  << int(IspUpdate::Result::SyncTimeout);
}

void IspUpdateTest::silentDeviceGivesUp() {
    QFETCH(QByteArray, banner);
    QFETCH(bool, echo);
    QFETCH(QString, line);
    QFETCH(int, result);
    Rig rig(randomImage(0x200), banner);
    rig.port->echoSync = echo;
    const uint32_t start = rig.clock.now;
    QCOMPARE(int(rig.run()), result);
    QVERIFY(rig.view.log.endsWith(line));
    const uint32_t took = rig.clock.now - start;
    QVERIFY2(took >= 10000 && took < 11500, qPrintable(QString::number(took)));
    QCOMPARE(rig.port->commandsOf(0x86).size(), 0);
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
}

void IspUpdateTest::replyArrivingInPieces() {
    Rig rig(randomImage(kFullImage, 21));
    rig.port->chunk = 37;  // the read-back comes in over many passes
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    QCOMPARE(rig.view.logCount(QStringLiteral("ROM: ")), 0);
    QCOMPARE(rig.port->commandsOf(0x86).size(), 243);
    // Only the idle passes before the first sync slept; bytes came on every other pass.
    QVERIFY2(rig.clock.idles <= 10, qPrintable(QString::number(rig.clock.idles)));
}

void IspUpdateTest::streamingBannerNeverOverrunsRxBuffer() {
    Rig rig(randomImage(0x200), QByteArray());
    // The loader streams 100 banner bytes per look until its first sync.
    rig.port->onQuery = [p = rig.port] {
        if (p->commandsOf(0x81).isEmpty()) p->incoming += QByteArray(100, 'B');
    };
    rig.port->beforeFirstEcho = QByteArray(20, 'B');
    QCOMPARE(rig.run(), IspUpdate::Result::Done);
    QVERIFY(rig.port->maxRxLength <= 1024);
    QVERIFY(rig.port->maxRxLength >= 1000);          // the buffer did fill up
    QCOMPARE(rig.port->commandsOf(0x81).size(), 2);  // the first echo came behind banner text
}

void IspUpdateTest::channelKeepsWithinRxBuffer_data() {
    QTest::addColumn<uint32_t>("rxLength");
    QTest::addColumn<int>("waiting");
    QTest::addColumn<uint32_t>("newLength");
    QTest::addColumn<int>("storedAt");  // where the first new byte lands
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("discards");
    QTest::newRow("fits") << 10u << 100 << 110u << 10 << 100 << 0;
    QTest::newRow("fills up, rest dropped") << 1000u << 100 << 1024u << 1000 << 24 << 0;
    QTest::newRow("full, all dropped") << 1024u << 50 << 1024u << 1024 << 0 << 0;
    QTest::newRow("flood, 16 looked at") << 0u << 2000 << 0u << 0 << 16 << 1;
    QTest::newRow("flood near the end") << 1020u << 2000 << 1020u << 1008 << 16 << 1;
}

void IspUpdateTest::channelKeepsWithinRxBuffer() {
    QFETCH(uint32_t, rxLength);
    QFETCH(int, waiting);
    QFETCH(uint32_t, newLength);
    QFETCH(int, storedAt);
    QFETCH(int, stored);
    QFETCH(int, discards);
    NullLinkView lv;
    DeviceLink link(lv);
    auto* port = new Variant0Port;
    link.ComPort.reset(port);
    link.RxBuffer.fill(0x11);
    link.RxLength = rxLength;
    QByteArray in;
    for (int i = 0; i < waiting; ++i) in += char(0x40 + i % 32);
    port->incoming = in;
    IspChannel channel(link);
    channel.takeIn();
    QCOMPARE(link.RxLength, newLength);
    QVERIFY(port->incoming.isEmpty());
    QCOMPARE(port->discards, discards);
    for (int i = 0; i < stored; ++i) QCOMPARE(link.RxBuffer[storedAt + i], uint8_t(in[i]));
    if (discards == 0) {
        QCOMPARE(link.RxBuffer[newLength], uint8_t(0));  // the zero after the last byte
        QCOMPARE(channel.droppedBytes(), uint64_t(waiting - stored));
    }
    if (storedAt > 0) QCOMPARE(link.RxBuffer[storedAt - 1], uint8_t(0x11));
}

void IspUpdateTest::portLostEndsUpdate() {
    Rig rig(randomImage(kFullImage));
    int reads = 0;
    rig.port->tamper = [&](int, int, QByteArray&) {
        if (++reads == 3) rig.port->lost = true;
    };
    QCOMPARE(rig.run(), IspUpdate::Result::PortLost);
    QVERIFY(rig.view.log.endsWith(QStringLiteral("ISP Port Lost.\r\n")));
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
}

void IspUpdateTest::imageOpenFailure() {
    Rig rig(randomImage(0x200));
    rig.path = rig.dir.filePath(QStringLiteral("missing.bin"));
    QCOMPARE(rig.run(), IspUpdate::Result::OpenFailed);
    QCOMPARE(rig.view.log, QStringLiteral("ISP Mode Check...\r\nFw Open Fail.\r\n"));
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(rig.view.progress.first(), QStringLiteral("0%"));
    QVERIFY(rig.link.Timer_UART_Rx->isActive());
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);
}

QTEST_GUILESS_MAIN(IspUpdateTest)
#include "tst_isp_update.moc"
