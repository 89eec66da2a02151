// The device operations in-process, as varnok-cli calls them and without the window: each
// against the emulated device on a pseudo-terminal, with what it returns (the outcome's code in
// the shared words), what the device saw on the line, and what landed on disk.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "device/AnalyzerRead.h"
#include "device/DeviceSearch.h"
#include "device/EdidDownload.h"
#include "device/EdidUpload.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "link/PortListers.h"
#include "tests/support/Bytes.h"
#include "tests/support/EmulatorFrames.h"
#include "tests/support/TestFiles.h"
#include "words/OutcomeWords.h"

using namespace varnok;

Q_DECLARE_METATYPE(varnok::FaultRule)

namespace {

class QuietViews : public LinkView, public SearchView {
public:
    QString log;
    int lastProgress = 0;
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void showUploadProgress(int percent) override { lastProgress = percent; }
    void setBusy(bool) override {}
    void enterConnected() override {}
    void enableDeviceControls() override {}
    void enterIsp() override {}
    void enterDisconnected() override {}
};

// A valid EDID of its own for each store, so that a read from the wrong one shows.
EdidImage ValidEdid(int seed) {
    EdidImage image = DefaultEdidImage();
    image[17] = uint8_t(image[17] + seed);  // year of manufacture
    image[200] = uint8_t(image[200] ^ seed);
    SetBlockChecksum(image, 0);
    SetBlockChecksum(image, 1);
    return image;
}

enum class Op {
    DownloadInternal,
    DownloadExternal,
    UploadVerified,
    UploadInvalid,
    AnalyzeExternal
};

}  // namespace

class DeviceOperationsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void operations_data();
    void operations();
    void cleanupTestCase();

private:
    std::unique_ptr<EmulatedDevice> dev_;
    QuietViews views_;
    std::unique_ptr<DeviceLink> link_;
    FixedPortLister ports_;
    std::unique_ptr<DeviceSearch> search_;
    QTemporaryDir dir_;
};

void DeviceOperationsTest::initTestCase() {
    EmulatorConfig cfg;
    for (int s = 0; s < kEmuStoreCount; ++s) cfg.stores[size_t(s)] = BytesOf(ValidEdid(s + 1));
    dev_ = StartEmulator(cfg);
    QVERIFY(dev_);
    link_ = std::make_unique<DeviceLink>(views_);
    ports_.addPort(QStringLiteral("EMU"), dev_->slavePath());
    search_ = std::make_unique<DeviceSearch>(*link_, ports_, views_);
    search_->setAnswerEndsPause(true);  // as varnok-cli searches
    search_->Search();
    QCOMPARE(link_->connectionState(), ConnectionState::Connected);
}

void DeviceOperationsTest::cleanupTestCase() {
    search_->Disconnect();
    search_.reset();
    link_.reset();
    dev_->stop();
}

void DeviceOperationsTest::operations_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<FaultRule>("fault");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("frames");
    const QString start = "80 0A 00 0D", end = "80 0B 00 0D";
    const FaultRule none{FaultKind::Silent, 0x7FFF, 0, 0, 0};  // matches no frame
    QTest::newRow("download internal")
        << int(Op::DownloadInternal) << none << "download.saved"
        << QStringList{start, "81 08 01 0D FF", "01 05 80 0D", "01 06 80 0D", end};
    QTest::newRow("download, selection never acknowledged")
        << int(Op::DownloadInternal) << FaultRule{FaultKind::Silent, 0x0108}
        << "download.not-acknowledged" << QStringList{start, "81 08 01 0D FF", end};
    QTest::newRow("download external, block 1 cut short")
        << int(Op::DownloadExternal) << FaultRule{FaultKind::Partial, 0x0207, 60}
        << "download.read-failed" << QStringList{start, "02 06 80 0D", "02 07 80 0D", end};
    // The upload and its read-back, each inside notices of its own.
    const QStringList upload{start, "81 05 80 0D +128", "81 06 80 0D +128", "81 01 01 0D 03", end};
    QTest::newRow("upload and verify")
        << int(Op::UploadVerified) << none << "upload.verified"
        << upload + QStringList{start, "81 08 01 0D 00", "01 05 80 0D", "01 06 80 0D", end};
    // A read-back that never passes validation is tried six times, as the analyzer's User read.
    QStringList corrupted = upload + QStringList{start};
    for (int attempt = 0; attempt < 6; ++attempt)
        corrupted << "81 08 01 0D 00"
                  << "01 05 80 0D"
                  << "01 06 80 0D";
    QTest::newRow("upload, read-back differs")
        << int(Op::UploadVerified) << FaultRule{FaultKind::Corrupt, 0x0106, 2} << "upload.differs"
        << corrupted + QStringList{end};
    QTest::newRow("upload refused")
        << int(Op::UploadInvalid) << none << "upload.invalid" << QStringList{start, end};
    QTest::newRow("analyze external") << int(Op::AnalyzeExternal) << none << "read.valid"
                                      << QStringList{start, "02 06 80 0D", "02 07 80 0D", end};
}

void DeviceOperationsTest::operations() {
    QFETCH(int, op);
    QFETCH(FaultRule, fault);
    QFETCH(QString, code);
    QFETCH(QStringList, frames);
    // The last status poll may still be on its way.
    QTest::qWait(50);
    dev_->setFaults({fault});
    dev_->clearFrames();
    const QString path = dir_.filePath(QStringLiteral("%1.bin").arg(QTest::currentDataTag()));
    QString outcome;
    switch (Op(op)) {
        case Op::DownloadInternal:
        case Op::DownloadExternal: {
            const EdidSource source =
                Op(op) == Op::DownloadInternal ? EdidSource::Internal : EdidSource::External;
            const DownloadResult r = DownloadDeviceEdid(*link_, views_, source, path);
            outcome = DownloadWords(source, r, path).code;
            // Only a whole read reaches the file, byte for byte as the device holds it.
            const QByteArray stored = dev_->store(EmuStore(int(source)));
            QCOMPARE(ReadAll(path), r.is(DownloadOutcome::Saved) ? stored : "<missing>");
            if (r.data) QCOMPARE(BytesOf(*r.data), stored);
            break;
        }
        case Op::UploadVerified: {
            const EdidImage image = ValidEdid(9);
            UploadOptions options;
            options.verify = true;
            const UploadResult r = UploadEdidImage(*link_, views_, image, options);
            outcome = UploadWords(r, QStringLiteral("the test")).code;
            QCOMPARE(dev_->store(EmuStore::User), BytesOf(image));
            QCOMPARE(views_.lastProgress, 100);
            break;
        }
        case Op::UploadInvalid: {
            EdidImage image = ValidEdid(9);
            image[0] = 0x01;
            const QByteArray before = dev_->store(EmuStore::User);
            outcome = UploadWords(UploadEdidImage(*link_, views_, image), {}).code;
            QCOMPARE(dev_->store(EmuStore::User), before);
            break;
        }
        case Op::AnalyzeExternal: {
            const AnalyzerResult r = ReadAnalyzerImage(*link_, views_, EdidSource::External);
            outcome = AnalyzerReadWords(EdidSource::External, r).code;
            QVERIFY(r.data.image);
            QCOMPARE(BytesOf(*r.data.image), dev_->store(EmuStore::External));
            break;
        }
    }
    QCOMPARE(outcome, code);
    QCOMPARE(DeviceFrames(*dev_, int(frames.size())), frames);
    // Every operation leaves the status poll running while the device is held.
    QVERIFY(link_->Timer_Poll_Status->isActive());
}

QTEST_GUILESS_MAIN(DeviceOperationsTest)
#include "tst_device_operations.moc"
