// The build behind Save and Upload, through the real pages: an image is loaded into the creator's
// controls, the controls are collected into the record and the record is written as an image.
// Checked: the default's exact bytes, every two-block sample unchanged through the pages, and
// many random page states (fixed seed) whose built images must validate, keep block 0's
// uncontrolled bytes, decode back to what was collected and pass edid-decode's structure checks.
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "creator/builder/EdidBuilder.h"
#include "creator/pages/CreatorCollector.h"
#include "tests/collect/CollectState.h"
#include "tests/creator/CreatorFixture.h"
#include "tests/support/EdidFiles.h"
#include "tests/support/Samples.h"

using namespace varnok;
using namespace varnok::test;

namespace {

QByteArray Bytes(const EdidImage& image, int first, int count) {
    return QByteArray(reinterpret_cast<const char*>(image.data()) + first, count)
        .toHex(' ')
        .toUpper();
}

template <std::size_t N>
QByteArray NonZero(const std::array<uint8_t, N>& values) {
    QByteArray out;
    for (uint8_t v : values)
        if (v != 0) out.append(char(v));
    return out.toHex(' ').toUpper();
}

QByteArray UsedStandardTimings(const EdidInfo& info) {
    QByteArray out;
    for (uint16_t code : info.standardTimings)
        if (code != 0x0101) out += QByteArray::number(code, 16) + ' ';
    return out;
}

QByteArray Descriptors(const EdidInfo& info) {
    QByteArray out;
    for (const auto& sad : info.sads)
        if (sad[0] != 0) out += Hex(sad) + " | ";
    return out;
}

// The loaded descriptors as the pages give them back when no format appears twice: reserved
// bits cleared, and byte 2 as the format's panel sets it (L-PCM keeps its sample sizes, the
// formats with a BitRate edit their rate; E-AC-3, MAT and One Bit Audio 0, DTS-HD 1).
QByteArray NormalizedDescriptors(const EdidInfo& info, bool& simple) {
    QByteArray out;
    QList<int> seen;
    simple = true;
    for (auto sad : info.sads) {
        if (sad[0] == 0) continue;
        const int code = (sad[0] >> 3) & 0x0F;
        if (seen.contains(code)) simple = false;
        seen << code;
        if (code >= 1 && code <= 12 && code != 3 && code != 4 && code != 5 && code != 8) {
            sad[1] &= 0x7F;
            if (code == 1) sad[2] &= 0x07;
            if (code == 9 || code == 10 || code == 12) sad[2] = 0;
            if (code == 11) sad[2] = 1;
        }
        out += Hex(sad) + " | ";
    }
    return out;
}

bool HasHdmiBlock(const EdidImage& image) {
    int p = 132;
    while (p < kEdidSize && FindDataBlock(image, 0x60, p)) {
        if ((image[p] & 0x1F) >= 3 && image[p + 1] == 0x03 && image[p + 2] == 0x0C &&
            image[p + 3] == 0x00)
            return true;
        p += (image[p] & 0x1F) + 1;
    }
    return false;
}

// The facts the pages set, as text, so that a difference names itself. Block-level facts are
// left out when the builder had to leave a block out.
QMap<QString, QByteArray> Facts(const EdidInfo& info, bool blocks, bool hdmi,
                                uint8_t eotfMask = 0xFF) {
    QMap<QString, QByteArray> f;
    f["manufacturer"] = QByteArray(info.manufacturer.data());
    f["monitorName"] = QByteArray(info.monitorName.data());
    f["productCode"] = QByteArray::number(info.productCode);
    f["serialNumber"] = QByteArray::number(info.serialNumber);
    f["year"] = QByteArray::number(info.manufactureYear);
    f["week"] = QByteArray::number(info.manufactureWeek);
    f["established"] = QByteArray::number(info.establishedTimings & 0xFFFF80, 16);
    f["standard"] = UsedStandardTimings(info);
    f["cea 4:4:4/4:2:2"] = QByteArray::number(info.ceaFlags & 0x30, 16);
    if (!blocks) return f;
    f["vicList"] = NonZero(info.vicList);
    f["yuv420Vics"] = NonZero(info.yuv420Vics);
    f["sads"] = Descriptors(info);
    f["speakers"] = QByteArray::number(info.speakerAllocation & 0xFF0700, 16);
    f["colorimetry"] = QByteArray::number(info.colorimetry[0], 16);
    // Without an EOTF there is no HDR block, whatever the other bytes hold.
    const auto& hdr = info.hdrStaticMetadata;
    const uint8_t eotf = hdr[0] & eotfMask;
    f["hdr"] = eotf ? Hex(std::array<uint8_t, 5>{eotf, hdr[1], hdr[2], hdr[3], hdr[4]})
                    : QByteArray("none");
    if (hdmi) {
        f["cec"] = Hex(info.cecAddress);
        f["hdmiVics"] = NonZero(info.hdmiVics);
        f["deepColor"] = QByteArray::number(info.hdmiDeepColor & 0x78, 16);
        f["3D"] = QByteArray::number(info.features & Has3D);
    }
    return f;
}

QString Differences(const QMap<QString, QByteArray>& want, const QMap<QString, QByteArray>& got) {
    QStringList out;
    for (auto it = want.begin(); it != want.end(); ++it)
        if (got.value(it.key()) != it.value())
            out << QStringLiteral("%1: %2 -> %3")
                       .arg(it.key(), QString::fromLatin1(it.value()),
                            QString::fromLatin1(got.value(it.key())));
    return out.join(QStringLiteral("; "));
}

// edid-decode's complaints about the structure of an image (checksums, the detailed timing
// offset, data block lengths), not about what it declares.
QStringList StructuralFailures(const QString& edidDecode, const QString& path) {
    QProcess process;
    process.start(edidDecode, {QStringLiteral("--check"), path});
    if (!process.waitForFinished(30000)) return {QStringLiteral("edid-decode did not finish")};
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression kStructural(
        QStringLiteral("checksum|Offset is|length|not enough|Padding|padding|past the end|"
                       "overflow|exceed|truncat"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList failures;
    const qsizetype start = output.indexOf(QStringLiteral("\nFailures:"));
    if (start < 0) return failures;
    for (const QString& line : output.mid(start).split(QLatin1Char('\n')))
        if (kStructural.match(line).hasMatch()) failures << line.trimmed();
    return failures;
}

QStringList TwoBlockSamples() {
    const QDir dir(SamplesDir());
    QStringList out;
    if (!dir.exists()) return out;
    for (const QString& name : dir.entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = file.readAll();
        if (bytes.size() != kEdidSize || uint8_t(bytes[126]) != 1) continue;
        EdidInfo probe;
        EdidImage image;
        std::copy(bytes.begin(), bytes.end(), image.begin());
        if (DecodeEdid(probe, image.data())) out << dir.filePath(name);
    }
    return out;
}

// The bytes of block 0 that no control owns: the header, the basic display parameters and
// colour characteristics, and the four descriptors apart from a monitor name's 13 text bytes.
QByteArray UncontrolledBase(const EdidImage& image) {
    QByteArray out = QByteArray(reinterpret_cast<const char*>(image.data()), 8) +
                     QByteArray(reinterpret_cast<const char*>(image.data()) + 18, 17);
    EdidImage masked = image;
    for (int p = 3; p <= 113; ++p) {
        if (masked[p - 3] == 0 && masked[p - 2] == 0 && masked[p - 1] == 0 && masked[p] == 0xFC &&
            masked[p + 1] == 0)
            std::fill(masked.begin() + p + 2, masked.begin() + p + 15, 0);
    }
    out += QByteArray(reinterpret_cast<const char*>(masked.data()) + 54, 72);
    return out.toHex(' ');
}

bool HasNameDescriptor(const EdidImage& image) {
    for (int p = 3; p <= 113; ++p)
        if (image[p - 3] == 0 && image[p - 2] == 0 && image[p - 1] == 0 && image[p] == 0xFC &&
            image[p + 1] == 0)
            return true;
    return false;
}

// True when a checked VIC or audio format did not make it into its list: its list was full when
// its turn came, and a removal later in the same pass may have freed a slot since.
bool AdditionPending(const CreatorFixture& f) {
    auto listed = [](const auto& list, uint32_t v) {
        return std::find(list.begin(), list.end(), uint8_t(v)) != list.end();
    };
    for (const BoxRow& row : kVideoIdCodeBoxes)
        if (f.checked(ControlName(row)) && !listed(f.image.vicList, row.mask)) return true;
    for (const BoxRow& row : kYuv420VdbBoxes)
        if (f.checked(ControlName(row)) && !listed(f.image.yuv420Vics, row.mask)) return true;
    if (f.checked(kAudioFormatPrefix, 1) && !(f.image.audioFormats & AudioLpcm2ch)) return true;
    for (const AudioPanelRow& p : kAudioPanels)
        if (f.checked(kAudioFormatPrefix, p.yesBox) && !(f.image.audioFormats & p.formatFlag))
            return true;
    return f.text(kLpcmMaxChEdit).toInt() > 2 && !(f.image.audioFormats & AudioLpcmMulti);
}

// One build as the buttons run it: collect the pages, write the image.
QStringList Build(CreatorFixture& f) {
    CollectCreatorFields(f.tabs, f.image);
    return WriteCreatedImage(f.image);
}

}  // namespace

class CollectBuildTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void brandNewBuildsTheDefault();
    void samplesUnchangedThroughThePages();
    void randomPageStates();
    void maximalState();

private:
    QStringList samples_;
    QString edidDecode_;
};

void CollectBuildTest::initTestCase() {
    samples_ = TwoBlockSamples();
    edidDecode_ = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
}

void CollectBuildTest::brandNewBuildsTheDefault() {
    CreatorFixture f;  // today: 14 March 2024, ISO week 11
    f.pages->RadioButton_Brand_NewMouseDown();
    QVERIFY(Build(f).isEmpty());
    EdidImage want = DefaultEdidImage();
    want[16] = 11;
    want[17] = 2024 - 1990;
    SetBlockChecksum(want, 0);
    QCOMPARE(Bytes(f.image.image, 0, 128), Bytes(want, 0, 128));
    QCOMPARE(Bytes(f.image.image, 128, 18),
             QByteArray("02 03 12 71 41 10 23 09 07 03 67 03 0C 00 10 00 80 21"));
    QCOMPARE(Bytes(f.image.image, 146, 109), Bytes(EdidImage{}, 0, 109));
    QCOMPARE(f.image.image[255], uint8_t(0xCA));
    // A second build on its own output gives the same bytes.
    const EdidImage first = f.image.image;
    Build(f);
    QCOMPARE(Bytes(f.image.image, 0, 256), Bytes(first, 0, 256));
}

void CollectBuildTest::samplesUnchangedThroughThePages() {
    if (samples_.isEmpty()) QSKIP("no sample images");
    QStringList failures;
    int compared = 0;
    int strict = 0;
    CreatorFixture f;
    for (const QString& path : samples_) {
        f.nextFile = path;
        f.pages->RadioButton_Bin_ModifiyMouseDown();
        const EdidInfo loaded = f.image;
        const QStringList notes = Build(f);
        const QString name = QFileInfo(path).fileName();
        EdidInfo decoded;
        if (!DecodeEdid(decoded, f.image.image.data())) {
            failures << name + ": built image invalid";
            continue;
        }
        // The pages show an empty monitor name as "-", and the builder drops the HDMI block's
        // fields when the loaded image had none.
        const bool blocks = notes.isEmpty();
        const bool hdmi = HasHdmiBlock(loaded.image);
        // The EOTF byte keeps only the three EOTFs that have boxes (CTA-861: SDR, HDR, ST 2084).
        QMap<QString, QByteArray> want = Facts(loaded, blocks, hdmi, 0x07);
        QMap<QString, QByteArray> got = Facts(decoded, blocks, hdmi, 0x07);
        if (loaded.monitorName[0] == 0) want.remove("monitorName");
        // HDMI_VIC codes come back from their 3840 x 2160 boxes (4 shows as 3, in box order) and
        // add those VICs to the video list; descriptors of a format found twice end with the
        // values of its last one. Both are checked against the collected record instead.
        const QMap<QString, QByteArray> collected = Facts(f.image, blocks, hdmi);
        bool strictSads = false;
        const QByteArray loadedSads = NormalizedDescriptors(loaded, strictSads);
        if (blocks && strictSads) {
            ++strict;
            if (collected.value("sads") != loadedSads)
                failures << name + ": sads " + loadedSads + " collected as " + collected["sads"];
        }
        const bool noHdmiVics = NonZero(loaded.hdmiVics).isEmpty();
        for (const char* key : {"vicList", "hdmiVics", "sads"})
            if (want.contains(key) && !(noHdmiVics && QByteArray(key) == "vicList"))
                want[key] = collected.value(key);
        // DC_Y444 follows the 4:4:4 box and the depth boxes, not the loaded bit.
        if (hdmi && blocks) {
            want["deepColor"] = QByteArray::number(loaded.hdmiDeepColor & 0x70, 16);
            got["deepColor"] = QByteArray::number(decoded.hdmiDeepColor & 0x70, 16);
        }
        const QString diff = Differences(want, got);
        if (!diff.isEmpty()) failures << name + ": " + diff;
        if (UncontrolledBase(loaded.image) != UncontrolledBase(f.image.image))
            failures << name + ": block 0 changed outside its controls";
        ++compared;
    }
    qInfo("%d samples, %d with their descriptors compared to the loaded ones", compared, strict);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    QCOMPARE(compared, samples_.size());
}

void CollectBuildTest::randomPageStates() {
    QRandomGenerator rng(20240314);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    CreatorFixture f;
    const QList<QCheckBox*> boxes = f.tabs->findChildren<QCheckBox*>();
    auto pick = [&rng](int low, int high) { return int(rng.bounded(low, high + 1)); };
    auto letters = [&](int count, char low, char high) {
        QString s;
        for (int i = 0; i < count; ++i) s += QChar(pick(low, high));
        return s;
    };
    QStringList failures;
    int fullComparisons = 0;
    int decoderChecks = 0;
    const int runs = 240;
    for (int run = 0; run < runs; ++run) {
        if (run % 3 == 0 || samples_.isEmpty()) {
            f.pages->RadioButton_Brand_NewMouseDown();
        } else {
            f.nextFile = samples_[pick(0, int(samples_.size()) - 1)];
            f.pages->RadioButton_Bin_ModifiyMouseDown();
        }
        const EdidImage before = f.image.image;
        // Every left-hand box at random; the right-hand speakers follow their partners.
        const int density = pick(5, 95);
        for (QCheckBox* b : boxes)
            if (!b->objectName().endsWith('r')) b->setChecked(pick(1, 100) <= density);
        auto set = [&f](const char* edit, const QString& text) { f.edit(edit)->setText(text); };
        set("Edit_Creator_Manufac_Name", letters(3, 'A', 'Z'));
        set("Edit_Creator_Monitor_Name", letters(pick(0, 13), ' ', '~'));
        set("Edit_Creator_Product_Code", QString::number(pick(0, 65535)));
        set("Edit_Creator_Serial_Number", QString::number(rng.generate()));
        set("Edit_Creator_Manufac_Year", QString::number(pick(1990, 2245)));
        set("Edit_Creator_Manufac_Week", QString::number(pick(0, 53)));
        for (const EditRow& row : kLuminanceEdits)
            set(row.name, QStringLiteral("%1").arg(pick(0, 255), 5));
        set(kLpcmMaxChEdit, QString::number(pick(0, 8)));
        for (const AudioPanelRow& p : kAudioPanels) {
            set(p.maxChEdit, QString::number(pick(0, 8)));
            if (p.bitRateEdit) set(p.bitRateEdit, QStringLiteral("%1").arg(pick(0, 255) * 8, 6));
        }
        set(kCecAddressEdit, letters(4, '0', '9'));

        const QStringList notes = Build(f);
        const QString tag = QStringLiteral("run %1: ").arg(run);
        EdidInfo decoded;
        if (!DecodeEdid(decoded, f.image.image.data())) {
            failures << tag + "built image invalid";
            continue;
        }
        if (UncontrolledBase(before) != UncontrolledBase(f.image.image))
            failures << tag + "block 0 changed outside its controls";
        const bool blocks = notes.isEmpty();
        const bool hdmi = HasHdmiBlock(f.image.image);
        QMap<QString, QByteArray> want = Facts(f.image, blocks, hdmi);
        // Without a monitor-name descriptor in block 0 the name is written nowhere.
        if (!HasNameDescriptor(before)) want.remove("monitorName");
        const QString diff = Differences(want, Facts(decoded, blocks, hdmi));
        if (!diff.isEmpty()) failures << tag + diff;
        if (blocks) ++fullComparisons;

        // The next build starts from this one's output and changes nothing more, except that the
        // single compaction pass moves unused standard timing slots on by one step, and that a
        // VIC or descriptor that found its list full may find a slot freed later in the pass.
        const EdidImage first = f.image.image;
        const bool full = AdditionPending(f);
        Build(f);
        for (int i = 0; i < kEdidSize; ++i) {
            const bool timings = (i >= 38 && i <= 53) || i == 127;
            if (f.image.image[i] != first[i] && !timings && !(full && i >= 128)) {
                failures << tag + QStringLiteral("second build differs at %1").arg(i);
                break;
            }
        }

        if (!edidDecode_.isEmpty() && run % 8 == 0) {
            const QString in = temp.filePath(QStringLiteral("loaded.bin"));
            const QString out = temp.filePath(QStringLiteral("built.bin"));
            QVERIFY(SaveImageFile(in, before) && SaveImageFile(out, first));
            const QStringList had = StructuralFailures(edidDecode_, in);
            for (const QString& failure : StructuralFailures(edidDecode_, out))
                if (!had.contains(failure)) failures << tag + "edid-decode: " + failure;
            ++decoderChecks;
        }
    }
    qInfo("%d of %d builds compared in full, %d checked by edid-decode", fullComparisons, runs,
          decoderChecks);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    QVERIFY(fullComparisons > runs / 2);
}

void CollectBuildTest::maximalState() {
    // Long blocks of every kind the builder reuses or edits, all 123 bytes: 24 VICs (two
    // above 107), 10 descriptors (five of formats without a box), speakers, an HDMI block of 31
    // bytes with 3D data, an HDMI Forum block, colorimetry, HDR, eight 4:2:0 VICs and video
    // capability.
    const QByteArray blocks = QByteArray::fromHex(
        "58 01 02 07 08 09 0A 0B 0C 0D 0E 0F 16 17 18 19 1A 1B 1C 1D 1E 1F 76 77 FF"
        "3E 19 07 00 21 07 00 29 07 00 41 07 00 19 06 00 00 00 00 00 00 00 00 00 00"
        "   00 00 00 00 00 00"
        "83 4F 00 00"
        "7E 03 0C 00 12 34 F8 78 E0 10 20 30 40 80 CA 01 02 03 04 05 06 07 08 09 0A"
        "   0B 0C 0D 0E 0F 10"
        "67 D8 5D C4 01 78 80 07"
        "E3 05 FF 01"
        "E6 06 0F 01 80 40 10"
        "E9 0E 01 02 03 04 05 06 07 08"
        "E2 00 0F");
    QCOMPARE(blocks.size(), 123);
    CreatorFixture f;
    f.nextFile = QDir::temp().filePath(QStringLiteral("collect-maximal.bin"));
    QVERIFY(SaveImageFile(*f.nextFile, ImageWithBlocks(blocks)));
    f.pages->RadioButton_Bin_ModifiyMouseDown();
    QFile::remove(*f.nextFile);
    QCOMPARE(f.text("Edit_Creator_Manufac_Name"), QStringLiteral("NEW"));

    const EdidImage loaded = f.image.image;
    for (QCheckBox* b : f.tabs->findChildren<QCheckBox*>())
        if (!b->objectName().endsWith('r')) b->setChecked(true);
    f.edit(kLpcmMaxChEdit)->setText("8");
    for (const AudioPanelRow& p : kAudioPanels) f.edit(p.maxChEdit)->setText("8");
    for (const EditRow& row : kLuminanceEdits) f.edit(row.name)->setText("255");
    const QStringList notes = Build(f);
    // With the lists at their capacities everything still fits into the extension.
    QVERIFY2(notes.isEmpty(), qPrintable(notes.join("")));

    const EdidImage& built = f.image.image;
    EdidInfo check = f.image;
    QVERIFY(ValidateEdidImage(check));
    QCOMPARE(UncontrolledBase(built), UncontrolledBase(loaded));
    // The data blocks end exactly at the detailed timing offset, inside bytes 132..254.
    int p = 132;
    while (p < 128 + built[130]) p += (built[p] & 0x1F) + 1;
    QCOMPARE(p, 128 + built[130]);
    QVERIFY(built[130] <= 127);
    QCOMPARE(built[254], uint8_t(0));
    // The first VIC boxes in list order take the two slots above 107 and the one empty slot;
    // the list is then full and the other boxes find no room.
    QCOMPARE(Hex(f.image.vicList), QByteArray("01 02 07 08 09 0A 0B 0C 0D 0E 0F 16 17 18 19 1A 1B "
                                              "1C 1D 1E 1F 06 03 15"));
    QCOMPARE(Hex(f.image.hdmiVics), QByteArray("03 02 01 00"));
    EdidInfo decoded;
    QVERIFY(DecodeEdid(decoded, built.data()));
    QCOMPARE(NonZero(decoded.vicList), NonZero(f.image.vicList));
    QCOMPARE(Descriptors(decoded), Descriptors(f.image));
    QCOMPARE(decoded.features & Has3D, int(Has3D));
    if (!edidDecode_.isEmpty()) {
        QTemporaryDir temp;
        const QString out = temp.filePath(QStringLiteral("max.bin"));
        QVERIFY(SaveImageFile(out, built));
        const QStringList failures = StructuralFailures(edidDecode_, out);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }
}

QTEST_MAIN(CollectBuildTest)
#include "tst_collect_build.moc"
