// Open (image check) and Update (mode and device checks, which file is programmed) of the
// firmware page, without widgets.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "firmware/FirmwareOperations.h"
#include "tests/firmware/IspFakes.h"

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

// The operations as the window drives them: the path it passes is the file last chosen in its
// shared open dialog, `chosen` whether the dialog was just confirmed.
struct Rig {
    NullLinkView linkView;
    DeviceLink link{linkView};
    RecordingView view;
    VirtualClock clock;
    FirmwareOperations ops{link, view, clock};
    QTemporaryDir dir;
    QString dialogFile;  // the shared dialog's current file
    FirmwareCheckResult last;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
        return path;
    }
    void open(std::optional<QString> answer) {
        if (answer) dialogFile = *answer;
        last = ops.openFirmware(dialogFile, answer.has_value());
    }
    bool armed() const { return !ops.checkedPath().isEmpty(); }
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
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("version");
    const int tagged = FirmwareCheck::Tagged, illegal = FirmwareCheck::Illegal;
    QTest::newRow("tag") << taggedImage("FW Ver:", "1234") << 0 << tagged
                         << QStringLiteral("v1.234");
    QTest::newRow("lower-case v") << taggedImage("FW ver:", "1234") << 0 << illegal << QString();
    QTest::newRow("zero ends the version") << taggedImage("FW Ver:", QByteArray("2\0"
                                                                                "99",
                                                                                4))
                                           << 0 << tagged << QStringLiteral("v2.");
    QTest::newRow("any characters shown")
        << taggedImage("FW Ver:", "A.bc") << 0 << tagged << QStringLiteral("vA..bc");
    QTest::newRow("short file reads erased")
        << QByteArray(0x1016, 'x') << 0 << illegal << QString();
    QTest::newRow("tag, version past the end") << taggedImage("FW Ver:", "", 0x1018) << 0 << tagged
                                               << QStringLiteral("v\xFF.\xFF\xFF\xFF");
    QTest::newRow("ISP029: any file")
        << QByteArray(10, 'x') << 1 << int(FirmwareCheck::Untagged) << QString();
}

void FirmwareOperationsTest::imageCheck() {
    QFETCH(QByteArray, image);
    QFETCH(int, variant);
    QFETCH(int, outcome);
    QFETCH(QString, version);
    Rig rig;
    rig.link.IspVariant = uint8_t(variant);
    const QString path = rig.file(QStringLiteral("fw.bin"), image);
    rig.open(path);
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open OK.\r\n"));
    QCOMPARE(int(rig.last.outcome), outcome);
    QCOMPARE(rig.last.data, version);
    // Update is armed with the file, except for an image without its tag.
    QCOMPARE(rig.ops.checkedPath(), outcome == FirmwareCheck::Illegal ? QString() : path);
    QVERIFY(rig.view.progress.isEmpty());  // Label1 is left alone
}

void FirmwareOperationsTest::cancelChecksTheFileChosenLast() {
    Rig rig;
    const QString fw = rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234"));
    rig.open(fw);
    rig.view.log.clear();
    rig.open(std::nullopt);  // cancelled: the earlier file is checked again
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open OK.\r\n"));
    QCOMPARE(rig.last.data, QStringLiteral("v1.234"));
    QVERIFY(rig.armed());

    // An EDID chosen on another page is what a cancelled Open checks next.
    rig.dialogFile = rig.file(QStringLiteral("edid.bin"), QByteArray(256, '\0'));
    rig.open(std::nullopt);
    QCOMPARE(rig.last.outcome, FirmwareCheck::Illegal);
    QVERIFY(!rig.armed());
}

void FirmwareOperationsTest::openFailure() {
    Rig rig;
    rig.open(rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234")));
    QVERIFY(rig.armed());
    rig.dialogFile = rig.dir.filePath(QStringLiteral("gone.bin"));
    rig.open(std::nullopt);  // cancelled, and the file last chosen elsewhere is gone
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open Fail.\r\n"));
    QCOMPARE(rig.last.outcome, FirmwareCheck::OpenFailed);
    QVERIFY(rig.armed());  // keeps its state

    rig.open(rig.dir.filePath(QStringLiteral("gone.bin")));  // chosen: the path box shows it
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open Fail.\r\n"));
    QVERIFY(!rig.armed());
}

void FirmwareOperationsTest::updateRefusals_data() {
    QTest::addColumn<uint8_t>("flags");
    QTest::addColumn<uint8_t>("variant");
    QTest::addColumn<int>("outcome");
    QTest::newRow("not in ISP mode")
        << uint8_t(DeviceAlive) << uint8_t(0) << int(FirmwareOutcome::NotIspMode);
    QTest::newRow("unknown device")
        << uint8_t(IspMode) << uint8_t(2) << int(FirmwareOutcome::UnknownDevice);
}

void FirmwareOperationsTest::updateRefusals() {
    QFETCH(uint8_t, flags);
    QFETCH(uint8_t, variant);
    QFETCH(int, outcome);
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.IspVariant = 0;
    rig.open(rig.file(QStringLiteral("fw.bin"), taggedImage("FW Ver:", "1234")));
    rig.link.LinkFlags = flags;
    rig.link.IspVariant = variant;
    rig.view.log = QStringLiteral("before");
    QCOMPARE(int(rig.ops.updateFirmware().outcome), outcome);
    QVERIFY(port->writes.isEmpty());
    QCOMPARE(rig.view.log, QStringLiteral("before"));
    QVERIFY(rig.view.running.isEmpty());
    QVERIFY(rig.view.progress.isEmpty());
}

void FirmwareOperationsTest::programsTheCheckedFile() {
    Rig rig;
    auto* port = new Variant0Port;
    port->incoming = QByteArray(16, 'I');
    rig.link.ComPort.reset(port);
    rig.link.LinkFlags = IspMode;
    const QByteArray firmware = taggedImage("FW Ver:", "1234", 0x1F600);
    rig.open(rig.file(QStringLiteral("fw.bin"), firmware));
    QVERIFY(rig.armed());
    // Another page chooses an EDID file in the shared dialog afterwards.
    rig.dialogFile = rig.file(QStringLiteral("edid.bin"), QByteArray(256, 'E'));

    QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::Programmed);
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
    QVERIFY(rig.armed());
    rig.open(rig.dir.filePath(QStringLiteral("b.bin")));
    QVERIFY(!rig.armed());
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
    QVERIFY(rig.armed());
    rig.link.IspVariant = 0;
    QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::Illegal);
    QVERIFY(port->writes.isEmpty());
    QVERIFY(!rig.armed());
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
        QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::Busy);
        const QString log = rig.view.log;
        QCOMPARE(rig.ops.openFirmware(rig.dialogFile, false).outcome, FirmwareCheck::OpenFailed);
        QCOMPARE(rig.view.log, log);  // refused before any check
    };
    QCOMPARE(rig.ops.updateFirmware().outcome, FirmwareOutcome::Programmed);
    QCOMPARE(nested, 1);
    QCOMPARE(rig.view.running, (QList<bool>{true, false}));
    QCOMPARE(port->commandsOf(0x86).size(), 243);
    QVERIFY(!rig.ops.updating());
}

QTEST_GUILESS_MAIN(FirmwareOperationsTest)
#include "tst_firmware_operations.moc"
