// An image's validity in words, the compare of two EDIDs, and the byte layout of the hex view:
// named ranges that never leave the image, also for data blocks whose lengths run too far.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <functional>

#include "edid/Edid.h"
#include "edid/EdidByteRegion.h"
#include "edid/EdidCompare.h"
#include "edid/EdidLayout.h"
#include "edid/EdidValidity.h"
#include "tests/edid/EdidTestImages.h"
#include "tests/support/EdidFiles.h"
#include "tests/support/Samples.h"

using namespace varnok;
using namespace varnok::test;

using Mutation = std::function<void(EdidImage&)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

QString Describe(const QList<EdidByteRange>& layout) {
    QStringList lines;
    for (const EdidByteRange& r : layout) {
        lines << QStringLiteral("%1+%2 %3%4")
                     .arg(r.first)
                     .arg(r.length)
                     .arg(r.name, r.bad ? " BAD" : "");
    }
    return lines.join(u'\n');
}

// Every byte in exactly one range, in order.
bool CoversImage(const QList<EdidByteRange>& layout) {
    int next = 0;
    for (const EdidByteRange& r : layout) {
        if (r.first != next || r.length < 1) return false;
        next += r.length;
    }
    return next == kEdidSize;
}

}  // namespace

class TestEdidInspect : public QObject {
    Q_OBJECT

private slots:
    void validity_data();
    void validity();
    void compareTwoEdids();
    void layout_data();
    void layout();
    void layoutOfEverySample();
    void layoutTimingsAreEdidDecodes();
    void byteRegions_data();
    void byteRegions();
};

void TestEdidInspect::validity_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("valid, one extension")
        << Mutation([](EdidImage&) {}) << 0 << 0
        << "Valid EDID: header and both checksums good, one extension.";
    QTest::newRow("valid, 128 bytes") << Mutation([](EdidImage& i) { i = BaseOnlyImage(); }) << 0
                                      << 0 << "Valid EDID: header and checksum good, no extension.";
    QTest::newRow("empty file")
        << Mutation([](EdidImage& i) { i.fill(0xFF); }) << int(HeaderBad)
        << int(HeaderBad | Checksum0Bad | OverBanks | Checksum1Bad)
        << "Illegal Edid Header. All 256 bytes are 0xff, so there is no EDID.";
    // Validation stops at the checksum; the words name the extension count as well.
    QTest::newRow("checksum 0 and two extensions")
        << Mutation([](EdidImage& i) { i[126] = 2; }) << int(Checksum0Bad)
        << int(Checksum0Bad | OverBanks)
        << "Illegal Edid CheckSum0. Block 0's checksum byte 127 is 0xd3; it should be 0xd2; the "
           "extension count (byte 126) is 2; the device holds one extension at most.";
    QTest::newRow("checksum 1") << Mutation([](EdidImage& i) { i[200] = 0x01; })
                                << int(Checksum1Bad) << int(Checksum1Bad)
                                << "Illegal Edid CheckSum1. Block 1's checksum byte 255 is 0xc8; "
                                   "it should be 0xc7.";
    QTest::newRow("header") << Mutation([](EdidImage& i) {
        i[7] = 0x01;
        SetBlockChecksum(i, 0);
    }) << int(HeaderBad) << int(HeaderBad)
                            << "Illegal Edid Header. The header (bytes 0 to 7) is not 00 ff ff "
                               "ff ff ff ff 00.";
}

void TestEdidInspect::validity() {
    QFETCH(Mutation, mutate);
    QFETCH(int, reason);
    QFETCH(int, failed);
    QFETCH(QString, sentence);
    EdidImage image = DefaultEdidImage();
    mutate(image);
    const EdidValidity v = DescribeEdidValidity(image);
    QCOMPARE(v.sentence, sentence);
    QCOMPARE(int(v.reason), reason);
    QCOMPARE(int(v.failed), failed);
    QCOMPARE(v.valid, reason == 0);
    QCOMPARE(v.problems.isEmpty(), reason == 0);
}

// The default EDID against one with another name and VIC 4 (720p60) instead of VIC 16: two rows
// differ, and the bytes that differ are listed with both values.
void TestEdidInspect::compareTwoEdids() {
    const EdidImage a = DefaultEdidImage();
    EdidImage b = a;
    b[95] = 'G';  // "BrandNewEdid" -> "GrandNewEdid"
    b[133] = 4;
    SetBlockChecksum(b, 0);
    SetBlockChecksum(b, 1);
    const EdidComparison c = CompareEdids(a, b);
    QCOMPARE(c.b.value(EdidReportRow::MonitorName), "GrandNewEdid");
    QCOMPARE(c.b.value(EdidReportRow::MaxResolution), "720p@60Hz");
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        const bool expected =
            row == int(EdidReportRow::MonitorName) || row == int(EdidReportRow::MaxResolution);
        QVERIFY2(c.rowDiffers[row] == expected, kEdidReportRows[row].caption);
    }
    QCOMPARE(c.differingRows(), 2);
    QCOMPARE(c.bytes.size(), 4);
    const int offsets[] = {95, 127, 133, 255};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(c.bytes[k].offset, offsets[k]);
        QCOMPARE(c.bytes[k].a, a[offsets[k]]);
        QCOMPARE(c.bytes[k].b, b[offsets[k]]);
    }
    QVERIFY(!c.identical());
    QVERIFY(CompareEdids(b, b).identical());

    // Each byte named by what it is in the first EDID.
    const QStringList regions = {"descriptor 3 (display product name): text", "checksum of block 0",
                                 "video data block: SVD 1, VIC 16", "checksum of block 1"};
    for (int k = 0; k < 4; ++k) QCOMPARE(c.bytes[k].region, regions[k]);

    // A 128-byte EDID against its own base block with an extension: block 1 differs wholly, and
    // its bytes are named by the EDID that has them.
    const EdidComparison shortLong = CompareEdids(BaseOnlyImage(), a);
    QVERIFY(shortLong.rowDiffers[int(EdidReportRow::AudioChannel)]);
    QCOMPARE(shortLong.bytes.last().offset, 255);
    const auto vic = std::find_if(shortLong.bytes.begin(), shortLong.bytes.end(),
                                  [](const EdidByteDifference& d) { return d.offset == 133; });
    QCOMPARE(vic->region, "video data block: SVD 1, VIC 16");
}

void TestEdidInspect::layout_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QStringList>("expected");  // ranges of block 1, or of the whole image
    QTest::newRow("default EDID")
        << Mutation([](EdidImage&) {})
        << QStringList{
               "0+8 Header",
               "8+2 Manufacturer ID: NEW",
               "10+2 Product code: 0x0000",
               "12+4 Serial number: 0",
               "16+2 Made in week 15 of 2015",
               "18+2 EDID version 1.3",
               "20+5 Basic display parameters: input, screen size, "
               "gamma, features",
               "25+10 Color characteristics (chromaticity)",
               "35+3 Established timings",
               "38+16 Standard timings",
               "54+18 Descriptor 1: detailed timing 1920x1080 at 60.000 Hz",
               "72+18 Descriptor 2: detailed timing 1280x720 at 60.000 Hz",
               "90+18 Descriptor 3: display product name \"BrandNewEdid\"",
               "108+18 Descriptor 4: display range limits",
               "126+1 Extension count: 1",
               "127+1 Checksum of block 0",
               "128+4 CTA-861 extension header: revision 3, detailed "
               "timings from byte 147",
               "132+2 Video data block",
               "134+4 Audio data block",
               "138+9 HDMI vendor-specific data block",
               "147+108 Padding",
               "255+1 Checksum of block 1",
           };
    // The HDMI block states 31 bytes; the collection ends at byte 147. A detailed timing follows.
    QTest::newRow("data block running past the timings")
        << Mutation([](EdidImage& i) {
               i[138] = 0x7F;
               std::copy_n(i.begin() + 54, 18, i.begin() + 147);
               SetBlockChecksum(i, 1);
           })
        << QStringList{"128+4 CTA-861 extension header: revision 3, detailed timings from byte 147",
                       "132+2 Video data block",
                       "134+4 Audio data block",
                       "138+9 HDMI vendor-specific data block (states 32 bytes; cut to the 9 "
                       "before the detailed timings) BAD",
                       "147+18 Detailed timing 1920x1080 at 60.000 Hz",
                       "165+90 Padding",
                       "255+1 Checksum of block 1"};
    // Byte 130 = 127: the collection would hold the checksum byte; the last block stops before it.
    QTest::newRow("collection up to the checksum")
        << Mutation([](EdidImage& i) {
               i[130] = 127;
               for (int p : {138, 170, 202, 234}) i[p] = 0x7F;
               SetBlockChecksum(i, 1);
           })
        << QStringList{"128+4 CTA-861 extension header: revision 3, detailed timings from byte 255",
                       "132+2 Video data block",
                       "134+4 Audio data block",
                       "138+32 HDMI vendor-specific data block",
                       "170+32 Vendor-specific data block, OUI 00-00-00",
                       "202+32 Vendor-specific data block, OUI 00-00-00",
                       "234+21 Vendor-specific data block, OUI 00-00-00 (states 32 bytes; cut to "
                       "the 21 before the detailed timings) BAD",
                       "255+1 Checksum of block 1"};
    QTest::newRow("no data blocks, no timings")
        << Mutation([](EdidImage& i) { i[130] = 0; })
        << QStringList{
               "128+4 CTA-861 extension header: revision 3, detailed timings from byte "
               "(none)",
               "132+123 Unused bytes",
               "255+1 Checksum of block 1 (wrong; 0xdb would make "
               "the block sum to 0) BAD"};
    QTest::newRow("128-byte EDID") << Mutation([](EdidImage& i) { i = BaseOnlyImage(); })
                                   << QStringList{
                                          "128+128 No extension: a 128-byte EDID (block "
                                          "1 reads as 0xff)"};
    QTest::newRow("extension of another kind")
        << Mutation([](EdidImage& i) {
               i[128] = 0x70;
               SetBlockChecksum(i, 1);
           })
        << QStringList{"128+127 Extension block, tag 0x70 (not CTA-861)",
                       "255+1 Checksum of block 1"};
    // A serial number before a timing and an empty slot between them: the walk goes on to the
    // last slot that holds anything. Vendor blocks carry their OUI's name where one is defined.
    QTest::newRow("descriptors among the timings, interlaced, vendor blocks by OUI")
        << Mutation([](EdidImage& i) {
               i = ImageWithBlocks({Block(0xE0, {0x01, 0x46, 0xD0, 0x00, 0x44}),
                                    Block(0xE0, {0x11, 0x46, 0xD0, 0x00, 0x01}),
                                    Block(0xE0, {0x01, 0x8B, 0x84, 0x90, 0x01}),
                                    Block(0x60, {0x1A, 0x00, 0x00, 0x01})});
               const uint8_t serial[18] = {0, 0, 0, 0xFF, 0, 'S', 'N', '1', 0x0A, ' ', ' ', ' '};
               // CTA-861 VIC 5: one field of 540 lines, 22 of blanking, at 74.25 MHz.
               const uint8_t field[18] = {0x01, 0x1D, 0x80, 0x18, 0x71, 0x1C, 0x16, 0x20, 0x58,
                                          0x2C, 0x25, 0x00, 0xC4, 0x8E, 0x21, 0x00, 0x00, 0x9E};
               std::copy_n(serial, 18, i.begin() + 155);
               std::copy_n(field, 18, i.begin() + 191);
               SetBlockChecksum(i, 1);
           })
        << QStringList{"128+4 CTA-861 extension header: revision 3, detailed timings from byte 155",
                       "132+6 Dolby vendor-specific video data block",
                       "138+6 Dolby vendor-specific audio data block",
                       "144+6 HDR10+ vendor-specific video data block",
                       "150+5 Vendor-specific data block, OUI 00-00-1A",
                       "155+18 Display serial number \"SN1\"",
                       "173+18 Empty descriptor",
                       "191+18 Detailed timing 1920x1080i at 60.000 Hz",
                       "209+46 Padding",
                       "255+1 Checksum of block 1"};
}

void TestEdidInspect::layout() {
    QFETCH(Mutation, mutate);
    QFETCH(QStringList, expected);
    EdidImage image = DefaultEdidImage();
    mutate(image);
    const QList<EdidByteRange> layout = EdidByteLayout(image);
    QVERIFY(CoversImage(layout));
    QStringList got = Describe(layout).split(u'\n');
    if (expected.size() < got.size()) {
        got = got.mid(got.indexOf(QRegularExpression("^128\\+.*")));
    }
    QCOMPARE(got.join(u'\n'), expected.join(u'\n'));
}

// Real EDIDs: every layout covers its image and names no data block as cut; every byte has a
// region.
void TestEdidInspect::layoutOfEverySample() {
    const QFileInfoList files = QDir(SamplesDir()).entryInfoList({"*.bin"}, QDir::Files);
    QVERIFY(files.size() >= 300);
    for (const QFileInfo& file : files) {
        EdidImage image;
        QVERIFY(LoadImageFile(file.filePath(), image));
        const QList<EdidByteRange> layout = EdidByteLayout(image);
        QVERIFY2(CoversImage(layout), qPrintable(file.fileName()));
        for (const EdidByteRange& r : layout) QVERIFY2(!r.bad, qPrintable(file.fileName()));
        for (const EdidByteRegion& r : EdidByteRegions(image))
            QVERIFY2(!r.name.isEmpty(), qPrintable(file.fileName()));
    }
}

void TestEdidInspect::byteRegions_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("region");
    QTest::addColumn<bool>("holdsNothing");
    const Mutation none = [](EdidImage&) {};
    const auto row = [&](const char* name, Mutation m, int offset, const char* region,
                         bool nothing = false) {
        QTest::newRow(name) << m << offset << QString(region) << nothing;
    };
    row("base field", none, 11, "product code");
    row("standard timing", none, 41, "standard timing 2");
    row("timing's clock", none, 54, "detailed timing 1: pixel clock");
    row("timing's flags", none, 89, "detailed timing 2: interlace, stereo and sync flags");
    row("name text", none, 95, "descriptor 3 (display product name): text");
    row("range limits", none, 117, "descriptor 4 (display range limits): max pixel clock");
    row("checksum 0", none, 127, "checksum of block 0");
    row("CTA header", none, 130, "where the detailed timings start");
    row("VIC", none, 133, "video data block: SVD 1, VIC 16");
    row("audio", none, 136, "audio data block: short audio descriptor 1");
    row("max TMDS", none, 145, "HDMI vendor-specific data block: max TMDS clock");
    row("padding", none, 200, "padding", true);
    // An extension's timing goes on from the base block's two, as edid-decode numbers them.
    row(
        "extension timing", [](EdidImage& i) { std::copy_n(i.begin() + 54, 18, i.begin() + 147); },
        148, "detailed timing 3: pixel clock");
    row(
        "dummy descriptor", [](EdidImage& i) { i[111] = 0x10; }, 113, "descriptor 4 (dummy): data");
    row(
        "128-byte EDID", [](EdidImage& i) { i = BaseOnlyImage(); }, 133,
        "no extension: a 128-byte EDID (block 1 reads as 0xff)", true);
    row(
        "4:2:0 video block",
        [](EdidImage& i) {
            i = ImageWithBlocks({Block(0xE0, {0x0E, 0x61, 0x60})});
        },
        135, "YCbCr 4:2:0 video data block: SVD 2, VIC 96");
}

// Each byte named by its field, inside a timing, a descriptor or a data block.
void TestEdidInspect::byteRegions() {
    QFETCH(Mutation, mutate);
    QFETCH(int, offset);
    QFETCH(QString, region);
    QFETCH(bool, holdsNothing);
    EdidImage image = DefaultEdidImage();
    mutate(image);
    const QList<EdidByteRegion> regions = EdidByteRegions(image);
    QCOMPARE(regions.size(), kEdidSize);
    QCOMPARE(regions[offset].name, region);
    QCOMPARE(regions[offset].holdsNothing, holdsNothing);
}

// Every detailed timing the layout names, in the base block and among the extension's slots up to
// an empty one, is the one edid-decode lists, in the same order, with its name and rate
// (interlaced ones too).
void TestEdidInspect::layoutTimingsAreEdidDecodes() {
    const QString edidDecode = QStandardPaths::findExecutable("edid-decode");
    if (edidDecode.isEmpty()) QSKIP("edid-decode is not installed");
    const QRegularExpression ours("etailed timing (\\S+) at ([0-9.]+) Hz");
    const QRegularExpression theirs("^\\s*DTD \\d+:\\s+(\\S+)\\s+([0-9.]+) Hz",
                                    QRegularExpression::MultilineOption);
    const QFileInfoList files =
        QDir(qEnvironmentVariable("VARNOK_SAMPLES_DIR")).entryInfoList({"*.bin"}, QDir::Files);
    int interlaced = 0;
    for (const QFileInfo& file : files) {
        EdidImage image;
        QVERIFY(LoadImageFile(file.filePath(), image));
        QStringList named;
        for (const EdidByteRange& r : EdidByteLayout(image)) {
            // edid-decode stops at the extension's first empty slot; the layout names the slots
            // after it too, as a driver reads every slot.
            if (r.name == "Empty descriptor") break;
            const QRegularExpressionMatch m = ours.match(r.name);
            if (m.hasMatch()) named << m.captured(1) + u' ' + m.captured(2);
        }
        QProcess p;
        p.start(edidDecode, {file.filePath()});
        QVERIFY(p.waitForFinished(30000));
        QStringList listed;
        for (const auto& m : theirs.globalMatch(QString::fromUtf8(p.readAllStandardOutput())))
            listed << m.captured(1) + QString::asprintf(" %.3f", m.captured(2).toDouble());
        QCOMPARE(named.join(u'\n') + u'\n' + file.fileName(),
                 listed.join(u'\n') + u'\n' + file.fileName());
        interlaced += int(named.filter(QRegularExpression("\\di ")).size());
    }
    QVERIFY(interlaced > 0);
}

QTEST_GUILESS_MAIN(TestEdidInspect)
#include "tst_edid_inspect.moc"
