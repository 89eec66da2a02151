// What a rebuilt EDID drops of the one it was rebuilt from, on a real 4K monitor's EDID: each
// change of the rebuilt bytes named once, and nothing for the same bytes.
#include <QFile>
#include <QTest>
#include <functional>

#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidLosses.h"
#include "edid/model/EdidModel.h"
#include "tests/support/Samples.h"

using namespace varnok;

using Change = std::function<void(EdidModel&)>;
Q_DECLARE_METATYPE(Change)

namespace {

CtaDataBlock& BlockOf(EdidModel& m, CtaBlockKind kind) {
    for (CtaDataBlock& b : m.cta(1)->dataBlocks)
        if (CtaBlockKindOf(b) == kind) return b;
    qFatal("no such block");
}

}  // namespace

class EdidLossesTest : public QObject {
    Q_OBJECT
private slots:
    void losses_data();
    void losses();
};

void EdidLossesTest::losses_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("same bytes") << Change([](EdidModel&) {}) << QStringList{};
    // Only the image size differs: the same timing for a source.
    QTest::newRow("image size") << Change([](EdidModel& m) { m.base.descriptors[0][12] ^= 1; })
                                << QStringList{};
    QTest::newRow("timing") << Change([](EdidModel& m) { m.base.descriptors[0][0] ^= 1; })
                            << QStringList{"the detailed timing 3840x2160"};
    QTest::newRow("VIC") << Change([](EdidModel& m) {
        BlockOf(m, CtaBlockKind::Video).body[4] = 16;  // VIC 97 becomes a second VIC 16
    }) << QStringList{"VICs 97 of the video data block"};
    QTest::newRow("max TMDS") << Change([](EdidModel& m) {
        QVERIFY(SetCtaFieldValue(BlockOf(m, CtaBlockKind::HdmiVsdb), CtaField::HdmiMaxTmdsClock, 68,
                                 nullptr));
    }) << QStringList{"Max TMDS clock lowered from 600 MHz to 340 MHz"};
    QTest::newRow("4:2:0 map") << Change([](EdidModel& m) {
        BlockOf(m, CtaBlockKind::Yuv420CapabilityMap).extendedTag = 13;
    }) << QStringList{"the YCbCr 4:2:0 capability map data block"};
    QTest::newRow("flags and colorimetry") << Change([](EdidModel& m) {
        m.cta(1)->flags &= ~0x40;  // basic audio
        QVERIFY(SetCtaFieldValue(BlockOf(m, CtaBlockKind::Colorimetry), CtaField::ColorimetryFlags,
                                 0x40, nullptr));
    }) << QStringList{"the CTA-861 basic audio support flag", "colorimetry: bits 0xa0 cleared"};
}

void EdidLossesTest::losses() {
    QFETCH(Change, change);
    QFETCH(QStringList, expected);
    QFile f(SamplePath("000668600173.bin"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray loaded = f.readAll();
    EdidModelParse built = ParseEdidModel(loaded);
    QVERIFY(built.ok && built.model.cta(1));
    change(built.model);
    QCOMPARE(EdidLosses(loaded, SerializeEdidModel(built.model)), expected);
    // A base block alone drops the whole extension.
    if (QTest::currentDataTag() == QByteArray("same bytes"))
        QVERIFY(EdidLosses(loaded, loaded.left(128)).contains("extension block 1"));
}

QTEST_GUILESS_MAIN(EdidLossesTest)
#include "tst_edid_losses.moc"
