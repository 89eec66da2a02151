// The EDID window with an EDID larger than the device and with EDIDs that break sources, against
// the emulated device on a real pseudo-terminal: a 512-byte EDID shown whole in every tab, fitted
// on the way to the device when the user agrees; an EDID with an error asked about first, sent
// as it is with "Upload anyway" and not at all with "Cancel", also from the Controller page.

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/EdidBytesTab.h"
#include "app/EdidCompareTab.h"
#include "app/EdidDecodeTab.h"
#include "app/EdidWindow.h"
#include "device/DeviceApi.h"
#include "edid/check/EdidCheck.h"
#include "edid/check/EdidFit.h"
#include "tests/app/EmulatorRig.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

QString Source(const QString& relative) {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + u'/' + relative;
}

int StartNotices(const EmulatedDevice& device) {
    int n = 0;
    for (const FrameRecord& f : device.frames()) n += f.w && f.code == api_code::OperationStart;
    return n;
}

}  // namespace

class TstEdidUploadCheck : public QObject {
    Q_OBJECT
private slots:
    void largeEdidShownWholeAndFittedOnUpload();
    void errorsAskBeforeUpload();
};

void TstEdidUploadCheck::largeEdidShownWholeAndFittedOnUpload() {
    EmulatorRig rig({EmulatorConfig{}});
    QVERIFY(rig.connect());
    // Block map, CTA-861, DisplayID after the base block.
    const QString path = Source(QStringLiteral("tests/edidmodel/samples-large/30CCC7E8B536.bin"));
    const QByteArray edid = ReadAll(path);
    QCOMPARE(edid.size(), 512);
    EdidWindow* w = rig.f->form->openEdidWindow();
    QSignalSpy decoded(&w->decodeTab(), &EdidDecodeTab::decodeFinished);
    rig.f->dialogs->openAnswers.push_back(path);
    w->chooseFile();
    QVERIFY(w->sample() && w->sample()->bytes == edid);

    // Every tab shows the four blocks.
    QVERIFY(w->findChild<QLabel*>("Label_Size")
                ->text()
                .startsWith("512 bytes in 4 blocks; the "
                            "device holds 256 of"));
    auto* bytes = w->findChild<QTableWidget*>("Table_Bytes");
    QCOMPARE(bytes->rowCount(), 4 * 9);  // a heading and 8 rows of 16 bytes a block
    QCOMPARE(bytes->item(3 * 9, 0)->text(), "Block 3: extension, bytes 384 to 511");
    QCOMPARE(bytes->item(EdidBytesTab::rowOf(511), 15)->text(),
             QString::number(uint8_t(edid[511]), 16).rightJustified(2, '0'));
    if (!QStandardPaths::findExecutable("edid-decode").isEmpty()) {
        QTRY_VERIFY(decoded.count() == 1);
        QVERIFY(w->decodeTab().text().contains("Block 3, DisplayID Extension Block"));
    }
    // Saved whole, with a word that the device holds less.
    QTemporaryDir dir;
    rig.f->dialogs->saveAnswers.push_back(dir.filePath("saved.bin"));
    w->saveAsBin();
    QCOMPARE(ReadAll(dir.filePath("saved.bin")), edid);
    QVERIFY(
        w->findChild<QLabel*>("Label_EdidStatus")
            ->text()
            .endsWith("; the device holds 256 of its 512 bytes (fit makes an EDID it can hold)"));
    QByteArray other = edid;
    other[500] = char(other[500] ^ 0x01);
    QVERIFY(WriteAll(dir.filePath("other.bin"), other));
    QVERIFY(w->compareTab().takeOther(SampleFromFile(dir.filePath("other.bin"))));
    auto* differing = w->compareTab().findChild<QTableWidget*>("Table_CompareBytes");
    QVERIFY(differing);
    QCOMPARE(differing->rowCount(), 1);
    QVERIFY(differing->item(0, 0)->text().startsWith("500 (0x1f4)"));

    // Upload asks to fit first; accepted, the device holds the fitted 256 bytes.
    const EdidFitResult fit = FitEdidToDevice(edid);
    rig.f->dialogs->questionAnswers = {true};
    w->uploadToDevice();
    QCOMPARE(rig.f->dialogs->questions.size(), 1);
    QVERIFY(rig.f->dialogs->questions[0].contains(
        "- block 3 (DisplayID): 1 detailed timing (3840 × 2160 @ 144) dropped"));
    QCOMPARE(w->findChild<QLabel*>("Label_EdidStatus")->text(), "User EDID uploaded and verified");
    QCOMPARE(rig.dev().store(EmuStore::User), fit.edid);
    QCOMPARE(w->sample()->bytes, fit.edid);
    QCOMPARE(bytes->rowCount(), 2 * 9);
}

void TstEdidUploadCheck::errorsAskBeforeUpload() {
    EmulatorRig rig({EmulatorConfig{}});
    QVERIFY(rig.connect());
    const QByteArray sound = ReadAll(Source(QStringLiteral("tests/edid/samples/005096A886AF.bin")));
    // A wrong block 1 checksum: the device's validation would refuse it; the EDID window asks.
    QByteArray broken = sound;
    broken[255] = char(broken[255] ^ 0x5A);
    EdidWindow* w = rig.f->form->openEdidWindow();
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("broken.bin"), broken));
    QVERIFY(w->take(SampleFromFile(dir.filePath("broken.bin"))));
    QVERIFY(w->findChild<QLabel*>("Label_Findings")->text().startsWith("error: block 1, byte 255"));
    const int notices = StartNotices(rig.dev());
    rig.f->dialogs->questionAnswers = {false};
    w->uploadToDevice();
    QCOMPARE(w->findChild<QLabel*>("Label_EdidStatus")->text(),
             "Upload cancelled; nothing was sent");
    QVERIFY(rig.f->dialogs->questions.last().contains("block 1 checksum is"));
    rig.f->dialogs->questionAnswers = {true};
    w->uploadToDevice();
    // Sent as it is, and the read-back compares as usual.
    QCOMPARE(rig.dev().store(EmuStore::User), broken);
    QCOMPARE(w->findChild<QLabel*>("Label_EdidStatus")->text(), "User EDID uploaded and verified");
    QCOMPARE(StartNotices(rig.dev()), notices + 2);  // the upload and its read-back

    // The Controller page asks only about what its validation lets through: a data block that
    // runs past its block, with checksums right. Cancel sends nothing, not even a notice.
    QByteArray overrun = sound;
    overrun[130] = 20;
    overrun[132] = char(0x40 | 20);
    for (int b = 0; b < 2; ++b) overrun[b * 128 + 127] = char(EdidBlockChecksum(overrun, b));
    QVERIFY(WriteAll(dir.filePath("overrun.bin"), overrun));
    rig.f->dialogs->openAnswers.push_back(dir.filePath("overrun.bin"));
    rig.click("Button_Open_Edid");
    const int asked = int(rig.f->dialogs->questions.size());
    const int before = StartNotices(rig.dev());
    rig.f->dialogs->questionAnswers = {false};
    rig.click("Button_Upload_Edid");
    QCOMPARE(rig.f->dialogs->questions.size(), asked + 1);
    QVERIFY(rig.f->dialogs->questions.last().contains("data block at byte 132"));
    QCOMPARE(StartNotices(rig.dev()), before);
    // A file validation refuses is refused with the page's own words, without the question.
    QVERIFY(WriteAll(dir.filePath("overrun.bin"), broken));
    rig.click("Button_Upload_Edid");
    QCOMPARE(rig.f->dialogs->questions.size(), asked + 1);
    QVERIFY(rig.text("Label2").contains("CheckSum"));
}

QTEST_MAIN(TstEdidUploadCheck)
#include "tst_edid_upload_check.moc"
