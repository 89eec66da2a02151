// The link end to end: emulated devices on real pseudo-terminals, opened through QSerialPort.

#include <QSignalSpy>
#include <QTest>

#include "device/DeviceSearch.h"
#include "device/OperationGuard.h"
#include "link/PortListers.h"
#include "link/TThread_Uart_Api.h"
#include "tests/link/LinkFakes.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;
using namespace varnok::test;

class TestLinkE2e : public QObject {
    Q_OBJECT

    std::vector<std::unique_ptr<EmulatedDevice>> devices;
    std::unique_ptr<FixedPortLister> ports;
    std::unique_ptr<RecordingLinkView> log;
    std::unique_ptr<RecordingSearchView> view;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<DeviceSearch> search;

    // Starts an emulated device and lists it as port `name`.
    EmulatedDevice& addDevice(const QString& name, EmulatorConfig config = {}) {
        devices.push_back(std::make_unique<EmulatedDevice>(std::move(config)));
        QString error;
        if (!devices.back()->start(&error)) qFatal("emulated device: %s", qPrintable(error));
        ports->addPort(name, devices.back()->slavePath());
        return *devices.back();
    }
    static EmulatorConfig silent() {
        EmulatorConfig c;
        c.faults = {FaultRule{FaultKind::Silent, -1, 0, 0, -1}};
        return c;
    }
    static int framesWithCode(const EmulatedDevice& d, uint16_t code) {
        int n = 0;
        for (const auto& f : d.frames())
            if (f.kind == FrameRecord::Kind::Api && f.code == code) ++n;
        return n;
    }
    void connectToFirst() {
        search->Search();
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
        QTRY_VERIFY(link->Timer_Poll_Status->isActive());
    }

private slots:
    void init() {
        ports = std::make_unique<FixedPortLister>();
        log = std::make_unique<RecordingLinkView>();
        view = std::make_unique<RecordingSearchView>();
        link = std::make_unique<DeviceLink>(*log);
        search = std::make_unique<DeviceSearch>(*link, *ports, *view);
    }
    void cleanup() {
        search.reset();
        link.reset();
        devices.clear();
        view.reset();
        log.reset();
        ports.reset();
    }

    void searchFindsTheDeviceOnTheThirdOfFivePorts() {
        auto& quiet = addDevice("EMU1", silent());
        EmulatorConfig otherMaker;
        otherMaker.manufacturerId = "XYZ";
        auto& other = addDevice("EMU2", otherMaker);
        EmulatorConfig mine;
        mine.edidMode = 3;
        auto& device = addDevice("EMU3", mine);
        auto& fourth = addDevice("EMU4");
        auto& fifth = addDevice("EMU5");
        QSignalSpy models(&search->answers(), &DeviceAnswers::modelNameReceived);
        QSignalSpy versions(&search->answers(), &DeviceAnswers::firmwareVersionReceived);
        QSignalSpy modes(&search->answers(), &DeviceAnswers::edidModeReceived);

        search->Search();

        QVERIFY(log->log.startsWith(QStringLiteral(
            "Check EMU1\r\nNo Device Detected.\r\nCheck EMU2\r\n\xA1Got One Device!\r\n"
            "Manufac: XYZ\r\nCheck EMU3\r\n\xA1Got One Device!\r\nManufac: QEV\r\n")));
        QCOMPARE(framesWithCode(quiet, 9), 1);
        QCOMPARE(framesWithCode(other, 9), 1);
        QCOMPARE(fourth.frameCount() + fifth.frameCount(), 0);
        QVERIFY(!fourth.hostConnected() && !fifth.hostConnected());
        QTRY_VERIFY(!quiet.hostConnected() && !other.hostConnected());
        QCOMPARE(view->calls,
                 (QStringList{"busy", "busy", "busy", "connected", "controls", "idle"}));
        QCOMPARE(models.size(), 1);
        QCOMPARE(models[0][0].toString(), QStringLiteral("VK-01"));
        QCOMPARE(versions.size(), 1);
        QCOMPARE(versions[0][0].toString(), QStringLiteral("1.23"));
        QTRY_COMPARE(modes.size(), 1);
        QCOMPARE(int(modes[0][0].value<uint8_t>()), 3);
        QVERIFY(device.hostConnected());
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
    }

    void pollFollowsTheDevice() {
        auto& device = addDevice("EMU1");
        connectToFirst();
        QSignalSpy modes(&search->answers(), &DeviceAnswers::edidModeReceived);
        QSignalSpy requests(link.get(), &DeviceLink::disconnectRequested);
        device.setEdidMode(2);
        QTRY_VERIFY_WITH_TIMEOUT(!modes.isEmpty() && modes.last()[0].value<uint8_t>() == 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(framesWithCode(device, 257) >= 4, 8000);
        QCOMPARE(requests.size(), 0);
        // An operation's end notice gets no answer, and polling still goes on after it.
        { const OperationGuard operation(*link); }
        const int polls = framesWithCode(device, 257);
        QTRY_VERIFY_WITH_TIMEOUT(framesWithCode(device, 257) >= polls + 2, 5000);
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
    }

    void watchdogDisconnectsADeviceThatStopsAnswering() {
        auto& device = addDevice("EMU1");
        connectToFirst();
        device.setFaults({FaultRule{FaultKind::Silent, -1, 0, 0, -1}});
        view->calls.clear();
        QTRY_COMPARE_WITH_TIMEOUT(view->calls, QStringList{"disconnected"}, 15000);
        QVERIFY(!link->ComPort);
        QTRY_VERIFY(!device.hostConnected());
        // Nothing is sent once disconnected.
        const int frames = device.frameCount();
        QTest::qWait(1500);
        QCOMPARE(device.frameCount(), frames);
        QVERIFY(link->Timer_UART_Rx->isActive());
    }

    void hangUpMidConnection() {
        auto& device = addDevice("EMU1");
        connectToFirst();
        view->calls.clear();
        device.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(view->calls, QStringList{"disconnected"}, 5000);
        QVERIFY(log->log.contains(QStringLiteral("Port Error: ")));
        QVERIFY(!link->ComPort);
        QCOMPARE(link->connectionState(), ConnectionState::Disconnected);
        // The window can search again at once.
        auto& again = addDevice("EMU2");
        search->Search();
        QCOMPARE(link->connectionState(), ConnectionState::Connected);
        QVERIFY(again.hostConnected());
    }

    void ispBanner_data() {
        QTest::addColumn<QByteArray>("banner");
        QTest::addColumn<int>("variant");
        QTest::newRow("plain") << QByteArray("ISP BOOT\r\n") << 0;
        QTest::newRow("ISP029") << QByteArray("ISP029 BOOT\r\n") << 1;
    }
    void ispBanner() {
        QFETCH(QByteArray, banner);
        QFETCH(int, variant);
        addDevice("EMU1", silent());
        EmulatorConfig isp;
        isp.mode = EmulatorConfig::Mode::Isp;
        isp.ispBanner = banner;
        auto& loader = addDevice("EMU2", isp);
        auto& after = addDevice("EMU3");
        search->Search();
        QCOMPARE(view->calls, (QStringList{"busy", "busy", "isp", "idle"}));
        QCOMPARE(link->connectionState(), ConnectionState::Isp);
        QVERIFY(link->LinkFlags & IspMode);
        QCOMPARE(int(link->IspVariant), variant);
        QVERIFY(loader.hostConnected());
        QVERIFY(!after.hostConnected());
        // Disconnect releases the line.
        search->Disconnect();
        QTRY_VERIFY(!loader.hostConnected());
        QCOMPARE(view->calls.last(), QStringLiteral("disconnected"));
    }

    void disconnectReleasesThePort() {
        auto& device = addDevice("EMU1");
        connectToFirst();
        view->calls.clear();
        search->Disconnect();
        QCOMPARE(view->calls, QStringList{"disconnected"});
        QTRY_VERIFY(!device.hostConnected());
        QVERIFY(link->dispatcher().Suspended());
        QVERIFY(!link->Timer_Poll_Status->isActive());
    }
};

QTEST_GUILESS_MAIN(TestLinkE2e)
#include "tst_link_e2e.moc"
