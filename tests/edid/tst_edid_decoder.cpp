// DecodeEdid against hand-made images: the built-in default, SVDs and the VIC name table, the
// monitor name, HDMI and HDMI Forum blocks, extended-tag blocks, audio, speakers, extension
// timings, the reset between decodes and reads at the image's end.

#include <QRandomGenerator>
#include <QTest>
#include <memory>

#include "edid/VicNameTable.h"
#include "tests/edid/EdidTestImages.h"

using namespace varnok;
using namespace varnok::test;

namespace {

const Bytes kHdmiOui = {0x03, 0x0C, 0x00};
const Bytes kForumOui = {0xD8, 0x5D, 0xC4};

Bytes Concat(const Bytes& a, const Bytes& b) {
    return a + b;
}

template <std::size_t N>
Bytes Prefix(const std::array<uint8_t, N>& field, std::size_t count) {
    return Bytes(field.begin(), field.begin() + count);
}

// Writes a display descriptor (tag, then 13 text bytes) at a base-block descriptor slot.
void PutDescriptor(EdidImage& image, int slot, uint8_t tag, const QByteArray& text) {
    const int at = 54 + 18 * slot;
    std::fill(image.begin() + at, image.begin() + at + 18, 0);
    image[at + 3] = tag;
    for (int i = 0; i < 13; ++i) {
        image[at + 5 + i] = i < text.size() ? uint8_t(text[i]) : 0x20;
    }
    SetBlockChecksum(image, 0);
}

}  // namespace

class TestEdidDecoder : public QObject {
    Q_OBJECT

private slots:
    void defaultImage();
    void baseBlockOnly();
    void invalidImageKeepsIdentification();
    void resetBetweenDecodes();
    void decodeInPlace();
    void videoBlock_data();
    void videoBlock();
    void twoVideoBlocks();
    void vicNameTableOrder();
    void monitorName_data();
    void monitorName();
    void hdmiBlock_data();
    void hdmiBlock();
    void hdmiForumBlock_data();
    void hdmiForumBlock();
    void vendorBlocksTogether();
    void extendedBlocks();
    void audio_data();
    void audio();
    void speakerAllocation();
    void extensionDtds();
    void blocksCutAtImageEnd();
    void randomImagesStayInside();
};

void TestEdidDecoder::defaultImage() {
    EdidInfo info;
    QVERIFY(DecodeEdid(info, DefaultEdidImage().data()));
    QCOMPARE(int(info.status), 0);
    QCOMPARE(Text(info.manufacturer), QString("NEW"));
    QCOMPARE(Text(info.monitorName), QString("BrandNewEdid"));
    QCOMPARE(info.productCode, uint16_t(0));
    QCOMPARE(info.serialNumber, 0u);
    QCOMPARE(info.manufactureWeek, uint8_t(15));
    QCOMPARE(info.manufactureYear, uint8_t(25));
    QCOMPARE(int(info.features), int(HdmiVsdb));
    QCOMPARE(info.ceaFlags, uint8_t(0x71));
    QCOMPARE(Prefix(info.vicList, 2), (Bytes{16, 0}));
    QCOMPARE(Text(info.maxResolutionName), QString("1080p@60Hz"));
    QCOMPARE(Prefix(info.sads[0], 3), (Bytes{0x09, 0x07, 0x03}));
    QCOMPARE(Prefix(info.sads[1], 3), (Bytes{0, 0, 0}));
    QCOMPARE(int(info.audioFormats), int(AudioLpcm2ch));
    QCOMPARE(info.maxAudioChannels, uint8_t(2));
    QCOMPARE(Prefix(info.cecAddress, 2), (Bytes{0x10, 0x00}));
    QCOMPARE(info.hdmiDeepColor, uint8_t(0x80));  // Supports_AI only
    QCOMPARE(info.maxColorDepth, uint8_t(8));
    QCOMPARE(info.hdmi3dLength, uint8_t(0));
    QCOMPARE(info.establishedTimings, 0x210000u);
    for (uint16_t code : info.standardTimings) {
        QCOMPARE(code, uint16_t(0x0101));
    }
    QCOMPARE(info.speakerAllocation, 0u);
    QCOMPARE(info.yuv420Supported, uint8_t(0));
    QCOMPARE(info.scdcPresent, uint8_t(0));
    QCOMPARE(info.supports600MHz, uint8_t(0));
}

void TestEdidDecoder::baseBlockOnly() {
    EdidInfo info = Decoded(BaseOnlyImage());
    QCOMPARE(int(info.status), 0);
    QCOMPARE(int(info.features), int(NoExtension));
    QCOMPARE(Text(info.monitorName), QString("BrandNewEdid"));
    QCOMPARE(Text(info.maxResolutionName), QString("UNDEFINE."));
    QCOMPARE(info.maxAudioChannels, uint8_t(0));
    QCOMPARE(info.ceaFlags, uint8_t(0));
    QCOMPARE(Prefix(info.cecAddress, 2), (Bytes{0, 0}));

    EdidImage noName = BaseOnlyImage();
    PutDescriptor(noName, 2, 0xFE, "plain text");
    info = Decoded(noName);
    QCOMPARE(Text(info.monitorName), QString("UNDEFINE."));
}

void TestEdidDecoder::invalidImageKeepsIdentification() {
    EdidInfo info;
    info.status = BrandNew | InputError;
    QVERIFY(DecodeEdid(info, DefaultEdidImage().data()));
    QCOMPARE(int(info.status), int(BrandNew));
    info.status |= InputError;
    EdidImage bad = DefaultEdidImage();
    bad[127] ^= 0xFF;
    QVERIFY(!DecodeEdid(info, bad.data()));
    QCOMPARE(int(info.status), BrandNew | Checksum0Bad);
    QVERIFY(info.image == bad);
    QCOMPARE(Text(info.manufacturer), QString("NEW"));  // kept from the last valid decode
    QCOMPARE(info.manufactureWeek, uint8_t(15));
    QCOMPARE(Text(info.monitorName), QString("UNDEFINE."));  // reset
    QCOMPARE(int(info.features), 0);
    QCOMPARE(info.maxAudioChannels, uint8_t(0));
    QCOMPARE(info.vicList[0], uint8_t(0));
}

void TestEdidDecoder::resetBetweenDecodes() {
    // An image rich in everything, then the default image: nothing of the first may remain.
    EdidImage rich = ImageWithBlocks(
        {Block(0x60, Concat(kHdmiOui, {0x20, 0x00, 0x70, 0x3C, 0x20, 0x80, 0x21, 0x01, 0x55})),
         Block(0x60, Concat(kForumOui, {0x01, 0x78, 0x80, 0x07})), Block(0x40, {97, 16}),
         Block(0xE0, {0x00, 0x4A}), Block(0xE0, {0x05, 0xC1, 0x03}),
         Block(0xE0, {0x06, 0x05, 0x01, 0x78, 0x50, 0x10}), Block(0xE0, {0x0E, 97}),
         Block(0x20, {0x0F, 0x07, 0x07, 0x15, 0x07, 0x50}), Block(0x80, {0x5F, 0x00, 0x00})});
    for (int i = 0; i < 18; ++i) {
        rich[128 + rich[130] + i] = uint8_t(0xA0 + i);
    }
    SetBlockChecksum(rich, 1);
    EdidInfo info = Decoded(rich);
    QCOMPARE(info.videoCapability, uint8_t(0x4A));
    QCOMPARE(info.extensionDtds[0][0], uint8_t(0xA0));
    QVERIFY(info.features & Has3D);

    QVERIFY(DecodeEdid(info, DefaultEdidImage().data()));
    const EdidInfo fresh = Decoded(DefaultEdidImage());
    QCOMPARE(int(info.features), int(fresh.features));
    QCOMPARE(info.maxColorDepth, uint8_t(8));
    QVERIFY(info.vicList == fresh.vicList);
    QVERIFY(info.sads == fresh.sads);
    QCOMPARE(info.speakerAllocation, 0u);
    QVERIFY(info.yuv420Vics == fresh.yuv420Vics);
    QVERIFY(info.hdmiVics == fresh.hdmiVics);
    QCOMPARE(info.hdmi3dLength, uint8_t(0));
    QCOMPARE(info.hdmi3dFlags, uint8_t(0));
    QVERIFY(info.hdmi3dData == fresh.hdmi3dData);
    QCOMPARE(info.colorimetry[0], uint8_t(0));
    QVERIFY(info.hdrStaticMetadata == fresh.hdrStaticMetadata);
    QCOMPARE(info.supports600MHz, uint8_t(0));
    QCOMPARE(info.scdcPresent, uint8_t(0));
    QCOMPARE(info.yuv420DeepColor, uint8_t(0));
    QCOMPARE(info.yuv420Supported, uint8_t(0));
    // The extension's timings and video capability belong to the image just decoded.
    QCOMPARE(info.videoCapability, uint8_t(0));
    QVERIFY(info.extensionDtds == fresh.extensionDtds);
    // The colorimetry metadata byte is kept when the image has no colorimetry block.
    QCOMPARE(info.colorimetry[1], uint8_t(0x03));
}

void TestEdidDecoder::decodeInPlace() {
    EdidInfo info;
    info.image = DefaultEdidImage();
    QVERIFY(DecodeEdid(info, info.image.data()));
    QVERIFY(info.image == DefaultEdidImage());
    QCOMPARE(Text(info.monitorName), QString("BrandNewEdid"));
}

void TestEdidDecoder::videoBlock_data() {
    QTest::addColumn<Bytes>("svds");
    QTest::addColumn<Bytes>("vics");  // expected leading vicList slots
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("has4K");
    QTest::newRow("native 16") << Bytes{0x90} << Bytes{16, 0} << "1080p@60Hz" << false;
    QTest::newRow("225 kept") << Bytes{0xE1} << Bytes{225} << "UNDEFINE." << false;
    QTest::newRow("129 is VIC 1") << Bytes{0x81} << Bytes{1} << "480p@60Hz" << false;
    QTest::newRow("192 is VIC 64") << Bytes{0xC0} << Bytes{64} << "UNDEFINE." << false;
    QTest::newRow("193 kept") << Bytes{0xC1} << Bytes{193} << "UNDEFINE." << false;
    QTest::newRow("16, 97, 4") << Bytes{16, 97, 4} << Bytes{16, 97, 4} << "2160p@60Hz" << true;
    QTest::newRow("102 only") << Bytes{102} << Bytes{102} << "2160p@60Hz" << true;
    QTest::newRow("93") << Bytes{93} << Bytes{93} << "2160p@24Hz" << true;
    QTest::newRow("107 is 4K, unnamed") << Bytes{107} << Bytes{107} << "UNDEFINE." << true;
    QTest::newRow("108 not 4K") << Bytes{108} << Bytes{108} << "UNDEFINE." << false;
    QTest::newRow("table order, not block order")
        << Bytes{1, 4, 31, 5} << Bytes{1, 4, 31, 5} << "1080p@50Hz" << false;
    QTest::newRow("reserved bytes skip their slot")
        << Bytes{0, 128, 254, 255, 20} << Bytes{0, 0, 0, 0, 20} << "1080i@50Hz" << false;
    Bytes thirty(29, 2);
    thirty.push_back(97);
    QTest::newRow("30 SVDs: 24 kept, all searched")
        << thirty << Bytes(24, 2) << "2160p@60Hz" << true;
}

void TestEdidDecoder::videoBlock() {
    QFETCH(Bytes, svds);
    QFETCH(Bytes, vics);
    QFETCH(QString, name);
    QFETCH(bool, has4K);
    const EdidInfo info = Decoded(ImageWithBlocks({Block(0x40, svds)}));
    QCOMPARE(int(info.status), 0);
    QCOMPARE(Prefix(info.vicList, vics.size()), vics);
    QCOMPARE(Text(info.maxResolutionName), name);
    QCOMPARE(bool(info.features & Has4KVic), has4K);
}

void TestEdidDecoder::twoVideoBlocks() {
    // The second block writes its SVDs from slot 0 and names the format if it lists any.
    EdidInfo info = Decoded(ImageWithBlocks({Block(0x40, {16, 4, 5}), Block(0x40, {31})}));
    QCOMPARE(Prefix(info.vicList, 4), (Bytes{31, 4, 5, 0}));
    QCOMPARE(Text(info.maxResolutionName), QString("1080p@50Hz"));
    info = Decoded(ImageWithBlocks({Block(0x40, {16}), Block(0x40, {225})}));
    QCOMPARE(Text(info.maxResolutionName), QString("1080p@60Hz"));
}

void TestEdidDecoder::vicNameTableOrder() {
    const Bytes order = {102, 97, 101, 96, 100, 95, 99, 94, 98, 93, 16, 31, 34,
                         33,  32, 5,   20, 4,   19, 18, 17, 22, 21, 3,  2,  1};
    QCOMPARE(int(order.size()) + 1, kVicNameCount);
    for (int i = 0; i < int(order.size()); ++i) {
        QCOMPARE(VicNameTable[i].vic, order[i]);
        QVERIFY(qstrlen(VicNameTable[i].name) < 12);
    }
    QCOMPARE(VicNameTable.back().vic, uint8_t(0));
    QCOMPARE(QString(VicNameTable.back().name), QString("Reserved"));
    // Each entry beats every entry after it: listed worst first, the best one is named.
    for (int i = 0; i + 1 < int(order.size()); ++i) {
        Bytes svds(order.begin() + i, order.end());
        std::reverse(svds.begin(), svds.end());
        const EdidInfo info = Decoded(ImageWithBlocks({Block(0x40, svds)}));
        QCOMPARE(Text(info.maxResolutionName), QString(VicNameTable[i].name));
    }
}

void TestEdidDecoder::monitorName_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");  // empty: no second name descriptor
    QTest::addColumn<QString>("name");
    QTest::newRow("13 characters, no 0x0A")
        << QByteArray("ABCDEFGHIJKLM") << QByteArray() << "ABCDEFGHIJKLM";
    QTest::newRow("ended by 0x0A") << QByteArray("ABC\n") << QByteArray() << "ABC";
    QTest::newRow("trailing blanks kept") << QByteArray("AB  ") << QByteArray() << "AB           ";
    QTest::newRow("starts with 0x0A") << QByteArray("\nXYZ") << QByteArray() << "";
    QTest::newRow("last descriptor wins")
        << QByteArray("FIRST NAME\n") << QByteArray("LAST\n") << "LAST";
}

void TestEdidDecoder::monitorName() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, name);
    EdidImage image = DefaultEdidImage();
    PutDescriptor(image, 2, 0xFC, first);
    if (!second.isEmpty()) {
        PutDescriptor(image, 3, 0xFC, second);
    }
    const EdidInfo info = Decoded(image);
    QCOMPARE(int(info.status), 0);
    QCOMPARE(Text(info.monitorName), name);
    QCOMPARE(info.monitorName[13], char(0));
}

void TestEdidDecoder::hdmiBlock_data() {
    QTest::addColumn<Bytes>("payload");  // after the OUI
    QTest::addColumn<Bytes>("next");     // the block that follows it, if any
    QTest::addColumn<int>("cec");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("has3D");
    QTest::addColumn<Bytes>("data3d");  // hdmi3dData up to hdmi3dLength
    QTest::addColumn<Bytes>("hdmiVics");
    QTest::addColumn<bool>("vic4K");
    QTest::newRow("length 5") << Bytes{0x12, 0x34} << Bytes{} << 0x1234 << 8 << false << Bytes{}
                              << Bytes{0} << false;
    QTest::newRow("length 4: no address")
        << Bytes{0x12} << Bytes{} << 0 << 8 << false << Bytes{} << Bytes{0} << false;
    QTest::newRow("48/36/30 bits") << Bytes{0x10, 0x00, 0x70} << Bytes{} << 0x1000 << 16 << false
                                   << Bytes{} << Bytes{0} << false;
    QTest::newRow("36/30 bits") << Bytes{0x10, 0x00, 0x30} << Bytes{} << 0x1000 << 12 << false
                                << Bytes{} << Bytes{0} << false;
    QTest::newRow("30 bits") << Bytes{0x10, 0x00, 0x10} << Bytes{} << 0x1000 << 10 << false
                             << Bytes{} << Bytes{0} << false;
    QTest::newRow("Y444 only") << Bytes{0x10, 0x00, 0x08} << Bytes{} << 0x1000 << 8 << false
                               << Bytes{} << Bytes{0} << false;
    QTest::newRow("length 8, video bit but no byte 9")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0x20} << Bytes{} << 0x1000 << 8 << false << Bytes{}
        << Bytes{0} << false;
    QTest::newRow("3D at byte 9, lengths past the block")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0x20, 0x80} << Bytes{} << 0x1000 << 8 << true << Bytes{}
        << Bytes{0} << false;
    QTest::newRow("no latency: VIC 1 and 2 bytes of 3D")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0x20, 0x80, 0x22, 0x01, 0xAA, 0xBB} << Bytes{} << 0x1000
        << 8 << true << Bytes{0xAA, 0xBB} << Bytes{1, 0} << true;
    QTest::newRow("progressive latency: offsets 11..13")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0xA0, 0x11, 0x22, 0xC0, 0x21, 0x03, 0x05} << Bytes{}
        << 0x1000 << 8 << true << Bytes{0x05} << Bytes{3, 0} << true;
    QTest::newRow("both latencies: offsets 13..15")
        << Bytes{0x20, 0x00, 0x00, 0x2D, 0xE0, 1, 2, 3, 4, 0x80, 0x40, 0x05, 0x06, 0x07} << Bytes{}
        << 0x2000 << 8 << true << Bytes{} << Bytes{5, 6, 0} << false;
    QTest::newRow("five HDMI VICs: four kept")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0x20, 0x00, 0xA0, 4, 3, 2, 1, 9} << Bytes{} << 0x1000 << 8
        << false << Bytes{} << Bytes{4, 3, 2, 1} << true;
    QTest::newRow("3D length beyond the block")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0x20, 0x80, 0x1F, 0x01, 0x02, 0x03} << Bytes{} << 0x1000
        << 8 << true << Bytes{0x01, 0x02, 0x03} << Bytes{0} << false;
    Bytes long3d = {0x10, 0x00, 0x00, 0x2D, 0x20, 0x80, 0x10};
    for (uint8_t i = 1; i <= 16; ++i) {
        long3d.push_back(i);
    }
    QTest::newRow("16 bytes of 3D: 14 kept")
        << long3d << Bytes{} << 0x1000 << 8 << true
        << Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14} << Bytes{0} << false;
    // The 3D byte would lie in the next block: it is not this block's and is not read.
    QTest::newRow("3D byte past the block")
        << Bytes{0x10, 0x00, 0x00, 0x2D, 0xA0, 0x11, 0x22} << Bytes{0xE3, 0x05, 0x80, 0x01}
        << 0x1000 << 8 << false << Bytes{} << Bytes{0} << false;
}

void TestEdidDecoder::hdmiBlock() {
    QFETCH(Bytes, payload);
    QFETCH(Bytes, next);
    QFETCH(int, cec);
    QFETCH(int, depth);
    QFETCH(bool, has3D);
    QFETCH(Bytes, data3d);
    QFETCH(Bytes, hdmiVics);
    QFETCH(bool, vic4K);
    const EdidImage image = next.empty()
                                ? ImageWithBlocks({Block(0x60, Concat(kHdmiOui, payload))})
                                : ImageWithBlocks({Block(0x60, Concat(kHdmiOui, payload)), next});
    const EdidInfo info = Decoded(image);
    QCOMPARE(int(info.status), 0);
    QCOMPARE(info.features & (HdmiVsdb | CeaOnly), int(HdmiVsdb));
    QCOMPARE(info.cecAddress[0] << 8 | info.cecAddress[1], cec);
    QCOMPARE(int(info.maxColorDepth), depth);
    QCOMPARE(bool(info.features & Has3D), has3D);
    QCOMPARE(int(info.hdmi3dLength), int(data3d.size()));
    QCOMPARE(Prefix(info.hdmi3dData, data3d.size()), data3d);
    QCOMPARE(Prefix(info.hdmiVics, hdmiVics.size()), hdmiVics);
    QCOMPARE(bool(info.features & HdmiVic4K), vic4K);
    if (has3D) {
        const int a = (payload[4] & 0x40) ? 13 : (payload[4] & 0x80) ? 11 : 9;
        QCOMPARE(int(info.hdmi3dFlags), int(payload[a - 4]));
    }
}

void TestEdidDecoder::hdmiForumBlock_data() {
    QTest::addColumn<Bytes>("payload");  // after the OUI
    QTest::addColumn<int>("mhz600");
    QTest::addColumn<int>("scdc");
    QTest::addColumn<int>("deep420");
    QTest::newRow("600 MHz, SCDC, all 4:2:0 depths")
        << Bytes{0x01, 0x78, 0x80, 0x07} << 1 << 1 << 7;
    QTest::newRow("595 MHz") << Bytes{0x01, 0x77, 0x00, 0x05} << 0 << 0 << 5;
    QTest::newRow("only rate") << Bytes{0x01, 0xFF} << 1 << 0 << 0;
    QTest::newRow("length 4") << Bytes{0x01} << 0 << 0 << 0;
    QTest::newRow("high bits of byte 7 ignored") << Bytes{0x01, 0x3C, 0x7F, 0xF8} << 0 << 0 << 0;
}

void TestEdidDecoder::hdmiForumBlock() {
    QFETCH(Bytes, payload);
    QFETCH(int, mhz600);
    QFETCH(int, scdc);
    QFETCH(int, deep420);
    const EdidInfo info = Decoded(ImageWithBlocks({Block(0x60, Concat(kForumOui, payload))}));
    QCOMPARE(int(info.supports600MHz), mhz600);
    QCOMPARE(int(info.scdcPresent), scdc);
    QCOMPARE(int(info.yuv420DeepColor), deep420);
    QCOMPARE(int(info.features), int(CeaOnly));  // an HDMI Forum block alone is not HDMI 1.x
}

void TestEdidDecoder::vendorBlocksTogether() {
    // Forum first, then video, then HDMI: both vendor kinds count, CeaOnly ends cleared.
    const EdidInfo info =
        Decoded(ImageWithBlocks({Block(0x60, Concat(kForumOui, {1, 0x78, 0x80})), Block(0x40, {16}),
                                 Block(0x60, Concat(kHdmiOui, {0x30, 0x00}))}));
    QCOMPARE(int(info.features), int(HdmiVsdb));
    QCOMPARE(info.scdcPresent, uint8_t(1));
    QCOMPARE(info.supports600MHz, uint8_t(1));
    QCOMPARE(info.cecAddress[0], uint8_t(0x30));
    // An unknown OUI is neither.
    const EdidInfo other = Decoded(ImageWithBlocks({Block(0x60, {0x1A, 0x00, 0x00, 0x01})}));
    QCOMPARE(int(other.features), int(CeaOnly));
}

void TestEdidDecoder::extendedBlocks() {
    EdidInfo info = Decoded(ImageWithBlocks(
        {Block(0xE0, {0x00, 0x4A}), Block(0xE0, {0x05, 0xC1, 0x02}),
         Block(0xE0, {0x06, 0x05, 0x01}), Block(0xE0, {0x0E, 96, 97}), Block(0xE0, {0x22, 1})}));
    QCOMPARE(info.videoCapability, uint8_t(0x4A));
    QCOMPARE(Prefix(info.colorimetry, 2), (Bytes{0xC1, 0x02}));
    QCOMPARE(Prefix(info.hdrStaticMetadata, 3), (Bytes{0x05, 0x01, 0x00}));
    QCOMPARE(Prefix(info.yuv420Vics, 3), (Bytes{96, 97, 0}));
    QCOMPARE(info.yuv420Supported, uint8_t(1));

    // Wrong lengths are ignored; capacities keep the first entries.
    info = Decoded(
        ImageWithBlocks({Block(0xE0, {0x00, 0x4A, 0x00}), Block(0xE0, {0x05, 0xC1, 0x02, 0x00}),
                         Block(0xE0, {0x06, 1, 2, 3, 4, 5, 6, 7, 8}),
                         Block(0xE0, {0x0E, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9})}));
    QCOMPARE(info.videoCapability, uint8_t(0));
    QCOMPARE(info.colorimetry[0], uint8_t(0));
    QCOMPARE(Prefix(info.hdrStaticMetadata, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    QCOMPARE(Prefix(info.yuv420Vics, 8), (Bytes{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(info.yuv420Supported, uint8_t(0));  // first 4:2:0 VIC is 0

    info = Decoded(ImageWithBlocks({Block(0xE0, {0x0F, 0x01})}));
    QCOMPARE(info.yuv420Supported, uint8_t(1));
    info = Decoded(ImageWithBlocks({Block(0xE0, {0x0E})}));  // no VIC at all
    QCOMPARE(info.yuv420Supported, uint8_t(0));
}

void TestEdidDecoder::audio_data() {
    QTest::addColumn<Bytes>("first");
    QTest::addColumn<Bytes>("second");
    QTest::addColumn<int>("formats");
    QTest::addColumn<int>("channels");
    QTest::addColumn<Bytes>("sadBytes");  // bytes of sads[0..1]
    QTest::newRow("L-PCM 8 channels") << Bytes{0x0F, 0x7F, 0x07} << Bytes{} << int(AudioLpcmMulti)
                                      << 8 << Bytes{0x0F, 0x7F, 0x07, 0, 0, 0};
    QTest::newRow("L-PCM 2 and 6")
        << Bytes{0x09, 0x07, 0x07, 0x0D, 0x07, 0x07} << Bytes{}
        << int(AudioLpcm2ch | AudioLpcmMulti) << 6 << Bytes{0x09, 0x07, 0x07, 0x0D, 0x07, 0x07};
    Bytes nine;
    for (uint8_t code : {1, 1, 2, 10, 12, 7, 11, 6, 9}) {
        const uint8_t ch = nine.empty() ? 1 : 5;
        nine += Bytes{uint8_t(code << 3 | ch), 0x07, 0x50};
    }
    QTest::newRow("all nine classes")
        << nine << Bytes{} << 0x1FF << 6 << Bytes{0x09, 0x07, 0x50, 0x0D, 0x07, 0x50};
    QTest::newRow("other codes count channels only")
        << Bytes{0x1F, 0x07, 0x50, 0x7D, 0x07, 0x01} << Bytes{} << 0 << 8
        << Bytes{0x1F, 0x07, 0x50, 0x7D, 0x07, 0x01};
    QTest::newRow("second block restarts the slots")
        << Bytes{0x09, 0x07, 0x07, 0x15, 0x07, 0x50} << Bytes{0x3D, 0x07, 0xC0}
        << int(AudioLpcm2ch | AudioAc3 | AudioDts) << 6
        << Bytes{0x3D, 0x07, 0xC0, 0x15, 0x07, 0x50};
    Bytes full;
    for (int i = 0; i < 10; ++i) {
        full += Bytes{0x09, 0x07, uint8_t(i)};
    }
    full.push_back(0x3F);  // a 31st byte: DTS, 8 channels, beyond the ten slots
    QTest::newRow("31 bytes: ten slots, every descriptor counted")
        << full << Bytes{} << int(AudioLpcm2ch | AudioDts) << 8
        << Bytes{0x09, 0x07, 0x00, 0x09, 0x07, 0x01};
}

void TestEdidDecoder::audio() {
    QFETCH(Bytes, first);
    QFETCH(Bytes, second);
    QFETCH(int, formats);
    QFETCH(int, channels);
    QFETCH(Bytes, sadBytes);
    const EdidImage image = second.empty()
                                ? ImageWithBlocks({Block(0x20, first)})
                                : ImageWithBlocks({Block(0x20, first), Block(0x20, second)});
    const EdidInfo info = Decoded(image);
    QCOMPARE(int(info.audioFormats), formats);
    QCOMPARE(int(info.maxAudioChannels), channels);
    Bytes got = Prefix(info.sads[0], 3);
    got += Prefix(info.sads[1], 3);
    QCOMPARE(got, sadBytes);
    if (first.size() == 31) {
        QCOMPARE(Prefix(info.sads[9], 3), (Bytes{0x09, 0x07, 0x09}));
    }
}

void TestEdidDecoder::speakerAllocation() {
    EdidInfo info =
        Decoded(ImageWithBlocks({Block(0x80, {0x4F, 0x06, 0x00}), Block(0x20, {0x09, 0x07, 0x07}),
                                 Block(0x80, {0x01, 0x00, 0x00})}));
    QCOMPARE(info.speakerAllocation, 0x4F0600u);
    info = Decoded(ImageWithBlocks({Block(0x80, {0x05})}));  // short block: missing bytes are 0
    QCOMPARE(info.speakerAllocation, 0x050000u);
}

void TestEdidDecoder::extensionDtds() {
    EdidImage image = DefaultEdidImage();
    for (int i = 132; i < 255; ++i) {
        image[i] = uint8_t(i);
    }
    image[130] = 90;  // no data block is walked: header bytes are whatever the bytes say
    SetBlockChecksum(image, 1);
    EdidInfo info;
    info.extensionDtds[2].fill(0x77);
    QVERIFY(DecodeEdid(info, image.data()));
    for (int i = 0; i < 18; ++i) {
        QCOMPARE(info.extensionDtds[0][i], uint8_t(218 + i));
        QCOMPARE(info.extensionDtds[1][i], uint8_t(236 + i));
        QCOMPARE(info.extensionDtds[2][i], uint8_t(0));  // does not fit; reset, not kept
    }
    image[130] = 109;  // 126 - 109 = 17: not one fits
    SetBlockChecksum(image, 1);
    info = Decoded(image);
    QCOMPARE(info.extensionDtds[0][0], uint8_t(0));
    // A base-block-only image still reads byte 130 as it stands: 0xFF fits nothing.
    info = Decoded(BaseOnlyImage());
    QCOMPARE(info.extensionDtds[0][0], uint8_t(0));
}

void TestEdidDecoder::blocksCutAtImageEnd() {
    EdidImage image = DefaultEdidImage();
    std::fill(image.begin() + 128, image.end(), 0);
    image[128] = 0x02;
    image[129] = 0x03;
    image[130] = 255;  // data blocks reach the checksum byte
    // Zero-length blocks of tag 0 up to 249, then an audio block stating 31 bytes at 250.
    image[250] = 0x3F;
    image[251] = 0x09;
    image[252] = 0x07;
    image[253] = 0x07;
    image[254] = 0x3D;  // DTS 6 channels, cut after its first byte
    SetBlockChecksum(image, 1);
    EdidInfo info = Decoded(image);
    QCOMPARE(int(info.status), 0);
    QCOMPARE(Prefix(info.sads[0], 3), (Bytes{0x09, 0x07, 0x07}));
    QCOMPARE(Prefix(info.sads[1], 3), (Bytes{0x3D, image[255], 0}));
    QCOMPARE(int(info.audioFormats), int(AudioLpcm2ch | AudioDts));
    QCOMPARE(info.maxAudioChannels, uint8_t(6));
    QCOMPARE(info.sads[2][0], uint8_t(0));

    // An HDMI block whose OUI is cut by the image's end is no HDMI block.
    std::fill(image.begin() + 250, image.end() - 1, 0);
    image[253] = 0x7F;
    image[254] = 0x03;
    SetBlockChecksum(image, 1);
    info = Decoded(image);
    QCOMPARE(int(info.features), int(CeaOnly));
}

void TestEdidDecoder::randomImagesStayInside() {
    // Valid images with random extension bytes: every walk and every block read must stay inside
    // the image (checked by the library's bounds assertions and, in sanitizer builds, by ASan).
    QRandomGenerator rng(0x5EED);
    auto info = std::make_unique<EdidInfo>();
    auto source = std::make_unique<EdidImage>();
    for (int round = 0; round < 20000; ++round) {
        *source = DefaultEdidImage();
        for (int i = 128; i < 255; ++i) {
            source->at(i) = uint8_t(rng.bounded(256));
        }
        if (round % 2) {
            (*source)[130] = uint8_t(120 + rng.bounded(136));  // blocks up to the end
        }
        for (int p = 66; p < 128 && round % 3 == 0; ++p) {
            (*source)[p] = uint8_t(rng.bounded(4) == 0 ? 0xFC : rng.bounded(2) ? 0 : 0x0A);
        }
        (*source)[126] = 1;
        SetBlockChecksum(*source, 0);
        SetBlockChecksum(*source, 1);
        QVERIFY(DecodeEdid(*info, source->data()));
        QCOMPARE(info->monitorName[13], char(0));
        QCOMPARE(info->maxResolutionName[11], char(0));
        QVERIFY(info->hdmi3dLength <= 14);
    }
}

QTEST_GUILESS_MAIN(TestEdidDecoder)
#include "tst_edid_decoder.moc"
