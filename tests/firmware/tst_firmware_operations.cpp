// Open (image check) and Update (mode and device checks, which file is programmed) of the
// firmware page, without widgets.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "firmware/FirmwareOperations.h"
#include "tests/firmware/IspFakes.h"
#include "tests/support/ScriptedDialogs.h"

using namespace varnok;
using namespace varnok::test;

namespace {

// An image with `tag` at 0x1010, then a blank and `version` from 0x1018.
QByteArray taggedImage(const QByteArray& tag, const QByteArray& version, int size = 0x2000) {
    QByteArray image = randomImage(size, 2);
    const QByteArray field = tag + ' ' + version;
    image.replace(0x1010, field.size(), field);
    return image;
}

struct Rig {
    NullLinkView linkView;
    DeviceLink link{linkView};
    ScriptedDialogs dialogs;
    RecordingView view;
    VirtualClock clock;
    FirmwareOperations ops{link, dialogs, view, clock};
    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
        return path;
    }
    void open(std::optional<QString> answer) {
        dialogs.openAnswers.push_back(answer);
        ops.openFirmware();
    }
};

}  // namespace

class FirmwareOperationsTest : public QObject {
    Q_OBJECT
private slots:
    void imageCheck_data();
    void imageCheck();
    void cancelChecksTheFileChosenLast();
    void openFailure();
    void updateRefusals_data();
    void updateRefusals();
    void programsTheCheckedFile();
    void unreadableChoiceProgramsNothing();
    void tagCheckedAgainBeforeProgramming();
    void secondUpdateRefusedWhileRunning();
};

void FirmwareOperationsTest::imageCheck_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("tag") << taggedImage("FW Ver:", "1234") << 0
                         << QStringLiteral("Target Version : v1.234") << true;
    QTest::newRow("lower-case v") << taggedImage("FW ver:", "1234") << 0
                                  << QStringLiteral("Target Version : Illegal !") << false;
    QTest::newRow("zero ends the version") << taggedImage("FW Ver:", QByteArray("2\0"
                                                                                "99",
                                                                                4))
                                           << 0 << QStringLiteral("Target Version : v2.") << true;
    QTest::newRow("any characters shown")
        << taggedImage("FW Ver:", "A.bc") << 0 << QStringLiteral("Target Version : vA..bc") << true;
    QTest::newRow("short file reads erased")
        << QByteArray(0x1016, 'x') << 0 << QStringLiteral("Target Version : Illegal !") << false;
    QTest::newRow("tag, version past the end")
        << taggedImage("FW Ver:", "", 0x1018) << 0
        << QStringLiteral("Target Version : v\xFF.\xFF\xFF\xFF") << true;
    QTest::newRow("ISP029: any file")
        << QByteArray(10, 'x') << 1 << QStringLiteral("Target Version : ") << true;
}

void FirmwareOperationsTest::imageCheck() {
    QFETCH(QByteArray, image);
    QFETCH(int, variant);
    QFETCH(QString, version);
    QFETCH(bool, enabled);
    Rig rig;
    rig.link.IspVariant = uint8_t(variant);
    rig.view.updateEnabled = !enabled;
    const QString path = rig.file(QStringLiteral("fw.bin"), image);
    rig.open(path);
    QCOMPARE(rig.view.path, path);
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open OK.\r\n"));
    QCOMPARE(rig.view.version, version);
    QCOMPARE(rig.view.updateEnabled, enabled);
    QCOMPARE(rig.ops.checkedPath(), enabled ? path : QString());
    QVERIFY(rig.view.progress.isEmpty());  // Label1 is left alone
}

void FirmwareOperationsTest::cancelChecksTheFileChosenLast() {
    Rig rig;
    const QString fw = rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234"));
    rig.open(fw);
    rig.view.version.clear();
    rig.view.log.clear();
    rig.open(std::nullopt);  // cancelled: the earlier file is checked again
    QCOMPARE(rig.view.path, fw);
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open OK.\r\n"));
    QCOMPARE(rig.view.version, QStringLiteral("Target Version : v1.234"));
    QVERIFY(rig.view.updateEnabled);

    // An EDID chosen on another page is what a cancelled Open checks next.
    const QString edid = rig.file(QStringLiteral("edid.bin"), QByteArray(256, '\0'));
    rig.dialogs.openAnswers.push_back(edid);
    QVERIFY(rig.dialogs.executeOpen());
    rig.open(std::nullopt);
    QCOMPARE(rig.view.path, fw);  // the path field keeps its text
    QCOMPARE(rig.view.version, QStringLiteral("Target Version : Illegal !"));
    QVERIFY(!rig.view.updateEnabled);
}

void FirmwareOperationsTest::openFailure() {
    Rig rig;
    rig.view.updateEnabled = true;
    rig.open(std::nullopt);  // nothing ever chosen
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open Fail.\r\n"));
    QCOMPARE(rig.view.label1(), QStringLiteral("Update Fw Failed."));
    QVERIFY(rig.view.label1Red());
    QVERIFY(rig.view.updateEnabled);  // keeps its state
    QCOMPARE(rig.view.version, QStringLiteral("Target Version : "));

    rig.open(rig.dir.filePath(QStringLiteral("gone.bin")));
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open Fail.\r\n"));
    QVERIFY(rig.view.path.endsWith(QStringLiteral("gone.bin")));
}

void FirmwareOperationsTest::updateRefusals_data() {
    QTest::addColumn<uint8_t>("flags");
    QTest::addColumn<uint8_t>("variant");
    QTest::addColumn<QString>("label");
    QTest::newRow("not in ISP mode")
        << uint8_t(DeviceAlive) << uint8_t(0) << QStringLiteral("Not ISP Mode.");
    QTest::newRow("unknown device")
        << uint8_t(IspMode) << uint8_t(2) << QStringLiteral("Unknow Device.");
}

void FirmwareOperationsTest::updateRefusals() {
    QFETCH(uint8_t, flags);
    QFETCH(uint8_t, variant);
    QFETCH(QString, label);
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.IspVariant = 0;
    rig.open(rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234")));
    rig.link.LinkFlags = flags;
    rig.link.IspVariant = variant;
    rig.view.log = QStringLiteral("before");
    rig.ops.updateFirmware();
    QCOMPARE(rig.view.progress.last(), qMakePair(label, true));
    QVERIFY(port->writes.isEmpty());
    QCOMPARE(rig.view.log, QStringLiteral("before"));
    QVERIFY(rig.view.running.isEmpty());
}

void FirmwareOperationsTest::programsTheCheckedFile() {
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.LinkFlags = IspMode;
    const QByteArray firmware = taggedImage("FW Ver:", "1234", 0x1F600);
    rig.open(rig.file(QStringLiteral("fw.bin"), firmware));
    QVERIFY(rig.view.updateEnabled);
    // Another page chooses an EDID file in the shared dialog afterwards.
    rig.dialogs.openAnswers.push_back(rig.file(QStringLiteral("edid.bin"), QByteArray(256, 'E')));
    QVERIFY(rig.dialogs.executeOpen());

    rig.ops.updateFirmware();
    QCOMPARE(rig.view.running, (QList<bool>{true, false}));
    QCOMPARE(port->rom.left(0x7000), firmware.left(0x7000));
    QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
}

void FirmwareOperationsTest::unreadableChoiceProgramsNothing() {
    // A file A is checked; then the user confirms a file B that cannot be opened. The path box
    // shows B, so Update must not program A.
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.LinkFlags = IspMode;
    rig.open(rig.file(QStringLiteral("a.bin"), taggedImage("FW Ver:", "1234", 0x1F600)));
    QVERIFY(rig.view.updateEnabled);
    rig.open(rig.dir.filePath(QStringLiteral("b.bin")));
    QVERIFY(rig.view.path.endsWith(QStringLiteral("b.bin")));
    QVERIFY(!rig.view.updateEnabled);
    rig.ops.updateFirmware();  // as an assistive tool could still press it
    QVERIFY(port->writes.isEmpty());
}

void FirmwareOperationsTest::tagCheckedAgainBeforeProgramming() {
    Rig rig;
    auto* port = new Variant0Port;
    rig.link.ComPort.reset(port);
    rig.link.LinkFlags = IspMode;
    // Accepted untagged for the "ISP029" kind; then the other kind is found.
    rig.link.IspVariant = 1;
    rig.open(rig.file(QStringLiteral("plain.bin"), QByteArray(0x2000, 'p')));
    QVERIFY(rig.view.updateEnabled);
    rig.link.IspVariant = 0;
    rig.ops.updateFirmware();
    QVERIFY(port->writes.isEmpty());
    QCOMPARE(rig.view.version, QStringLiteral("Target Version : Illegal !"));
    QVERIFY(!rig.view.updateEnabled);
    QCOMPARE(rig.view.label1(), QStringLiteral("Update Fw Failed."));
    QVERIFY(rig.view.label1Red());
}

void FirmwareOperationsTest::secondUpdateRefusedWhileRunning() {
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.LinkFlags = IspMode;
    rig.open(rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234", 0x1F600)));
    int nested = 0;
    rig.view.onProgress = [&](const QString& text) {
        if (text != QStringLiteral("50%") || nested > 0) return;
        // The user clicks Update and Open again inside one of the update's pauses.
        ++nested;
        QVERIFY(rig.ops.updating());
        rig.ops.updateFirmware();
        rig.ops.openFirmware();
    };
    rig.ops.updateFirmware();
    QCOMPARE(nested, 1);
    QCOMPARE(rig.view.running, (QList<bool>{true, false}));
    QCOMPARE(rig.dialogs.openCount, 1);  // the second Open never showed the dialog
    QCOMPARE(port->commandsOf(0x86).size(), 243);
    QVERIFY(!rig.ops.updating());
}

QTEST_GUILESS_MAIN(FirmwareOperationsTest)
#include "tst_firmware_operations.moc"
