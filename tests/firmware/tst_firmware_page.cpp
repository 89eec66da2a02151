// The Firmware group of the System page in the window: Open, Update, what they show, and what
// the window refuses while an update runs.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/FirmwarePage.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/firmware/IspFakes.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;
using namespace varnok::test;

namespace {

QByteArray taggedImage(int size, quint32 seed = 1) {
    QByteArray image = randomImage(size, seed);
    image.replace(0x1010, 12, "FW Ver: 1234");
    return image;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path;
}

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

}  // namespace

class FirmwarePageTest : public QObject {
    Q_OBJECT
private slots:
    void openShowsTheTargetVersion();
    void openFailureIsRed();
    void updateOutsideIspMode();
    void updateLocksTheWindow();
    void windowProgramsTheCheckedFile();
};

void FirmwarePageTest::openShowsTheTargetVersion() {
    FormFixture fx;
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("fw.bin"), taggedImage(0x2000));
    fx.dialogs->openAnswers.push_back(path);
    auto* update = fx.find<QPushButton>(QStringLiteral("Button_Update_Fw"));
    QVERIFY(!update->isEnabled());
    fx.find<QPushButton>(QStringLiteral("Button_Open_Fw"))->click();
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label_FW_Version"))->text(),
             QStringLiteral("Target Version : v1.234"));
    QCOMPARE(fx.find<QLineEdit>(QStringLiteral("Edit_Fw_Path"))->text(), path);
    QVERIFY(update->isEnabled());
    QCOMPARE(fx.form->debugLogText(), QStringLiteral("Fw Open OK.\r\n"));
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("0%"));
}

void FirmwarePageTest::openFailureIsRed() {
    FormFixture fx;
    fx.find<QPushButton>(QStringLiteral("Button_Open_Fw"))->click();  // cancelled, nothing chosen
    auto* label1 = fx.find<QLabel>(QStringLiteral("Label1"));
    QCOMPARE(label1->text(), QStringLiteral("Update Fw Failed."));
    QCOMPARE(textColour(label1), QColor(255, 0, 0));
    QCOMPARE(fx.form->debugLogText(), QStringLiteral("Fw Open Fail.\r\n"));
}

void FirmwarePageTest::updateOutsideIspMode() {
    FormFixture fx;
    QTemporaryDir dir;
    fx.dialogs->openAnswers.push_back(
        writeFile(dir, QStringLiteral("fw.bin"), taggedImage(0x2000)));
    fx.find<QPushButton>(QStringLiteral("Button_Open_Fw"))->click();
    fx.find<QPushButton>(QStringLiteral("Button_Update_Fw"))->click();
    auto* label1 = fx.find<QLabel>(QStringLiteral("Label1"));
    QCOMPARE(label1->text(), QStringLiteral("Not ISP Mode."));
    QCOMPARE(textColour(label1), QColor(255, 0, 0));
}

void FirmwarePageTest::updateLocksTheWindow() {
    FormFixture fx;
    QTemporaryDir dir;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    fx.form->link().ComPort.reset(port);
    fx.form->link().LinkFlags = IspMode;
    auto* open = fx.find<QPushButton>(QStringLiteral("Button_Open_Fw"));
    auto* update = fx.find<QPushButton>(QStringLiteral("Button_Update_Fw"));
    auto* disconnect = fx.find<QPushButton>(QStringLiteral("BitBtn_Disconnect"));
    disconnect->setEnabled(true);  // as in the ISP state
    fx.dialogs->openAnswers.push_back(
        writeFile(dir, QStringLiteral("fw.bin"), taggedImage(0x1F600)));
    open->click();
    fx.form->show();

    int readBacks = 0;
    bool lockedDuringUpdate = false, stillOpen = false;
    port->tamper = [&](int, int, QByteArray&) {
        ++readBacks;
        if (readBacks == 3) {
            lockedDuringUpdate =
                !open->isEnabled() && !update->isEnabled() && !disconnect->isEnabled();
            fx.form->close();  // the user closes the window in the middle of the update
            stillOpen = fx.form->isVisible();
        }
        if (readBacks == 5) port->lost = true;  // ends the update early
    };
    update->click();

    QVERIFY(lockedDuringUpdate);
    QVERIFY(stillOpen);
    QVERIFY(fx.form->debugLogText().contains(QStringLiteral("Close After Update.\r\n")));
    QVERIFY(fx.form->debugLogText().contains(QStringLiteral("ISP Port Lost.\r\n")));
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Update Fw Failed."));
    auto* status = fx.find<QLabel>(QStringLiteral("Label_Status"));
    QCOMPARE(status->text(), QStringLiteral("Firmware update stopped: the connection was lost; "
                                            "the device is partly programmed"));
    QCOMPARE(textColour(status), QColor(255, 0, 0));
    QVERIFY(open->isEnabled());
    QVERIFY(update->isEnabled());
    QTRY_VERIFY(!fx.form->isVisible());  // closed once the update had ended
}

void FirmwarePageTest::windowProgramsTheCheckedFile() {
    EmulatorConfig c;
    c.mode = EmulatorConfig::Mode::Isp;
    EmulatedDevice device(c);
    QString error;
    QVERIFY2(device.start(&error), qPrintable(error));
    auto ports = std::make_unique<FixedPortLister>();
    ports->addPort(QStringLiteral("EMU1"), device.slavePath());
    FormFixture fx(std::move(ports));
    QTemporaryDir dir;

    fx.find<QPushButton>(QStringLiteral("BitBtn_Search"))->click();
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label_Model_Name"))->text(),
             QStringLiteral("ISP Mode."));
    const QByteArray firmware = taggedImage(0x1F600, 44);
    fx.dialogs->openAnswers.push_back(writeFile(dir, QStringLiteral("fw.bin"), firmware));
    fx.find<QPushButton>(QStringLiteral("Button_Open_Fw"))->click();
    // The EDID page's Open then chooses an EDID file in the shared dialog.
    fx.dialogs->openAnswers.push_back(
        writeFile(dir, QStringLiteral("edid.bin"), QByteArray(256, char(0x5A))));
    fx.find<QPushButton>(QStringLiteral("Button_Open_Edid"))->click();
    QVERIFY(fx.dialogs->openFileName().endsWith(QStringLiteral("edid.bin")));

    fx.find<QPushButton>(QStringLiteral("Button_Update_Fw"))->click();

    const QByteArray rom = device.rom();
    QCOMPARE(rom.left(0x7000), firmware.left(0x7000));
    QCOMPARE(rom.mid(0x8000, 0x8000), firmware.mid(0x8000, 0x8000));
    QCOMPARE(rom.mid(0x18000, 0x8000), firmware.mid(0x10000, 0x8000));
    QCOMPARE(rom.mid(0x28000, 0x7600), firmware.mid(0x18000, 0x7600));
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("100%"));
    // The version of the file Open checked, not of the EDID file chosen since.
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label_Status"))->text(),
             QStringLiteral("Firmware v1.234 programmed and verified"));
    QVERIFY(fx.find<QPushButton>(QStringLiteral("BitBtn_Disconnect"))->isEnabled());
    QCOMPARE(fx.form->link().LinkMode, kLinkModeApi);
}

VARNOK_TEST_MAIN(FirmwarePageTest)
#include "tst_firmware_page.moc"
