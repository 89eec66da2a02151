// The EDID Controller page end to end: the window connects to the emulated device over a real
// pseudo-terminal through its Search button, and every download, upload and mode press is checked
// by the frames the device received, the files written and the window's labels and log.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Bytes.h"
#include "tests/support/EmulatorFrames.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

Q_DECLARE_METATYPE(varnok::FaultRule)

namespace {

bool isRed(const QLabel* l) {
    return l->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

// Forwards to the real port and reports every write, so a test can look at the window at the
// moment a frame leaves the host.
class SpyPort : public SerialPort {
public:
    SpyPort(std::unique_ptr<SerialPort> inner, std::function<void(const QByteArray&)> onWrite)
        : inner_(std::move(inner)), onWrite_(std::move(onWrite)) {}
    bool open(const QString& path) override { return inner_->open(path); }
    bool setLineSettings() override { return inner_->setLineSettings(); }
    bool isOpen() const override { return inner_->isOpen(); }
    void close() override { inner_->close(); }
    qint64 write(const QByteArray& bytes) override {
        onWrite_(bytes);
        return inner_->write(bytes);
    }
    qint64 bytesWaiting() override { return inner_->bytesWaiting(); }
    QByteArray read(qint64 max) override { return inner_->read(max); }
    void discardInput() override { inner_->discardInput(); }
    bool hasFatalError() const override { return inner_->hasFatalError(); }
    QString errorString() const override { return inner_->errorString(); }
    std::unique_ptr<SerialPort> release() { return std::move(inner_); }

private:
    std::unique_ptr<SerialPort> inner_;
    std::function<void(const QByteArray&)> onWrite_;
};

}  // namespace

class DeviceOpsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void downloadSources_data();
    void downloadSources();
    void downloadFailuresKeepEverything_data();
    void downloadFailuresKeepEverything();
    void downloadCancelAndOpenFail();
    void secondClickDuringDownloadIgnored();
    void uploadShortFileAndModeFirst();
    void uploadInvalidImages();
    void uploadUsesFileChosenEarlier();
    void modeButtons();
    void otherPagesWaitTheirTurn();
    void cleanupTestCase();

private:
    // The device's frames since the last clear, without the status polls (code 257 reads).
    QStringList framesAfter(int expected);
    template <typename T>
    T* find(const char* name) {
        return fx_->find<T>(QString::fromLatin1(name));
    }
    void click(const char* name) { find<QPushButton>(name)->click(); }
    void waitForMode(uint8_t mode);

    std::unique_ptr<EmulatedDevice> dev_;
    std::unique_ptr<FormFixture> fx_;
    QTemporaryDir dir_;
};

void DeviceOpsTest::initTestCase() {
    QVERIFY(dir_.isValid());
    EmulatorConfig cfg;
    for (int s = 0; s < kEmuStoreCount; ++s) cfg.stores[size_t(s)] = Pattern(s + 1);
    dev_ = std::make_unique<EmulatedDevice>(cfg);
    QString error;
    QVERIFY2(dev_->start(&error), qPrintable(error));
    fx_ = std::make_unique<FormFixture>(std::make_unique<FixedPortLister>(
        QList<QPair<QString, QString>>{{QStringLiteral("EMU"), dev_->slavePath()}}));
    // A search whose device answered after a fixed pause on a loaded machine finds nothing:
    // searched again until connected, as a user would.
    for (int i = 0; i < 5 && !find<QPushButton>("Button_DL_IntEdid")->isEnabled(); ++i)
        click("BitBtn_Search");
    QTRY_VERIFY_WITH_TIMEOUT(find<QPushButton>("Button_DL_IntEdid")->isEnabled(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(find<QRadioButton>("RadioButton_Set_IntEdid")->isChecked(), 5000);
}

void DeviceOpsTest::init() {
    dev_->setFaults({});
    dev_->clearFrames();
    fx_->dialogs->errors.clear();
}

void DeviceOpsTest::cleanup() {
    dev_->setFaults({});
    // Every operation leaves the status poll running while the device is held.
    QVERIFY(fx_->form->link().Timer_Poll_Status->isActive());
}

void DeviceOpsTest::cleanupTestCase() {
    fx_.reset();
    dev_->stop();
}

QStringList DeviceOpsTest::framesAfter(int expected) {
    return DeviceFrames(*dev_, expected);
}

void DeviceOpsTest::waitForMode(uint8_t mode) {
    dev_->setEdidMode(mode);
    const char* name = mode == 2   ? "RadioButton_Set_ExtEdid"
                       : mode == 3 ? "RadioButton_Set_UserEdid"
                                   : "RadioButton_Set_IntEdid";
    QTRY_VERIFY_WITH_TIMEOUT(find<QRadioButton>(name)->isEnabled(), 5000);
}

void DeviceOpsTest::downloadSources_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("store");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<int>("pauseMs");
    const QString open = "80 0A 00 0D", end = "80 0B 00 0D";
    QTest::newRow("internal") << "Button_DL_IntEdid" << 0 << "Internal_Edid.bin"
                              << QStringList{open, "81 08 01 0D FF", "01 05 80 0D", "01 06 80 0D",
                                             end}
                              << 200;
    QTest::newRow("external") << "Button_DL_ExtEdid" << 1 << "External_Edid.bin"
                              << QStringList{open, "02 06 80 0D", "02 07 80 0D", end} << 200;
    QTest::newRow("user") << "Button_DL_UserEdid" << 2 << "User_Edid.bin"
                          << QStringList{open, "81 08 01 0D 00", "01 05 80 0D", "01 06 80 0D", end}
                          << 300;
    QTest::newRow("stored (hidden button)")
        << "Button_DL_StoredEdid" << 3 << "Stored_Edid.bin"
        << QStringList{open, "81 08 01 0D 55", "01 05 80 0D", "01 06 80 0D", end} << 200;
}

void DeviceOpsTest::downloadSources() {
    QFETCH(QString, button);
    QFETCH(int, store);
    QFETCH(QString, proposed);
    QFETCH(QStringList, frames);
    QFETCH(int, pauseMs);
    const QString path = dir_.filePath(proposed);
    WriteAll(path, QByteArray(300, 'x'));  // an existing, longer file is replaced whole
    fx_->dialogs->saveAnswers = {path};
    QElapsedTimer clock;
    clock.start();
    find<QPushButton>(qPrintable(button))->click();
    const qint64 tookNs = clock.nsecsElapsed();

    QCOMPARE(fx_->dialogs->proposedSaveNames.last(), proposed);
    QCOMPARE(framesAfter(frames.size()), frames);
    const QByteArray expected = dev_->store(EmuStore(store));
    QCOMPARE(ReadAll(path), expected);
    QCOMPARE(BytesOf(fx_->form->stores().forSource(EdidSource(store)).image), expected);
    QCOMPARE(fx_->form->debugLogText().left(15), QStringLiteral("Edid Open OK.\r\n"));
    QVERIFY(fx_->dialogs->errors.isEmpty());
    // Each block's answer is taken only after the source's pause. Measured where the pauses
    // are made: the device's receive times would shrink the gap whenever a loaded machine lets
    // the emulator read block 0's frame late.
    QVERIFY2(tookNs >= 2 * qint64(pauseMs) * 1000000, qPrintable(QString::number(tookNs)));
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter(proposed + ".").size(), 0);
}

void DeviceOpsTest::downloadFailuresKeepEverything_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<FaultRule>("fault");
    QTest::addColumn<QStringList>("frames");
    const QString open = "80 0A 00 0D", sel = "81 08 01 0D FF", end = "80 0B 00 0D";
    QTest::newRow("selection never acknowledged")
        << "Button_DL_IntEdid" << FaultRule{FaultKind::Silent, 0x0108}
        << QStringList{open, sel, end};
    QTest::newRow("silent block 0") << "Button_DL_IntEdid" << FaultRule{FaultKind::Silent, 0x0105}
                                    << QStringList{open, sel, "01 05 80 0D", end};
    QTest::newRow("partial block 1")
        << "Button_DL_IntEdid" << FaultRule{FaultKind::Partial, 0x0106, 60}
        << QStringList{open, sel, "01 05 80 0D", "01 06 80 0D", end};
    QTest::newRow("wrong lead byte")
        << "Button_DL_IntEdid" << FaultRule{FaultKind::WrongLead, 0x0105, 0xA0}
        << QStringList{open, sel, "01 05 80 0D", end};
    QTest::newRow("external answered late")
        << "Button_DL_ExtEdid" << FaultRule{FaultKind::Slow, 0x0207, 400}
        << QStringList{open, "02 06 80 0D", "02 07 80 0D", end};
}

void DeviceOpsTest::downloadFailuresKeepEverything() {
    QFETCH(QString, button);
    QFETCH(FaultRule, fault);
    QFETCH(QStringList, frames);
    dev_->setFaults({fault});
    EdidInfo& info =
        button.contains("Ext") ? fx_->form->stores().external : fx_->form->stores().internal;
    info.image.fill(0x5A);
    const QString existing = dir_.filePath("keep.bin"), fresh = dir_.filePath("fresh.bin");
    QFile::remove(fresh);
    QVERIFY(WriteAll(existing, "precious"));

    for (const QString& target : {existing, fresh}) {
        dev_->clearFrames();
        fx_->dialogs->saveAnswers = {target};
        find<QPushButton>(qPrintable(button))->click();
        QVERIFY(fx_->form->debugLogText().endsWith(QStringLiteral("API Timeout.\r\n")));
        QCOMPARE(framesAfter(frames.size()), frames);
        // A late answer must not be taken for the next command's.
        QTest::qWait(500);
    }
    QCOMPARE(ReadAll(existing), QByteArray("precious"));
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(QDir(dir_.path()).entryList({"keep.bin.*", "fresh.bin.*"}, QDir::Files),
             QStringList{});
    QCOMPARE(BytesOf(info.image), QByteArray(256, 0x5A));
    QCOMPARE(fx_->dialogs->errors, (QStringList{"Download Edid Failed.", "Download Edid Failed."}));
}

void DeviceOpsTest::downloadCancelAndOpenFail() {
    fx_->form->logReplace("before\r\n");
    fx_->dialogs->saveAnswers = {std::nullopt};
    click("Button_DL_IntEdid");
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    QCOMPARE(fx_->form->debugLogText(), QStringLiteral("before\r\n"));
    QVERIFY(fx_->dialogs->errors.isEmpty());

    dev_->clearFrames();
    fx_->dialogs->saveAnswers = {dir_.filePath("no/such/folder/x.bin")};
    click("Button_DL_UserEdid");
    QCOMPARE(fx_->form->debugLogText(), QStringLiteral("Edid Open Fail.\r\n"));
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    QCOMPARE(fx_->dialogs->errors, QStringList{"Download Edid Failed.\nNo such file or directory"});
}

void DeviceOpsTest::secondClickDuringDownloadIgnored() {
    // A click inside the first download's pauses would interleave its commands with the first
    // one's and hand it the wrong answers.
    const QString first = dir_.filePath("first.bin"), second = dir_.filePath("second.bin");
    fx_->dialogs->saveAnswers = {first, second};
    QString refused;
    QTimer::singleShot(100, this, [&] {
        click("Button_DL_ExtEdid");
        refused = find<QLabel>("Label_Status")->text();
    });
    click("Button_DL_IntEdid");
    // The refused click was told, not swallowed.
    QCOMPARE(refused, QStringLiteral("Another operation is running; try again once it has ended"));
    QCOMPARE(framesAfter(5), (QStringList{"80 0A 00 0D", "81 08 01 0D FF", "01 05 80 0D",
                                          "01 06 80 0D", "80 0B 00 0D"}));
    QCOMPARE(ReadAll(first), dev_->store(EmuStore::Internal));
    QCOMPARE(fx_->dialogs->saveAnswers.size(), size_t(1));
    fx_->dialogs->saveAnswers.clear();
}

void DeviceOpsTest::otherPagesWaitTheirTurn() {
    // The pauses of an upload let every page take clicks. An operation of another page started
    // then would put its commands in the middle of the paced data, and the device would store
    // their bytes as EDID bytes: each is refused, and runs once the upload is over.
    const QByteArray image = ValidBase(1) + ValidExtension();
    const QString path = dir_.filePath("turns.bin");
    QVERIFY(WriteAll(path, image));
    fx_->dialogs->openAnswers = {path};
    click("Button_Open_Edid");
    auto* analyzerInt = find<QRadioButton>("RadioButton_Analysis_IntEdid");
    auto* analyzerExt = find<QRadioButton>("RadioButton_Analysis_ExtEdid");
    analyzerExt->setChecked(true);  // an analyzer read, before the upload
    QTest::qWait(200);              // its last notice may still be on its way
    QVERIFY(!fx_->form->operationRunning());
    const QString never = dir_.filePath("never.bin");
    fx_->dialogs->openAnswers = {never};
    fx_->dialogs->saveAnswers = {never};
    dev_->clearFrames();

    bool tried = false;
    QString refused;
    QTimer::singleShot(120, this, [&] {
        tried = fx_->form->operationRunning();
        click("Button_Upload_Created");
        click("Button_Save_Created");
        click("Button_DL_IntEdid");
        analyzerInt->setChecked(true);
        find<QRadioButton>("RadioButton_Analysis_Bin")->click();
        // A creator load keeps off the line and opens no dialog.
        find<QRadioButton>("RadioButton_Bin_Modifiy")->click();
        refused = find<QLabel>("Label_Status")->text();
    });
    click("Button_Upload_Edid");
    QVERIFY(tried);
    // Each refused click says so, the creator's load too.
    QCOMPARE(refused, QStringLiteral("Another operation is running; try again once it has ended"));
    QCOMPARE(framesAfter(5), (QStringList{"80 0A 00 0D", "81 05 80 0D +128", "81 06 80 0D +128",
                                          "81 01 01 0D 03", "80 0B 00 0D"}));
    QCOMPARE(dev_->store(EmuStore::User), image);
    QCOMPARE(find<QLabel>("Label2")->text(), QStringLiteral("100%"));
    // Nothing of the refused operations happened: no dialog, no file.
    QCOMPARE(fx_->dialogs->openAnswers.size(), size_t(1));
    QCOMPARE(fx_->dialogs->saveAnswers.size(), size_t(1));
    QVERIFY(!QFile::exists(never));
    // The analyzer's choice went back to the one it had, unread.
    QVERIFY(analyzerExt->isChecked());
    QVERIFY(!analyzerInt->isChecked());
    QVERIFY(!find<QRadioButton>("RadioButton_Analysis_Bin")->isChecked());
    QVERIFY(!fx_->form->operationRunning());

    // The line is free again: the same choice now reads.
    dev_->clearFrames();
    analyzerInt->setChecked(true);
    QVERIFY(framesAfter(1).contains(QStringLiteral("01 05 80 0D")));
    fx_->dialogs->openAnswers.clear();
    fx_->dialogs->saveAnswers.clear();
}

void DeviceOpsTest::uploadShortFileAndModeFirst() {
    // No file chosen yet: the notices as ever, and words that say what to do.
    click("Button_Upload_Edid");
    QCOMPARE(find<QLabel>("Label_Status")->text(), QStringLiteral("Choose a file first"));
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    dev_->clearFrames();

    const QByteArray base = ValidBase(0);
    const QString path = dir_.filePath("short.bin");
    QVERIFY(WriteAll(path, base));
    fx_->dialogs->openAnswers = {path};
    click("Button_Open_Edid");
    QCOMPARE(find<QLineEdit>("Edit_Edid_Path")->text(), path);
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));

    // The window must show User mode before the mode command leaves the host.
    auto* user = find<QRadioButton>("RadioButton_Set_UserEdid");
    QVERIFY(!user->isChecked());
    std::optional<bool> userCheckedAtModeFrame;
    DeviceLink& link = fx_->form->link();
    link.ComPort = std::make_unique<SpyPort>(std::move(link.ComPort), [&](const QByteArray& b) {
        if (b == QByteArray::fromHex("8101010D")) userCheckedAtModeFrame = user->isChecked();
    });
    dev_->clearFrames();
    click("Button_Upload_Edid");
    link.ComPort = static_cast<SpyPort*>(link.ComPort.get())->release();
    QCOMPARE(userCheckedAtModeFrame, std::optional<bool>(true));

    QCOMPARE(framesAfter(5), (QStringList{"80 0A 00 0D", "81 05 80 0D +128", "81 06 80 0D +128",
                                          "81 01 01 0D 03", "80 0B 00 0D"}));
    const QByteArray sent = base + QByteArray(128, char(0xFF));
    QCOMPARE(dev_->store(EmuStore::User), sent);
    QCOMPARE(BytesOf(fx_->form->stores().user.image), sent);
    auto* label2 = find<QLabel>("Label2");
    QCOMPARE(label2->text(), QStringLiteral("100%"));
    QVERIFY(!isRed(label2));
    QCOMPARE(fx_->form->debugLogText().left(15), QStringLiteral("Edid Open OK.\r\n"));
    QCOMPARE(dev_->edidMode(), uint8_t(3));
}

void DeviceOpsTest::uploadInvalidImages() {
    QByteArray twoExt = ValidBase(2) + ValidExtension();
    QByteArray badHeader = ValidBase(1) + ValidExtension();
    badHeader[1] = 0x00;
    QByteArray badSum0 = ValidBase(1) + ValidExtension();
    badSum0[127] = char(badSum0[127] + 1);
    badSum0[126] = 2;  // a checksum fault hides the extension count
    QByteArray badSum1 = ValidBase(1) + ValidExtension();
    badSum1[255] = char(badSum1[255] + 1);
    // The same file name each time: the message names the failure of the file just read.
    const struct {
        QByteArray bytes;
        const char* message;
    } rows[] = {
        {twoExt, "Edid Over Banks."},           {badHeader, "Illegal Edid Header."},
        {badSum0, "Illegal Edid CheckSum0."},   {badSum1, "Illegal Edid CheckSum1."},
        {QByteArray(), "Illegal Edid Header."},
    };
    const QString path = dir_.filePath("invalid.bin");
    fx_->dialogs->openAnswers = {path};
    click("Button_Open_Edid");
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    const QByteArray userBefore = dev_->store(EmuStore::User);
    auto* label2 = find<QLabel>("Label2");
    for (const auto& row : rows) {
        QVERIFY(WriteAll(path, row.bytes));
        dev_->clearFrames();
        click("Button_Upload_Edid");
        QCOMPARE(label2->text(), QString::fromLatin1(row.message));
        QVERIFY(isRed(label2));
        QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    }
    QFile::remove(path);
    dev_->clearFrames();
    click("Button_Upload_Edid");
    QCOMPARE(label2->text(), QStringLiteral("Upload Edid Failed."));
    QVERIFY(isRed(label2));
    QCOMPARE(fx_->form->debugLogText(), QStringLiteral("Edid Open Fail.\r\n"));
    QCOMPARE(framesAfter(2), (QStringList{"80 0A 00 0D", "80 0B 00 0D"}));
    QCOMPARE(dev_->store(EmuStore::User), userBefore);
}

void DeviceOpsTest::uploadUsesFileChosenEarlier() {
    const QByteArray chosen = ValidBase(1) + ValidExtension();
    const QString path = dir_.filePath("chosen.bin");
    QVERIFY(WriteAll(path, chosen));
    fx_->dialogs->openAnswers = {path, std::nullopt};
    click("Button_Open_Edid");
    click("Button_Open_Edid");  // cancelled
    QCOMPARE(find<QLineEdit>("Edit_Edid_Path")->text(), path);
    QCOMPARE(framesAfter(4),
             (QStringList{"80 0A 00 0D", "80 0B 00 0D", "80 0A 00 0D", "80 0B 00 0D"}));
    QVERIFY(fx_->form->link().Timer_UART_Rx->isActive());
    click("Button_Upload_Edid");
    QCOMPARE(dev_->store(EmuStore::User), chosen);
}

void DeviceOpsTest::modeButtons() {
    DeviceLink& link = fx_->form->link();
    auto* intB = find<QRadioButton>("RadioButton_Set_IntEdid");
    auto* extB = find<QRadioButton>("RadioButton_Set_ExtEdid");
    auto* userB = find<QRadioButton>("RadioButton_Set_UserEdid");

    // A mode byte outside 0, 2 and 3 enables only Internal and leaves the selection (User).
    waitForMode(3);
    dev_->setEdidMode(1);
    QTRY_VERIFY_WITH_TIMEOUT(intB->isEnabled() && !userB->isEnabled(), 5000);
    QVERIFY(userB->isChecked());
    // The "QEV" device picks its mode itself: a click sends nothing and checks nothing.
    dev_->clearFrames();
    QTest::mouseClick(intB, Qt::LeftButton);
    QTest::mouseClick(intB, Qt::RightButton);
    QTest::qWait(300);
    QVERIFY(userB->isChecked() && !intB->isChecked());
    QCOMPARE(framesAfter(0), QStringList{});

    // Any other ID: the press checks the button and sends its mode, any mouse button.
    link.ManufacturerId = {'A', 'B', 'C'};
    const struct {
        uint8_t mode;
        QRadioButton* button;
        Qt::MouseButton mouse;
        const char* frame;
    } rows[] = {
        {1, intB, Qt::LeftButton, "81 01 01 0D 00"},
        {2, extB, Qt::RightButton, "81 01 01 0D 02"},
        {3, userB, Qt::LeftButton, "81 01 01 0D 03"},
    };
    for (const auto& row : rows) {
        waitForMode(row.mode);
        dev_->clearFrames();
        if (row.mode == 3) intB->setChecked(true);
        QTest::mousePress(row.button, row.mouse);
        QVERIFY(row.button->isChecked());
        QTest::mouseRelease(row.button, row.mouse);
        QCOMPARE(framesAfter(1), QStringList{row.frame});
    }
    // A disabled mode button does nothing.
    waitForMode(0);
    dev_->clearFrames();
    QTest::mouseClick(extB, Qt::LeftButton);
    QTest::qWait(200);
    QCOMPARE(framesAfter(0), QStringList{});
    link.ManufacturerId = {'Q', 'E', 'V'};
}

VARNOK_TEST_MAIN(DeviceOpsTest)
#include "tst_device_ops.moc"
