// Bad EDID files at every reader: the .bin reader that the upload, the analyzer's "Bin File" and
// the creator's "Bin Modifiy" share, what validation and the report then say about the bytes,
// and the upload operation end to end over a recording port. For each file: clear words, nothing
// sent to the device but the two notices unless the image is valid, no store overwritten by a
// failed open, the file left as it was, and no large allocation (a 1 GiB file is not read whole).

#include <QTest>

#include "device/DeviceApi.h"
#include "device/EdidStores.h"
#include "device/EdidUpload.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edid/EdidReport.h"
#include "edid/EdidValidity.h"
#include "link/DeviceLink.h"
#include "tests/badfiles/BadFiles.h"
#include "tests/support/EdidFiles.h"

using namespace varnok;
using namespace varnok::test;

namespace {

class RecordingPort : public SerialPort {
public:
    QList<QByteArray> writes;
    bool open(const QString&) override { return true; }
    bool setLineSettings() override { return true; }
    bool isOpen() const override { return true; }
    void close() override {}
    qint64 write(const QByteArray& bytes) override {
        writes << bytes;
        return bytes.size();
    }
    qint64 bytesWaiting() override { return 0; }
    QByteArray read(qint64) override { return {}; }
    void discardInput() override {}
    bool hasFatalError() const override { return false; }
    QString errorString() const override { return {}; }

    // The 4-byte command headers written, as "W code" pairs.
    QList<QPair<int, int>> headers() const {
        QList<QPair<int, int>> out;
        for (const QByteArray& w : writes)
            if (w.size() == 4 && uint8_t(w[3]) == 0x0D)
                out << qMakePair(uint8_t(w[0]) >> 7, (uint8_t(w[0]) & 0x7F) << 8 | uint8_t(w[1]));
        return out;
    }
};

class QuietLinkView : public LinkView {
public:
    void logAppend(const QString&) override {}
    void logAddLine(const QString&) override {}
    void logReplace(const QString&) override {}
    void showUploadProgress(int) override {}
};

class UploadView : public LinkView {
public:
    QString log;
    void logReplace(const QString& text) override { log = text; }
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void showUploadProgress(int) override {}
};

// A valid image whose block 0 stands alone: extension count 0.
QByteArray BaseBlockAlone() {
    EdidImage image = DefaultEdidImage();
    image[126] = 0;
    SetBlockChecksum(image, 0);
    return QByteArray(reinterpret_cast<const char*>(image.data()), kBlockSize);
}

QByteArray DefaultBytes() {
    const EdidImage& image = DefaultEdidImage();
    return QByteArray(reinterpret_cast<const char*>(image.data()), kEdidSize);
}

// The image a read of `content` gives: 0xFF past its end, nothing past 256 bytes.
EdidImage AsRead(const QByteArray& content) {
    EdidImage image;
    image.fill(0xFF);
    for (int i = 0; i < kEdidSize && i < content.size(); ++i) image[i] = uint8_t(content[i]);
    return image;
}

constexpr int kOpenFails = -1;  // expected reason: the file can't be opened

}  // namespace

class BadEdidFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readers_data();
    void readers();

private:
    QTemporaryDir dir_;
};

void BadEdidFilesTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // The short rows rely on the checksum bytes of the image not being 0xFF already.
    QVERIFY(DefaultEdidImage()[127] != 0xFF && DefaultEdidImage()[255] != 0xFF);
}

void BadEdidFilesTest::readers_data() {
    QTest::addColumn<BadFile>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("reason");  // kOpenFails, 0 for valid, or the EdidStatus reason bit
    const QByteArray image = DefaultBytes();
    QTest::newRow("empty") << BadFile::Empty << image << int(HeaderBad);
    QTest::newRow("1 byte") << BadFile::Bytes1 << image << int(HeaderBad);
    QTest::newRow("127 bytes") << BadFile::Bytes127 << image << int(Checksum0Bad);
    QTest::newRow("128 bytes, base block alone") << BadFile::Bytes128 << BaseBlockAlone() << 0;
    QTest::newRow("128 bytes, extension announced")
        << BadFile::Bytes128 << image << int(Checksum1Bad);
    QTest::newRow("255 bytes") << BadFile::Bytes255 << image << int(Checksum1Bad);
    QTest::newRow("257 bytes") << BadFile::Bytes257 << image << 0;
    QTest::newRow("1 GiB sparse") << BadFile::Sparse1GiB << image << int(HeaderBad);
    QTest::newRow("directory") << BadFile::Directory << image << kOpenFails;
    QTest::newRow("unreadable") << BadFile::Unreadable << image << kOpenFails;
    QTest::newRow("symlink loop") << BadFile::SymlinkLoop << image << kOpenFails;
    QTest::newRow("FIFO") << BadFile::Fifo << image << kOpenFails;
    QTest::newRow("vanished") << BadFile::Vanished << image << kOpenFails;
}

void BadEdidFilesTest::readers() {
    QFETCH(BadFile, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, reason);
    const QString path =
        MakeBadFile(dir_, kind, content, QString::fromLatin1(QTest::currentDataTag()));
    if (kind == BadFile::Unreadable && ReadableDespitePermissions(path))
        QSKIP("this user reads files whatever their permissions (root)");

    // The user chose the file while it existed; it is gone by the time the operation opens it.
    if (kind == BadFile::Vanished) QVERIFY(QFile::remove(path));

    const PathState before = PathState::of(path);
    const long rssBefore = PeakRssKiB();
    const bool opens = reason != kOpenFails;

    // The shared reader: a failed open leaves the image as it was.
    EdidImage image;
    image.fill(0x5A);
    QCOMPARE(LoadImageFile(path, image), opens);
    EdidImage expected;
    expected.fill(0x5A);
    if (opens)
        expected = kind == BadFile::Sparse1GiB ? AsRead(QByteArray(kEdidSize, '\0'))
                   : kind == BadFile::Empty    ? AsRead({})
                                               : AsRead(content.left(QFileInfo(path).size()));
    QVERIFY(image == expected);

    if (opens) {
        // What the upload's check, the analyzer's report and the creator's loader make of it.
        EdidInfo info;
        info.image = image;
        QCOMPARE(ValidateEdidImage(info), reason == 0);
        QCOMPARE(int(info.status & kReasonBits), reason);
        EdidInfo decoded;
        QCOMPARE(DecodeEdid(decoded, image.data()), reason == 0);
        QCOMPARE(MakeEdidReport(decoded).value(EdidReportRow::EdidHeader),
                 reason == 0 ? QStringLiteral("Good") : QStringLiteral("Illegal"));
    }

    // The upload operation, end to end over a port that records what is sent.
    QuietLinkView linkView;
    DeviceLink link(linkView);
    auto* port = new RecordingPort;
    link.ComPort.reset(port);
    link.setConnectionState(ConnectionState::Connected);
    UploadView view;
    const UploadResult result = UploadEdidFile(link, view, path);

    const auto notices =
        QList<QPair<int, int>>{{1, api_code::OperationStart}, {1, api_code::OperationEnd}};
    if (!opens) {
        QCOMPARE(result.outcome, UploadOutcome::OpenFailed);
        QVERIFY(!result.reason.isEmpty());  // the system's words, found when the open failed
        QCOMPARE(view.log, QStringLiteral("Edid Open Fail.\r\n"));
        QCOMPARE(port->headers(), notices);
    } else if (reason != 0) {
        QCOMPARE(result.outcome, UploadOutcome::Invalid);
        QCOMPARE(view.log, QStringLiteral("Edid Open OK.\r\n"));
        QVERIFY(result.data.image == expected);
        QCOMPARE(DescribeEdidValidity(result.data.image).reason, EdidStatus(reason));
        QCOMPARE(port->headers(), notices);
    } else {
        QCOMPARE(result.outcome, UploadOutcome::Uploaded);
        QCOMPARE(view.log, QStringLiteral("Edid Open OK.\r\n"));
        QVERIFY(port->headers().contains(qMakePair(1, int(api_code::EdidBlock0))));
        QVERIFY(port->headers().contains(qMakePair(1, int(api_code::EdidBlock1))));
    }

    // Reading never writes, moves or replaces the file, and never takes a large file whole.
    QVERIFY(PathState::of(path) == before);
    QVERIFY2(
        PeakRssKiB() - rssBefore < 64 * 1024,
        qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(PeakRssKiB() - rssBefore)));
}

QTEST_GUILESS_MAIN(BadEdidFilesTest)
#include "tst_bad_edid_files.moc"
