// The extension block written by the builder: the data blocks, their order and conditions, the
// reused HDMI, HDMI Forum and colorimetry blocks, the detailed timing offset and the limits of
// block 1.

#include <QtTest>

#include "creator/builder/EdidBuilder.h"
#include "tests/builder/BuilderFixture.h"

using namespace varnok;
using namespace varnok::test;

namespace {

// The data blocks of the built-in default: VIC 16, 2-channel L-PCM, the HDMI block 1.0.0.0.
const char* const kDefaultVideo = "41 10";
const char* const kDefaultAudio = "23 09 07 03";
const char* const kDefaultHdmiBlock = "68 03 0C 00 10 00 80 21 00";

Bytes Concat(std::initializer_list<const char*> parts) {
    Bytes out;
    for (const char* part : parts) {
        const Bytes bytes = FromHex(part);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

void AddVic(EdidInfo& info, uint8_t vic) {
    for (auto& slot : info.vicList) {
        if (slot == 0) {
            slot = vic;
            return;
        }
    }
}

QByteArray Joined(std::initializer_list<const char*> parts) {
    return Hex(Concat(parts));
}

}  // namespace

class TestBuilderExtension : public QObject {
    Q_OBJECT

private slots:
    void defaultImageExactBytes();
    void dataBlocks_data();
    void dataBlocks();
    void hdmiPayload_data();
    void hdmiPayload();
    void hdmiForumBlockKeptOnNextBuild();
    void detailedTimingOffset_data();
    void detailedTimingOffset();
    void allFfExtension();
    void maximalStateStaysInBlock1();
    void blockRunningPastImageEnd();
    void randomRecordsAndExtensions();
};

void TestBuilderExtension::defaultImageExactBytes() {
    EdidInfo info = Loaded(DefaultEdidImage());
    const QStringList notes = WriteCreatedImage(info);
    QVERIFY(notes.isEmpty());
    // Nothing changed in the record: block 0 is the default's, checksum included.
    QCOMPARE(HexRange(info.image, 0, 128), HexRange(DefaultEdidImage(), 0, 128));
    QCOMPARE(HexRange(info.image, 128, 18),
             QByteArray("02 03 12 71 41 10 23 09 07 03 67 03 0C 00 10 00 80 21"));
    QCOMPARE(HexRange(info.image, 146, 109), Hex(Bytes(109, 0)));
    QCOMPARE(info.image[255], uint8_t(0xCA));
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::dataBlocks_data() {
    QTest::addColumn<EdidImage>("image");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("blocks");
    const EdidImage def = DefaultEdidImage();
    const char* hdmi = "67 03 0C 00 10 00 80 21";

    QTest::newRow("default") << def << Setup([](EdidInfo&) {})
                             << Joined({kDefaultVideo, kDefaultAudio, hdmi});
    QTest::newRow("no VIC: no video block")
        << def << Setup([](EdidInfo& i) { i.vicList.fill(0); }) << Joined({kDefaultAudio, hdmi});
    QTest::newRow("VICs in slot order, gaps closed") << def << Setup([](EdidInfo& i) {
        i.vicList.fill(0);
        i.vicList[3] = 4;
        i.vicList[7] = 16;
        i.vicList[23] = 118;
    }) << Joined({"43 04 10 76", kDefaultAudio, hdmi});
    QTest::newRow("empty descriptors skipped") << def << Setup([](EdidInfo& i) {
        i.sads[4] = {0x15, 0x07, 0x50};
        i.sads[9] = {0x3E, 0x1E, 0xC0};
    }) << Joined({kDefaultVideo, "29 09 07 03 15 07 50 3E 1E C0", hdmi});
    QTest::newRow("no descriptor: no audio block")
        << def << Setup([](EdidInfo& i) { i.sads = {}; }) << Joined({kDefaultVideo, hdmi});
    QTest::newRow("speaker allocation FL/FR and FCH")
        << def << Setup([](EdidInfo& i) { i.speakerAllocation = 0x010400; })
        << Joined({kDefaultVideo, kDefaultAudio, "83 01 04 00", hdmi});
    QTest::newRow("4K VIC adds an HDMI Forum block") << def << Setup([](EdidInfo& i) {
        AddVic(i, 97);
        i.yuv420DeepColor = 0x0B;
    }) << Joined({"42 10 61", kDefaultAudio, "67 03 0C 00 10 00 80 3C", "67 D8 5D C4 01 78 80 03"});
    QTest::newRow("VIC 93 is no 4K VIC") << def << Setup([](EdidInfo& i) { AddVic(i, 93); })
                                         << Joined({"42 10 5D", kDefaultAudio, hdmi});
    QTest::newRow("colorimetry, none loaded")
        << def << Setup([](EdidInfo& i) { i.colorimetry[0] = 0x81; })
        << Joined({kDefaultVideo, kDefaultAudio, hdmi, "E3 05 81 01"});
    QTest::newRow("video capability as loaded")
        << def << Setup([](EdidInfo& i) { i.videoCapability = 0x0F; })
        << Joined({kDefaultVideo, kDefaultAudio, hdmi, "E2 00 0F"});
    QTest::newRow("HDR without luminance")
        << def << Setup([](EdidInfo& i) { i.hdrStaticMetadata = {0x05, 0x01, 0, 0, 0, 9}; })
        << Joined({kDefaultVideo, kDefaultAudio, hdmi, "E3 06 05 01"});
    QTest::newRow("HDR max only") << def << Setup([](EdidInfo& i) {
        i.hdrStaticMetadata = {0x04, 0x01, 120, 0, 0, 0};
    }) << Joined({kDefaultVideo, kDefaultAudio, hdmi, "E4 06 04 01 78"});
    QTest::newRow("HDR min 5 writes all three")
        << def << Setup([](EdidInfo& i) { i.hdrStaticMetadata = {0x07, 0x00, 0, 0, 5, 0}; })
        << Joined({kDefaultVideo, kDefaultAudio, hdmi, "E6 06 07 00 00 00 05"});
    QTest::newRow("HDR luminance without EOTF: no block")
        << def << Setup([](EdidInfo& i) { i.hdrStaticMetadata = {0, 1, 50, 50, 50, 0}; })
        << Joined({kDefaultVideo, kDefaultAudio, hdmi});
    QTest::newRow("YCbCr 4:2:0 VICs raise the clock only") << def << Setup([](EdidInfo& i) {
        i.yuv420Vics = {97, 0, 96};
    }) << Joined({kDefaultVideo, kDefaultAudio, "67 03 0C 00 10 00 80 3C", "E3 0E 61 60"});
    QTest::newRow("all blocks in their order")
        << def << Setup([](EdidInfo& i) {
               AddVic(i, 96);
               i.speakerAllocation = 0x0F0000;
               i.colorimetry[0] = 0xC0;
               i.videoCapability = 0x3F;
               i.hdrStaticMetadata = {0x05, 0x01, 100, 50, 1, 0};
               i.yuv420Vics = {96};
           })
        << Joined({"42 10 60", kDefaultAudio, "83 0F 00 00", "67 03 0C 00 10 00 80 3C",
                   "67 D8 5D C4 01 78 80 00", "E3 05 C0 01", "E2 00 3F", "E6 06 05 01 64 32 01",
                   "E2 0E 60"});

    // Blocks reused from the loaded extension.
    const EdidImage colorimetry = ImageWithDataBlocks(Concat({kDefaultVideo, "E3 05 03 80"}));
    QTest::newRow("colorimetry reuses byte 3 with MD0 set")
        << colorimetry << Setup([](EdidInfo& i) { i.colorimetry[0] = 0xC0; })
        << Joined({kDefaultVideo, "E3 05 C0 81"});
    QTest::newRow("colorimetry off removes it")
        << colorimetry << Setup([](EdidInfo& i) { i.colorimetry[0] = 0; })
        << Joined({kDefaultVideo});
    QTest::newRow("short colorimetry block: missing byte 3 reads 0")
        << ImageWithDataBlocks(Concat({kDefaultVideo, "E2 05 03"}))
        << Setup([](EdidInfo& i) { i.colorimetry[0] = 0x40; })
        << Joined({kDefaultVideo, "E3 05 40 01"});
    QTest::newRow("last colorimetry block wins")
        << ImageWithDataBlocks(Concat({"E3 05 01 02", "E3 05 01 04"})) << Setup([](EdidInfo&) {})
        << Joined({"E3 05 01 05"});
    QTest::newRow("HDMI Forum block copied, 4:2:0 deep colour replaced")
        << ImageWithDataBlocks(Concat({"67 D8 5D C4 01 78 80 07"}))
        << Setup([](EdidInfo& i) { i.yuv420DeepColor = 2; }) << Joined({"67 D8 5D C4 01 78 80 02"});
    QTest::newRow("short HDMI Forum block copied as is")
        << ImageWithDataBlocks(Concat({"65 D8 5D C4 01 78"}))
        << Setup([](EdidInfo& i) { i.yuv420DeepColor = 7; }) << Joined({"65 D8 5D C4 01 78"});
    QTest::newRow("last HDMI Forum block wins")
        << ImageWithDataBlocks(Concat({"64 D8 5D C4 01", "65 D8 5D C4 01 64"}))
        << Setup([](EdidInfo&) {}) << Joined({"65 D8 5D C4 01 64"});
    QTest::newRow("other blocks are dropped")
        << ImageWithDataBlocks(Concat(
               {kDefaultVideo, "64 00 10 18 AA", "E2 0F 01", "62 03 0C", "E5 07 01 02 03 04"}))
        << Setup([](EdidInfo&) {}) << Joined({kDefaultVideo});
    QTest::newRow("HDMI block behind the others")
        << ImageWithDataBlocks(Concat({"65 D8 5D C4 01 78", kDefaultHdmiBlock, kDefaultVideo}))
        << Setup([](EdidInfo&) {})
        << Joined({kDefaultVideo, "67 03 0C 00 10 00 80 21", "65 D8 5D C4 01 78"});
}

void TestBuilderExtension::dataBlocks() {
    QFETCH(EdidImage, image);
    QFETCH(Setup, setup);
    QFETCH(QByteArray, blocks);
    EdidInfo info = Loaded(image);
    setup(info);
    QVERIFY(WriteCreatedImage(info).isEmpty());
    QCOMPARE(DataBlocks(info.image), blocks);
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::hdmiPayload_data() {
    QTest::addColumn<QByteArray>("loaded");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("noteCount");

    const QByteArray def(kDefaultHdmiBlock);
    QTest::newRow("empty video byte dropped")
        << def << Setup([](EdidInfo&) {}) << QByteArray("67 03 0C 00 10 00 80 21") << 0;
    QTest::newRow("10 bit with 4:4:4") << def << Setup([](EdidInfo& i) { i.hdmiDeepColor = 0x18; })
                                       << QByteArray("67 03 0C 00 10 00 98 2D") << 0;
    QTest::newRow("CEC address 2.1.0.0") << def << Setup([](EdidInfo& i) {
        i.cecAddress = {0x21, 0x00};
    }) << QByteArray("67 03 0C 00 21 00 80 21")
                                         << 0;
    QTest::newRow("3D without 3D data") << def << Setup([](EdidInfo& i) { i.features |= Has3D; })
                                        << QByteArray("6A 03 0C 00 10 00 80 21 20 80 00") << 0;
    QTest::newRow("HDMI VIC 3 from VIC 93") << def << Setup([](EdidInfo& i) {
        AddVic(i, 93);
        i.hdmiVics = {3};
    }) << QByteArray("41 5D 6B 03 0C 00 10 00 80 3C 20 00 20 03")
                                            << 0;
    QTest::newRow("HDMI VICs 3, 1 with 3D") << def << Setup([](EdidInfo& i) {
        i.hdmiVics = {3, 0, 1};
        i.features |= Has3D;
    }) << QByteArray("6C 03 0C 00 10 00 80 3C 20 80 40 03 01")
                                            << 0;
    QTest::newRow("Supports_AI clear stays clear")
        << QByteArray("66 03 0C 00 10 00 00") << Setup([](EdidInfo&) {})
        << QByteArray("67 03 0C 00 10 00 00 21") << 0;
    QTest::newRow("length 5: Supports_AI assumed")
        << QByteArray("65 03 0C 00 10 00") << Setup([](EdidInfo&) {})
        << QByteArray("67 03 0C 00 10 00 80 21") << 0;
    QTest::newRow("length 5 with HDMI VICs")
        << QByteArray("65 03 0C 00 10 00") << Setup([](EdidInfo& i) {
               i.hdmiVics = {1, 2};
           })
        << QByteArray("6C 03 0C 00 10 00 80 3C 20 00 40 01 02") << 0;
    QTest::newRow("length 5 with 3D")
        << QByteArray("65 03 0C 00 10 00") << Setup([](EdidInfo& i) { i.features |= Has3D; })
        << QByteArray("6A 03 0C 00 10 00 80 21 20 80 00") << 0;
    QTest::newRow("content type bits keep the video byte")
        << QByteArray("69 03 0C 00 10 00 80 21 2F 00") << Setup([](EdidInfo&) {})
        << QByteArray("68 03 0C 00 10 00 80 21 0F") << 0;
    QTest::newRow("old HDMI VICs and 3D replaced by the record")
        << QByteArray("6D 03 0C 00 10 00 80 21 20 C0 22 03 01 02")
        << Setup([](EdidInfo& i) { i.hdmiVics = {2}; })
        << QByteArray("6D 03 0C 00 10 00 80 3C 20 C0 22 02 01 02") << 0;
    QTest::newRow("3D switched off with HDMI VICs")
        << QByteArray("6D 03 0C 00 10 00 80 21 20 C0 22 03 01 02")
        << Setup([](EdidInfo& i) { i.features &= ~Has3D; })
        << QByteArray("6B 03 0C 00 10 00 80 3C 20 00 20 03") << 0;
    QTest::newRow("latency fields kept")
        << QByteArray("6B 03 0C 00 10 00 80 21 A0 11 22 00") << Setup([](EdidInfo&) {})
        << QByteArray("6B 03 0C 00 10 00 80 21 A0 11 22 00") << 0;
    QTest::newRow("latency fields, 3D switched off: 3D_present cleared")
        << QByteArray("6F 03 0C 00 10 00 80 21 E0 11 22 33 44 C0 00 00")
        << Setup([](EdidInfo& i) { i.features &= ~Has3D; })
        << QByteArray("6D 03 0C 00 10 00 80 21 E0 11 22 33 44 00") << 0;
    QTest::newRow("interlaced latency announced, block too short")
        << QByteArray("6A 03 0C 00 10 00 80 21 C0 11 22")
        << Setup([](EdidInfo& i) { i.features |= Has3D; })
        << QByteArray("6E 03 0C 00 10 00 80 21 E0 11 22 00 00 80 00") << 0;
    QTest::newRow("latency announced, block too short, HDMI VIC")
        << QByteArray("69 03 0C 00 10 00 80 21 80 11")
        << Setup([](EdidInfo& i) { i.hdmiVics = {4}; })
        << QByteArray("6D 03 0C 00 10 00 80 3C A0 11 00 00 20 04") << 0;
    QTest::newRow("video present announced, block too short: 3D byte given its place")
        << QByteArray("6A 03 0C 00 10 00 80 21 E0 11 22")
        << Setup([](EdidInfo& i) { i.features &= ~Has3D; })
        << QByteArray("6D 03 0C 00 10 00 80 21 E0 11 22 00 00 00") << 0;
    QTest::newRow("3D data cut to 31 bytes")
        << QByteArray("6D 03 0C 00 10 00 80 21 E0 11 22 33 44 80") << Setup([](EdidInfo& i) {
               i.features |= Has3D;
               i.hdmiVics = {1, 2, 3, 4};
               i.hdmi3dLength = 14;
               i.hdmi3dFlags = 0xC0;
               for (int k = 0; k < 14; ++k) i.hdmi3dData[k] = uint8_t(0xA0 + k);
           })
        << QByteArray(
               "7F 03 0C 00 10 00 80 3C E0 11 22 33 44 C0 8D "
               "01 02 03 04 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA "
               "AB AC")
        << 1;
    QTest::newRow("3D length above 14 limited") << def << Setup([](EdidInfo& i) {
        i.features |= Has3D;
        i.hdmi3dLength = 20;
        i.hdmi3dFlags = 0x80;
        i.hdmi3dData.fill(0x55);
    }) << QByteArray("78 03 0C 00 10 00 80 21 20 80 0E 55 55 55 55 55 55 55 55 55 55 55 55 55 55")
                                                << 1;
    QTest::newRow("last HDMI block wins")
        << QByteArray("66 03 0C 00 20 00 00 67 03 0C 00 30 00 80 2D") << Setup([](EdidInfo&) {})
        << QByteArray("67 03 0C 00 30 00 80 21") << 0;
    QTest::newRow("too short for an OUI: not an HDMI block")
        << QByteArray("62 03 0C") << Setup([](EdidInfo&) {}) << QByteArray("") << 0;
}

void TestBuilderExtension::hdmiPayload() {
    QFETCH(QByteArray, loaded);
    QFETCH(Setup, setup);
    QFETCH(QByteArray, written);
    QFETCH(int, noteCount);
    EdidInfo info = Loaded(ImageWithDataBlocks(FromHex(loaded.constData())));
    setup(info);
    const QStringList notes = WriteCreatedImage(info);
    QCOMPARE(notes.size(), noteCount);
    QCOMPARE(DataBlocks(info.image), written);
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::hdmiForumBlockKeptOnNextBuild() {
    EdidInfo info = Loaded(DefaultEdidImage());
    AddVic(info, 97);
    WriteCreatedImage(info);
    QVERIFY(DataBlocks(info.image).endsWith("67 D8 5D C4 01 78 80 00"));
    // VIC 97 unchecked: the block written last time is now part of the loaded extension.
    info.vicList[1] = 0;
    info.yuv420DeepColor = 1;
    WriteCreatedImage(info);
    QCOMPARE(DataBlocks(info.image),
             Joined({kDefaultVideo, kDefaultAudio, "67 03 0C 00 10 00 80 21",
                     "67 D8 5D C4 01 78 80 01"}));
    // A build on its own output changes nothing.
    const EdidImage once = info.image;
    WriteCreatedImage(info);
    QCOMPARE(HexRange(info.image, 0, 256), HexRange(once, 0, 256));
}

void TestBuilderExtension::detailedTimingOffset_data() {
    QTest::addColumn<int>("vics");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("dtds");
    // Fixed blocks: 31 bytes of audio, the 8-byte HDMI block, a 32-byte HDMI Forum block; the
    // video block (1 + vics bytes) sets the offset.
    QTest::newRow("no video") << 0 << 75 << 2;
    QTest::newRow("89: second DTD still fits") << 13 << 89 << 2;
    QTest::newRow("90: second DTD not written") << 14 << 90 << 1;
    QTest::newRow("24 VICs") << 24 << 100 << 1;
}

void TestBuilderExtension::detailedTimingOffset() {
    QFETCH(int, vics);
    QFETCH(int, offset);
    QFETCH(int, dtds);
    Bytes forum = FromHex("7F D8 5D C4 01 78 80 00");
    forum.resize(32, 0x11);
    Bytes blocks = Concat({kDefaultHdmiBlock});
    blocks.insert(blocks.end(), forum.begin(), forum.end());
    EdidInfo info = Loaded(ImageWithDataBlocks(blocks));
    for (int k = 0; k < 10; ++k) info.sads[k] = {0x09, 0x07, uint8_t(k + 1)};
    for (int k = 0; k < vics; ++k) info.vicList[k] = uint8_t(k + 1);
    for (int i = 0; i < 3; ++i) info.extensionDtds[i].fill(uint8_t(0xD0 + i));

    QVERIFY(WriteCreatedImage(info).isEmpty());
    QCOMPARE(int(info.image[130]), offset);
    const int first = 128 + offset;
    for (int i = 0; i < 3; ++i) {
        const uint8_t expected = i < dtds ? uint8_t(0xD0 + i) : 0;
        if (first + 18 * (i + 1) > 255) break;
        QCOMPARE(HexRange(info.image, first + 18 * i, 18), Hex(Bytes(18, expected)));
    }
    for (int k = first + 18 * dtds; k < 255; ++k) QCOMPARE(info.image[k], uint8_t(0));
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::allFfExtension() {
    // A 128-byte file: valid base block, extension count 0, bytes 128..255 all 0xFF.
    EdidImage image = DefaultEdidImage();
    image[126] = 0;
    SetBlockChecksum(image, 0);
    std::fill(image.begin() + 128, image.end(), 0xFF);
    EdidInfo info = Loaded(image);
    QVERIFY(info.status == 0);
    info.cecAddress = {0x20, 0x00};
    info.vicList[0] = 16;
    info.ceaFlags = 0x20;
    WriteCreatedImage(info);
    // No HDMI block is reused, so none is written; byte 131 keeps its 1s outside bits 5 and 4.
    QCOMPARE(DataBlocks(info.image), QByteArray("41 10"));
    QCOMPARE(HexRange(info.image, 128, 4), QByteArray("02 03 06 EF"));
    QCOMPARE(info.image[126], uint8_t(1));
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::maximalStateStaysInBlock1() {
    // Every list full, every block present, the longest HDMI and HDMI Forum blocks loaded.
    Bytes forum = FromHex("7F D8 5D C4 01 78 80 07");
    forum.resize(32, 0x22);
    Bytes blocks = FromHex("6E 03 0C 00 10 00 F8 3C E0 11 22 33 44 C0 8E");
    blocks.insert(blocks.end(), forum.begin(), forum.end());
    EdidInfo info = Loaded(ImageWithDataBlocks(blocks));
    for (int k = 0; k < 24; ++k) info.vicList[k] = uint8_t(k < 21 ? k + 1 : 95 + k - 20);
    for (int k = 0; k < 10; ++k) info.sads[k] = {uint8_t(0x09 + 8 * (k % 12)), 0x7F, 0x07};
    info.speakerAllocation = 0xFF0700;
    info.hdmiDeepColor = 0x78;
    info.features = Has3D;
    info.hdmiVics = {1, 2, 3, 4};
    info.hdmi3dLength = 14;
    info.hdmi3dFlags = 0xE0;
    info.hdmi3dData.fill(0x33);
    info.colorimetry[0] = 0xFF;
    info.videoCapability = 0x7F;
    info.hdrStaticMetadata = {0x0F, 0x01, 200, 150, 10, 5};
    info.yuv420Vics = {96, 97, 98, 99, 100, 101, 102, 103};
    for (auto& dtd : info.extensionDtds) dtd.fill(0x44);
    const auto manufacturer = info.manufacturer;
    const auto name = info.monitorName;

    const QStringList notes = WriteCreatedImage(info);

    // 25 + 31 + 4 + 32 bytes, then the 32-byte HDMI Forum block would reach byte 255.
    QCOMPARE(notes.size(), 2);
    QVERIFY(notes[0].startsWith("HDMI 3D data cut"));
    QCOMPARE(notes[1],
             QString("HDMI Forum Vendor-Specific Data Block left out: no room in block 1.\r\n"));
    Bytes headers;
    QVERIFY(WalkDataBlocks(info.image, headers));
    QCOMPARE(Hex(headers), QByteArray("58 3E 83 7F E3 E2 E6 E9"));
    QCOMPARE(int(info.image[130]), 248 - 128);
    QCOMPARE(HexRange(info.image, 248, 7), Hex(Bytes(7, 0)));  // no DTD fits
    QVERIFY(ValidateEdidImage(info));
    // The record's fields behind the image are untouched.
    QCOMPARE(info.manufacturer, manufacturer);
    QCOMPARE(info.monitorName, name);

    // Without the HDMI block loaded the HDMI Forum block finds room.
    EdidInfo second = Loaded(ImageWithDataBlocks(forum));
    second.vicList = info.vicList;
    second.sads = info.sads;
    second.speakerAllocation = info.speakerAllocation;
    second.colorimetry = info.colorimetry;
    second.videoCapability = info.videoCapability;
    second.hdrStaticMetadata = info.hdrStaticMetadata;
    second.yuv420Vics = info.yuv420Vics;
    QVERIFY(WriteCreatedImage(second).isEmpty());
    headers.clear();
    QVERIFY(WalkDataBlocks(second.image, headers));
    QCOMPARE(Hex(headers), QByteArray("58 3E 83 7F E3 E2 E6 E9"));
    QVERIFY(ValidateEdidImage(second));
}

void TestBuilderExtension::blockRunningPastImageEnd() {
    // The loaded extension's DTD offset points to the checksum byte, and an HDMI block at byte
    // 247 claims 31 bytes: its byte 8 is the checksum byte (made 0xE0, interlaced latency
    // announced), everything past the image reads as 0.
    EdidImage image = ImageWithDataBlocks({});
    image[130] = 127;  // bytes 132..246 stay 0: a run of empty reserved blocks
    const Bytes hdmi = FromHex("7F 03 0C 00 10 00 80 21");
    std::copy(hdmi.begin(), hdmi.end(), image.begin() + 247);
    image[131] = 0;
    image[255] = 0xE0;
    image[131] = static_cast<uint8_t>(256 - BlockSum(image, 1));
    QCOMPARE(BlockSum(image, 1), 0);
    EdidInfo info = Loaded(image);
    QCOMPARE(info.status, EdidStatus(0));
    info.features = Has3D;
    info.hdmiVics = {1};
    info.hdmi3dLength = 0;
    const QStringList notes = WriteCreatedImage(info);
    QVERIFY(notes.isEmpty());
    QCOMPARE(DataBlocks(info.image), QByteArray("6F 03 0C 00 10 00 80 3C E0 00 00 00 00 80 20 01"));
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderExtension::randomRecordsAndExtensions() {
    // Random extension bytes (any layout, any lengths) and random record lists, fixed seed: every
    // build validates, its data blocks end exactly at the detailed timing offset, block 0 changes
    // only where the record is written, and nothing behind the image in the record moves.
    QRandomGenerator random(20240611);
    const auto byte = [&] { return static_cast<uint8_t>(random.bounded(256)); };
    const auto sometimes = [&](int percent) { return random.bounded(100) < percent; };
    for (int round = 0; round < 3000; ++round) {
        EdidImage image = DefaultEdidImage();
        for (int k = 128; k < 256; ++k) image[k] = byte();
        if (sometimes(50)) image[130] = static_cast<uint8_t>(random.bounded(4, 128));
        SetBlockChecksum(image, 1);
        EdidInfo info = Loaded(image);
        for (auto& v : info.vicList) v = sometimes(70) ? byte() : 0;
        for (auto& sad : info.sads) sad = {sometimes(70) ? byte() : uint8_t(0), byte(), byte()};
        info.speakerAllocation = sometimes(50) ? random.bounded(1u << 24) : 0;
        for (auto& v : info.hdmiVics) v = sometimes(50) ? byte() : 0;
        info.features = sometimes(50) ? Has3D : 0;
        info.hdmi3dLength = byte();
        info.hdmi3dFlags = byte();
        for (auto& v : info.hdmi3dData) v = byte();
        info.hdmiDeepColor = byte();
        info.colorimetry = {byte(), byte()};
        info.videoCapability = sometimes(50) ? byte() : 0;
        for (auto& v : info.hdrStaticMetadata) v = byte();
        for (auto& v : info.yuv420Vics) v = sometimes(60) ? byte() : 0;
        info.yuv420DeepColor = byte();
        for (auto& dtd : info.extensionDtds)
            for (auto& v : dtd) v = byte();
        info.cecAddress = {byte(), byte()};
        const EdidInfo before = info;

        WriteCreatedImage(info);

        QVERIFY2(ValidateEdidImage(info), qPrintable(QString::number(round)));
        Bytes headers;
        QVERIFY2(WalkDataBlocks(info.image, headers), qPrintable(QString::number(round)));
        QVERIFY(info.image[130] >= 4 && info.image[130] <= 127);
        for (int i = 0; i < 126; ++i) {
            const bool written =
                (i >= 8 && i <= 17) || (i >= 35 && i <= 53) || (i >= 95 && i <= 107);
            if (!written) QCOMPARE(info.image[i], before.image[i]);
        }
        QCOMPARE(info.manufacturer, before.manufacturer);
        QCOMPARE(info.monitorName, before.monitorName);
        QCOMPARE(info.productCode, before.productCode);
        QCOMPARE(info.vicList, before.vicList);
        QCOMPARE(info.sads, before.sads);
    }
}

QTEST_APPLESS_MAIN(TestBuilderExtension)
#include "tst_builder_extension.moc"
