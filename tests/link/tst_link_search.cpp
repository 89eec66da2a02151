// Search, connect and disconnect over fake ports: which ports are opened, what the log shows,
// what the window is told, and what stays open.

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "device/DeviceSearch.h"
#include "link/TThread_Uart_Api.h"
#include "tests/link/LinkFakes.h"

using namespace varnok;
using namespace varnok::test;

class TestLinkSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingLinkView> log;
    std::unique_ptr<RecordingSearchView> view;
    std::unique_ptr<FakePortLister> ports;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<DeviceSearch> search;

    static QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

private slots:
    void init() {
        log = std::make_unique<RecordingLinkView>();
        view = std::make_unique<RecordingSearchView>();
        ports = std::make_unique<FakePortLister>();
        link = std::make_unique<DeviceLink>(*log);
        search = std::make_unique<DeviceSearch>(*link, *ports, *view);
    }
    void cleanup() {
        search.reset();
        link.reset();
        ports.reset();
        view.reset();
        log.reset();
    }

    void foundOnThirdOfFive() {
        auto silent = ports->add("COM1");
        auto other = ports->add("COM2");
        other->answer = deviceAnswers("XYZ");
        auto device = ports->add("COM3");
        device->answer = deviceAnswers();
        auto fourth = ports->add("COM4");
        auto fifth = ports->add("COM5");
        QSignalSpy models(&search->answers(), &DeviceAnswers::modelNameReceived);
        QSignalSpy versions(&search->answers(), &DeviceAnswers::firmwareVersionReceived);
        QSignalSpy modes(&search->answers(), &DeviceAnswers::edidModeReceived);

        search->Search();

        QCOMPARE(silent->closes, 1);
        QCOMPARE(other->closes, 1);
        QVERIFY(device->open);
        QCOMPARE(fourth->opens + fifth->opens, 0);
        QCOMPARE(device->headers(), (QList<QByteArray>{hex("0009030d"), hex("0001050d"),
                                                       hex("0002040d"), hex("0101010d")}));
        QCOMPARE(view->calls,
                 (QStringList{"busy", "busy", "busy", "connected", "controls", "idle"}));
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
        QCOMPARE(models.size(), 1);
        QCOMPARE(models[0][0].toString(), QStringLiteral("HDX4"));
        QCOMPARE(versions.size(), 1);
        QCOMPARE(versions[0][0].toString(), QStringLiteral("1.2"));
        // The mode query is sent without a pause; its answer comes with the next tick.
        QTRY_COMPARE(modes.size(), 1);
        QCOMPARE(int(modes[0][0].value<uint8_t>()), 2);
        // Each answer's text (up to its first zero byte) is in the log as it came in.
        QCOMPARE(log->log, QStringLiteral("Check COM1\r\nNo Device Detected.\r\n"
                                          "Check COM2\r\n\xA1Got One Device!\r\nManufac: XYZ\r\n"
                                          "Check COM3\r\n\xA1"
                                          "Got One Device!\r\nManufac: QEV\r\n\xA1\xA1\xA1"));
        QVERIFY(link->Timer_UART_Rx->isActive());
        QVERIFY(!link->dispatcher().Suspended());
        QVERIFY(!search->searching());
    }

    void portsThatFailBeforeTheProbe() {
        ports->add("COM1")->failOpen = true;
        ports->add("COM2")->failSettings = true;
        auto* third = ports->add("COM12").get();
        QSignalSpy finished(search.get(), &DeviceSearch::searchFinished);
        search->Search();
        // The fake port's reason for the failed open or settings follows its line.
        QCOMPARE(log->log,
                 QStringLiteral("Open COM1 Failed.\r\n  Input/output error\r\nCheck COM2\r\n"
                                "Set COM Failed.\r\n  Input/output error\r\nCheck COM12\r\n"
                                "No Device Detected.\r\n"));
        QCOMPARE(third->closes, 1);
        QCOMPARE(finished.size(), 1);
        // Nothing found: disconnected, timers off, no port, dispatcher left running idle.
        QCOMPARE(link->connectionState(), ConnectionState::Disconnected);
        QVERIFY(!link->ComPort);
        QVERIFY(!link->Timer_UART_Rx->isActive());
        QVERIFY(!link->Timer_Poll_Status->isActive());
        QVERIFY(!link->dispatcher().Suspended());
        QCOMPARE(view->calls, (QStringList{"busy", "idle"}));
    }

    // varnok-cli's search: the window's frames, each wait ended by its complete answer, and the
    // mode answer already taken when Search returns, so that it cannot land in the answer to the
    // command that follows at once. Each port's outcome is kept for the user's words.
    void answerEndedPauses() {
        ports->add("COM1")->failOpen = true;
        ports->add("COM2")->answer = deviceAnswers("XYZ");
        auto device = ports->add("COM3");
        device->answer = deviceAnswers();
        QSignalSpy modes(&search->answers(), &DeviceAnswers::edidModeReceived);
        search->setAnswerEndsPause(true);

        search->Search();

        QCOMPARE(device->headers(), (QList<QByteArray>{hex("0009030d"), hex("0001050d"),
                                                       hex("0002040d"), hex("0101010d")}));
        QCOMPARE(modes.size(), 1);
        QCOMPARE(device->incoming, QByteArray());
        QVERIFY(!(link->LinkFlags & ResponseReady));
        const QList<PortProbe>& p = search->probes();
        QCOMPARE(p.size(), 3);
        QCOMPARE(p[0].outcome, PortProbe::OpenFailed);
        QCOMPARE(p[0].reason, QStringLiteral("Input/output error"));
        QCOMPARE(p[1].outcome, PortProbe::OtherDevice);
        QCOMPARE(p[1].reason, QStringLiteral("XYZ"));
        QCOMPARE(p[2].outcome, PortProbe::Found);
    }

    void noPortsNothingHappens() {
        search->Search();
        QVERIFY(log->log.isEmpty());
        QVERIFY(view->calls.isEmpty());
        QVERIFY(link->dispatcher().Suspended());
    }

    void staleManufacturerIdDoesNotPass() {
        // A port answers with the lead byte only; the ID of an earlier probe must not count.
        link->ManufacturerId = {'Q', 'E', 'V'};
        ports->add("COM1")->answer = [](uint8_t, uint16_t, uint8_t) { return hex("a1"); };
        search->Search();
        QVERIFY(log->log.endsWith(QStringLiteral("Got One Device!\r\nManufac: \r\n")));
        QCOMPARE(link->connectionState(), ConnectionState::Disconnected);
        QVERIFY(!link->ComPort);
    }

    void ispBanner_data() {
        QTest::addColumn<QByteArray>("banner");
        QTest::addColumn<int>("variant");
        QTest::newRow("plain banner") << QByteArray("LOADER READY ") << 0;
        QTest::newRow("ISP029 banner") << QByteArray("ISP029 LOADER ") << 1;
    }
    void ispBanner() {
        QFETCH(QByteArray, banner);
        QFETCH(int, variant);
        auto silent = ports->add("COM1");
        auto isp = ports->add("COM2");
        isp->stream = banner;
        auto after = ports->add("COM3");
        after->answer = deviceAnswers();
        search->Search();
        QVERIFY(log->log.startsWith(
            QStringLiteral("Check COM1\r\nNo Device Detected.\r\nCheck COM2\r\n")));
        QVERIFY(log->log.contains(QStringLiteral("No Device Detected.\r\n"
                                                 "LOADER")) ||
                log->log.contains(QStringLiteral("No Device Detected.\r\nISP029")));
        QCOMPARE(view->calls, (QStringList{"busy", "busy", "isp", "idle"}));
        QCOMPARE(link->connectionState(), ConnectionState::Isp);
        QVERIFY(link->LinkFlags & IspMode);
        QCOMPARE(int(link->IspVariant), variant);
        QVERIFY(isp->open);
        QCOMPARE(after->opens, 0);
        const QList<QByteArray> expected = variant
                                               ? QList<QByteArray>{hex("0009030d"), hex("0002040d")}
                                               : QList<QByteArray>{hex("0009030d")};
        QCOMPARE(isp->headers(), expected);
        // No watchdog in ISP mode.
        QSignalSpy requests(link.get(), &DeviceLink::disconnectRequested);
        for (int i = 0; i < 40; ++i) link->Timer_UART_RxTimer();
        QCOMPARE(requests.size(), 0);
    }

    void disconnectRestoresTheDisconnectedState() {
        auto device = ports->add("COM1");
        device->answer = deviceAnswers();
        search->Search();
        QTRY_VERIFY(link->Timer_Poll_Status->isActive());
        link->IspVariant = 1;
        view->calls.clear();

        search->Disconnect();

        QCOMPARE(view->calls, QStringList{"disconnected"});
        QCOMPARE(device->closes, 1);
        QVERIFY(!link->ComPort);
        QCOMPARE(link->LinkFlags, uint8_t(0));
        QVERIFY(!link->Timer_Poll_Status->isActive());
        QVERIFY(link->Timer_UART_Rx->isActive());  // keeps ticking, reads nothing
        QVERIFY(link->dispatcher().Suspended());
        QCOMPARE(link->connectionState(), ConnectionState::Disconnected);
        // Kept across a disconnect.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(link->ManufacturerId.data()), 3),
                 QByteArray("QEV"));
        QCOMPARE(int(link->IspVariant), 1);
        // A second Disconnect changes nothing; a new Search works.
        search->Disconnect();
        QCOMPARE(view->calls, QStringList{"disconnected"});
        search->Search();
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
        QCOMPARE(device->opens, 2);
    }

    void watchdogDisconnectsASilentDevice() {
        auto device = ports->add("COM1");
        device->answer = deviceAnswers();
        search->Search();
        QTRY_VERIFY(link->Timer_Poll_Status->isActive());
        device->answer = {};  // the device stops answering
        view->calls.clear();
        QTRY_COMPARE_WITH_TIMEOUT(view->calls, QStringList{"disconnected"}, 15000);
        QVERIFY(!link->ComPort);
        QCOMPARE(device->closes, 1);
    }

    void secondSearchIgnoredWhileSearching() {
        ports->add("COM1");
        ports->add("COM2");
        QTimer::singleShot(100, this, [this] { search->Search(); });
        search->Search();
        QCOMPARE(ports->listings, 1);
        // While connected, Search does nothing either. The model name's answer reaches the window
        // through the dispatcher thread within a fixed pause, which a loaded machine can miss:
        // the search then keeps no port, so it is pressed until the link is connected.
        ports->add("COM3")->answer = deviceAnswers();
        for (int i = 0; i < 5 && link->connectionState() != ConnectionState::Connected; ++i)
            search->Search();
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
        const int listed = ports->listings;
        search->Search();
        QCOMPARE(ports->listings, listed);
    }
};

QTEST_GUILESS_MAIN(TestLinkSearch)
#include "tst_link_search.moc"
