// The fourteen report texts, the audio row's wrap, and the report tool's output.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "edid/EdidReport.h"
#include "tests/edid/EdidTestImages.h"
#include "tests/support/EdidFiles.h"

using namespace varnok;
using namespace varnok::test;

namespace {

QStringList Rows(const EdidReport& report) {
    return QStringList(report.values.begin(), report.values.end());
}

EdidImage NineAudioClasses() {
    Bytes sads;
    for (uint8_t code : {1, 1, 2, 10, 12, 7, 11, 6, 9}) {
        const uint8_t ch = sads.empty() ? 1 : 7;
        sads += Bytes{uint8_t(code << 3 | ch), 0x07, 0x50};
    }
    return ImageWithBlocks({Block(0x40, {16}), Block(0x20, sads)});
}

}  // namespace

class TestEdidReport : public QObject {
    Q_OBJECT

private slots:
    void rowTable();
    void reports_data();
    void reports();
    void audioTokenWrap_data();
    void audioTokenWrap();
    void reportTool();
    void reportToolUnreadableFile();
    void reportToolExitStatus();
};

void TestEdidReport::rowTable() {
    const QStringList captions = {
        "    EDID Header :",       "    EDID Checksum :",  "    Manufacturer Name :",
        "    Monitor Name :",      "    Max Resolution :", "    Max Color Depth :",
        "    Support 3D :",        "    Support YUV420 :", "    Support SCDC :",
        "    Support 600MHz :",    "    Support HDR :",    "    Audio Formats :",
        "    Audio Max Channel :", "    CEC Address :"};
    for (int i = 0; i < kEdidReportRowCount; ++i)
        QCOMPARE(QString(kEdidReportRows[i].caption), captions[i]);
    QCOMPARE(int(EdidReportRow::CecAddress), kEdidReportRowCount - 1);
}

void TestEdidReport::reports_data() {
    QTest::addColumn<EdidImage>("image");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("twoLines");
    const QString no = "No";
    QTest::newRow("default image")
        << DefaultEdidImage()
        << QStringList{"Good", "Good", "NEW", "BrandNewEdid", "1080p@60Hz", "8bit", no, no,
                       no,     no,     no,    "2PCM,",        "2CH",        "1000"}
        << false;
    EdidImage bad = DefaultEdidImage();
    bad[255] ^= 1;
    QTest::newRow("invalid image")
        << bad
        << QStringList{"Illegal", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"}
        << false;
    QTest::newRow("base block only")
        << BaseOnlyImage()
        << QStringList{"Good", "Good", "NEW", "BrandNewEdid", "UNDEFINE.", "8bit", no, no, no,
                       no,     no,     "",    "0CH",          "0000"}
        << false;
    EdidImage emptyName = BaseOnlyImage();
    emptyName[95] = 0x0A;  // the name descriptor's text starts with its terminator
    SetBlockChecksum(emptyName, 0);
    QTest::newRow("empty name") << emptyName
                                << QStringList{"Good", "Good", "NEW", "-",   "UNDEFINE.",
                                               "8bit", no,     no,    no,    no,
                                               no,     "",     "0CH", "0000"}
                                << false;
    EdidImage latin = BaseOnlyImage();
    latin[95] = 0xC9;  // bytes show one for one as Latin-1 characters
    SetBlockChecksum(latin, 0);
    QTest::newRow("Latin-1 name")
        << latin << QStringList{"Good",      "Good", "NEW", QString::fromUtf8("ÉrandNewEdid"),
                                "UNDEFINE.", "8bit", no,    no,
                                no,          no,     no,    "",
                                "0CH",       "0000"}
        << false;
    QTest::newRow("nine audio classes")
        << NineAudioClasses()
        << QStringList{"Good",       "Good",
                       "NEW",        "BrandNewEdid",
                       "1080p@60Hz", "8bit",
                       no,           no,
                       no,           no,
                       no,           "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\r\nDTS,DTSHD,AAC,OBA,",
                       "8CH",        "0000"}
        << true;
    QTest::newRow("HDMI 2.x sink")
        << ImageWithBlocks(
               {Block(0x40, {97, 16}),
                Block(0x60, {0x03, 0x0C, 0x00, 0xAB, 0x0C, 0x38, 0x3C, 0x20, 0x80, 0x00}),
                Block(0x60, {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0x05}), Block(0xE0, {0x0F, 0x01})})
        << QStringList{"Good", "Good", "NEW", "BrandNewEdid", "2160p@60Hz", "12bit", "Yes",
                       "Yes",  "Yes",  "Yes", "10bit,16bit,", "",           "0CH",   "AB0C"}
        << false;
    QTest::newRow("16-bit, all 4:2:0 depths")
        << ImageWithBlocks({Block(0x60, {0x03, 0x0C, 0x00, 0x10, 0x00, 0x70}),
                            Block(0x60, {0xD8, 0x5D, 0xC4, 0x01, 0x3C, 0x00, 0x07})})
        << QStringList{"Good", "Good", "NEW", "BrandNewEdid",       "UNDEFINE.", "16bit", no,
                       no,     no,     no,    "10bit,12bit,16bit,", "",          "0CH",   "1000"}
        << false;
}

void TestEdidReport::reports() {
    QFETCH(EdidImage, image);
    QFETCH(QStringList, rows);
    QFETCH(bool, twoLines);
    EdidInfo info;
    DecodeEdid(info, image.data());
    const EdidReport report = MakeEdidReport(info);
    QCOMPARE(Rows(report), rows);
    QCOMPARE(report.audioTwoLines, twoLines);
}

void TestEdidReport::audioTokenWrap_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("twoLinesBefore");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("twoLinesAfter");
    QTest::newRow("empty") << "" << false << "OBA," << false;
    QTest::newRow("30 characters")
        << QString(30, 'x') << false << QString(30, 'x') + "OBA," << false;
    QTest::newRow("31 characters")
        << QString(31, 'x') << false << QString(31, 'x') + "\r\nOBA," << true;
    QTest::newRow("already wrapped")
        << QString(40, 'x') << true << QString(40, 'x') + "OBA," << true;
}

void TestEdidReport::audioTokenWrap() {
    QFETCH(QString, before);
    QFETCH(bool, twoLinesBefore);
    QFETCH(QString, after);
    QFETCH(bool, twoLinesAfter);
    QString label = before;
    bool twoLines = twoLinesBefore;
    AppendAudioToken(label, twoLines, "OBA,");
    QCOMPARE(label, after);
    QCOMPARE(twoLines, twoLinesAfter);
}

void TestEdidReport::reportTool() {
    QTemporaryDir dir;
    const QString wrapped = dir.filePath("audio.bin");
    QVERIFY(SaveImageFile(wrapped, NineAudioClasses()));
    const QString empty = dir.filePath("empty.bin");
    QFile(empty).open(QIODevice::WriteOnly);

    QProcess tool;
    // Text mode: on Windows the tool ends its lines with CR LF, as console programs there do.
    tool.start(VARNOK_EDID_REPORT, {wrapped, empty}, QIODevice::ReadWrite | QIODevice::Text);
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 3);  // the empty file is read, and judged invalid
    const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.size(), 2 * 15 + 1);
    QCOMPARE(lines[0], wrapped);
    QCOMPARE(lines[1], QString("EDID Header :\tGood"));
    QCOMPARE(lines[12], QString("Audio Formats :\t2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\\r\\n"
                                "DTS,DTSHD,AAC,OBA,"));
    QCOMPARE(lines[14], QString("CEC Address :\t0000"));
    QCOMPARE(lines[15], empty);
    QCOMPARE(lines[16], QString("EDID Header :\tIllegal"));
    QCOMPARE(lines[29], QString("CEC Address :\t-"));
    QCOMPARE(lines[30], QString());
}

void TestEdidReport::reportToolUnreadableFile() {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.bin");
    QVERIFY(SaveImageFile(good, DefaultEdidImage()));
    QProcess tool;
    tool.start(VARNOK_EDID_REPORT, {dir.filePath("missing.bin"), good},
               QIODevice::ReadWrite | QIODevice::Text);
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 1);
    QCOMPARE(
        QString::fromUtf8(tool.readAllStandardError()),
        "varnok-edid-report: " + dir.filePath("missing.bin") + ": No such file or directory\n");
    const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.size(), 15 + 1);  // the readable file is still reported
    QCOMPARE(lines[0], good);
    QCOMPARE(lines[4], QString("Monitor Name :\tBrandNewEdid"));
}

void TestEdidReport::reportToolExitStatus() {
    // What a script sees: 0 all valid, 1 a file unreadable, 2 a usage error, 3 a file invalid.
    QTemporaryDir dir;
    const QString good = dir.filePath("good.bin"), bad = dir.filePath("bad.bin");
    const QString missing = dir.filePath("missing.bin");
    QVERIFY(SaveImageFile(good, DefaultEdidImage()));
    QVERIFY(SaveImageFile(bad, EdidImage{}));
    const struct {
        QStringList args;
        int status;
        const char* stdoutStart;
        const char* stderrStart;
    } rows[] = {
        {{good}, 0, "", ""},
        {{good, bad}, 3, "", ""},
        {{missing, bad}, 1, "", "varnok-edid-report: "},
        {{}, 2, "", "varnok-edid-report: no FILE given\nUsage: varnok-edid-report"},
        {{"-x", good}, 2, "", "varnok-edid-report: unknown option '-x'\nUsage:"},
        {{"--help", good}, 0, "Usage: varnok-edid-report [OPTION]... FILE...\n", ""},
        {{"--version"}, 0, "varnok-edid-report ", ""},
        {{"--", "-h"}, 1, "", "varnok-edid-report: -h: No such file or directory"},
    };
    for (const auto& row : rows) {
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(VARNOK_EDID_REPORT, row.args, QIODevice::ReadWrite | QIODevice::Text);
        QVERIFY(tool.waitForFinished(30000));
        const QString what = row.args.join(' ');
        QVERIFY2(tool.exitCode() == row.status, qPrintable(what));
        const QString out = QString::fromUtf8(tool.readAllStandardOutput());
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        // Rows go to stdout only when files were read; words about them to stderr only.
        QVERIFY2(out.startsWith(QLatin1String(row.stdoutStart)) || !*row.stdoutStart,
                 qPrintable(what + ": " + out));
        QVERIFY2(*row.stderrStart ? err.startsWith(QLatin1String(row.stderrStart)) : err.isEmpty(),
                 qPrintable(what + ": " + err));
    }
}

QTEST_GUILESS_MAIN(TestEdidReport)
#include "tst_edid_report.moc"
