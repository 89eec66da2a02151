// varnok-cli's timing and edit as a user runs them: edits applied in the order given, every byte
// no edit owns kept, and each kind of bad input refused with its exit status and nothing written.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "edid/model/EdidDescriptors.h"
#include "edid/model/EdidModel.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Samples.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

using Run = test::CliResult;

Run Cli(const QStringList& args) {
    return test::RunCli(QStringLiteral(VARNOK_CLI_PATH), args);
}

// A 256-byte sample with a CTA-861 block full to its last byte, an HDMI VSDB and range limits.
const QString kSample = QStringLiteral("003380875061.bin");

}  // namespace

class TstCliEdit : public QObject {
    Q_OBJECT
private slots:
    void editsInOrderKeepTheRest();
    void eachEditOnlyItsBytes_data();
    void eachEditOnlyItsBytes();
    void refusals_data();
    void refusals();
    void timingJson();
};

void TstCliEdit::editsInOrderKeepTheRest() {
    QTemporaryDir dir;
    const QString in = SamplePath(kSample);
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    const QByteArray before = ReadAll(in);

    // No edit: the input's bytes.
    QCOMPARE(Cli({"edit", in, out}).status, 0);
    QCOMPARE(ReadAll(out), before);

    // The CTA block is full: the added timing fits only once timing 5 (the block's last) is gone,
    // so the order matters; × and x both read.
    const Run r = Cli({"edit", in, out, "--remove-timing", "5", "--preferred", "2560x1440@120:rb2",
                       "--add-timing", "1920×360@60:cvt", "--name", "LED wall"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains("Note: preferred 2560x1440@120:rb2: 8 lines of the vertical front "
                            "porch (71 lines; a descriptor holds 63) move to the back porch"),
             r.out);
    const QByteArray after = ReadAll(out);
    QCOMPARE(after.size(), before.size());
    const EdidModel m = ParseEdidModel(after).model;
    const EdidDetailedTiming preferred = DecodeDetailedTiming(m.base.descriptors[0]);
    QCOMPARE(preferred.pixelClock10kHz, 48312);
    QCOMPARE(preferred.vFront, 63);
    QCOMPARE(preferred.vBlank - preferred.vFront - preferred.vSync, 14);
    // The image size of the timing it replaced stays.
    QCOMPARE(preferred.hImageMm,
             DecodeDetailedTiming(ParseEdidModel(before).model.base.descriptors[0]).hImageMm);
    QCOMPARE(DecodeDetailedTiming(m.cta(1)->timings.last()).hActive, 1920);
    QVERIFY(after.contains("LED wall\n"));
    // Bytes 0..53 (header to standard timings) are no edit's.
    QCOMPARE(after.left(54), before.left(54));
    for (int block = 0; block < 2; ++block)
        QCOMPARE(EdidBlockChecksum(after.mid(block * 128, 128)), uint8_t(after[block * 128 + 127]));

    // Reversed, the timing does not fit: exit 3 with the bytes missing, and OUT is left alone.
    const Run full =
        Cli({"edit", in, out, "--add-timing", "1920x360@60:cvt", "--remove-timing", "5"});
    QCOMPARE(full.status, 3);
    QVERIFY2(full.err.contains("1 more byte is needed. Nothing was written."), full.err);
    QCOMPARE(ReadAll(out), after);
}

void TstCliEdit::eachEditOnlyItsBytes_data() {
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QStringList>("edit");
    QTest::addColumn<QList<int>>("owned");  // the offsets the edit may change, checksums too

    auto range = [](int first, int last, QList<int> more) {
        for (int i = first; i <= last; ++i) more << i;
        return more;
    };
    QTest::newRow("serial") << kSample << QStringList{"--serial", "7"}
                            << QList<int>{12, 13, 14, 15, 127};
    QTest::newRow("product") << kSample << QStringList{"--product", "0x1234"}
                             << QList<int>{10, 11, 127};
    // The range limits and the name are the base block's descriptors 3 and 4 here.
    QTest::newRow("range limits") << kSample << QStringList{"--range-limits", "23-122:15-110:160"}
                                  << range(90, 107, {127});
    QTest::newRow("name") << kSample << QStringList{"--name", "LED wall"} << range(108, 125, {127});
    // The HDMI VSDB's Max TMDS Clock (600 MHz in this EDID) is one byte of block 1.
    QTest::newRow("max tmds") << QStringLiteral("000668600173.bin")
                              << QStringList{"--max-tmds", "340"} << QList<int>{165, 255};
}

void TstCliEdit::eachEditOnlyItsBytes() {
    QFETCH(QString, sample);
    QFETCH(QStringList, edit);
    QFETCH(QList<int>, owned);
    QTemporaryDir dir;
    const QString in = SamplePath(sample);
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    QCOMPARE(Cli(QStringList{"edit", in, out} + edit).status, 0);
    const QByteArray before = ReadAll(in);
    const QByteArray after = ReadAll(out);
    QCOMPARE(after.size(), before.size());
    QList<int> changed;
    for (int i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) changed << i;
    QVERIFY(!changed.isEmpty());
    for (const int offset : changed)
        QVERIFY2(owned.contains(offset), qPrintable(QString::number(offset)));
    // What edid-decode --check passed, it still passes.
    auto check = [](const QString& path) {
        QProcess p;
        p.start(QStringLiteral("edid-decode"), {QStringLiteral("--check"), path});
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    };
    if (QStandardPaths::findExecutable(QStringLiteral("edid-decode")).isEmpty())
        QSKIP("edid-decode is not installed");
    if (check(in)) QVERIFY(check(out));
}

void TstCliEdit::refusals_data() {
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("words");

    QTest::newRow("serial not a number")
        << QStringList{"--serial", "12x"} << 2 << "--serial: '12x' is no number 0..4294967295";
    QTest::newRow("timing without @")
        << QStringList{"--preferred", "1920x1080"} << 2 << "--preferred: '1920x1080' is no timing";
    QTest::newRow("unknown method")
        << QStringList{"--add-timing", "1920x1080@60:foo"} << 2 << "unknown method 'foo'";
    // A later malformed edit stops the earlier good ones too.
    QTest::newRow("name too long")
        << QStringList{"--serial", "5", "--name", "Fourteen chars"} << 2 << "--name: ";
    QTest::newRow("timing 9 of 5")
        << QStringList{"--remove-timing", "9"} << 2 << "the EDID has 5 detailed timings, not 9";
    QTest::newRow("no such block") << QStringList{"--remove-block", "hdr-static"} << 2
                                   << "the EDID has no hdr-static data block";
    QTest::newRow("tmds off the 5 MHz grid")
        << QStringList{"--max-tmds", "297"} << 2 << "in steps of 5";
    QTest::newRow("range limits syntax")
        << QStringList{"--range-limits", "24-75:30-160"} << 2 << "is not VMIN-VMAX:HMIN-HMAX:CLOCK";
    QTest::newRow("4K120 clock, VIC offered")
        << QStringList{"--preferred", "3840x2160@120:vic"} << 3
        << "the descriptor holds 10 kHz to 655.35 MHz. A CTA-861 video data block can name it "
           "as VIC 118 or 120.";
}

void TstCliEdit::refusals() {
    QFETCH(QStringList, edits);
    QFETCH(int, status);
    QFETCH(QString, words);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    const Run r = Cli(QStringList{"edit", SamplePath(kSample), out} + edits);
    QCOMPARE(r.status, status);
    QVERIFY2(QString::fromUtf8(r.err).contains(words), r.err);
    QVERIFY(!QFile::exists(out));
}

void TstCliEdit::timingJson() {
    // Without --method: the DMT table's timing.
    const QJsonObject dmt =
        QJsonDocument::fromJson(Cli({"--json", "timing", "1920", "1080", "60"}).out).object();
    QCOMPARE(dmt["method"].toString(), "dmt");
    const QJsonObject t = dmt["timing"].toObject();
    QCOMPARE(t["pixel_clock_khz"].toInt(), 148500);
    QCOMPARE(QList<int>({t["hfront"].toInt(), t["hsync"].toInt(), t["hback"].toInt(),
                         t["vfront"].toInt(), t["vsync"].toInt(), t["vback"].toInt()}),
             QList<int>({88, 44, 148, 4, 5, 36}));
    QVERIFY(t["hsync_positive"].toBool() && !t["interlaced"].toBool());

    const Run rb2 = Cli({"--json", "timing", "2560", "1440", "120", "--method", "rb2"});
    const QJsonObject d = QJsonDocument::fromJson(rb2.out).object()["descriptor"].toObject();
    QVERIFY(!d["fits"].toBool());
    QCOMPARE(d["fitted"].toObject()["vback"].toInt(), 14);

    // Bad operands and options: usage, exit 2.
    for (const QStringList& bad :
         {QStringList{"timing", "0", "1080", "60"}, QStringList{"timing", "1920", "1080", "x"},
          QStringList{"timing", "1920", "1080", "60", "--method", "cvt2"},
          QStringList{"timing", "1234", "567", "60", "--method", "dmt"}}) {
        const Run r = Cli(bad);
        QVERIFY2(r.status == 2 && r.out.isEmpty() && !r.err.isEmpty(), qPrintable(bad.join(' ')));
    }
}

QTEST_GUILESS_MAIN(TstCliEdit)
#include "tst_cli_edit.moc"
