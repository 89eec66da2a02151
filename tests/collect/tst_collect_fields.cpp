// Collecting the creator's controls into the record, family by family, from plain control states:
// identification and its low bits, the edited lists (standard timings, VICs, YCbCr 4:2:0 VICs,
// audio descriptors), the recomputed bits, the CEC address and the conversion error.
#include <QtTest>

#include "creator/pages/ConversionError.h"
#include "tests/collect/CollectState.h"

using namespace varnok;
using namespace varnok::test;

namespace {

// The current data row's value of a column, usable inside an expression.
template <typename T>
const T& Fetch(const char* column) {
    return *static_cast<const T*>(QTest::qData(column, qMetaTypeId<T>()));
}

EdidInfo Collected(const QStringList& changes, EdidInfo info = {}) {
    CreatorStateReader s = ValidState();
    Apply(s, changes);
    CollectCreatorFields(s, info);
    return info;
}

QString Name(const std::array<char, 4>& a) {
    return QString::fromLatin1(QByteArray(a.data(), 4));
}
QString Name(const std::array<char, 14>& a) {
    return QString::fromLatin1(QByteArray(a.data(), 14));
}

}  // namespace

class CollectFieldsTest : public QObject {
    Q_OBJECT
private slots:
    void identification_data();
    void identification();
    void conversionErrorStopsAtTheFirstBadField();
    void numberFieldsAcceptBlanksAndSign();
    void establishedTimings();
    void standardTimings_data();
    void standardTimings();
    void colourBits_data();
    void colourBits();
    void vicLists_data();
    void vicLists();
    void threeDAndHdr();
    void audio_data();
    void audio();
    void audioFlagWaitsForAFreeSlot();
    void speakers_data();
    void speakers();
    void cecAddress_data();
    void cecAddress();
};

void CollectFieldsTest::identification_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<QString>("monitorName");
    QTest::addColumn<int>("productCode");
    QTest::addColumn<uint>("serial");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("week");
    const QString z13(13, QChar(0));
    auto name = [](const char* s) {
        QString n = QString::fromLatin1(s);
        return n + QString(14 - n.size(), QChar(0));
    };
    QTest::newRow("brand new") << QStringList{"Edit_Creator_Manufac_Year=2015",
                                              "Edit_Creator_Manufac_Week=15"}
                               << QString::fromLatin1("NEW\0", 4) << name("BrandNewEdid") << 0 << 0u
                               << 25 << 15;
    QTest::newRow("short maker, 13-char name, limits")
        << QStringList{"Edit_Creator_Manufac_Name=AB",    "Edit_Creator_Monitor_Name=ABCDEFGHIJKLM",
                       "Edit_Creator_Product_Code=65535", "Edit_Creator_Serial_Number=4294967295",
                       "Edit_Creator_Manufac_Year=1990",  "Edit_Creator_Manufac_Week=53"}
        << QString::fromLatin1("AB\0\0", 4) << name("ABCDEFGHIJKLM") << 65535 << 4294967295u << 0
        << 53;
    QTest::newRow("over-long texts cut")
        << QStringList{"Edit_Creator_Manufac_Name=ABCD",
                       "Edit_Creator_Monitor_Name=ABCDEFGHIJKLMNO"}
        << QString::fromLatin1("ABC\0", 4) << name("ABCDEFGHIJKLM") << 0 << 0u << 34 << 11;
    QTest::newRow("empty names") << QStringList{"Edit_Creator_Manufac_Name=",
                                                "Edit_Creator_Monitor_Name="}
                                 << QString(4, QChar(0)) << name("") << 0 << 0u << 34 << 11;
    QTest::newRow("low bits only")
        << QStringList{"Edit_Creator_Product_Code=65536", "Edit_Creator_Serial_Number=4294967296",
                       "Edit_Creator_Manufac_Year=2246", "Edit_Creator_Manufac_Week=300"}
        << QString::fromLatin1("NEW\0", 4) << name("BrandNewEdid") << 0 << 0u << 0 << 44;
    QTest::newRow("negative numbers wrap")
        << QStringList{"Edit_Creator_Product_Code=-1", "Edit_Creator_Serial_Number=-1",
                       "Edit_Creator_Manufac_Year=1989", "Edit_Creator_Manufac_Week=-1"}
        << QString::fromLatin1("NEW\0", 4) << name("BrandNewEdid") << 65535 << 4294967295u << 255
        << 255;
    QTest::newRow("year 2245, serial 3000000000")
        << QStringList{"Edit_Creator_Manufac_Year=2245", "Edit_Creator_Serial_Number=3000000000"}
        << QString::fromLatin1("NEW\0", 4) << name("BrandNewEdid") << 0 << 3000000000u << 255 << 11;
}

void CollectFieldsTest::identification() {
    QFETCH(QStringList, changes);
    EdidInfo start;
    start.manufacturer = {'X', 'Y', 'Z', 'W'};
    start.monitorName.fill('q');
    const EdidInfo info = Collected(changes, start);
    QCOMPARE(Name(info.manufacturer), Fetch<QString>("manufacturer"));
    QCOMPARE(Name(info.monitorName), Fetch<QString>("monitorName"));
    QCOMPARE(int(info.productCode), Fetch<int>("productCode"));
    QCOMPARE(uint(info.serialNumber), Fetch<uint>("serial"));
    QCOMPARE(int(info.manufactureYear), Fetch<int>("year"));
    QCOMPARE(int(info.manufactureWeek), Fetch<int>("week"));
}

void CollectFieldsTest::conversionErrorStopsAtTheFirstBadField() {
    // Every number field that the collection reads, in its reading order, each given a text that
    // is not a number. The AC-3 and DTS descriptors own slots, so their edits are read; DTS has
    // a channel entry of 0, so its BitRate edit is not read.
    const QStringList order{"Edit_Creator_Product_Code", "Edit_Creator_Serial_Number",
                            "Edit_Creator_Manufac_Year", "Edit_Creator_Manufac_Week",
                            "Edit_HDR_DCLD_1",           "Edit_HDR_DCLD_2",
                            "Edit_HDR_DCLD_3",           "Edit_AudioLPCM_MaxCh",
                            "Edit_AudioAC3_MaxCh",       "Edit_AudioAC3_BitRate",
                            "Edit_AudioDTS_MaxCh",       "Edit_Creator_CEC_Address"};
    const QStringList bad{"", "12a", "-", " ", "1 2", "+", "0x1", "", "six", "6.4", "--1", "1G00"};
    CreatorStateReader s = ValidState();
    Apply(s, {Box(kAudioFormatPrefix, 3), Box(kAudioFormatPrefix, 6)});
    for (int i = 0; i < order.size(); ++i) s.edits[order[i]] = bad[i];
    // Not read: formats without a slot, and a BitRate edit when the channel entry is 0.
    s.edits["Edit_AudioEAC3_MaxCh"] = "x";
    s.edits["Edit_AudioDTS_BitRate"] = "x";
    EdidInfo sads;
    sads.sads[0] = {0x15, 0x07, 0x50};  // AC-3
    sads.sads[1] = {0x3E, 0x1E, 0xC0};  // DTS
    sads.audioFormats = AudioAc3 | AudioDts;

    for (int i = 0; i < order.size(); ++i) {
        if (i == order.indexOf("Edit_AudioAC3_BitRate")) s.edits["Edit_AudioAC3_MaxCh"] = "6";
        if (i == order.indexOf("Edit_AudioDTS_MaxCh")) s.edits["Edit_AudioAC3_BitRate"] = "640";
        EdidInfo info = sads;
        info.productCode = 0x1234;
        info.cecAddress = {0xAB, 0xCD};
        try {
            CollectCreatorFields(s, info);
            QFAIL(qPrintable("no error at " + order[i]));
        } catch (const ConversionError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(bad[i]));
        }
        // Fields before the bad one keep their new values, later ones their old.
        QCOMPARE(Name(info.manufacturer), QString::fromLatin1("NEW\0", 4));
        QCOMPARE(info.productCode, uint16_t(i == 0 ? 0x1234 : 0));
        QCOMPARE(info.cecAddress[0], uint8_t(0xAB));
        // The DTS channel entry read as 0 gives its default descriptor once DTS is reached.
        s.edits[order[i]] = order[i] == "Edit_Creator_CEC_Address" ? "1000" : "0";
    }
    // With every field a number the collection runs through; the edits it does not read may
    // hold anything.
    EdidInfo info = sads;
    CollectCreatorFields(s, info);
    QCOMPARE(Hex(info.sads[0]), QByteArray("15 00 50"));  // AC-3: 6 channels, 640 kbit/s
    QCOMPARE(Hex(info.sads[1]), QByteArray("3E 1E C0"));
}

void CollectFieldsTest::numberFieldsAcceptBlanksAndSign() {
    const EdidInfo info = Collected({"Edit_Creator_Product_Code=   +42", "Edit_HDR_DCLD_1=  255",
                                     "Edit_HDR_DCLD_2=\t-1", "Edit_HDR_DCLD_3=256"});
    QCOMPARE(info.productCode, uint16_t(42));
    QCOMPARE(Hex(info.hdrStaticMetadata), QByteArray("00 00 FF FF 00 00"));
    // A trailing blank is not part of a whole number.
    CreatorStateReader s = ValidState();
    Apply(s, {"Edit_Creator_Manufac_Week=5 "});
    EdidInfo other;
    QVERIFY_THROWS_EXCEPTION(ConversionError, CollectCreatorFields(s, other));
}

void CollectFieldsTest::establishedTimings() {
    const struct {
        QStringList boxes;
        uint32_t bits;
    } rows[] = {
        {{}, 0},
        {{Box(kEstablishTimingPrefix, 17)}, 0x000080},
        {{Box(kEstablishTimingPrefix, 1)}, 0x800000},
        {{Box(kEstablishTimingPrefix, 3), Box(kEstablishTimingPrefix, 8)}, 0x210000},
        {{Box(kEstablishTimingPrefix, 12), Box(kEstablishTimingPrefix, 16)}, 0x001100},
    };
    for (const auto& row : rows) {
        EdidInfo start;
        start.establishedTimings = 0x00007F;  // manufacturer's timings are not kept
        QCOMPARE(Collected(row.boxes, start).establishedTimings, row.bits);
    }
    QStringList all;
    for (int i = 1; i <= 17; ++i) all << Box(kEstablishTimingPrefix, i);
    QCOMPARE(Collected(all).establishedTimings, 0xFFFF80u);
}

void CollectFieldsTest::standardTimings_data() {
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray unused = "0101 0101 0101 0101 0101 0101 0101 0101";
    QTest::newRow("add into all unused")
        << unused << QList<int>{3} << QByteArray("A940 0101 0101 0101 0101 0101 0101 0101");
    QTest::newRow("remove 1, keep 3")
        << QByteArray("8180 A940 0101 0101 0101 0101 0101 0101") << QList<int>{3}
        << QByteArray("0101 A940 0101 0101 0101 0101 0101 0101");
    QTest::newRow("zero slots are free")
        << QByteArray("0000 0000 0000 0000 0000 0000 0000 0000") << QList<int>{2, 1}
        << QByteArray("8180 818A 0000 0000 0000 0000 0000 0000");
    QTest::newRow("others kept, first free taken")
        << QByteArray("D1C0 0101 3159 0000 0101 0101 0101 0101") << QList<int>{4, 5}
        << QByteArray("D1C0 A94A 3159 A94F 0101 0101 0101 0101");
    QTest::newRow("full: nothing added")
        << QByteArray("D1C0 D1C0 D1C0 D1C0 D1C0 D1C0 D1C0 D1C0") << QList<int>{1}
        << QByteArray("D1C0 D1C0 D1C0 D1C0 D1C0 D1C0 D1C0 D1C0");
    QTest::newRow("a duplicate: first one removed")
        << QByteArray("A940 A940 0101 0101 0101 0101 0101 0101") << QList<int>{}
        << QByteArray("0101 A940 0101 0101 0101 0101 0101 0101");
    QTest::newRow("checked and present: unchanged")
        << QByteArray("0101 818A 0101 0101 0101 0101 0101 0101") << QList<int>{2}
        << QByteArray("0101 818A 0101 0101 0101 0101 0101 0101");
}

void CollectFieldsTest::standardTimings() {
    QFETCH(QByteArray, codes);
    QFETCH(QList<int>, checked);
    EdidInfo start;
    const QList<QByteArray> words = codes.split(' ');
    for (int i = 0; i < 8; ++i) start.standardTimings[i] = uint16_t(words[i].toUInt(nullptr, 16));
    QStringList boxes;
    for (int n : checked) boxes << Box(kStandardTimingPrefix, n);
    const EdidInfo info = Collected(boxes, start);
    QStringList out;
    for (uint16_t code : info.standardTimings)
        out << QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
    QCOMPARE(out.join(' ').toLatin1(), Fetch<QByteArray>("expected"));
}

void CollectFieldsTest::colourBits_data() {
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("ceaFlags");
    QTest::addColumn<int>("yuv420");
    QTest::addColumn<int>("deepColor");
    QTest::addColumn<int>("colorimetry");
    const QString cs1 = Box(kColorSpacePrefix, 1), cs2 = Box(kColorSpacePrefix, 2),
                  cs3 = Box(kColorSpacePrefix, 3);
    const QString dc1 = Box(kColorDepthPrefix, 1), dc2 = Box(kColorDepthPrefix, 2),
                  dc3 = Box(kColorDepthPrefix, 3);
    QTest::newRow("none") << QStringList{} << 0 << 0 << 0 << 0;
    QTest::newRow("4:4:4 + 10 bit: Y444") << QStringList{cs1, dc3} << 0x20 << 0 << 0x18 << 0;
    QTest::newRow("4:2:2 + 16 bit: no Y444") << QStringList{cs2, dc1} << 0x10 << 0 << 0x40 << 0;
    QTest::newRow("4:4:4 alone: no deep colour") << QStringList{cs1, cs2} << 0x30 << 0 << 0 << 0;
    QTest::newRow("4:2:0 has no bit") << QStringList{cs3, dc2} << 0 << 1 << 0x20 << 0;
    QTest::newRow("all depths") << QStringList{cs1, dc1, dc2, dc3} << 0x20 << 0 << 0x78 << 0;
    for (int i = 1; i <= 8; ++i) {
        QTest::addRow("colorimetry %d", i)
            << QStringList{Box(kColorimetryPrefix, i)} << 0 << 0 << 0 << (0x80 >> (i - 1));
    }
    QStringList all;
    for (int i = 1; i <= 8; ++i) all << Box(kColorimetryPrefix, i);
    QTest::newRow("all colorimetry") << all << 0 << 0 << 0 << 0xFF;
}

void CollectFieldsTest::colourBits() {
    QFETCH(QStringList, boxes);
    EdidInfo start;
    start.ceaFlags = 0xC1;  // underscan, basic audio, one native timing: recomputed away
    start.hdmiDeepColor = 0x01;
    start.yuv420Supported = 1;
    start.colorimetry = {0x03, 0x80};
    const EdidInfo info = Collected(boxes, start);
    QCOMPARE(int(info.ceaFlags), Fetch<int>("ceaFlags"));
    QCOMPARE(int(info.yuv420Supported), Fetch<int>("yuv420"));
    QCOMPARE(int(info.hdmiDeepColor), Fetch<int>("deepColor"));
    QCOMPARE(int(info.colorimetry[0]), Fetch<int>("colorimetry"));
    QCOMPARE(int(info.colorimetry[1]), 0x80);
}

void CollectFieldsTest::vicLists_data() {
    QTest::addColumn<QByteArray>("vics");
    QTest::addColumn<QByteArray>("yuv420");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QByteArray>("expectedVics");
    QTest::addColumn<QByteArray>("expectedYuv420");
    QTest::addColumn<QByteArray>("hdmiVics");
    auto vic = [](int v) { return Box(kVideoIdCodePrefix, v); };
    auto y420 = [](int v) { return Box(kYuv420VdbPrefix, v); };
    QTest::newRow("VIC 4 over 118, not into the empty slot")
        << QByteArray("10 76 00") << QByteArray("") << QStringList{vic(16), vic(4)}
        << Padded("10 04 00", 24) << Padded("", 8) << QByteArray("00 00 00 00");
    QTest::newRow("unchecked VIC leaves every slot; boxless VIC stays")
        << QByteArray("10 01 10 05") << QByteArray("") << QStringList{} << Padded("00 01 00 00", 24)
        << Padded("", 8) << QByteArray("00 00 00 00");
    QTest::newRow("added in list order")
        << QByteArray("") << QByteArray("") << QStringList{vic(97), vic(6), vic(16)}
        << Padded("06 10 61", 24) << Padded("", 8) << QByteArray("00 00 00 00");
    QTest::newRow("HDMI VICs 3, 1 and both in the list")
        << QByteArray("10") << QByteArray("") << QStringList{vic(16), vic(95), vic(93)}
        << Padded("10 5D 5F", 24) << Padded("", 8) << QByteArray("03 01 00 00");
    QTest::newRow("all three HDMI VICs")
        << QByteArray("") << QByteArray("") << QStringList{vic(94), vic(95), vic(93)}
        << Padded("5D 5E 5F", 24) << Padded("", 8) << QByteArray("03 02 01 00");
    QByteArray full;
    for (int i = 0; i < 24; ++i) full += i ? " 01" : "01";
    QTest::newRow("full list: nothing added")
        << full << QByteArray("") << QStringList{vic(16)} << Padded(full, 24) << Padded("", 8)
        << QByteArray("00 00 00 00");
    QTest::newRow("4:2:0 list: 96 removed, 97 over 120")
        << QByteArray("") << QByteArray("78 60") << QStringList{y420(97)} << Padded("", 24)
        << Padded("61 00", 8) << QByteArray("00 00 00 00");
    QTest::newRow("4:2:0 list: 96 added into the first free")
        << QByteArray("") << QByteArray("11 00 61") << QStringList{y420(96), y420(97)}
        << Padded("", 24) << Padded("11 60 61", 8) << QByteArray("00 00 00 00");
}

void CollectFieldsTest::vicLists() {
    QFETCH(QByteArray, vics);
    QFETCH(QByteArray, yuv420);
    EdidInfo start;
    const QByteArray v = QByteArray::fromHex(vics.replace(' ', ""));
    const QByteArray y = QByteArray::fromHex(yuv420.replace(' ', ""));
    std::copy(v.begin(), v.end(), start.vicList.begin());
    std::copy(y.begin(), y.end(), start.yuv420Vics.begin());
    start.hdmiVics = {4, 4, 4, 4};
    const EdidInfo info = Collected(Fetch<QStringList>("boxes"), start);
    QCOMPARE(Hex(info.vicList), Fetch<QByteArray>("expectedVics"));
    QCOMPARE(Hex(info.yuv420Vics), Fetch<QByteArray>("expectedYuv420"));
    QCOMPARE(Hex(info.hdmiVics), Fetch<QByteArray>("hdmiVics"));
}

void CollectFieldsTest::threeDAndHdr() {
    EdidInfo start;
    start.features = HdmiVsdb | Has3D | HdmiVic4K;
    start.hdrStaticMetadata = {0x08, 0x06, 9, 9, 9, 0x77};
    EdidInfo info = Collected({}, start);
    QCOMPARE(info.features, FeatureFlags(HdmiVsdb | HdmiVic4K));
    // Type 1 is the only bit of byte [1] with a box; the sixth byte has no control.
    QCOMPARE(Hex(info.hdrStaticMetadata), QByteArray("00 06 00 00 00 77"));

    info = Collected({k3dPresentBox, Box(kHdrDeepColorPrefix, 1), Box(kHdrDeepColorPrefix, 3),
                      Box(kHdrEotfPrefix, 1), Box(kHdrEotfPrefix, 3), Box(kHdrDescriptorPrefix, 1),
                      "Edit_HDR_DCLD_1=  120", "Edit_HDR_DCLD_2=   50", "Edit_HDR_DCLD_3=    5"},
                     start);
    QCOMPARE(info.features, FeatureFlags(HdmiVsdb | HdmiVic4K | Has3D));
    QCOMPARE(info.yuv420DeepColor, uint8_t(0x05));
    QCOMPARE(Hex(info.hdrStaticMetadata), QByteArray("05 07 78 32 05 77"));
    info = Collected({Box(kHdrDeepColorPrefix, 2), Box(kHdrEotfPrefix, 2)});
    QCOMPARE(info.yuv420DeepColor, uint8_t(0x02));
    QCOMPARE(info.hdrStaticMetadata[0], uint8_t(0x02));
}

void CollectFieldsTest::audio_data() {
    QTest::addColumn<QByteArray>("sads");
    QTest::addColumn<int>("formats");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("expectedFormats");
    auto yes = [](int n) { return Box(kAudioFormatPrefix, n); };
    auto rate = [](const char* prefix, int k) { return Box(prefix, k); };
    const QString lpcm48 = rate(kLpcmFreqPrefix, 5), lpcm44 = rate(kLpcmFreqPrefix, 6),
                  lpcm32 = rate(kLpcmFreqPrefix, 7);
    const QString bits20 = Box(kLpcmSampleBitPrefix, 2), bits16 = Box(kLpcmSampleBitPrefix, 3);

    QTest::newRow("default kept") << QByteArray("09 07 03") << 0x0001
                                  << QStringList{yes(1), "Edit_AudioLPCM_MaxCh=2",
                                                 lpcm48, lpcm44,
                                                 lpcm32, bits20,
                                                 bits16}
                                  << Padded("09 07 03", 30) << 0x0001;
    QTest::newRow("AC-3 defaults")
        << QByteArray("") << 0 << QStringList{yes(3)} << Padded("15 07 50", 30) << 0x0004;
    QTest::newRow("AC-3 6 ch, 48 kHz, 640")
        << QByteArray("") << 0
        << QStringList{yes(3), "Edit_AudioAC3_MaxCh=6", rate("CheckBox_AudioAC3_Freq_", 5),
                       "Edit_AudioAC3_BitRate=  640"}
        << Padded("15 04 50", 30) << 0x0004;
    QTest::newRow("AAC 2 ch, bit rate truncated")
        << QByteArray("") << 0
        << QStringList{yes(8), "Edit_AudioAAC_MaxCh=2", rate("CheckBox_AudioAAC_Freq_", 1),
                       "Edit_AudioAAC_BitRate= 1007"}
        << Padded("31 40 7D", 30) << 0x0080;
    QTest::newRow("every format's defaults, box order")
        << QByteArray("") << 0
        << QStringList{yes(9), yes(8), yes(7), yes(6), yes(5), yes(4), yes(3)}
        << Padded("15 07 50 57 06 00 67 7E 00 3E 1E C0 5F 7E 01 35 06 3C 4D 02 00", 30) << 0x01FC;
    QTest::newRow("formats without BitRate keep their byte 2")
        << QByteArray("") << 0
        << QStringList{yes(7), "Edit_AudioDTSHD_MaxCh=2", rate("CheckBox_AudioDTSHD_Freq_", 1),
                       yes(9), "Edit_AudioOBA_MaxCh=3",   rate("CheckBox_AudioOBA_Freq_", 6),
                       yes(4), "Edit_AudioEAC3_MaxCh=5",  rate("CheckBox_AudioEAC3_Freq_", 7),
                       yes(5), "Edit_AudioMAT_MaxCh=1",   rate("CheckBox_AudioMAT_Freq_", 2)}
        << Padded("54 01 00 60 20 00 59 40 01 4A 02 00", 30) << 0x0158;
    QTest::newRow("MaxCH 6 adds the multichannel one first")
        << QByteArray("") << 0 << QStringList{yes(1), "Edit_AudioLPCM_MaxCh=6", lpcm48, bits16}
        << Padded("0D 04 01 09 04 01", 30) << 0x0003;
    QTest::newRow("Basic unchecked empties only 09")
        << QByteArray("09 07 03 0D 07 03") << 0x0003
        << QStringList{"Edit_AudioLPCM_MaxCh=6", lpcm32} << Padded("00 07 03 0D 01 00", 30)
        << 0x0002;
    QTest::newRow("MaxCH 2 empties the first multichannel one")
        << QByteArray("0F 07 03 09 07 03 0D 07 03") << 0x0003
        << QStringList{yes(1), "Edit_AudioLPCM_MaxCh=2", lpcm48}
        << Padded("00 07 03 09 04 00 09 04 00", 30) << 0x0001;
    QTest::newRow("MaxCH 9 clamped to 8 channels")
        << QByteArray("") << 0 << QStringList{"Edit_AudioLPCM_MaxCh=9"} << Padded("0F 00 00", 30)
        << 0x0002;
    QTest::newRow("channel entries outside 1..8 keep the format code")
        << QByteArray("") << 0
        << QStringList{yes(3), "Edit_AudioAC3_MaxCh=12", yes(6), "Edit_AudioDTS_MaxCh=9",
                       "Edit_AudioDTS_BitRate=0"}
        << Padded("17 00 00 3F 00 00", 30) << 0x0024;
    QTest::newRow("L-PCM other than 2 ch follows MaxCH")
        << QByteArray("08 01 01") << 0x0001 << QStringList{"Edit_AudioLPCM_MaxCh=1", lpcm48}
        << Padded("08 04 00", 30) << 0x0000;
    QTest::newRow("unchecking AC-3 empties both of its slots, keeps MPEG-1")
        << QByteArray("15 07 50 1A 07 00 17 04 50") << 0x0004 << QStringList{}
        << Padded("00 07 50 1A 07 00 00 04 50", 30) << 0x0000;
    QTest::newRow("already present: no second slot, details refreshed")
        << QByteArray("3E 1E C0") << 0x0020 << QStringList{yes(6), "Edit_AudioDTS_MaxCh=2"}
        << Padded("39 00 00", 30) << 0x0020;
    QTest::newRow("additions come before removals")
        << QByteArray("15 07 50") << 0x0004 << QStringList{yes(8)}
        << Padded("00 07 50 35 06 3C", 30) << 0x0080;
}

void CollectFieldsTest::audio() {
    QFETCH(QByteArray, sads);
    EdidInfo start;
    const QByteArray raw = QByteArray::fromHex(sads.replace(' ', ""));
    for (int i = 0; i < raw.size(); ++i) start.sads[i / 3][i % 3] = uint8_t(raw[i]);
    start.audioFormats = uint16_t(Fetch<int>("formats"));
    const EdidInfo info = Collected(Fetch<QStringList>("changes"), start);
    QCOMPARE(SadsHex(info), Fetch<QByteArray>("expected"));
    QCOMPARE(int(info.audioFormats), Fetch<int>("expectedFormats"));
}

void CollectFieldsTest::audioFlagWaitsForAFreeSlot() {
    // Ten MPEG-1 descriptors (no box) fill every slot: AC-3 finds no room and its flag stays
    // clear, so once a slot is free a later build adds it.
    EdidInfo info;
    for (auto& sad : info.sads) sad = {0x19, 0x07, 0x00};
    const QStringList ac3{Box(kAudioFormatPrefix, 3)};
    info = Collected(ac3, info);
    QCOMPARE(info.audioFormats, AudioFormatFlags(0));
    QCOMPARE(SadsHex(info), QByteArray("19 07 00 ").repeated(10).trimmed());
    info.sads[4][0] = 0;
    info = Collected(ac3, info);
    QCOMPARE(info.audioFormats, AudioFormatFlags(AudioAc3));
    QCOMPARE(Hex(info.sads[4]), QByteArray("15 07 50"));
}

void CollectFieldsTest::speakers_data() {
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<uint>("allocation");
    auto sp = [](int n, const char* suffix = "") { return Box(kSpeakerPrefix, n, suffix); };
    QTest::newRow("FL/FR and FCH: 01 04 00") << QStringList{sp(8), sp(8, "r"), sp(9)} << 0x010400u;
    QTest::newRow("right-hand boxes are not read") << QStringList{sp(1, "r"), sp(11, "r")} << 0u;
    QTest::newRow("FLW and FLH") << QStringList{sp(1), sp(11)} << 0x800100u;
    QStringList all;
    for (int i = 1; i <= 11; ++i) all << sp(i);
    QTest::newRow("all") << all << 0xFF0700u;
}

void CollectFieldsTest::speakers() {
    EdidInfo start;
    start.speakerAllocation = 0x00F8FF;  // bits without a box are not kept
    QCOMPARE(uint(Collected(Fetch<QStringList>("boxes"), start).speakerAllocation),
             Fetch<uint>("allocation"));
}

void CollectFieldsTest::cecAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("address");  // empty: the conversion error
    QTest::newRow("10A0") << "10A0" << QByteArray("10 A0");
    QTest::newRow("1000") << "1000" << QByteArray("10 00");
    QTest::newRow("lower case") << "ffff" << QByteArray("FF FF");
    QTest::newRow("fifth character ignored") << "12345" << QByteArray("12 34");
    QTest::newRow("1G00") << "1G00" << QByteArray();
    QTest::newRow("100") << "100" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blank") << " 100" << QByteArray();
    QTest::newRow("sign") << "+100" << QByteArray();
}

void CollectFieldsTest::cecAddress() {
    QFETCH(QString, text);
    QFETCH(QByteArray, address);
    CreatorStateReader s = ValidState();
    s.edits["Edit_Creator_CEC_Address"] = text;
    EdidInfo info;
    info.cecAddress = {0x55, 0x66};
    if (address.isEmpty()) {
        try {
            CollectCreatorFields(s, info);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
        QCOMPARE(Hex(info.cecAddress), QByteArray("55 66"));
        // Everything before the address was collected.
        QCOMPARE(Name(info.manufacturer), QString::fromLatin1("NEW\0", 4));
        return;
    }
    CollectCreatorFields(s, info);
    QCOMPARE(Hex(info.cecAddress), address);
}

QTEST_GUILESS_MAIN(CollectFieldsTest)
#include "tst_collect_fields.moc"
