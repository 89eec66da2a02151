// The window's device operations when the line, the disk or the user lets them down, end to end
// against the emulated device on a real pseudo-terminal: a Disconnect inside an upload's pauses,
// a full file system under a save, an answer with bytes too many, a window closed mid-operation.
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/EmulatorRig.h"
#include "tests/app/FormFixture.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

Q_DECLARE_METATYPE(varnok::FaultRule)

namespace {

// A valid two-block image whose bytes differ from the emulator's default stores.
QByteArray ValidImage() {
    EdidImage image{};
    const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), image.begin());
    for (int i = 8; i < 126; ++i) image[size_t(i)] = uint8_t(i * 3);
    image[126] = 1;
    image[128] = 0x02;  // CTA-861 extension, revision 3, no data blocks
    image[129] = 0x03;
    image[130] = 4;
    SetBlockChecksum(image, 0);
    SetBlockChecksum(image, 1);
    return QByteArray(reinterpret_cast<const char*>(image.data()), kEdidSize);
}

using Rig = EmulatorRig;

// A small tmpfs, mounted for one test and filled to the last byte; unmounted when it goes.
struct FullDisk {
    QTemporaryDir dir;
    bool mounted = false;
    explicit FullDisk(const QStringList& filesToKeep) {
        if (!dir.isValid() || ::geteuid() != 0) return;
        mounted =
            ::mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=16k") == 0;
        if (!mounted) return;
        for (const QString& name : filesToKeep) WriteAll(dir.filePath(name), QByteArray(256, 'k'));
        QFile filler(dir.filePath("filler"));
        if (filler.open(QIODevice::WriteOnly))
            while (filler.write(QByteArray(512, 0)) == 512 && filler.flush()) {
            }
    }
    ~FullDisk() {
        if (mounted) ::umount2(dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
};

}  // namespace

class DeviceFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void disconnectEndsUploadForGood();
    void fullDiskKeepsTheFiles();
    void downloadTakesOnlyExactAnswers_data();
    void downloadTakesOnlyExactAnswers();
    void closingEndsTheOperation();
};

void DeviceFaultsTest::disconnectEndsUploadForGood() {
    Rig r({EmulatorConfig{}});
    QVERIFY(r.connect());
    QTemporaryDir dir;
    const QString file = dir.filePath("new.bin");
    QVERIFY(WriteAll(file, ValidImage()));
    r.f->dialogs->openAnswers = {file};
    QVERIFY(r.f->dialogs->executeOpen());
    const QByteArray userBefore = r.dev().store(EmuStore::User);

    // Inside block 0's paced data the user gives up, then presses Search at once.
    QTimer::singleShot(150, [&r] { r.click("BitBtn_Disconnect"); });
    QTimer::singleShot(200, [&r] { r.click("BitBtn_Search"); });
    r.click("Button_Upload_Edid");

    auto* label2 = r.find<QLabel>("Label2");
    QCOMPARE(label2->text(), QStringLiteral("Upload Edid Failed."));
    QCOMPARE(label2->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    // The device drops the data phase that stopped short when the host lets go of the line; the
    // Search, once the upload has ended, may connect again and read.
    QTest::qWait(500);
    for (const FrameRecord& fr : r.dev().frames())
        QVERIFY2(!(fr.kind == FrameRecord::Kind::Api && fr.w &&
                   (fr.code == 261 || fr.code == 262 || fr.code == 257)),
                 qPrintable(fr.toLogLine()));
    QCOMPARE(r.dev().store(EmuStore::User), userBefore);
}

void DeviceFaultsTest::fullDiskKeepsTheFiles() {
    if (::geteuid() != 0) QSKIP("mounting a small tmpfs needs root");
    FullDisk disk({"Internal_Edid.bin", "Created_Edid.bin"});
    if (!disk.mounted) QSKIP("tmpfs could not be mounted here");
    Rig r({EmulatorConfig{}});
    QVERIFY(r.connect());
    const QString downloaded = disk.dir.filePath("Internal_Edid.bin");
    const QString created = disk.dir.filePath("Created_Edid.bin");

    r.f->dialogs->saveAnswers = {downloaded};
    r.click("Button_DL_IntEdid");
    QTest::mouseClick(r.find<QRadioButton>("RadioButton_Brand_New"), Qt::LeftButton);
    r.f->dialogs->saveAnswers = {created};
    r.click("Button_Save_Created");

    QCOMPARE(ReadAll(downloaded), QByteArray(256, 'k'));
    QCOMPARE(ReadAll(created), QByteArray(256, 'k'));
    const QString reason = QStringLiteral("\nNo space left on device");
    QCOMPARE(r.f->dialogs->errors,
             (QStringList{"Download Edid Failed." + reason, "Save Edid Failed." + reason}));
    QVERIFY(r.f->form->debugLogText().startsWith("Edid Open OK.\r\nEdid Write Fail.\r\n"));
    QStringList left = QDir(disk.dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QCOMPARE(left, (QStringList{"Created_Edid.bin", "Internal_Edid.bin", "filler"}));
}

void DeviceFaultsTest::downloadTakesOnlyExactAnswers_data() {
    QTest::addColumn<FaultRule>("fault");
    QTest::addColumn<bool>("saved");
    QTest::newRow("noise inside block 0") << FaultRule{FaultKind::Insert, 261, 7} << false;
    QTest::newRow("stray bytes after block 0") << FaultRule{FaultKind::Stray, 261, 130} << false;
    // A device may hold an invalid EDID: a well-formed answer is saved as it came.
    QTest::newRow("bad checksums, exact") << FaultRule{FaultKind::Corrupt, 261, 4} << true;
}

void DeviceFaultsTest::downloadTakesOnlyExactAnswers() {
    QFETCH(FaultRule, fault);
    QFETCH(bool, saved);
    EmulatorConfig cfg;
    cfg.stores[0] = ValidImage();
    cfg.faults = {fault};
    Rig r({cfg});
    QVERIFY(r.connect());
    QTemporaryDir dir;
    const QString path = dir.filePath("Internal_Edid.bin");
    QVERIFY(WriteAll(path, "old"));
    r.f->dialogs->saveAnswers = {path};
    r.click("Button_DL_IntEdid");

    if (saved) {
        QByteArray corrupted = ValidImage();
        for (int i = 2; i < 6; ++i) corrupted[i] = char(~uint8_t(corrupted[i]));
        QCOMPARE(ReadAll(path), corrupted);
        QVERIFY(r.f->dialogs->errors.isEmpty());
    } else {
        QCOMPARE(ReadAll(path), QByteArray("old"));
        QVERIFY(r.f->form->debugLogText().endsWith("API Timeout.\r\n"));
        QCOMPARE(r.f->dialogs->errors, QStringList{"Download Edid Failed."});
    }
}

void DeviceFaultsTest::closingEndsTheOperation() {
    // A search over three silent ports, closed during the first probe: no further port is tried.
    {
        EmulatorConfig silent;
        silent.faults = {FaultRule{FaultKind::Silent, -1, 0, 0, -1}};
        Rig r({silent, silent, silent});
        QTimer::singleShot(200, r.f->form.get(), &QWidget::close);
        r.click("BitBtn_Search");
        QVERIFY(!r.f->form->isVisible());
        QCOMPARE(r.devices[1]->frameCount(), 0);
        QCOMPARE(r.devices[2]->frameCount(), 0);
        QVERIFY(r.f->dialogs->errors.isEmpty());
    }
    // A download closed in block 0's pause: the end notice goes out, no file and no box.
    Rig r({EmulatorConfig{}});
    QVERIFY(r.connect());
    QTemporaryDir dir;
    const QString path = dir.filePath("Internal_Edid.bin");
    r.f->dialogs->saveAnswers = {path};
    r.dev().clearFrames();
    QTimer::singleShot(100, r.f->form.get(), &QWidget::close);
    r.click("Button_DL_IntEdid");
    QVERIFY(r.dev().waitForFrames(4, 2000));
    QTest::qWait(200);
    QStringList codes;
    for (const FrameRecord& fr : r.dev().frames())
        if (fr.w || fr.code != 257) codes << QString::number(fr.code);  // not the status polls
    QCOMPARE(codes, (QStringList{"10", "264", "261", "11"}));
    QVERIFY(!QFile::exists(path));
    QVERIFY(r.f->dialogs->errors.isEmpty());
}

VARNOK_TEST_MAIN(DeviceFaultsTest)
#include "tst_device_faults.moc"
