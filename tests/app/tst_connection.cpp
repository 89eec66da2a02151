// The window against emulated devices on real pseudo-terminals: Search, the connected and ISP
// states, Disconnect, the watchdog and a pulled cable. The real QSerialPort path runs.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/LedShape.h"
#include "device/DeviceSearch.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/EmulatorRig.h"
#include "tests/app/FormFixture.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

using Rig = EmulatorRig;

EmulatorConfig apiDevice(const QByteArray& maker = "QEV") {
    EmulatorConfig c;
    c.manufacturerId = maker;
    c.edidMode = 2;
    return c;
}

EmulatorConfig silentDevice() {
    EmulatorConfig c;
    c.faults.push_back(FaultRule{FaultKind::Silent, -1, 0, 0, -1});
    return c;
}

}  // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void searchConnectsAndDisconnects();
    void otherMakerAndSilentPortsAreSkipped();
    void ispDeviceEntersIspState();
    void watchdogDisconnectsSilentDevice();
    void pulledCableDisconnects();
    void openFailureLogsTheSystemsReason();
};

void ConnectionTest::searchConnectsAndDisconnects() {
    Rig r({apiDevice()});
    r.search();
    QCOMPARE(r.led(), LedShape::Green);
    QCOMPARE(r.text("Label_Model_Name"), QString("VK-01"));
    QCOMPARE(r.text("Label_FW_Version"), QString("Current Version : v1.23"));
    QVERIFY(!r.enabled("BitBtn_Search"));
    QVERIFY(r.enabled("BitBtn_Disconnect"));
    for (const char* n : kDeviceControls) QVERIFY2(r.enabled(n), n);
    QVERIFY(!r.f->find<QWidget>("Button_DL_StoredEdid")->isVisibleTo(r.f->form.get()));
    // The code-257 answer (mode 2) selects and enables only the External button.
    QTRY_VERIFY_WITH_TIMEOUT(r.f->find<QRadioButton>("RadioButton_Set_ExtEdid")->isChecked(), 3000);
    QVERIFY(r.enabled("RadioButton_Set_ExtEdid"));
    QVERIFY(!r.enabled("RadioButton_Set_IntEdid"));
    QVERIFY(!r.enabled("RadioButton_Set_UserEdid"));
    // Polling keeps the device alive: no disconnect over several watchdog periods' worth of polls.
    QTest::qWait(4000);
    QCOMPARE(r.led(), LedShape::Green);

    QTest::mouseClick(r.f->find<QPushButton>("BitBtn_Disconnect"), Qt::LeftButton);
    QCOMPARE(r.led(), LedShape::Grey);
    QCOMPARE(r.text("Label_Model_Name"), QString("Not Found."));
    QCOMPARE(r.text("Label_FW_Version"), QString("Current Version :"));
    QVERIFY(r.enabled("BitBtn_Search"));
    QVERIFY(!r.enabled("BitBtn_Disconnect"));
    for (const char* n : kDeviceControls) QVERIFY2(!r.enabled(n), n);
    for (const char* n :
         {"RadioButton_Set_IntEdid", "RadioButton_Set_ExtEdid", "RadioButton_Set_UserEdid"})
        QVERIFY2(!r.enabled(n), n);
    for (const char* n : kOfflineControls) QVERIFY2(r.enabled(n), n);
    QVERIFY(!r.f->form->link().portOpen());
    // Searching again finds the device again.
    r.search();
    QCOMPARE(r.led(), LedShape::Green);
}

void ConnectionTest::otherMakerAndSilentPortsAreSkipped() {
    // The window keeps its fixed pauses: on a loaded machine an emulated device may answer after
    // one (EMU2's ID, EMU3's model name), and the search rightly goes on. Such a run says nothing
    // of the order checked here, so the search is run again, on fresh devices, until every device
    // answered within its pause; the checks then hold the last run to all of it.
    std::unique_ptr<Rig> rig;
    QStringList shown;
    for (int run = 0; run < 5; ++run) {
        rig = std::make_unique<Rig>(std::vector<EmulatorConfig>{silentDevice(), apiDevice("ABC"),
                                                                apiDevice(), apiDevice()});
        // Each probe names its port in the status bar, with Search not offered meanwhile.
        shown.clear();
        QObject::connect(rig->f->form->findChild<DeviceSearch*>("DeviceSearch"),
                         &DeviceSearch::probing, rig->f->form.get(), [&] {
                             shown << rig->text("Label_Status");
                             QVERIFY(!rig->enabled("BitBtn_Search"));
                         });
        rig->search();
        const QString log = rig->f->form->debugLogText();
        if (log.contains("Manufac: ABC") && !log.contains("No Model Name.")) break;
    }
    Rig& r = *rig;
    QCOMPARE(r.led(), LedShape::Green);
    QCOMPARE(shown, (QStringList{"Searching EMU1 (1 of 4)…", "Searching EMU2 (2 of 4)…",
                                 "Searching EMU3 (3 of 4)…"}));
    const QString log = r.f->form->debugLogText();
    QVERIFY2(log.contains("Check EMU1\r\n"), qPrintable(log));
    QVERIFY(log.contains("No Device Detected."));
    QVERIFY(log.contains("Check EMU2\r\n"));
    QVERIFY(log.contains("Manufac: ABC"));
    QVERIFY(log.contains("Check EMU3\r\n"));
    QVERIFY(log.contains("Manufac: QEV"));
    QVERIFY(!log.contains("EMU4"));
    QVERIFY(!r.devices[3]->hostConnected());
    QCOMPARE(r.devices[3]->frameCount(), 0);
}

void ConnectionTest::ispDeviceEntersIspState() {
    EmulatorConfig c;
    c.mode = EmulatorConfig::Mode::Isp;
    Rig r({c});
    r.search();
    QCOMPARE(r.led(), LedShape::Red);
    QCOMPARE(r.text("Label_Model_Name"), QString("ISP Mode."));
    QCOMPARE(r.text("Label_FW_Version"), QString("Target Version : "));
    QCOMPARE(r.f->find<QGroupBox>("GroupBox4")->height(), 132);
    // The firmware controls lie below 52 pixels; the taller group shows them.
    for (const char* n :
         {"Edit_Fw_Path", "Button_Open_Fw", "Button_Update_Fw", "CheckBox_FW_Verify", "Label1"}) {
        const QRect g = r.f->find<QWidget>(n)->geometry();
        QVERIFY2(g.top() >= 52 && g.bottom() < 132, n);
    }
    QVERIFY(!r.enabled("BitBtn_Search"));
    QVERIFY(r.enabled("BitBtn_Disconnect"));
    QVERIFY(!r.enabled("Button_DL_IntEdid"));
    QVERIFY(r.f->form->link().LinkFlags & IspMode);
    QCOMPARE(r.f->form->link().IspVariant, uint8_t(0));
    // In ISP mode the watchdog does not run.
    QTest::qWait(3500);
    QCOMPARE(r.led(), LedShape::Red);
}

void ConnectionTest::watchdogDisconnectsSilentDevice() {
    Rig r({apiDevice()});
    r.search();
    QCOMPARE(r.led(), LedShape::Green);
    r.devices[0]->setFaults({FaultRule{FaultKind::Silent, -1, 0, 0, -1}});
    // 30 receive ticks without an answer to the poll: about 3 s after the last answer.
    QTRY_COMPARE_WITH_TIMEOUT(r.led(), LedShape::Grey, 8000);
    QVERIFY(r.enabled("BitBtn_Search"));
    QVERIFY(!r.enabled("Button_DL_IntEdid"));
    QVERIFY(!r.f->form->link().portOpen());
}

void ConnectionTest::pulledCableDisconnects() {
    Rig r({apiDevice()});
    r.search();
    QCOMPARE(r.led(), LedShape::Green);
    r.devices[0]->hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(r.led(), LedShape::Grey, 8000);
    QVERIFY(r.enabled("BitBtn_Search"));
    QVERIFY(!r.enabled("BitBtn_Disconnect"));
    QVERIFY(!r.f->form->link().portOpen());
}

void ConnectionTest::openFailureLogsTheSystemsReason() {
    auto ports = std::make_unique<FixedPortLister>();
    ports->addPort(QStringLiteral("GONE1"), QStringLiteral("/nonexistent/ttyGONE1"));
    FormFixture f(std::move(ports));
    QTest::mouseClick(f.find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    const QString log = f.form->debugLogText();
    QVERIFY2(log.startsWith("Open GONE1 Failed.\r\n  "), qPrintable(log));
    QVERIFY(log.endsWith("\r\n"));
    QVERIFY(log.size() > QString("Open GONE1 Failed.\r\n  \r\n").size());
    QVERIFY(f.find<QPushButton>("BitBtn_Search")->isEnabled());
}

VARNOK_TEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
