// The lossless EDID model: every real EDID (the 300 shared samples, 40 of 384 and 512 bytes) and
// malformed blocks come back byte for byte; each edit changes only its field's bytes and its
// block's checksum, writes what Debian's edid-decode reads back, adds no failure to
// edid-decode --check, and an edit that does not fit is refused with the bytes missing.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <functional>

#include "edid/model/EdidEdit.h"
#include "tests/support/EdidDecodeTool.h"

using namespace varnok;

namespace {

QString SourceDir() {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR");
}

QString SamplesDir() {
    const QString fromEnv = qEnvironmentVariable("VARNOK_SAMPLES_DIR");
    return QFile::exists(fromEnv + "/INDEX.tsv") ? fromEnv : SourceDir() + "/tests/edid/samples";
}

QByteArray Sample(const QString& name) {
    QFile f(SamplesDir() + "/" + name + ".bin");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

EdidModel Parsed(const QByteArray& bytes) {
    return ParseEdidModel(bytes).model;
}

struct Span {
    int first;
    int end;  // one past the last byte
};

// A row's edit and the bytes it may change, worked out from the EDID as parsed.
using EditMaker = std::function<EdidEdit(const EdidModel&, QList<Span>&)>;

Span Slot(int k, int from = 0) {
    return {54 + 18 * k + from, 54 + 18 * k + 18};
}

// Block 1's data block at index: where it starts in the EDID.
int DataBlockAt(const EdidModel& m, int index) {
    int p = 128 + kCtaFirstDataBlock;
    for (int k = 0; k < index; ++k) p += m.cta(1)->dataBlocks[k].size();
    return p;
}

int IndexOf(const EdidModel& m, CtaBlockKind kind) {
    return EdidDataBlockRefs(m, kind).value(0, {-1, -1}).index;
}

// The block at index of block 1 with one field set; the span is the whole block.
EdidEdit FieldEdit(const EdidModel& m, QList<Span>& spans, CtaBlockKind kind, CtaField field,
                   int value) {
    const int index = IndexOf(m, kind);
    CtaDataBlock block = m.cta(1)->dataBlocks.value(index);
    SetCtaFieldValue(block, field, value, nullptr);
    const int at = DataBlockAt(m, index);
    spans << Span{at, at + block.size()};
    return EdidEdit::setDataBlock(1, index, block);
}

// CVT reduced blanking v2, 2560x1440 at 60 Hz (at 120 Hz its vertical front porch of 71 lines
// would not fit a descriptor's 6 bits).
EdidDetailedTiming Timing2560x1440(int hz = 60) {
    return hz == 60
               ? MakeDetailedTiming(234590, 2560, 8, 32, 40, true, 1440, 27, 8, 6, false, false)
               : MakeDetailedTiming(483120, 2560, 8, 32, 40, true, 1440, 71, 8, 6, false, false);
}

const char* const kHdmi = "003380875061";      // valid for edid-decode --check; HDMI, 4 CTA DTDs
const char* const kBaseOnly = "0000CEF4CC27";  // EDID 1.3, valid
const char* const kBase14 = "000355AF0859";    // EDID 1.4, valid
const char* const kForum = "00BA6CAC0B5F";     // HDMI Forum block, no CTA DTDs, 32 bytes free

}  // namespace

Q_DECLARE_METATYPE(EditMaker)
Q_DECLARE_METATYPE(varnok::EdidEdit)

class TestEdidModel : public QObject {
    Q_OBJECT
private slots:
    void realEdidsRoundTrip();
    void malformedBlocksRoundTrip_data();
    void malformedBlocksRoundTrip();
    void editsChangeOnlyTheirBytes_data();
    void editsChangeOnlyTheirBytes();
    void refusals_data();
    void refusals();
    void ctaLayoutFollowsEdits();
};

void TestEdidModel::realEdidsRoundTrip() {
    QStringList files;
    for (const QString& dir : {SamplesDir(), SourceDir() + "/tests/edidmodel/samples-large"}) {
        for (const QString& name : QDir(dir).entryList({"*.bin"}, QDir::Files)) {
            files << dir + "/" + name;
        }
    }
    QCOMPARE(files.size(), 340);
    for (const QString& path : files) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const EdidModelParse parsed = ParseEdidModel(bytes);
        QVERIFY2(parsed.ok, qPrintable(path));
        QVERIFY2(SerializeEdidModel(parsed.model) == bytes, qPrintable(path));
        // Real CTA-861 blocks hold together, so each is taken apart rather than kept whole.
        for (int block = 1; block < parsed.model.blockCount(); ++block) {
            const EdidExtension& e = parsed.model.extensions[block - 1];
            QVERIFY2(e.isCta == (bytes[128 * block] == 0x02), qPrintable(path));
            QVERIFY(EdidFreeBytes(parsed.model, block) >= 0);
        }
    }
}

void TestEdidModel::malformedBlocksRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cta");  // block 1 parsed as CTA-861: 1, kept raw: 0, either: -1
    const QByteArray good = Sample(kHdmi);
    const auto with = [&good](std::initializer_list<std::pair<int, int>> changes) {
        QByteArray b = good;
        for (auto [at, value] : changes) b[at] = char(value);
        return b;
    };
    QTest::newRow("as read") << good << 1;
    QTest::newRow("data block past the DTD offset") << with({{130, 37}}) << 0;
    QTest::newRow("DTD offset 127, blocks run on") << with({{130, 127}}) << -1;
    QTest::newRow("DTD offset 0, garbage after") << with({{130, 0}}) << 1;
    QTest::newRow("DTD offset 2") << with({{130, 2}}) << 0;
    QTest::newRow("DTD offset 200") << with({{130, 200}}) << 0;
    QTest::newRow("DTD offset 4, blocks read as DTDs") << with({{130, 4}}) << 1;
    QTest::newRow("last data block past the block") << with({{130, 127}, {160, 0x5F}}) << -1;
    QByteArray empty = good.first(128) + QByteArray(128, '\0');
    empty.replace(128, 7, QByteArray("\x02\x03\x06\x00\xE0\x40\x01", 7));
    QTest::newRow("empty extended and video blocks") << empty << 1;
    QTest::newRow("block map") << with({{128, 0xF0}}) << 0;
    QTest::newRow("1024 bytes 0xFF") << QByteArray(1024, char(0xFF)) << 0;
    QTest::newRow("eight CTA blocks") << good + good.mid(128).repeated(6) << 1;
}

void TestEdidModel::malformedBlocksRoundTrip() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, cta);
    const EdidModelParse parsed = ParseEdidModel(bytes);
    QVERIFY(parsed.ok);
    QCOMPARE(SerializeEdidModel(parsed.model), bytes);
    if (cta >= 0) QCOMPARE(parsed.model.extensions[0].isCta, cta == 1);
    if (cta == 0 && bytes[128] == 0x02) QVERIFY(!parsed.model.extensions[0].rawReason.isEmpty());
    for (int size : {0, 127, 129, 1152}) {
        const EdidModelParse wrong = ParseEdidModel(bytes.left(size).leftJustified(size, '\0'));
        QVERIFY(!wrong.ok);
        QVERIFY(wrong.error.contains(QString::number(size)));
    }
}

void TestEdidModel::editsChangeOnlyTheirBytes_data() {
    QTest::addColumn<QString>("sample");
    QTest::addColumn<EditMaker>("make");
    QTest::addColumn<QString>("decoded");  // a line edid-decode prints of the result
    using K = CtaBlockKind;
    using F = CtaField;
    const auto row = [](const char* name, const char* sample, EditMaker make, const char* line) {
        QTest::newRow(name) << QString(sample) << make << QString(line);
    };
    row(
        "vendor", kHdmi,
        [](auto&, auto& s) {
            s << Span{8, 10};
            return EdidEdit::setVendor("vnk");
        },
        "Manufacturer: VNK");
    row(
        "product", kHdmi,
        [](auto&, auto& s) {
            s << Span{10, 12};
            return EdidEdit::setProduct(0x4321);
        },
        "Model: 17185");
    row(
        "serial", kBaseOnly,
        [](auto&, auto& s) {
            s << Span{12, 16};
            return EdidEdit::setSerial(0);
        },
        "");
    row(
        "week", kHdmi,
        [](auto&, auto& s) {
            s << Span{16, 17};
            return EdidEdit::setWeek(7);
        },
        "Made in: week 7 of 2013");
    row(
        "year", kHdmi,
        [](auto&, auto& s) {
            s << Span{17, 18};
            return EdidEdit::setYear(2024);
        },
        "Made in: week 44 of 2024");
    row(
        "monitor name", kHdmi,
        [](auto&, auto& s) {
            s << Slot(3, 5);
            return EdidEdit::setMonitorName("Varnok Wall");
        },
        "Display Product Name: 'Varnok Wall'");
    row(
        "range limits", kBaseOnly,
        [](const EdidModel& m, auto& s) {
            s << Slot(1, 4);
            EdidRangeLimits r = DecodeRangeLimits(m.base.descriptors[1]);
            r.maxVerticalHz = 144;
            r.maxPixelClockMHz = 600;
            return EdidEdit::setRangeLimits(r);
        },
        "Monitor ranges (GTF): 50-144 Hz V, 30-83 kHz H, max dotclock 600 MHz");
    row(
        "range limits above 255 Hz, EDID 1.4", kBase14,
        [](const EdidModel& m, auto& s) {
            s << Slot(3, 4);
            EdidRangeLimits r = DecodeRangeLimits(m.base.descriptors[3]);
            r.maxVerticalHz = 300;
            return EdidEdit::setRangeLimits(r);
        },
        "Monitor ranges (Bare Limits): 56-300 Hz V, 30-83 kHz H, max dotclock 170 MHz");
    row(
        "preferred timing", kBaseOnly,
        [](const EdidModel& m, auto& s) {
            // CVT-RB 1680x1050 at 60 Hz, within the display's range limits and image size.
            EdidDetailedTiming t =
                MakeDetailedTiming(119000, 1680, 48, 32, 80, true, 1050, 3, 6, 21, false, false);
            const EdidDetailedTiming old = DecodeDetailedTiming(m.base.descriptors[0]);
            t.hImageMm = old.hImageMm;
            t.vImageMm = old.vImageMm;
            s << Slot(0);
            return EdidEdit::setTiming(0, 0, t);
        },
        "DTD 1:  1680x1050   59.883253 Hz");
    row(
        "move base descriptors", kHdmi,
        [](auto&, auto& s) {
            s << Slot(2) << Slot(3);
            return EdidEdit::moveTiming(0, 3, 2);
        },
        "Display Product Name: 'FG2421'");
    row(
        "CTA timing changed", kHdmi,
        [](const EdidModel& m, auto& s) {
            const int at = 128 + m.cta(1)->dtdOffset + 18;
            s << Span{at, at + 18};
            return EdidEdit::setTiming(1, 1, DecodeDetailedTiming(m.base.descriptors[0]));
        },
        "DTD 3:  1920x1080   60.000000 Hz");
    row(
        "CTA timing removed", kHdmi,
        [](const EdidModel& m, auto& s) {
            s << Span{128 + m.cta(1)->dtdOffset + 18, 255};
            return EdidEdit::removeTiming(1, 1);
        },
        "DTD 3:   720x480");
    row(
        "CTA timings reordered", kHdmi,
        [](const EdidModel& m, auto& s) {
            s << Span{128 + m.cta(1)->dtdOffset, 128 + m.cta(1)->dtdOffset + 72};
            return EdidEdit::moveTiming(1, 3, 0);
        },
        "DTD 2:   720x576");
    row(
        "CTA timing added", kForum,
        [](const EdidModel& m, auto& s) {
            s << Span{128 + m.cta(1)->dtdOffset, 255};
            return EdidEdit::addTiming(1, 0, DecodeDetailedTiming(m.base.descriptors[0]));
        },
        "DTD 3:  3840x2160   60.000000 Hz");
    row(
        "video: VIC 16 not native, VIC 31 native", kHdmi,
        [](const EdidModel& m, auto& s) {
            QList<CtaSvd> svds = CtaVideoSvds(m.cta(1)->dataBlocks[0]);
            svds[0].native = false;
            svds[1].native = true;
            s << Span{133, 135};
            return EdidEdit::setDataBlock(1, 0, MakeCtaVideoBlock(svds));
        },
        "VIC  31:  1920x1080   50.000000 Hz  16:9     56.250 kHz    148.500000 MHz (native)");
    row(
        "audio: 8 channels at 192 kHz", kHdmi,
        [](const EdidModel& m, auto& s) {
            s << Span{DataBlockAt(m, 1) + 1, DataBlockAt(m, 1) + 3};
            return EdidEdit::setDataBlock(1, 1,
                                          MakeCtaAudioBlock({CtaSad::make(1, 8, 0x7F, 0x07)}));
        },
        "Max channels: 8");
    row(
        "speaker allocation", kHdmi,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::SpeakerAllocation, F::SpeakerAllocation, 0x07);
        },
        "FC - Front Center");
    row(
        "HDMI physical address", kHdmi,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdmiVsdb, F::HdmiPhysicalAddress, 0x2100);
        },
        "Source physical address: 2.1.0.0");
    row(
        "HDMI deep colour", kHdmi,
        [](const EdidModel& m, auto& s) { return FieldEdit(m, s, K::HdmiVsdb, F::HdmiDc36Bit, 1); },
        "DC_36bit");
    row(
        "HDMI max TMDS", kForum,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdmiVsdb, F::HdmiMaxTmdsClock, 60);
        },
        "Maximum TMDS clock: 300 MHz");
    row(
        "HDMI Forum TMDS rate", kForum,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdmiForumVsdb, F::HfMaxTmdsCharacterRate, 100);
        },
        "Maximum TMDS Character Rate: 500 MHz");
    row(
        "HDMI Forum SCDC read request", kForum,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdmiForumVsdb, F::HfRrCapable, 1);
        },
        "SCDC Read Request Capable");
    row(
        "HDMI Forum VRR max", kForum,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdmiForumVsdb, F::HfVrrMax, 300);
        },
        "VRRmax: 300 Hz");
    row(
        "HDMI Forum DSC 1.2a, block grows", kForum,
        [](const EdidModel& m, auto& s) {
            s << Span{130, 131} << Span{DataBlockAt(m, IndexOf(m, K::HdmiForumVsdb)), 255};
            CtaDataBlock b = m.cta(1)->dataBlocks[IndexOf(m, K::HdmiForumVsdb)];
            SetCtaFieldValue(b, F::HfDsc1p2, 1, nullptr);
            SetCtaFieldValue(b, F::HfDscMaxSlices, 1, nullptr);
            SetCtaFieldValue(b, F::HfDscMaxFrlRate, 1, nullptr);
            return EdidEdit::setDataBlock(1, IndexOf(m, K::HdmiForumVsdb), b);
        },
        "Supports VESA DSC 1.2a compression");
    row(
        "colorimetry added", kHdmi,
        [](const EdidModel& m, auto& s) {
            CtaDataBlock b = NewCtaDataBlock(K::Colorimetry);
            SetCtaFieldValue(b, F::ColorimetryFlags, 0xC0, nullptr);
            SetCtaFieldValue(b, F::ColorimetryFlags2, 0x04, nullptr);
            s << Span{130, 131} << Span{DataBlockAt(m, 4), 255};
            return EdidEdit::addDataBlock(1, 4, b);
        },
        "BT2020RGB\n    ICtCp");
    row(
        "HDR static metadata field", kForum,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::HdrStaticMetadata, F::HdrEotfs, 0x07);
        },
        "Traditional gamma - HDR luminance range");
    row(
        "video capability", kHdmi,
        [](const EdidModel& m, auto& s) {
            return FieldEdit(m, s, K::VideoCapability, F::VcdbQy, 1);
        },
        "YCbCr quantization: Selectable (via AVI YQ)");
    row(
        "4:2:0 capability map", kForum,
        [](const EdidModel& m, auto& s) {
            const int index = IndexOf(m, K::Yuv420CapabilityMap);
            s << Span{DataBlockAt(m, index), DataBlockAt(m, index) + 3};
            return EdidEdit::setDataBlock(1, index, MakeCtaYuv420Map({false, true}));
        },
        "YCbCr 4:2:0 Capability Map Data Block:\n    VIC  96:");
    row(
        "data blocks reordered", kHdmi,
        [](const EdidModel& m, auto& s) {
            s << Span{DataBlockAt(m, 1), DataBlockAt(m, 4)};
            return EdidEdit::moveDataBlock(1, 3, 1);
        },
        "Speaker Allocation Data Block");
    row(
        "data block removed", kHdmi,
        [](const EdidModel& m, auto& s) {
            s << Span{130, 131} << Span{DataBlockAt(m, 2), 255};
            return EdidEdit::removeDataBlock(1, 2);
        },
        "DTD 5:   720x576");
}

void TestEdidModel::editsChangeOnlyTheirBytes() {
    QFETCH(QString, sample);
    QFETCH(EditMaker, make);
    QFETCH(QString, decoded);
    const QByteArray bytes = Sample(sample);
    const EdidModel model = Parsed(bytes);
    QList<Span> spans;
    const EdidEdit edit = make(model, spans);
    const EdidEditStep step = MakeEdidEditStep(model, edit);
    QVERIFY2(step.result.ok(), qPrintable(step.result.reason));
    QCOMPARE(step.before, bytes);
    QCOMPARE(SerializeEdidModel(model), bytes);  // the model edited is a copy
    const QByteArray& after = step.after;
    QCOMPARE(after.size(), bytes.size());
    const int checksum = 128 * edit.targetBlock() + 127;
    for (int i = 0; i < bytes.size(); ++i) {
        const bool allowed = i == checksum || std::any_of(spans.begin(), spans.end(), [i](Span s) {
                                 return i >= s.first && i < s.end;
                             });
        QVERIFY2(allowed || after[i] == bytes[i], qPrintable(QString("byte %1 changed").arg(i)));
    }
    uint8_t sum = 0;
    for (int i = checksum - 127; i <= checksum; ++i) sum = uint8_t(sum + uint8_t(after[i]));
    QCOMPARE(sum, uint8_t(0));
    QCOMPARE(SerializeEdidModel(Parsed(after)), after);
    if (!HaveEdidDecode()) QSKIP("edid-decode is not installed: the decoded checks are skipped");
    const Decoded edited = EdidDecode(after, true);
    QVERIFY2(edited.text.contains(decoded), qPrintable(edited.text));
    const QSet<QString> added = edited.failures - EdidDecode(bytes, true).failures;
    QVERIFY2(added.isEmpty(), qPrintable(QStringList(added.begin(), added.end()).join('\n')));
}

void TestEdidModel::refusals_data() {
    QTest::addColumn<QString>("sample");
    QTest::addColumn<EdidEdit>("edit");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("missing");
    const int noRoom = int(EdidEditStatus::NoRoom);
    const int invalid = int(EdidEditStatus::Invalid);
    const EdidDetailedTiming t = Timing2560x1440();
    EdidDetailedTiming tooWide = t;
    tooWide.hActive = 4096;
    // 17 bytes free in block 1 of kHdmi; none of the base block's slots is a dummy.
    QTest::newRow("timing into 17 free bytes")
        << kHdmi << EdidEdit::addTiming(1, 4, t) << noRoom << 1;
    CtaDataBlock big = MakeCtaVideoBlock(QList<CtaSvd>(20, CtaSvd{16, false}));
    QTest::newRow("21-byte data block")
        << kHdmi << EdidEdit::addDataBlock(1, 0, big) << noRoom << 4;
    // The 4-byte speaker block replaced by 32 bytes: 28 more than 17 free.
    QTest::newRow("speaker block replaced by 31 SVDs")
        << kHdmi
        << EdidEdit::setDataBlock(1, 2, MakeCtaVideoBlock(QList<CtaSvd>(31, CtaSvd{16, false})))
        << noRoom << 11;
    QTest::newRow("base timing, no dummy slot")
        << kHdmi << EdidEdit::addTiming(0, 1, t) << noRoom << 18;
    QTest::newRow("name, 14 characters")
        << kHdmi << EdidEdit::setMonitorName("ABCDEFGHIJKLMN") << invalid << 0;
    QTest::newRow("CVT-RB2 2560x1440 at 120 Hz")
        << kHdmi << EdidEdit::setTiming(0, 0, Timing2560x1440(120)) << invalid << 0;
    EdidRangeLimits limits;
    limits = {1, 300, 1, 200, 600};
    QTest::newRow("300 Hz in EDID 1.3")
        << kHdmi << EdidEdit::setRangeLimits(limits) << invalid << 0;
    QTest::newRow("timing wider than 4095")
        << kHdmi << EdidEdit::setTiming(0, 0, tooWide) << invalid << 0;
    QTest::newRow("remove a name as a timing")
        << kHdmi << EdidEdit::removeTiming(0, 3) << invalid << 0;
    QTest::newRow("no block 2") << kHdmi << EdidEdit::removeDataBlock(2, 0) << invalid << 0;
    QTest::newRow("no data block 9") << kHdmi << EdidEdit::removeDataBlock(1, 9) << invalid << 0;
    QTest::newRow("data block of 32 bytes")
        << kForum
        << EdidEdit::addDataBlock(1, 0, MakeCtaVideoBlock(QList<CtaSvd>(32, CtaSvd{1, false})))
        << invalid << 0;
    QTest::newRow("vendor 'A1B'") << kHdmi << EdidEdit::setVendor("A1B") << invalid << 0;
    QTest::newRow("year 1989") << kHdmi << EdidEdit::setYear(1989) << invalid << 0;
}

void TestEdidModel::refusals() {
    QFETCH(QString, sample);
    QFETCH(EdidEdit, edit);
    QFETCH(int, status);
    QFETCH(int, missing);
    const QByteArray bytes = Sample(sample);
    EdidModel model = Parsed(bytes);
    const EdidEditResult result = ApplyEdidEdit(model, edit);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.missingBytes, missing);
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(SerializeEdidModel(model), bytes);
}

// Byte 2 follows the data blocks, the timings move with them, zeros fill the rest, and the
// native timing count never exceeds the timings there are.
void TestEdidModel::ctaLayoutFollowsEdits() {
    EdidModel m = Parsed(Sample(kHdmi));
    const QList<Bytes18> timings = m.cta(1)->timings;
    const auto block1 = [&m] { return SerializeEdidBlock(m, 1); };
    const auto zerosFrom = [&](int at) {
        return block1().mid(at, 127 - at) == QByteArray(127 - at, '\0');
    };

    // The HDMI block grows by a byte (Max TMDS clock): the four timings move by 1.
    const int hdmi = IndexOf(m, CtaBlockKind::HdmiVsdb);
    CtaDataBlock b = m.cta(1)->dataBlocks[hdmi];
    QVERIFY(SetCtaFieldValue(b, CtaField::HdmiMaxTmdsClock, 34, nullptr));
    QVERIFY(ApplyEdidEdit(m, EdidEdit::setDataBlock(1, hdmi, b)).ok());
    QCOMPARE(int(m.cta(1)->dtdOffset), 39);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(block1().mid(39 + 18 * k, 18),
                 QByteArray(reinterpret_cast<const char*>(timings[k].data()), 18));
    }
    QVERIFY(zerosFrom(111));
    QCOMPARE(EdidFreeBytes(m, 1), 16);

    // Claim five native timings, then take the CTA timings out one by one.
    m.cta(1)->flags = 0xF5;
    for (int left = 3; left >= 0; --left) {
        QVERIFY(ApplyEdidEdit(m, EdidEdit::removeTiming(1, 0)).ok());
        QCOMPARE(int(m.cta(1)->dtdOffset), 39);
        QVERIFY(zerosFrom(39 + 18 * left));
        QCOMPARE(m.cta(1)->flags, uint8_t(0xF0 | std::min(5, 1 + left)));
    }
    // The first timing of an empty area lands at byte 2's offset.
    QVERIFY(ApplyEdidEdit(m, EdidEdit::addTiming(1, 0, Timing2560x1440())).ok());
    QCOMPARE(
        block1().mid(39, 18),
        QByteArray(reinterpret_cast<const char*>(EncodeDetailedTiming(Timing2560x1440()).data()),
                   18));

    // A block that states no data blocks and no timings (byte 2 = 0) gains a video block.
    QByteArray bytes = Sample(kHdmi);
    bytes.replace(130, 125, QByteArray(125, '\0'));
    EdidModel empty = Parsed(bytes);
    QVERIFY(
        ApplyEdidEdit(empty, EdidEdit::addDataBlock(1, 0, MakeCtaVideoBlock({{16, true}}))).ok());
    QCOMPARE(SerializeEdidBlock(empty, 1).mid(2, 4), QByteArray("\x06\x00\x41\x90", 4));
}

QTEST_GUILESS_MAIN(TestEdidModel)
#include "tst_edid_model.moc"
