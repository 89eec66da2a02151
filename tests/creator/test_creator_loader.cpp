// Loading an EDID into the creator: "Brand New" (the built-in default and today's date) and
// "Bin Modifiy" (notices, the open dialog, the debug log, the file rules), the control values
// of each table of the load, and the reset for an invalid image.

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "tests/creator/CreatorFixture.h"
#include "tests/support/Samples.h"

using namespace varnok;
using namespace varnok::test;

class TestCreatorLoader : public QObject {
    Q_OBJECT
private slots:
    void brandNewFillsEveryControl();
    void brandNewDate_data();
    void brandNewDate();
    void binModifiyNoticesAndLog();
    void serialAndDateFromFile();
    void monitorNameForms();
    void lpcmChannels();
    void formatPanels_data();
    void formatPanels();
    void bitRateTexts_data();
    void bitRateTexts();
    void noAudioAfterLpcm();
    void hdmiVicShowsAsVic_data();
    void hdmiVicShowsAsVic();
    void speakers();
    void colourHdrAndTimings();
    void invalidFileResets();
    void richSample();
    void baseBlockOnlySample();
    void everySampleLoads();
    void loadButtonsLoadOnEveryPress();

private:
    QTemporaryDir dir_;
    int files_ = 0;
    QString write(const QByteArray& bytes);
    QString write(const EdidImage& img) {
        return write(QByteArray(reinterpret_cast<const char*>(img.data()), kEdidSize));
    }
    void loadFile(CreatorFixture& f, const EdidImage& img) {
        f.nextFile = write(img);
        f.pages->RadioButton_Bin_ModifiyMouseDown();
    }
};

namespace {

// Every check box name of the pages.
QStringList AllBoxNames(const CreatorFixture& f) {
    QStringList names;
    for (QCheckBox* b : f.tabs->findChildren<QCheckBox*>()) names << b->objectName();
    return names;
}

void CompareCheckedSet(const CreatorFixture& f, const QSet<QString>& expected,
                       const QSet<QString>& ignore = {}) {
    for (const QString& name : AllBoxNames(f)) {
        if (ignore.contains(name)) continue;
        QVERIFY2(f.checked(name) == expected.contains(name),
                 qPrintable(name + (expected.contains(name) ? " unchecked" : " checked")));
    }
}

EdidImage WithBase(EdidImage img, std::initializer_list<std::pair<int, uint8_t>> bytes) {
    for (auto [at, value] : bytes) img[at] = value;
    SetBlockChecksum(img, 0);
    return img;
}

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

const QSet<QString> kDetailBoxes = [] {
    QSet<QString> s{QString(kHdrDetailBox)};
    for (const AudioPanelRow& p : kAudioPanels) s << QString(p.detailBox);
    return s;
}();

}  // namespace

QString TestCreatorLoader::write(const QByteArray& bytes) {
    const QString path = dir_.filePath(QStringLiteral("edid%1.bin").arg(files_++));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QString();
    file.write(bytes);
    return path;
}

void TestCreatorLoader::brandNewFillsEveryControl() {
    CreatorFixture f;
    // Start from a busy page: every box checked, odd texts everywhere.
    for (const QString& name : AllBoxNames(f)) f.box(name)->setChecked(true);
    for (const EditRow& row : kCreatorEdits) f.edit(row.name)->setText(QStringLiteral("7"));
    f.errors.clear();
    f.pages->RadioButton_Brand_NewMouseDown();

    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("NEW"));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("BrandNewEdid"));
    QCOMPARE(f.text("Edit_Creator_Product_Code"), QStringLiteral("0"));
    QCOMPARE(f.text("Edit_Creator_Serial_Number"), QStringLiteral("0"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), QStringLiteral("2024"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Week"), QStringLiteral("11"));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("2"));
    for (const AudioPanelRow& p : kAudioPanels) {
        QCOMPARE(f.text(p.maxChEdit), QStringLiteral("0"));
        if (p.bitRateEdit) QCOMPARE(f.text(p.bitRateEdit), QStringLiteral("     0"));
    }
    for (const EditRow& row : kLuminanceEdits) QCOMPARE(f.text(row.name), QStringLiteral("    0"));
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("1000"));

    // 640 x 480 and 800 x 600 at 60 Hz, VIC 16, 4:4:4 and 4:2:2, 2-channel L-PCM at 48, 44.1
    // and 32 kHz in 20 and 16 bits; nothing else. The HDR "For Detail" is not the load's.
    CompareCheckedSet(
        f,
        {"CheckBox_EstablishTiming_3", "CheckBox_EstablishTiming_8", "CheckBox_VideoIdCode_16",
         "CheckBox_ColorSpace_1", "CheckBox_ColorSpace_2", "CheckBox_AudioFormat_1",
         "CheckBox_AudioLPCM_Freq_5", "CheckBox_AudioLPCM_Freq_6", "CheckBox_AudioLPCM_Freq_7",
         "CheckBox_AudioLPCM_SamBit_2", "CheckBox_AudioLPCM_SamBit_3"},
        {QString(kHdrDetailBox)});
    QVERIFY(f.checked(QString(kHdrDetailBox)));
    for (const AudioPanelRow& p : kAudioPanels) {
        QCOMPARE(f.tabs->findChild<QFrame*>(QString(p.panel))->height(), kPanelCollapsedHeight);
    }
    QCOMPARE(f.image.status, EdidStatus(BrandNew));
    QVERIFY(f.image.image == DefaultEdidImage());
    QCOMPARE(f.warning->text(), QString());
    for (const EditRow& row : kCreatorEdits) QVERIFY2(!f.red(row.name), row.name);
    QVERIFY(f.notices.isEmpty());  // nothing goes to the device
    QVERIFY(f.errors.isEmpty());
}

void TestCreatorLoader::brandNewDate_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("week");
    // The year is the calendar year, the week the ISO 8601 week of the same day.
    QTest::newRow("new year's day in week 53") << QDate(2021, 1, 3) << "2021"
                                               << "53";
    QTest::newRow("december in week 1") << QDate(2024, 12, 30) << "2024"
                                        << "1";
    QTest::newRow("midsummer") << QDate(2025, 6, 21) << "2025"
                               << "25";
}

void TestCreatorLoader::brandNewDate() {
    QFETCH(QDate, today);
    QFETCH(QString, year);
    QFETCH(QString, week);
    CreatorFixture f;
    f.today = today;
    f.pages->RadioButton_Brand_NewMouseDown();
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), year);
    QCOMPARE(f.text("Edit_Creator_Manufac_Week"), week);
}

void TestCreatorLoader::binModifiyNoticesAndLog() {
    CreatorFixture f;
    f.pages->RadioButton_Brand_NewMouseDown();
    // Cancelled: both notices, nothing loaded, BrandNew kept.
    f.nextFile.reset();
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QCOMPARE(f.notices, (QList<uint16_t>{10, 11}));
    QVERIFY(f.logs.isEmpty());
    QCOMPARE(f.image.status & BrandNew, BrandNew);
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), QStringLiteral("2024"));
    // A file that cannot be opened: "Edid Open Fail.", nothing loaded.
    f.notices.clear();
    f.nextFile = dir_.filePath(QStringLiteral("missing.bin"));
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QCOMPARE(f.notices, (QList<uint16_t>{10, 11}));
    QCOMPARE(f.logs, QStringList{QStringLiteral("Edid Open Fail.\r\n")});
    QCOMPARE(f.image.status & BrandNew, BrandNew);
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("NEW"));
    // A good file: "Edid Open OK.", BrandNew cleared, the stored date shown.
    f.notices.clear();
    f.logs.clear();
    loadFile(f, DefaultEdidImage());
    QCOMPARE(f.notices, (QList<uint16_t>{10, 11}));
    QCOMPARE(f.logs, QStringList{QStringLiteral("Edid Open OK.\r\n")});
    QCOMPARE(f.image.status & BrandNew, 0);
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), QStringLiteral("2015"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Week"), QStringLiteral("15"));
    QCOMPARE(f.dialogCalls, 3);
}

void TestCreatorLoader::serialAndDateFromFile() {
    CreatorFixture f;
    f.pages->RadioButton_Brand_NewMouseDown();
    const EdidImage img = WithBase(DefaultEdidImage(), {{12, 0x00},
                                                        {13, 0x5E},
                                                        {14, 0xD0},
                                                        {15, 0xB2},
                                                        {16, 10},
                                                        {17, 26},
                                                        {10, 0x34},
                                                        {11, 0x12}});
    loadFile(f, img);
    QCOMPARE(f.text("Edit_Creator_Serial_Number"), QStringLiteral("3000000000"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), QStringLiteral("2016"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Week"), QStringLiteral("10"));
    QCOMPARE(f.text("Edit_Creator_Product_Code"), QStringLiteral("4660"));
    // The largest serial shows unsigned and is flagged by its rule.
    loadFile(f, WithBase(img, {{12, 0xFF}, {13, 0xFF}, {14, 0xFF}, {15, 0xFF}}));
    QCOMPARE(f.text("Edit_Creator_Serial_Number"), QStringLiteral("4294967295"));
    QVERIFY(f.red("Edit_Creator_Serial_Number"));
}

void TestCreatorLoader::monitorNameForms() {
    CreatorFixture f;
    // The name descriptor at byte 90 starts with its end mark: an empty name shows "-".
    loadFile(f, WithBase(DefaultEdidImage(), {{95, 0x0A}}));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("-"));
    // Without a name descriptor the decoder's default shows.
    loadFile(f, WithBase(DefaultEdidImage(), {{93, 0x10}}));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("UNDEFINE."));
}

void TestCreatorLoader::lpcmChannels() {
    CreatorFixture f;
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "230F0707")));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("8"));
    QVERIFY(!f.checked(kAudioFormatPrefix, 1));
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "260F0707"
                                    "090707")));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("2"));
    QVERIFY(f.checked(kAudioFormatPrefix, 1));
    // 2 channels first, then 8: the edit ends at 8 and "Basic" stays checked.
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "26090707"
                                    "0F7F01")));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("8"));
    QVERIFY(f.checked(kAudioFormatPrefix, 1));
    for (int k = 1; k <= 7; ++k) QVERIFY(f.checked(kLpcmFreqPrefix, k));  // the last one's
    QVERIFY(f.checked(kLpcmSampleBitPrefix, 3));
    QVERIFY(!f.checked(kLpcmSampleBitPrefix, 2));
    QVERIFY(!f.checked(kAudioFormatPrefix, 2));
}

void TestCreatorLoader::formatPanels_data() {
    QTest::addColumn<int>("panel");
    for (int i = 0; i < int(kAudioPanels.size()); ++i) {
        QTest::newRow(kAudioPanels[i].caption) << i;
    }
}

void TestCreatorLoader::formatPanels() {
    QFETCH(int, panel);
    const AudioPanelRow& p = kAudioPanels[panel];
    CreatorFixture f;
    f.pages->RadioButton_Brand_NewMouseDown();
    for (const AudioPanelRow& q : kAudioPanels) f.box(QString(q.detailBox))->setChecked(true);
    // One descriptor: 6 channels, 192 and 32 kHz, byte 2 = 16 (128 kbit/s where it is a rate).
    QByteArray blocks =
        Hex("4110") + char(0x23) + char((p.formatCode << 3) | 5) + char(0x41) + char(0x10);
    loadFile(f, ImageWithBlocks(blocks));
    for (const AudioPanelRow& q : kAudioPanels) {
        const bool me = &q == &p;
        QCOMPARE(f.checked(kAudioFormatPrefix, q.yesBox), me);
        QCOMPARE(f.text(q.maxChEdit), me ? QStringLiteral("6") : QStringLiteral("0"));
        if (q.bitRateEdit) {
            QCOMPARE(f.text(q.bitRateEdit),
                     me ? QStringLiteral("  128") : QStringLiteral("     0"));
        }
        for (const RateRow& rate : kRateBoxes) {
            QCOMPARE(f.checked(q.freqPrefix, rate.number),
                     me && (rate.number == 1 || rate.number == 7));
        }
        QVERIFY(!f.checked(QString(q.detailBox)));  // every panel collapses on a load
    }
    QVERIFY(!f.checked(kAudioFormatPrefix, 1));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("0"));
    QCOMPARE(f.warning->text(), QString());
}

void TestCreatorLoader::bitRateTexts_data() {
    QTest::addColumn<int>("byte2");
    QTest::addColumn<QString>("text");
    QTest::newRow("640") << 80 << "  640";
    QTest::newRow("1536") << 192 << " 1536";
    QTest::newRow("992") << 124 << "  992";
    QTest::newRow("1000") << 125 << " 1000";
    QTest::newRow("2040") << 255 << " 2040";
    QTest::newRow("0") << 0 << "  0";
}

void TestCreatorLoader::bitRateTexts() {
    QFETCH(int, byte2);
    QFETCH(QString, text);
    CreatorFixture f;
    loadFile(f, ImageWithBlocks(Hex("4110") + char(0x23) + char(0x15) + char(0x07) + char(byte2)));
    QCOMPARE(f.text("Edit_AudioAC3_BitRate"), text);
    QVERIFY(f.checked(kAudioFormatPrefix, 3));
    QCOMPARE(f.text("Edit_AudioAC3_MaxCh"), QStringLiteral("6"));
}

void TestCreatorLoader::noAudioAfterLpcm() {
    CreatorFixture f;
    f.pages->RadioButton_Brand_NewMouseDown();
    QVERIFY(f.checked(kAudioFormatPrefix, 1));
    loadFile(f, ImageWithBlocks(Hex("4110")));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("0"));
    QVERIFY(!f.checked(kAudioFormatPrefix, 1));
    for (int k = 1; k <= 7; ++k) QVERIFY(!f.checked(kLpcmFreqPrefix, k));
    for (int k = 1; k <= 3; ++k) QVERIFY(!f.checked(kLpcmSampleBitPrefix, k));
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("0000"));  // no HDMI block either
}

void TestCreatorLoader::hdmiVicShowsAsVic_data() {
    QTest::addColumn<int>("hdmiVic");
    QTest::addColumn<int>("vic");
    QTest::newRow("HDMI VIC 1") << 1 << 95;
    QTest::newRow("HDMI VIC 2") << 2 << 94;
    QTest::newRow("HDMI VIC 3") << 3 << 93;
    QTest::newRow("HDMI VIC 4") << 4 << 93;
    QTest::newRow("HDMI VIC 5") << 5 << 0;
}

void TestCreatorLoader::hdmiVicShowsAsVic() {
    QFETCH(int, hdmiVic);
    QFETCH(int, vic);
    CreatorFixture f;
    // HDMI VSDB: address 2.0.0.0, HDMI_Video_present, one HDMI_VIC, 3D_present.
    QByteArray blocks = Hex("4110"
                            "6B030C00"
                            "2000"
                            "00"
                            "00"
                            "20"
                            "80"
                            "20") +
                        char(hdmiVic);
    loadFile(f, ImageWithBlocks(blocks));
    for (int v : {93, 94, 95}) QCOMPARE(f.checked(kVideoIdCodePrefix, v), v == vic);
    QVERIFY(f.checked(kVideoIdCodePrefix, 16));
    QVERIFY(f.checked(QString(k3dPresentBox)));
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("2000"));
}

void TestCreatorLoader::speakers() {
    CreatorFixture f;
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "83FF0700")));
    for (const BoxRow& r : kSpeakerBoxes) QVERIFY(f.checked(ControlName(r)));
    for (const BoxRow& r : kSpeakerPartnerBoxes) QVERIFY(f.checked(ControlName(r)));
    // FL/FR and FC only: the partners follow their left-hand boxes.
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "83050000")));
    QSet<QString> expected{"CheckBox_SpeakerPosition_8", "CheckBox_SpeakerPosition_8r",
                           "CheckBox_SpeakerPosition_6"};
    for (const BoxRow& r : kSpeakerBoxes)
        QCOMPARE(f.checked(ControlName(r)), expected.contains(ControlName(r)));
    for (const BoxRow& r : kSpeakerPartnerBoxes) {
        QCOMPARE(f.checked(ControlName(r)), expected.contains(ControlName(r)));
    }
    // FCH, TC and FLH/FRH from payload byte 2.
    loadFile(f, ImageWithBlocks(Hex("4110"
                                    "83000700")));
    for (int n : {9, 10, 11}) QVERIFY(f.checked(kSpeakerPrefix, n));
    QVERIFY(f.checked(kSpeakerPrefix, 11, "r"));
    QVERIFY(!f.checked(kSpeakerPrefix, 8, "r"));
}

void TestCreatorLoader::colourHdrAndTimings() {
    CreatorFixture f;
    // Standard timings 1280 x 1024 at 60 Hz and 1600 x 1200 at 75 Hz among others; established
    // 720 x 400 at 70 Hz, 1024 x 768 at 87 Hz and 1152 x 870 at 75 Hz.
    EdidImage img =
        ImageWithBlocks(Hex("4110"
                            "E305C300"          // colorimetry
                            "E6060501783205"    // HDR static metadata
                            "E30E6061"          // YCbCr 4:2:0 VICs 96, 97
                            "66030C00100070"    // HDMI: deep colour 48/36/30
                            "67D85DC401788000"  // HDMI Forum, no 4:2:0 DC
                            "64D85DC401"));     // second block: ignored
    img = WithBase(img, {{35, 0x80},
                         {36, 0x10},
                         {37, 0x80},
                         {38, 0x81},
                         {39, 0x80},
                         {40, 0x31},
                         {41, 0x40},
                         {42, 0xA9},
                         {43, 0x4F}});
    loadFile(f, img);
    QVERIFY(f.checked(kEstablishTimingPrefix, 1));
    QVERIFY(f.checked(kEstablishTimingPrefix, 12));
    QVERIFY(f.checked(kEstablishTimingPrefix, 17));
    QVERIFY(!f.checked(kEstablishTimingPrefix, 3));
    QVERIFY(f.checked(kStandardTimingPrefix, 1));
    QVERIFY(f.checked(kStandardTimingPrefix, 5));
    for (int k : {2, 3, 4}) QVERIFY(!f.checked(kStandardTimingPrefix, k));
    for (int k : {1, 2, 7, 8}) QVERIFY(f.checked(kColorimetryPrefix, k));
    for (int k : {3, 4, 5, 6}) QVERIFY(!f.checked(kColorimetryPrefix, k));
    QVERIFY(f.checked(kHdrEotfPrefix, 1));
    QVERIFY(!f.checked(kHdrEotfPrefix, 2));
    QVERIFY(f.checked(kHdrEotfPrefix, 3));
    QVERIFY(f.checked(kHdrDescriptorPrefix, 1));
    QCOMPARE(f.text("Edit_HDR_DCLD_1"), QStringLiteral("  120"));
    QCOMPARE(f.text("Edit_HDR_DCLD_2"), QStringLiteral("   50"));
    QCOMPARE(f.text("Edit_HDR_DCLD_3"), QStringLiteral("    5"));
    QVERIFY(f.checked(kYuv420VdbPrefix, 96));
    QVERIFY(f.checked(kYuv420VdbPrefix, 97));
    QVERIFY(!f.checked(kVideoIdCodePrefix, 96));
    for (int k = 1; k <= 3; ++k) QVERIFY(f.checked(kColorSpacePrefix, k));
    for (int k = 1; k <= 3; ++k) QVERIFY(f.checked(kColorDepthPrefix, k));
    for (int k = 1; k <= 3; ++k) QVERIFY(!f.checked(kHdrDeepColorPrefix, k));
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("1000"));
}

void TestCreatorLoader::invalidFileResets() {
    CreatorFixture f;
    f.nextFile = SamplePath(QStringLiteral("1020192587EC.bin"));
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QVERIFY(f.checked(kAudioFormatPrefix, 3));
    f.box(QStringLiteral("CheckBox_AudDetail_MAT"))->setChecked(true);
    f.box(QString(kHdrDetailBox))->setChecked(true);
    f.pages->RadioButton_Brand_NewMouseDown();
    f.box(QStringLiteral("CheckBox_AudDetail_OBA"))->setChecked(true);  // "Yes" unchecked
    for (const BoxRow& r : kSpeakerBoxes) f.box(ControlName(r))->setChecked(true);
    f.logs.clear();

    EdidImage bad = DefaultEdidImage();
    bad[127] ^= 1;  // block 0 checksum
    loadFile(f, bad);
    QCOMPARE(f.logs, QStringList{QStringLiteral("Edid Open OK.\r\n")});
    QCOMPARE(f.image.status & BrandNew, 0);
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("Error."));  // not upper-cased
    QVERIFY(f.red(kManufacturerEdit));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("Error."));
    for (const char* e : {"Edit_Creator_Product_Code", "Edit_Creator_Serial_Number",
                          "Edit_Creator_Manufac_Year", "Edit_Creator_Manufac_Week"}) {
        QCOMPARE(f.text(e), QStringLiteral("0"));
    }
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("0000"));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("0"));
    for (const AudioPanelRow& p : kAudioPanels) {
        QCOMPARE(f.text(p.maxChEdit), QStringLiteral("0"));
        if (p.bitRateEdit) QCOMPARE(f.text(p.bitRateEdit), QStringLiteral("     0"));
    }
    for (const EditRow& r : kLuminanceEdits) QCOMPARE(f.text(r.name), QStringLiteral("    0"));
    // Every box unchecked but the "For Detail" boxes, which the reset leaves as they are.
    CompareCheckedSet(f, {}, kDetailBoxes);
    QVERIFY(f.checked(QString(kHdrDetailBox)));
    QVERIFY(f.checked(QStringLiteral("CheckBox_AudDetail_OBA")));
    QVERIFY(f.errors.isEmpty());

    // An empty file reads as 256 bytes of 0xFF: an illegal header, the same reset.
    f.pages->RadioButton_Brand_NewMouseDown();
    f.nextFile = write(QByteArray());
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("Error."));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("Error."));
    QVERIFY(!f.checked(kVideoIdCodePrefix, 16));
    QCOMPARE(f.image.status & HeaderBad, HeaderBad);
}

void TestCreatorLoader::richSample() {
    // An AV receiver's EDID; expected values read with edid-decode.
    CreatorFixture f;
    f.nextFile = SamplePath(QStringLiteral("1020192587EC.bin"));
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("ONK"));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("AV Receiver"));
    QCOMPARE(f.text("Edit_Creator_Product_Code"), QStringLiteral("4449"));
    QCOMPARE(f.text("Edit_Creator_Serial_Number"), QStringLiteral("0"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Year"), QStringLiteral("2017"));
    QCOMPARE(f.text("Edit_Creator_Manufac_Week"), QStringLiteral("0"));
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("2500"));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("8"));
    QCOMPARE(f.text("Edit_AudioAC3_MaxCh"), QStringLiteral("6"));
    QCOMPARE(f.text("Edit_AudioAC3_BitRate"), QStringLiteral("  640"));
    QCOMPARE(f.text("Edit_AudioDTS_MaxCh"), QStringLiteral("8"));
    QCOMPARE(f.text("Edit_AudioDTS_BitRate"), QStringLiteral(" 1536"));
    QCOMPARE(f.text("Edit_AudioOBA_MaxCh"), QStringLiteral("6"));
    QCOMPARE(f.text("Edit_AudioEAC3_MaxCh"), QStringLiteral("8"));
    QCOMPARE(f.text("Edit_AudioDTSHD_MaxCh"), QStringLiteral("8"));
    QCOMPARE(f.text("Edit_AudioMAT_MaxCh"), QStringLiteral("8"));
    QCOMPARE(f.text("Edit_AudioAAC_MaxCh"), QStringLiteral("0"));
    QCOMPARE(f.text("Edit_AudioAAC_BitRate"), QStringLiteral("     0"));
    QSet<QString> on{
        // established 640x480@60, 800x600@60, 1024x768@60; standard 1280x1024@60
        "CheckBox_EstablishTiming_3", "CheckBox_EstablishTiming_8", "CheckBox_EstablishTiming_13",
        "CheckBox_StandardTiming_1",
        // 4:4:4, 4:2:2, a 4:2:0 capability map; 36 and 30 bit; BT2020 RGB and YCC
        "CheckBox_ColorSpace_1", "CheckBox_ColorSpace_2", "CheckBox_ColorSpace_3",
        "CheckBox_ColorDepth_2", "CheckBox_ColorDepth_3", "CheckBox_Colorimetry_1",
        "CheckBox_Colorimetry_2",
        // HDR: traditional SDR and SMPTE ST 2084, Type 1; 4:2:0 deep colour 36 and 30 bit
        "CheckBox_HDR_EOTF_3", "CheckBox_HDR_EOTF_1", "CheckBox_HDR_Despt_1", "CheckBox_HDR_2",
        "CheckBox_HDR_3",
        // audio
        "CheckBox_AudioFormat_1", "CheckBox_AudioFormat_3", "CheckBox_AudioFormat_4",
        "CheckBox_AudioFormat_5", "CheckBox_AudioFormat_6", "CheckBox_AudioFormat_7",
        "CheckBox_AudioFormat_9", "CheckBox_AudioLPCM_SamBit_1", "CheckBox_AudioLPCM_SamBit_2",
        "CheckBox_AudioLPCM_SamBit_3", "CheckBox_AudioAC3_Freq_5", "CheckBox_AudioAC3_Freq_6",
        "CheckBox_AudioAC3_Freq_7", "CheckBox_AudioDTS_Freq_5", "CheckBox_AudioDTS_Freq_6",
        "CheckBox_AudioOBA_Freq_6", "CheckBox_AudioEAC3_Freq_5", "CheckBox_AudioEAC3_Freq_6",
        // speakers FL/FR, LFE, FC, RL/RR (BL/BR), RLC/RRC
        "CheckBox_SpeakerPosition_8", "CheckBox_SpeakerPosition_8r", "CheckBox_SpeakerPosition_7",
        "CheckBox_SpeakerPosition_6", "CheckBox_SpeakerPosition_5", "CheckBox_SpeakerPosition_5r",
        "CheckBox_SpeakerPosition_2", "CheckBox_SpeakerPosition_2r"};
    for (int k = 1; k <= 7; ++k) on << ControlName(kLpcmFreqPrefix, k);
    for (int k = 1; k <= 6; ++k) {
        on << ControlName("CheckBox_AudioDTSHD_Freq_", k)
           << ControlName("CheckBox_AudioMAT_Freq_", k);
    }
    for (int vic : {97, 96, 16, 31, 4, 19, 5, 20, 3, 18, 32, 33, 34, 93, 94, 95}) {
        on << ControlName(kVideoIdCodePrefix, vic);
    }
    CompareCheckedSet(f, on);
    QVERIFY(f.errors.isEmpty());
}

void TestCreatorLoader::baseBlockOnlySample() {
    // A 128-byte file: the extension reads as 0xFF and is not examined (extension count 0).
    CreatorFixture f;
    f.pages->RadioButton_Brand_NewMouseDown();
    f.nextFile = SamplePath(QStringLiteral("0000CEF4CC27.bin"));
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QVERIFY(f.text(kManufacturerEdit) != QLatin1String("Error."));
    QCOMPARE(f.text(kManufacturerEdit).size(), 3);
    QCOMPARE(f.text(kCecAddressEdit), QStringLiteral("0000"));
    QCOMPARE(f.text(kLpcmMaxChEdit), QStringLiteral("0"));
    QVERIFY(!f.checked(kVideoIdCodePrefix, 16));
    QVERIFY(!f.checked(kColorSpacePrefix, 1));
    QCOMPARE(f.image.features & NoExtension, NoExtension);
}

void TestCreatorLoader::everySampleLoads() {
    const QDir samples(SamplesDir());
    const QStringList files = samples.entryList({QStringLiteral("*.bin")}, QDir::Files);
    QVERIFY(files.size() > 100);
    CreatorFixture f;
    for (const QString& name : files) {
        f.nextFile = samples.filePath(name);
        f.pages->RadioButton_Bin_ModifiyMouseDown();
        EdidInfo check;
        check.image = f.image.image;
        const bool valid = ValidateEdidImage(check);
        QCOMPARE(f.text(kManufacturerEdit) == QLatin1String("Error."), !valid);
        if (valid) {
            QCOMPARE(f.text("Edit_Creator_Serial_Number"), QString::number(f.image.serialNumber));
            QCOMPARE(f.text(kManufacturerEdit),
                     QString::fromLatin1(f.image.manufacturer.data(), 3));
        }
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join(u'|')));
}

void TestCreatorLoader::loadButtonsLoadOnEveryPress() {
    CreatorFixture f;
    auto* brandNew = new QRadioButton(QStringLiteral("Brand New"), &f.window);
    auto* binModify = new QRadioButton(QStringLiteral("Bin Modifiy"), &f.window);
    brandNew->setGeometry(10, 10, 100, 19);
    binModify->setGeometry(10, 30, 100, 19);
    f.pages->attachLoadButtons(brandNew, binModify);
    f.window.show();
    QTest::mouseClick(brandNew, Qt::LeftButton);
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("NEW"));
    QVERIFY(brandNew->isChecked());
    // A press on the checked button loads again.
    f.edit(kManufacturerEdit)->setText(QStringLiteral("XYZ"));
    QTest::mousePress(brandNew, Qt::LeftButton);
    QCOMPARE(f.text(kManufacturerEdit), QStringLiteral("NEW"));
    QTest::mouseRelease(brandNew, Qt::LeftButton);
    f.nextFile.reset();
    QTest::mouseClick(binModify, Qt::LeftButton);
    QCOMPARE(f.dialogCalls, 1);
    QCOMPARE(f.notices, (QList<uint16_t>{10, 11}));
    // Disabled (no device): a press does nothing.
    binModify->setEnabled(false);
    QTest::mouseClick(binModify, Qt::LeftButton);
    QCOMPARE(f.dialogCalls, 1);
}

QTEST_MAIN(TestCreatorLoader)
#include "test_creator_loader.moc"
