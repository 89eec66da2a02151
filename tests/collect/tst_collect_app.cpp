// The creator's Save and Upload buttons in the window, end to end: the window connects to the
// emulated device over a real pseudo-terminal, and every press is checked by the frames the
// device received, the file written, Label3, the debug log and the message boxes.
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/WidgetText.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Bytes.h"
#include "tests/support/EdidFiles.h"
#include "tests/support/EmulatorFrames.h"
#include "tests/support/Samples.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

// Forwards to the real port and reports every write.
class SpyPort : public SerialPort {
public:
    SpyPort(std::unique_ptr<SerialPort> inner, std::function<void()> onWrite)
        : inner_(std::move(inner)), onWrite_(std::move(onWrite)) {}
    bool open(const QString& path) override { return inner_->open(path); }
    bool setLineSettings() override { return inner_->setLineSettings(); }
    bool isOpen() const override { return inner_->isOpen(); }
    void close() override { inner_->close(); }
    qint64 write(const QByteArray& bytes) override {
        onWrite_();
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
    std::function<void()> onWrite_;
};

const QStringList kNoticesOnly{"80 0A 00 0D", "80 0B 00 0D"};

}  // namespace

class CollectAppTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void saveBrandNew();
    void saveLoadedSampleUnchanged();
    void saveFailuresKeepTheFile();
    void conversionErrorSendsNothing();
    void uploadEndToEnd();
    void badHeaderSavedButNotUploaded();
    void leftOutBlocksAreLogged();
    void binModifiyKeepsForumBits();
    void pulledCableDuringUpload();  // last: the device is gone afterwards

private:
    QStringList framesAfter(int expected);
    template <typename T>
    T* find(const char* name) {
        return fx_->find<T>(QString::fromLatin1(name));
    }
    void click(const char* name) { find<QPushButton>(name)->click(); }
    void press(const char* radio) { QTest::mouseClick(find<QRadioButton>(radio), Qt::LeftButton); }
    EdidInfo& creator() { return fx_->form->stores().creator; }

    std::unique_ptr<EmulatedDevice> dev_;
    std::unique_ptr<FormFixture> fx_;
    QTemporaryDir dir_;
};

void CollectAppTest::initTestCase() {
    QVERIFY(dir_.isValid());
    dev_ = std::make_unique<EmulatedDevice>();
    QString error;
    QVERIFY2(dev_->start(&error), qPrintable(error));
    fx_ = std::make_unique<FormFixture>(std::make_unique<FixedPortLister>(
        QList<QPair<QString, QString>>{{QStringLiteral("EMU"), dev_->slavePath()}}));
    // A search whose device answered after a fixed pause on a loaded machine finds nothing:
    // searched again until connected, as a user would.
    for (int i = 0; i < 5 && !find<QPushButton>("Button_Upload_Created")->isEnabled(); ++i)
        click("BitBtn_Search");
    QTRY_VERIFY_WITH_TIMEOUT(find<QPushButton>("Button_Save_Created")->isEnabled(), 10000);
    QVERIFY(find<QPushButton>("Button_Upload_Created")->isEnabled());
}

void CollectAppTest::init() {
    // The last frames of the previous test may still be crossing the pty.
    QTest::qWait(200);
    dev_->clearFrames();
    fx_->dialogs->errors.clear();
    fx_->dialogs->proposedSaveNames.clear();
}

void CollectAppTest::cleanup() {
    // Both buttons leave the status poll running while the device is held.
    if (fx_->form->link().portOpen()) QVERIFY(fx_->form->link().Timer_Poll_Status->isActive());
}

void CollectAppTest::cleanupTestCase() {
    fx_.reset();
    dev_->stop();
}

QStringList CollectAppTest::framesAfter(int expected) {
    // The device's frames since the last clear, without the status polls.
    return DeviceFrames(*dev_, expected);
}

void CollectAppTest::saveBrandNew() {
    // Right after start-up: the default image with today's week and year, rebuilt.
    press("RadioButton_Brand_New");
    const QString path = dir_.filePath("brand_new.bin");
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    QCOMPARE(fx_->dialogs->proposedSaveNames, QStringList{"Created_Edid.bin"});
    QCOMPARE(framesAfter(2), kNoticesOnly);
    QCOMPARE(fx_->form->debugLogText(), QStringLiteral("Edid Open OK.\r\n"));

    const QDate today = QDate::currentDate();
    QByteArray want = BytesOf(DefaultEdidImage());
    want[16] = char(today.weekNumber());
    want[17] = char(today.year() - 1990);
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + uint8_t(want[i]));
    want[127] = char(uint8_t(0x100 - sum));
    QByteArray extension(128, '\0');
    extension.replace(0, 18,
                      QByteArray::fromHex("02 03 12 71 41 10 23 09 07 03 67 03 0C 00 10 00 80 21"));
    extension[127] = char(0xCA);
    want.replace(128, 128, extension);
    QCOMPARE(ReadAll(path).toHex(' '), want.toHex(' '));
    QCOMPARE(BytesOf(creator().image), want);
}

void CollectAppTest::saveLoadedSampleUnchanged() {
    const QDir samples(SamplesDir());
    QString sample;
    EdidInfo loaded;
    for (const QString& name : samples.entryList({"*.bin"}, QDir::Files, QDir::Name)) {
        EdidImage image{};
        if (LoadImageFile(samples.filePath(name), image) && image[126] == 1 &&
            DecodeEdid(loaded, image.data())) {
            sample = samples.filePath(name);
            break;
        }
    }
    if (sample.isEmpty()) QSKIP("no sample images");
    fx_->dialogs->openAnswers = {sample};
    press("RadioButton_Bin_Modifiy");
    const QString path = dir_.filePath("sample.bin");
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    QCOMPARE(framesAfter(4), (kNoticesOnly + kNoticesOnly));

    EdidInfo saved;
    QVERIFY(LoadImageFile(path, saved.image));
    QVERIFY(DecodeEdid(saved, saved.image.data()));
    QCOMPARE(QByteArray(saved.manufacturer.data()), QByteArray(loaded.manufacturer.data()));
    QCOMPARE(QByteArray(saved.monitorName.data()), QByteArray(loaded.monitorName.data()));
    QCOMPARE(saved.productCode, loaded.productCode);
    QCOMPARE(saved.serialNumber, loaded.serialNumber);
    QCOMPARE(saved.manufactureYear, loaded.manufactureYear);
    QCOMPARE(saved.manufactureWeek, loaded.manufactureWeek);
    QCOMPARE(saved.vicList, loaded.vicList);
    QCOMPARE(saved.sads, loaded.sads);
    QCOMPARE(saved.speakerAllocation, loaded.speakerAllocation);
    QCOMPARE(saved.cecAddress, loaded.cecAddress);
}

void CollectAppTest::saveFailuresKeepTheFile() {
    press("RadioButton_Brand_New");
    QVERIFY(QDir(dir_.path()).mkdir("save"));
    const QDir dir(dir_.filePath("save"));
    const QString path = dir.filePath("kept.bin");
    const QByteArray old(256, char(0x5A));
    QVERIFY(WriteAll(path, old));
    fx_->form->logReplace("before\r\n");

    // Cancelled: nothing written, the log untouched, both notices sent.
    click("Button_Save_Created");
    QCOMPARE(framesAfter(2), kNoticesOnly);
    QCOMPARE(fx_->form->debugLogText(), QStringLiteral("before\r\n"));

    // A folder that does not exist, and a target that is a folder: the name is proposed afresh
    // each time, and the existing files are left whole.
    QVERIFY(dir.mkdir("folder"));
    const struct {
        QString target;
        const char* log;
    } rows[] = {
        {dir.filePath("missing/kept.bin"), "Edid Open Fail.\r\n"},
        {dir.filePath("folder"), "Edid Open Fail.\r\n"},
    };
    for (const auto& row : rows) {
        dev_->clearFrames();
        fx_->dialogs->saveAnswers = {row.target};
        click("Button_Save_Created");
        QCOMPARE(framesAfter(2), kNoticesOnly);
        QCOMPARE(fx_->form->debugLogText(), QString::fromLatin1(row.log));
    }
    QCOMPARE(fx_->dialogs->proposedSaveNames, QStringList(3, "Created_Edid.bin"));
    QCOMPARE(ReadAll(path), old);
    QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
    // No temporary file is left beside the targets.
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), QStringList{"kept.bin"});

    // A confirmed save replaces the file whole.
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    QCOMPARE(ReadAll(path), BytesOf(creator().image));
}

void CollectAppTest::conversionErrorSendsNothing() {
    press("RadioButton_Brand_New");
    auto* product = find<QLineEdit>("Edit_Creator_Product_Code");
    product->setText("abc");
    const EdidImage before = creator().image;
    auto* label3 = find<QLabel>("Label3");
    label3->setText("kept");
    dev_->clearFrames();
    for (const char* button : {"Button_Save_Created", "Button_Upload_Created"}) {
        fx_->dialogs->errors.clear();
        fx_->dialogs->saveAnswers = {dir_.filePath("never.bin")};
        click(button);
        QCOMPARE(fx_->dialogs->errors, QStringList{"'abc' is not a valid integer value"});
        QVERIFY(find<QLabel>("Label_Status")
                    ->text()
                    .endsWith(": Product Code: 'abc' is not a valid integer value"));
    }
    QVERIFY(fx_->dialogs->proposedSaveNames.isEmpty());
    QTest::qWait(300);
    QCOMPARE(framesAfter(0), QStringList{});
    QVERIFY(!QFile::exists(dir_.filePath("never.bin")));
    QVERIFY(creator().image == before);
    QCOMPARE(label3->text(), QStringLiteral("kept"));
    fx_->dialogs->saveAnswers.clear();
    product->setText("0");
}

void CollectAppTest::uploadEndToEnd() {
    press("RadioButton_Brand_New");
    find<QCheckBox>("CheckBox_VideoIdCode_4")->setChecked(true);
    // Label3 as each byte leaves the host.
    auto* label3 = find<QLabel>("Label3");
    QStringList progress;
    DeviceLink& link = fx_->form->link();
    link.ComPort = std::make_unique<SpyPort>(std::move(link.ComPort), [&] {
        if (progress.isEmpty() || progress.last() != label3->text()) progress << label3->text();
    });
    dev_->clearFrames();
    // Presses of either button during the upload's pauses are ignored.
    QTimer::singleShot(150, this, [this] {
        click("Button_Upload_Created");
        click("Button_Save_Created");
    });
    click("Button_Upload_Created");
    link.ComPort = static_cast<SpyPort*>(link.ComPort.get())->release();
    QVERIFY(fx_->dialogs->proposedSaveNames.isEmpty());

    QCOMPARE(framesAfter(5), (QStringList{"80 0A 00 0D", "81 05 80 0D +128", "81 06 80 0D +128",
                                          "81 01 01 0D 03", "80 0B 00 0D"}));
    EdidInfo check = creator();
    QVERIFY(ValidateEdidImage(check));
    QCOMPARE(dev_->store(EmuStore::User), BytesOf(creator().image));
    // The video block lists VIC 4 after 16, in the first free slot.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(creator().image.data()) + 132, 3).toHex(' '),
             QByteArray("42 10 04"));
    // 1% .. 50% over block 0, 51% .. 100% over block 1, each shown before its byte leaves.
    QVERIFY2(progress.contains("1%") && progress.contains("50%") && progress.contains("51%"),
             qPrintable(progress.join(' ')));
    QCOMPARE(progress.last(), QStringLiteral("100%"));
    QCOMPARE(label3->text(), QStringLiteral("100%"));
    QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(find<QRadioButton>("RadioButton_Set_UserEdid")->isChecked());
    QCOMPARE(dev_->edidMode(), uint8_t(3));
    find<QCheckBox>("CheckBox_VideoIdCode_4")->setChecked(false);
}

void CollectAppTest::badHeaderSavedButNotUploaded() {
    // A loaded image with a bad header: the pages are reset, Save writes the header as it is
    // with both checksums right, Upload refuses it.
    EdidImage bad = DefaultEdidImage();
    bad[1] = 0x00;
    const QString source = dir_.filePath("bad_header.bin");
    QVERIFY(SaveImageFile(source, bad));
    fx_->dialogs->openAnswers = {source};
    press("RadioButton_Bin_Modifiy");
    QCOMPARE(find<QLineEdit>("Edit_Creator_Manufac_Name")->text(), QStringLiteral("Error."));

    const QString path = dir_.filePath("bad_saved.bin");
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    const QByteArray saved = ReadAll(path);
    QCOMPARE(saved.left(8).toHex(' '), QByteArray("00 00 ff ff ff ff ff 00"));
    EdidInfo check;
    QVERIFY(LoadImageFile(path, check.image));
    QVERIFY(!ValidateEdidImage(check));
    QCOMPARE(check.status & kReasonBits, int(HeaderBad));  // both checksums are right

    auto* label3 = find<QLabel>("Label3");
    SetLabelText(label3, "0%", true);
    QCOMPARE(framesAfter(4), (kNoticesOnly + kNoticesOnly));
    dev_->clearFrames();
    click("Button_Upload_Created");
    QCOMPARE(label3->text(), QStringLiteral("Illegal Edid Header."));
    // The label keeps its colour.
    QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(framesAfter(2), kNoticesOnly);
    SetLabelText(label3, "0%", false);
}

void CollectAppTest::leftOutBlocksAreLogged() {
    // A loaded extension of 118 bytes of data blocks (24 VICs, 10 descriptors, a 31-byte HDMI
    // block and a 31-byte HDMI Forum block); with every box checked the new blocks no longer fit.
    EdidImage image = DefaultEdidImage();
    std::fill(image.begin() + 128, image.end(), 0);
    QByteArray blocks = QByteArray::fromHex(
        "58 01 02 07 08 09 0A 0B 0C 0D 0E 0F 16 17 18 19 1A 1B 1C 1D 1E 1F 23 24 25"
        "3E 19 07 00 19 07 00 19 07 00 19 07 00 19 07 00 19 07 00 19 07 00 19 07 00"
        "   19 07 00 19 07 00"
        "7E 03 0C 00 10 00 F8 78 E0 10 20 30 40 80 CA 01 02 03 04 05 06 07 08 09 0A"
        "   0B 0C 0D 0E 0F 10"
        "7E D8 5D C4 01 78 80 07 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12"
        "   13 14 15 16 17");
    QCOMPARE(blocks.size(), 118);
    image[128] = 0x02;
    image[129] = 0x03;
    image[130] = uint8_t(4 + blocks.size());
    image[131] = 0x71;
    std::copy(blocks.begin(), blocks.end(), image.begin() + 132);
    SetBlockChecksum(image, 1);
    const QString source = dir_.filePath("long_blocks.bin");
    QVERIFY(SaveImageFile(source, image));
    fx_->dialogs->openAnswers = {source};
    press("RadioButton_Bin_Modifiy");
    for (QCheckBox* b : find<QWidget>("PageControl2")->findChildren<QCheckBox*>())
        if (!b->objectName().endsWith('r')) b->setChecked(true);
    for (const char* edit : {"Edit_HDR_DCLD_1", "Edit_HDR_DCLD_2", "Edit_HDR_DCLD_3"})
        find<QLineEdit>(edit)->setText("100");

    const QString path = dir_.filePath("left_out.bin");
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    const QStringList lines = fx_->form->debugLogText().split("\r\n", Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 2, qPrintable(fx_->form->debugLogText()));
    QCOMPARE(lines.first(), QStringLiteral("Edid Open OK."));
    for (const QString& line : lines.mid(1)) QVERIFY2(line.contains("left out"), qPrintable(line));
    QVERIFY(fx_->form->debugLogText().endsWith("\r\n"));
    EdidInfo saved;
    QVERIFY(LoadImageFile(path, saved.image));
    QVERIFY(ValidateEdidImage(saved));
    QVERIFY(saved.image[130] <= 127);
    for (QCheckBox* b : find<QWidget>("PageControl2")->findChildren<QCheckBox*>())
        b->setChecked(false);
}

void CollectAppTest::binModifiyKeepsForumBits() {
    // Byte 7 of an HDMI Forum block carries HDMI 2.1 bits (7..3) beside the three 4:2:0 deep
    // colour bits the creator edits. A load and a Save without edits keeps all of them.
    EdidImage image = DefaultEdidImage();
    std::fill(image.begin() + 128, image.end(), 0);
    const QByteArray forum = QByteArray::fromHex("67 D8 5D C4 01 78 80 63");
    image[128] = 0x02;
    image[129] = 0x03;
    image[130] = uint8_t(4 + forum.size());
    std::copy(forum.begin(), forum.end(), image.begin() + 132);
    SetBlockChecksum(image, 1);
    const QString source = dir_.filePath("forum.bin");
    QVERIFY(SaveImageFile(source, image));
    press("RadioButton_Brand_New");
    fx_->dialogs->openAnswers = {source};
    // The open dialog takes the mouse release: only the press reaches the button.
    auto* binModifiy = find<QRadioButton>("RadioButton_Bin_Modifiy");
    QTest::mousePress(binModifiy, Qt::LeftButton);
    QVERIFY(binModifiy->isChecked());
    QTest::mouseRelease(find<QWidget>("ClientArea"), Qt::LeftButton);

    const QString path = dir_.filePath("forum_saved.bin");
    fx_->dialogs->saveAnswers = {path};
    click("Button_Save_Created");
    QVERIFY2(ReadAll(path).mid(132).toHex(' ').contains(forum.toHex(' ')),
             qPrintable(ReadAll(path).mid(128).toHex(' ')));
}

void CollectAppTest::pulledCableDuringUpload() {
    press("RadioButton_Brand_New");
    dev_->clearFrames();
    QTimer::singleShot(150, this, [this] { dev_->hangUp(); });
    click("Button_Upload_Created");
    // The progress counted bytes that never reached the device: the upload failed.
    auto* label3 = find<QLabel>("Label3");
    QCOMPARE(label3->text(), QStringLiteral("Upload Edid Failed."));
    QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(Qt::red));
    for (const FrameRecord& f : dev_->frames()) QVERIFY(f.code != 0x0101 || !f.w);
}

VARNOK_TEST_MAIN(CollectAppTest)
#include "tst_collect_app.moc"
