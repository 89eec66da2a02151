// The analyzer's device read against a scripted device: the frames on the wire, where the two
// halves are taken from the response buffer, the retries and their log lines, and what the store
// holds afterwards.
#include <QTest>
#include <QTimer>

#include "device/AnalyzerRead.h"
#include "device/DeviceApi.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"
#include "tests/analyzer/FakeDevicePort.h"

using namespace varnok;

namespace {

class RecordingView : public LinkView {
public:
    QString log;
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void showUploadProgress(int) override {}
};

// A valid image different from the built-in default, to tell the stores apart.
EdidImage OtherImage() {
    EdidImage img = DefaultEdidImage();
    img[17] = uint8_t(img[17] + 1);  // year of manufacture
    img[200] = uint8_t(img[200] ^ 0x5A);
    SetBlockChecksum(img, 0);
    SetBlockChecksum(img, 1);
    return img;
}

struct Bench {
    RecordingView view;
    DeviceLink link{view};
    FakeDevicePort* port = nullptr;

    explicit Bench(FakeDevicePort::Responder responder) {
        auto p = std::make_unique<FakeDevicePort>(std::move(responder));
        port = p.get();
        link.ComPort = std::move(p);
        link.setConnectionState(ConnectionState::Connected);
        link.enableRxTimer();
        link.startDispatcher();
    }
    QList<uint16_t> codes() const {
        QList<uint16_t> out;
        for (const auto& f : port->frames) out << f.code;
        return out;
    }
    // The frames between the start and end notices, which must stand first and last.
    std::vector<SentFrame> announcedFrames() const {
        const auto& all = port->frames;
        if (all.size() < 2 || all.front().code != api_code::OperationStart ||
            all.back().code != api_code::OperationEnd)
            return {};
        return {all.begin() + 1, all.end() - 1};
    }
};

}  // namespace

class AnalyzerReadTest : public QObject {
    Q_OBJECT
private slots:
    void plans();
    void headerSearch();
    void reads_data();
    void reads();
    void silentDeviceKeepsStore_data();
    void silentDeviceKeepsStore();
    void disconnectStopsAttempts();
};

void AnalyzerReadTest::plans() {
    const auto in = AnalyzerPlanFor(EdidSource::Internal);
    const auto ex = AnalyzerPlanFor(EdidSource::External);
    const auto us = AnalyzerPlanFor(EdidSource::User);
    QCOMPARE(in.selector, std::optional<uint8_t>(0xFF));
    QCOMPARE(us.selector, std::optional<uint8_t>(0x00));
    QVERIFY(!ex.selector);
    QCOMPARE(in.pauseMs, 200u);
    QCOMPARE(ex.pauseMs, 200u);
    QCOMPARE(us.pauseMs, 300u);
    QCOMPARE(in.attempts, 5);
    QCOMPARE(ex.attempts, 5);
    QCOMPARE(us.attempts, 6);
}

void AnalyzerReadTest::headerSearch() {
    const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (int at = 0; at <= 16; ++at) {
        std::array<uint8_t, 32> buf{};
        buf.fill(0x11);
        std::copy(std::begin(header), std::end(header), buf.begin() + at);
        QCOMPARE(FindEdidHeaderOffset(buf.data()), at <= 15 ? at : -1);
    }
    // The first place wins: a header at 2 and again at 9.
    std::array<uint8_t, 32> two{};
    two.fill(0x11);
    std::copy(std::begin(header), std::end(header), two.begin() + 2);
    std::copy(std::begin(header), std::end(header), two.begin() + 9);
    QCOMPARE(FindEdidHeaderOffset(two.data()), 2);
}

void AnalyzerReadTest::reads_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("leadBytes");
    QTest::addColumn<int>("badReads");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("noHeader");
    QTest::addColumn<QList<uint16_t>>("firstAttempt");

    const QList<uint16_t> internalFrames{264, 261, 262};
    const QList<uint16_t> externalFrames{518, 519};
    const int in = int(EdidSource::Internal), ex = int(EdidSource::External),
              us = int(EdidSource::User);
    QTest::newRow("internal") << in << 3 << 0 << 1 << true << 0 << 0 << internalFrames;
    QTest::newRow("external") << ex << 3 << 0 << 1 << true << 0 << 0 << externalFrames;
    QTest::newRow("user") << us << 3 << 0 << 1 << true << 0 << 0 << internalFrames;
    // Bytes before the answer's data, or data missing: no answer is exact, so none is taken, and
    // the attempts run out; the header is still looked for at offsets 0 to 15 for the log.
    QTest::newRow("two bytes of garbage before")
        << in << 5 << 0 << 5 << false << 5 << 0 << internalFrames;
    QTest::newRow("head bytes missing") << ex << 0 << 0 << 5 << false << 5 << 0 << externalFrames;
    QTest::newRow("header past 15") << in << 17 << 0 << 5 << false << 5 << 5 << internalFrames;
    QTest::newRow("two bad, then good") << in << 3 << 2 << 3 << true << 2 << 0 << internalFrames;
    QTest::newRow("user always bad") << us << 3 << 99 << 6 << false << 6 << 0 << internalFrames;
}

void AnalyzerReadTest::reads() {
    QFETCH(int, source);
    QFETCH(int, leadBytes);
    QFETCH(int, badReads);
    QFETCH(int, attempts);
    QFETCH(bool, valid);
    QFETCH(int, retries);
    QFETCH(int, noHeader);
    QFETCH(QList<uint16_t>, firstAttempt);

    const EdidImage internal = DefaultEdidImage();
    const EdidImage external = OtherImage();
    EdidImage user = OtherImage();
    user[150] = uint8_t(user[150] ^ 0x0F);  // same block 0 as External, another block 1
    SetBlockChecksum(user, 1);
    Script script;
    script.leadBytes = leadBytes;
    script.badBlock0Reads = badReads;
    Bench bench(MakeDevice(script, internal, external, user));
    const auto src = EdidSource(source);

    const AnalyzerResult r = ReadAnalyzerImage(bench.link, bench.view, src);

    QCOMPARE(r.data.attempts, attempts);
    QCOMPARE(bench.view.log.count(QStringLiteral("Retry Edid.\r\n")), retries);
    QCOMPARE(bench.view.log.count(QStringLiteral("No Header Found.\r\n")), noHeader);
    QCOMPARE(bench.view.log.count(QStringLiteral("API Timeout.\r\n")), 0);
    const bool exact = leadBytes == 3;
    QCOMPARE(r.outcome, valid   ? AnalyzerOutcome::Valid
                        : exact ? AnalyzerOutcome::Invalid
                                : AnalyzerOutcome::Garbled);
    QCOMPARE(bool(r.data.image), exact);
    EdidInfo store;
    if (exact) store.image = *r.data.image;
    ValidateEdidImage(store);

    // The wire: between the notices, each attempt sends the same frames, every read with W = 0
    // and count 128, the select as a write of one byte.
    const std::vector<SentFrame> frames = bench.announcedFrames();
    QCOMPARE(int(frames.size()), attempts * int(firstAttempt.size()));
    for (int i = 0; i < int(frames.size()); ++i) {
        const SentFrame& f = frames[size_t(i)];
        QCOMPARE(f.code, firstAttempt[i % firstAttempt.size()]);
        if (f.code == api_code::EdidSelect) {
            QVERIFY(f.w);
            QCOMPARE(f.count, uint16_t(1));
            QCOMPARE(f.data, QByteArray(1, char(src == EdidSource::User ? 0x00 : 0xFF)));
        } else {
            QVERIFY(!f.w);
            QCOMPARE(f.count, uint16_t(128));
        }
    }

    const EdidImage& expected =
        src == EdidSource::Internal ? internal : (src == EdidSource::External ? external : user);
    if (valid) {
        QCOMPARE(store.image, expected);
        QCOMPARE(store.status & kReasonBits, 0);
    } else if (exact) {
        // The last attempt's bad block 0 as the device sent it, block 1 as it is.
        QVERIFY(store.status & kReasonBits);
        QVERIFY(std::equal(store.image.begin() + 128, store.image.end(), expected.begin() + 128));
    }
    // The watchdog was kept quiet and polling is back on.
    QVERIFY(bench.link.LinkFlags & DeviceAlive);
    QVERIFY(bench.link.Timer_Poll_Status->isActive());
}

void AnalyzerReadTest::silentDeviceKeepsStore_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("readsOnly");
    QTest::addColumn<int>("timeouts");
    QTest::addColumn<int>("noHeader");
    QTest::addColumn<int>("frames");
    QTest::newRow("internal") << int(EdidSource::Internal) << false << 5 << 0 << 5;
    QTest::newRow("user") << int(EdidSource::User) << false << 6 << 0 << 6;
    QTest::newRow("external") << int(EdidSource::External) << false << 0 << 5 << 10;
    QTest::newRow("internal, select answered") << int(EdidSource::Internal) << true << 0 << 5 << 15;
}

void AnalyzerReadTest::silentDeviceKeepsStore() {
    QFETCH(int, source);
    QFETCH(bool, readsOnly);
    QFETCH(int, timeouts);
    QFETCH(int, noHeader);
    QFETCH(int, frames);
    Script script;
    script.silent = !readsOnly;
    script.readsSilent = readsOnly;
    Bench bench(MakeDevice(script, {}, {}, {}));

    // No image comes back, so the caller's store keeps its earlier good read.
    const auto r = ReadAnalyzerImage(bench.link, bench.view, EdidSource(source));
    QCOMPARE(r.outcome, AnalyzerOutcome::NoAnswer);
    QVERIFY(!r.data.image);
    QCOMPARE(bench.view.log.count(QStringLiteral("API Timeout.\r\n")), timeouts);
    QCOMPARE(bench.view.log.count(QStringLiteral("No Header Found.\r\n")), noHeader);
    QCOMPARE(int(bench.announcedFrames().size()), frames);
}

void AnalyzerReadTest::disconnectStopsAttempts() {
    // A silent device; the Disconnect comes (as the window does it) while the second attempt
    // waits for the answer to its select command.
    DeviceLink* link = nullptr;
    int selects = 0;
    Bench bench([&](const SentFrame& f) {
        if (f.code == api_code::EdidSelect && ++selects == 2) {
            QTimer::singleShot(0, link, [link] {
                link->closePort();
                link->disablePoll();
                link->setConnectionState(ConnectionState::Disconnected);
            });
        }
        return QByteArray();
    });
    link = &bench.link;
    const auto r = ReadAnalyzerImage(bench.link, bench.view, EdidSource::Internal);
    QCOMPARE(r.outcome, AnalyzerOutcome::LinkLost);
    QCOMPARE(r.data.attempts, 2);
    QVERIFY(!bench.link.Timer_Poll_Status->isActive());
}

QTEST_GUILESS_MAIN(AnalyzerReadTest)
#include "tst_analyzer_read.moc"
