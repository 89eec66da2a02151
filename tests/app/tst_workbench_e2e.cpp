// The EDID window and the status bar against the emulated device on a real pseudo-terminal:
// an EDID uploaded from the EDID window and verified by reading it back, a device that stored a
// mixed EDID caught by that read-back, and the status bar's words for searches, a download that
// worked and one that did not, and a Disconnect.
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/EdidCompareTab.h"
#include "app/EdidWindow.h"
#include "app/LedShape.h"
#include "device/DeviceApi.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Bytes.h"
#include "tools/emu/EmulatedDevice.h"
#include "words/DifferenceWords.h"

using namespace varnok;

namespace {

EdidImage Renamed(const char (&name)[13]) {
    EdidImage image = DefaultEdidImage();
    std::copy(name, name + 12, image.begin() + 95);
    SetBlockChecksum(image, 0);
    return image;
}

struct Rig {
    EmulatedDevice device;
    std::unique_ptr<FormFixture> f;

    explicit Rig(std::function<void(Rig&)> beforeStart = {}) {
        if (beforeStart) beforeStart(*this);
        QString err;
        if (!device.start(&err)) qFatal("emulator: %s", qPrintable(err));
        auto ports = std::make_unique<FixedPortLister>();
        ports->addPort(QStringLiteral("EMU1"), device.slavePath());
        f = std::make_unique<FormFixture>(std::move(ports));
        f->form->show();
        // A search whose device answered after a fixed pause on a loaded machine finds nothing:
        // searched again until connected, as a user would.
        for (int i = 0; i < 5 && !f->find<QPushButton>("Button_DL_IntEdid")->isEnabled(); ++i)
            QTest::mouseClick(f->find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    }
    ~Rig() {
        f.reset();
        device.stop();
    }
    QString status(const char* name = "Label_Status") const {
        return f->find<QLabel>(name)->text();
    }
    bool red(QWidget* root, const char* name) const {
        return root->findChild<QLabel*>(name)->palette().color(QPalette::WindowText) ==
               QColor(255, 0, 0);
    }
    // The codes of the frames since `from`, status polls (257 reads) left out.
    QList<int> codes(size_t from) const {
        QList<int> out;
        const auto frames = device.frames();
        for (size_t i = from; i < frames.size(); ++i)
            if (!(frames[i].code == api_code::EdidMode && !frames[i].w)) out << frames[i].code;
        return out;
    }
};

}  // namespace

class WorkbenchE2eTest : public QObject {
    Q_OBJECT
private slots:
    void uploadFromEdidWindowIsVerified();
    void readBackCatchesAMixedEdid();
    void outcomesInTheStatusBar();
    void closingNeverCutsAnUploadFrame_data();
    void closingNeverCutsAnUploadFrame();
};

void WorkbenchE2eTest::uploadFromEdidWindowIsVerified() {
    Rig r;
    QCOMPARE(r.f->find<LedShape>("Shape_LED_Link")->color(), LedShape::Green);
    EdidWindow* w = r.f->form->openEdidWindow();
    const EdidImage image = Renamed("FROM WINDOW\n");
    QVERIFY(w->take(SampleFromHexText(FormatEdidHex(image))));
    auto* upload = w->findChild<QPushButton*>("Button_UploadDevice");
    QVERIFY(upload->isEnabled());
    const size_t before = r.device.frames().size();
    // Closed inside the upload's pauses, the window stays until the upload has ended.
    QPointer<EdidWindow> alive(w);
    QObject::connect(r.f->form.get(), &TForm1::uploadProgressShown, w, [w] { w->close(); });
    QTest::mouseClick(upload, Qt::LeftButton);

    QVERIFY(alive);
    QCOMPARE(r.status("Label_EdidStatus"), QString("User EDID uploaded and verified"));
    QVERIFY(!r.red(w, "Label_EdidStatus"));
    QTRY_VERIFY(!alive);
    QCOMPARE(r.status(), QString("User EDID uploaded and verified"));
    QCOMPARE(r.device.store(EmuStore::User), BytesOf(image));
    QCOMPARE(r.device.edidMode(), uint8_t(3));
    // The Controller page's upload, then the analyzer's read of the User EDID.
    const QList<int> expected = {10, 261, 262, 257, 11, 10, 264, 261, 262, 11};
    QTRY_COMPARE_WITH_TIMEOUT(r.codes(before), expected, 2000);  // the last frame is on its way
    QCOMPARE(r.f->find<QLabel>("Label2")->text(), QString("100%"));
}

void WorkbenchE2eTest::readBackCatchesAMixedEdid() {
    // A device that stalled mid-upload keeps the old block 1 under the new block 0: both blocks
    // are good on their own, so only the comparison tells.
    QByteArray oldUser;
    Rig r([&](Rig& rig) {
        oldUser = rig.device.store(EmuStore::User);
        rig.device.setFrameCallback([&rig, &oldUser](const FrameRecord& frame) {
            if (!(frame.w && frame.code == api_code::EdidBlock1)) return;
            const QByteArray stored = rig.device.store(EmuStore::User);
            rig.device.setStore(EmuStore::User, stored.left(kBlockSize) + oldUser.mid(kBlockSize));
        });
    });
    EdidImage image = Renamed("MIXED       ");
    image[131] ^= 0x40;  // another block 1 than the device holds
    SetBlockChecksum(image, 1);
    int differing = 0;
    int first = -1;
    for (int i = kBlockSize; i < kEdidSize; ++i) {
        if (image[i] == uint8_t(oldUser[i])) continue;
        ++differing;
        if (first < 0) first = i;
    }
    QVERIFY(differing > 0);

    EdidWindow* w = r.f->form->openEdidWindow();
    QVERIFY(w->take(SampleFromHexText(FormatEdidHex(image))));
    // Compared with the device's User EDID before the upload: afterwards with what it then holds.
    w->compareTab().sources().readDevice(EdidSource::User);
    auto* bytes = w->findChild<QTableWidget*>("Table_CompareBytes");
    QVERIFY(bytes->rowCount() > differing);  // block 0 differs too, before
    w->uploadToDevice();
    QCOMPARE(bytes->rowCount(), differing);
    QCOMPARE(bytes->item(0, 0)->text(), ByteOffsetWords(first));
    // The words name the first byte where the device's copy parts from the file.
    const QString status = r.status("Label_EdidStatus");
    QVERIFY2(status.startsWith(
                 QString("User EDID uploaded, but the read-back differs in %1 of 256 bytes: %2 "
                         "(0x%3) ")
                     .arg(differing)
                     .arg(first)
                     .arg(first, 2, 16, QChar('0'))),
             qPrintable(status));
    QVERIFY(r.red(w, "Label_EdidStatus"));
}

void WorkbenchE2eTest::outcomesInTheStatusBar() {
    {
        // A port that does not open: its reason is told.
        auto ports = std::make_unique<FixedPortLister>();
        ports->addPort(QStringLiteral("GONE1"), QStringLiteral("/nonexistent/ttyGONE1"));
        FormFixture f(std::move(ports));
        QTest::mouseClick(f.find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
        const QString text = f.find<QLabel>("Label_Status")->text();
        QVERIFY2(text.startsWith("No device found (searched GONE1: cannot be opened: "),
                 qPrintable(text));
    }
    Rig r;
    QCOMPARE(r.status(), QString("Connected to VK-01 on EMU1"));
    QTemporaryDir dir;
    const QString path = dir.filePath("Internal_Edid.bin");
    r.f->dialogs->saveAnswers.push_back(path);
    QTest::mouseClick(r.f->find<QPushButton>("Button_DL_IntEdid"), Qt::LeftButton);
    QCOMPARE(r.status(), "Internal EDID saved to " + path + " (256 bytes)");
    QVERIFY(!r.red(r.f->form.get(), "Label_Status"));

    // The device stops answering: the words say so, in red, and the file is not written.
    r.device.setFaults({FaultRule{FaultKind::Silent, -1, 0, 0, -1}});
    const QString second = dir.filePath("External_Edid.bin");
    r.f->dialogs->saveAnswers.push_back(second);
    QTest::mouseClick(r.f->find<QPushButton>("Button_DL_UserEdid"), Qt::LeftButton);
    QCOMPARE(r.status(), "Download of the User EDID failed: the device did not answer; " + second +
                             " was left as it was");
    QVERIFY(r.red(r.f->form.get(), "Label_Status"));
    QVERIFY(!QFile::exists(second));
    QTest::mouseClick(r.f->find<QPushButton>("BitBtn_Disconnect"), Qt::LeftButton);
    QCOMPARE(r.status(), QString("Disconnected"));
}

void WorkbenchE2eTest::closingNeverCutsAnUploadFrame_data() {
    QTest::addColumn<int>("percent");  // the upload's progress when the window is closed
    QTest::newRow("block 0's first byte") << 1;
    QTest::newRow("block 0's data") << 30;
    QTest::newRow("block 1's first byte") << 51;
    QTest::newRow("block 1's data") << 80;
}

void WorkbenchE2eTest::closingNeverCutsAnUploadFrame() {
    // Closed mid-upload, the window lets the frame being written finish: every block frame the
    // device takes in holds the EDID's block, and the end notice follows as a frame of its own.
    QFETCH(int, percent);
    Rig r;
    QCOMPARE(r.f->find<LedShape>("Shape_LED_Link")->color(), LedShape::Green);
    EdidWindow* w = r.f->form->openEdidWindow();
    const EdidImage image = Renamed("CLOSED      ");
    QVERIFY(w->take(SampleFromHexText(FormatEdidHex(image))));
    const size_t before = r.device.frames().size();
    TForm1* form = r.f->form.get();
    // The progress is shown (and reported) at most every few ms: on a slow machine the first
    // value at or past `percent` may already lie in the next block, so the blocks expected
    // follow the value at which the window was closed.
    int closedAt = -1;
    QObject::connect(form, &TForm1::uploadProgressShown, form,
                     [form, percent, &closedAt](int shown) {
                         if (shown < percent || !form->isVisible()) return;
                         closedAt = shown;
                         form->close();
                     });
    w->uploadToDevice();
    auto lastIsEnd = [&] {
        const auto frames = r.device.frames();
        return frames.size() > before && frames.back().code == api_code::OperationEnd;
    };
    QTRY_VERIFY_WITH_TIMEOUT(lastIsEnd(), 5000);
    const auto frames = r.device.frames();
    int blocks = 0;
    for (size_t i = before; i < frames.size(); ++i) {
        const FrameRecord& f = frames[i];
        QVERIFY2(f.kind == FrameRecord::Kind::Api, qPrintable(f.toLogLine()));
        if (!f.w || (f.code != api_code::EdidBlock0 && f.code != api_code::EdidBlock1)) continue;
        ++blocks;
        const int offset = f.code == api_code::EdidBlock0 ? 0 : kBlockSize;
        QCOMPARE(f.data, BytesOf(image).mid(offset, kBlockSize));
    }
    QVERIFY(closedAt >= percent);
    QCOMPARE(blocks, closedAt > 50 ? 2 : 1);
    QCOMPARE(r.codes(before).count(api_code::OperationEnd), 1);
}

VARNOK_TEST_MAIN(WorkbenchE2eTest)
#include "tst_workbench_e2e.moc"
