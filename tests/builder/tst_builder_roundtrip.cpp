// Round trips: an image is decoded into the creator record, built again without any change on the
// pages, and the result must validate and decode to the same facts. Runs over the built-in
// default and over every two-block sample image, and checks the result with edid-decode when it
// is installed.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "creator/builder/EdidBuilder.h"
#include "tests/builder/BuilderFixture.h"
#include "tests/support/Samples.h"

using namespace varnok;
using namespace varnok::test;

namespace {

template <std::size_t N>
Bytes NonZero(const std::array<uint8_t, N>& values) {
    Bytes out;
    for (uint8_t v : values)
        if (v != 0) out.push_back(v);
    return out;
}

Bytes Descriptors(const EdidInfo& info) {
    Bytes out;
    for (const auto& sad : info.sads)
        if (sad[0] != 0) out.insert(out.end(), sad.begin(), sad.end());
    return out;
}

bool HasHdmiForumBlock(const EdidImage& image) {
    int position = 132;
    while (position < kEdidSize && FindDataBlock(image, 0x60, position)) {
        if (position + 3 < kEdidSize && (image[position] & 0x1F) >= 3 &&
            image[position + 1] == 0xD8 && image[position + 2] == 0x5D &&
            image[position + 3] == 0xC4)
            return true;
        position += (image[position] & 0x1F) + 1;
    }
    return false;
}

// Compares what the creator would show of two decodes; returns the first difference, or empty.
// extension is false when a block was left out, so only the base block facts must agree.
QString Differences(const EdidInfo& a, const EdidInfo& b, bool extension) {
    const auto differ = [](const char* what) { return QString::fromLatin1(what); };
    if (a.manufacturer != b.manufacturer) return differ("manufacturer");
    if (QByteArray(a.monitorName.data()) != QByteArray(b.monitorName.data()))
        return differ("monitorName");
    if (a.productCode != b.productCode) return differ("productCode");
    if (a.serialNumber != b.serialNumber) return differ("serialNumber");
    if (a.manufactureWeek != b.manufactureWeek || a.manufactureYear != b.manufactureYear)
        return differ("week/year");
    if (a.establishedTimings != b.establishedTimings) return differ("establishedTimings");
    for (uint16_t code : a.standardTimings) {
        if (code != 0x0101 && std::find(b.standardTimings.begin(), b.standardTimings.end(), code) ==
                                  b.standardTimings.end())
            return differ("standardTimings");
    }
    if (!extension) return {};
    if ((a.ceaFlags & 0x30) != (b.ceaFlags & 0x30)) return differ("ceaFlags");
    if (NonZero(a.vicList) != NonZero(b.vicList)) return differ("vicList");
    if (QByteArray(a.maxResolutionName.data()) != QByteArray(b.maxResolutionName.data()))
        return differ("maxResolutionName");
    if (Descriptors(a) != Descriptors(b)) return differ("sads");
    if (a.audioFormats != b.audioFormats) return differ("audioFormats");
    if (a.maxAudioChannels != b.maxAudioChannels) return differ("maxAudioChannels");
    if (a.speakerAllocation != b.speakerAllocation) return differ("speakerAllocation");
    if (NonZero(a.yuv420Vics) != NonZero(b.yuv420Vics)) return differ("yuv420Vics");
    if (a.videoCapability != b.videoCapability) return differ("videoCapability");
    if (a.colorimetry[0] != b.colorimetry[0]) return differ("colorimetry");
    if (a.hdrStaticMetadata[0] != 0 &&
        !std::equal(a.hdrStaticMetadata.begin(), a.hdrStaticMetadata.begin() + 5,
                    b.hdrStaticMetadata.begin()))
        return differ("hdrStaticMetadata");
    if ((a.features & HdmiVsdb) != (b.features & HdmiVsdb)) return differ("HDMI block");
    if (a.features & HdmiVsdb) {
        if (a.cecAddress != b.cecAddress) return differ("cecAddress");
        if ((a.hdmiDeepColor & 0x78) != (b.hdmiDeepColor & 0x78)) return differ("hdmiDeepColor");
        if (a.maxColorDepth != b.maxColorDepth) return differ("maxColorDepth");
        if ((a.features & Has3D) != (b.features & Has3D)) return differ("3D");
        if (NonZero(a.hdmiVics) != NonZero(b.hdmiVics)) return differ("hdmiVics");
    }
    // A 4K VIC without an HDMI Forum block gets a new one (600 MHz, SCDC present).
    const bool forumAdded = !HasHdmiForumBlock(a.image) && HasHdmiForumBlock(b.image);
    if (forumAdded) {
        bool fourK = false;
        for (uint8_t v : a.vicList) fourK = fourK || (v >= 96 && v <= 107);
        if (!fourK || b.scdcPresent != 1 || b.supports600MHz != 1)
            return differ("new HDMI Forum block");
    } else if (a.scdcPresent != b.scdcPresent || a.yuv420DeepColor != b.yuv420DeepColor ||
               a.supports600MHz != b.supports600MHz) {
        return differ("HDMI Forum block");
    }
    return {};
}

struct RoundTrip {
    EdidInfo loaded;
    EdidInfo built;
    EdidInfo decoded;
    QStringList notes;
    bool valid = false;
};

RoundTrip Run(const EdidImage& image) {
    RoundTrip r;
    DecodeEdid(r.loaded, image.data());
    r.built = r.loaded;
    r.notes = WriteCreatedImage(r.built);
    r.valid = ValidateEdidImage(r.built);
    DecodeEdid(r.decoded, r.built.image.data());
    return r;
}

// edid-decode's complaints about the structure of an image (checksums, the detailed timing
// offset, data block lengths, descriptor layout), not about what it declares.
QStringList StructuralFailures(const QString& edidDecode, const QString& path) {
    QProcess process;
    process.start(edidDecode, {QStringLiteral("--check"), path});
    if (!process.waitForFinished(30000)) return {QStringLiteral("edid-decode did not finish")};
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression kStructural(
        QStringLiteral(
            "checksum|Offset is|length|not enough|Padding|padding|ordering|past the end|overflow|"
            "exceed|truncat"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList failures;
    const qsizetype start = output.indexOf(QStringLiteral("\nFailures:"));
    if (start < 0) return failures;
    for (const QString& line : output.mid(start).split(QLatin1Char('\n'))) {
        if (kStructural.match(line).hasMatch()) failures << line.trimmed();
    }
    return failures;
}

QString WriteTemp(const QTemporaryDir& dir, const QString& name, const uint8_t* bytes) {
    const QString path = dir.filePath(name);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly)) out.write(reinterpret_cast<const char*>(bytes), kEdidSize);
    return path;
}

}  // namespace

class TestBuilderRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void defaultImage();
    void samples();
};

void TestBuilderRoundTrip::defaultImage() {
    const RoundTrip r = Run(DefaultEdidImage());
    QVERIFY(r.valid);
    QVERIFY(r.notes.isEmpty());
    const QString diff = Differences(r.loaded, r.decoded, true);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(QByteArray(r.decoded.manufacturer.data()), QByteArray("NEW"));
    QCOMPARE(QByteArray(r.decoded.monitorName.data()), QByteArray("BrandNewEdid"));
    QCOMPARE(r.decoded.features, FeatureFlags(HdmiVsdb));
    QCOMPARE(r.decoded.ceaFlags, uint8_t(0x71));

    const QString edidDecode = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
    if (edidDecode.isEmpty()) QSKIP("edid-decode is not installed");
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QStringList failures = StructuralFailures(
        edidDecode, WriteTemp(temp, QStringLiteral("default.bin"), r.built.image.data()));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void TestBuilderRoundTrip::samples() {
    const QDir dir(SamplesDir());
    if (!dir.exists()) QSKIP("no sample images");
    const QString edidDecode = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
    QTemporaryDir temp;
    QVERIFY(temp.isValid());

    int twoBlock = 0;
    int leftOut = 0;
    QStringList failures;
    for (const QString& name : dir.entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (bytes.size() != kEdidSize || static_cast<uint8_t>(bytes[126]) != 1) continue;
        ++twoBlock;
        EdidImage image;
        std::copy(bytes.begin(), bytes.end(), image.begin());

        const RoundTrip r = Run(image);
        if (!r.valid) {
            failures << name + QStringLiteral(": built image invalid");
            continue;
        }
        if (!r.notes.isEmpty()) ++leftOut;
        const QString diff = Differences(r.loaded, r.decoded, r.notes.isEmpty());
        if (!diff.isEmpty()) failures << name + QStringLiteral(": ") + diff;
        Bytes headers;
        if (!WalkDataBlocks(r.built.image, headers))
            failures << name + QStringLiteral(": data blocks overrun the DTD offset");

        // A build on its own output changes nothing more.
        EdidInfo again = r.built;
        WriteCreatedImage(again);
        if (again.image != r.built.image)
            failures << name + QStringLiteral(": second build differs");

        // Structural faults edid-decode finds in the built image that the sample did not have.
        if (!edidDecode.isEmpty()) {
            const QStringList before = StructuralFailures(
                edidDecode, WriteTemp(temp, QStringLiteral("in.bin"), image.data()));
            const QStringList after = StructuralFailures(
                edidDecode, WriteTemp(temp, QStringLiteral("out.bin"), r.built.image.data()));
            for (const QString& failure : after)
                if (!before.contains(failure))
                    failures << name + QStringLiteral(": edid-decode: ") + failure;
        }
    }
    qInfo("%d two-block samples, %d with a block left out", twoBlock, leftOut);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QCOMPARE(twoBlock, 270);
}

QTEST_APPLESS_MAIN(TestBuilderRoundTrip)
#include "tst_builder_roundtrip.moc"
