// varnok-cli's check, fix, fit and export as a user runs them, and upload's refusals of what the
// device should not get: --check refuses an EDID with an error that validation lets through, and
// a larger EDID is refused with words naming fit, each before a single frame reaches the
// emulated device.

#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "edid/check/EdidCheck.h"
#include "tests/support/CliProcess.h"
#include "tests/support/EmulatorFrames.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

using Run = test::CliResult;

Run Cli(const QStringList& args, const QString& drmDir) {
    test::CliSetup setup;
    setup.drmDir = drmDir;
    return test::RunCli(QStringLiteral(VARNOK_CLI_PATH), args, setup);
}

QString Source(const QString& relative) {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + u'/' + relative;
}

// The sample of the golden exports: 256 bytes, a CTA-861 extension, "O242AT".
QByteArray Sample() {
    return ReadAll(Source(QStringLiteral("tests/edid/samples/005096A886AF.bin")));
}

void FixSums(QByteArray& e) {
    for (int b = 0; b < e.size() / 128; ++b) e[b * 128 + 127] = char(EdidBlockChecksum(e, b));
}

}  // namespace

class TstCliEdidFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void errorsRefusedBeforeAnyFrame_data();
    void errorsRefusedBeforeAnyFrame();
    void fixFitAndExport();
    void badInput();

private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    Run cli(const QStringList& args) const { return Cli(args, path("drm")); }

    QTemporaryDir dir_;
    std::unique_ptr<EmulatedDevice> device_;
};

void TstCliEdidFiles::initTestCase() {
    QVERIFY(dir_.isValid());
    device_ = StartEmulator();
    QVERIFY(device_);
    // The connectors of the golden Linux instructions.
    for (const char* c : {"card0-HDMI-A-1", "card0-DP-1", "card1-HDMI-A-1"}) {
        QVERIFY(QDir().mkpath(path("drm/%1").arg(c)));
        QVERIFY(WriteAll(path("drm/%1/edid").arg(c), Sample()));
    }
}

void TstCliEdidFiles::errorsRefusedBeforeAnyFrame_data() {
    QTest::addColumn<QByteArray>("edid");
    QTest::addColumn<QString>("code");  // the error's code in check's JSON
    // Each keeps header and checksums right, so the device's own validation lets it through.
    QByteArray e = Sample();
    e[130] = 20;
    e[132] = char(0x40 | 20);
    FixSums(e);
    QTest::newRow("data block overrun") << e << "cta-data-block-overrun";
    e = Sample();
    e[130] = char(200);
    FixSums(e);
    QTest::newRow("DTD offset overrun") << e << "cta-dtd-offset";
    e = Sample();
    e[56] = 0;
    e[58] = char(e[58] & 0x0F);
    FixSums(e);
    QTest::newRow("zero width preferred timing") << e << "preferred-timing-size";
    e = Sample();
    e[126] = 3;
    FixSums(e);
    QTest::newRow("extension count") << e << "extension-count";
}

void TstCliEdidFiles::errorsRefusedBeforeAnyFrame() {
    QFETCH(QByteArray, edid);
    QFETCH(QString, code);
    const QString file = path(QString::fromLatin1(QTest::currentDataTag()) + ".bin");
    QVERIFY(WriteAll(file, edid));

    Run r = cli({"check", file, "--json"});
    QCOMPARE(r.status, 3);
    QJsonObject first = r.json()["findings"].toArray().first().toObject();
    QCOMPARE(first["level"].toString(), "error");
    QCOMPARE(first["code"].toString(), code);

    device_->clearFrames();
    r = cli({"--port", device_->slavePath(), "upload", file, "--check"});
    QCOMPARE(r.status, 3);
    QVERIFY2(r.out.startsWith("error: block "), r.out);
    QVERIFY2(r.err.contains("has 1 error"), r.err);
    // A sound upload after it: the device takes frames in order, so once this one is stored
    // every frame the refused run might have sent is in the record too. Only one start notice
    // and one file's two blocks are there.
    QVERIFY(WriteAll(path("sound.bin"), Sample()));
    r = cli({"--port", device_->slavePath(), "upload", path("sound.bin"), "--check"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(device_->store(EmuStore::User), Sample());
    const QStringList frames = DeviceFrames(*device_, 1);
    QCOMPARE(frames.count(QStringLiteral("80 0A 00 0D")), 1);
    QCOMPARE(frames.filter(QStringLiteral("+128")).size(), 2);
}

void TstCliEdidFiles::fixFitAndExport() {
    // fix: the checksum of block 1 and the extension count, nothing else.
    QByteArray broken = Sample();
    broken[126] = 2;
    broken[255] = char(broken[255] ^ 0x5A);
    QVERIFY(WriteAll(path("broken.bin"), broken));
    Run r = cli({"fix", path("broken.bin"), path("fixed.bin"), "--json"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(r.json()["changes"].toArray().size(), 2);  // block 0 sums right again
    QCOMPARE(ReadAll(path("fixed.bin")), Sample());

    // fit: a real 512-byte EDID becomes 256 bytes with what was dropped listed; upload names fit.
    const QString large = Source(QStringLiteral("tests/edidmodel/samples-large/00D225DDE8CF.bin"));
    QCOMPARE(ReadAll(large).size(), 384);
    r = cli({"--port", device_->slavePath(), "upload", large});
    QCOMPARE(r.status, 3);
    QVERIFY2(r.err.contains("384 bytes; the device holds 256: fit makes"), r.err);
    r = cli({"fit", large, path("fitted.bin"), "--json"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(r.json()["bytes"].toInt(), 256);
    QVERIFY(!r.json()["dropped"].toArray().isEmpty());
    const QByteArray fitted = ReadAll(path("fitted.bin"));
    QCOMPARE(fitted.size(), 256);
    QVERIFY(!HasEdidError(CheckEdid(fitted)));

    // export: the files and texts of the golden exports, into a folder made for them.
    r = cli({"export", "linux", path("fixed.bin"), path("out/linux"), "--json"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(ReadAll(path("out/linux/O242AT.bin")), Sample());
    // The same lines as the golden text; the connectors come in the display list's order.
    QStringList lines = r.json()["instructions"].toString().split('\n');
    QStringList golden =
        QString::fromUtf8(ReadAll(Source(QStringLiteral("tests/edidcheck/data/O242AT-linux.txt"))))
            .split('\n');
    lines.sort();
    golden.sort();
    QCOMPARE(lines, golden);
    r = cli({"export", "windows", path("fixed.bin"), path("out/windows")});
    QVERIFY2(r.status == 0, r.err);
    QByteArray inf = ReadAll(Source(QStringLiteral("tests/edidcheck/data/O242AT.inf")));
    inf.replace("DriverVer=04/18/2026",
                "DriverVer=" + QDate::currentDate().toString("MM/dd/yyyy").toLatin1());
    QCOMPARE(ReadAll(path("out/windows/O242AT.inf")), inf);
    QCOMPARE(ReadAll(path("out/windows/O242AT-README.txt")),
             ReadAll(Source(QStringLiteral("tests/edidcheck/data/O242AT-README.txt"))));
}

void TstCliEdidFiles::badInput() {
    QVERIFY(WriteAll(path("300.bin"), Sample() + QByteArray(44, 0)));
    QVERIFY(WriteAll(path("plain-file"), "x"));
    const struct {
        QStringList args;
        int status;
        const char* words;
    } cases[] = {
        {{"check", path("300.bin")}, 3, "300 bytes"},
        {{"fit", path("300.bin"), path("x.bin")}, 3, "300 bytes"},
        {{"fix", path("300.bin"), path("x.bin")}, 3, "300 bytes"},
        {{"export", "linux", path("300.bin"), path("x")}, 3, "300 bytes"},
        {{"export", "linux", path("none.bin"), path("x")}, 1, "No such file"},
        {{"export", "windows", Source("tests/edid/samples/005096A886AF.bin"),
          path("plain-file/sub")},
         1,
         "can't be made"},
        {{"export", "linux", Source("tests/edid/samples/005096A886AF.bin"), path("plain-file")},
         1,
         "is a file, not a folder"},
        {{"fix", Source("tests/edid/samples/005096A886AF.bin"), path("no-dir/x.bin")},
         1,
         "cannot be written"},
        {{"export", "macos", path("300.bin"), path("x")}, 2, "unknown system 'macos'"},
    };
    for (const auto& c : cases) {
        const Run r = cli(c.args);
        QVERIFY2(r.status == c.status && r.err.contains(c.words),
                 qPrintable(c.args.join(' ') + ": " + QString::number(r.status) + " " + r.err));
    }
    QVERIFY(!QFile::exists(path("x.bin")) && !QFile::exists(path("x")));
}

QTEST_GUILESS_MAIN(TstCliEdidFiles)
#include "tst_cli_edid_files.moc"
