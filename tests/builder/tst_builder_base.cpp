// The base block written by the builder: identification, the monitor name descriptor, the timing
// bytes, the standard timing pass, the extension count and the checksum.

#include <QtTest>

#include "creator/builder/BaseBlockWriter.h"
#include "creator/builder/EdidBuilder.h"
#include "tests/builder/BuilderFixture.h"

using namespace varnok;
using namespace varnok::test;

namespace {

using Slots = std::array<uint16_t, 8>;

void SetName(EdidInfo& info, const char* name) {
    info.monitorName.fill(0);
    std::copy_n(name, std::min<std::size_t>(strlen(name), 13), info.monitorName.begin());
}

// The default base block with its name descriptor moved to the first descriptor (byte 54).
EdidImage NameAt54() {
    EdidImage image = DefaultEdidImage();
    const Bytes descriptor = FromHex("00 00 00 FC 00 4F 4C 44 4E 41 4D 45 0A 20 20 20 20 20");
    std::copy(descriptor.begin(), descriptor.end(), image.begin() + 54);
    image[93] = 0xFD;  // the old name descriptor becomes a range-limits-like one
    SetBlockChecksum(image, 0);
    return image;
}

}  // namespace

Q_DECLARE_METATYPE(Slots)

class TestBuilderBase : public QObject {
    Q_OBJECT

private slots:
    void manufacturerPacking_data();
    void manufacturerPacking();
    void monitorName_data();
    void monitorName();
    void identificationAndTimings();
    void standardTimingPass_data();
    void standardTimingPass();
    void untouchedBytesAndChecksum();
};

void TestBuilderBase::manufacturerPacking_data() {
    QTest::addColumn<QByteArray>("letters");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("NEW") << QByteArray("NEW") << QByteArray("38 B7");
    QTest::newRow("AAA") << QByteArray("AAA") << QByteArray("04 21");
    QTest::newRow("ZZZ") << QByteArray("ZZZ") << QByteArray("6B 5A");
    QTest::newRow("SAM") << QByteArray("SAM") << QByteArray("4C 2D");
    // Codes outside A..Z wrap in 8-bit arithmetic; the second letter shifts as a signed value.
    QTest::newRow("lower case") << QByteArray("abc") << QByteArray("88 63");
    QTest::newRow("one letter") << QByteArray("N") << QByteArray("30 C0");
    QTest::newRow("empty") << QByteArray("") << QByteArray("F8 C0");
}

void TestBuilderBase::manufacturerPacking() {
    QFETCH(QByteArray, letters);
    QFETCH(QByteArray, bytes);
    EdidInfo info = Loaded(DefaultEdidImage());
    info.manufacturer.fill(0);
    std::copy(letters.begin(), letters.end(), info.manufacturer.begin());
    WriteCreatedImage(info);
    QCOMPARE(HexRange(info.image, 8, 2), bytes);
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderBase::monitorName_data() {
    QTest::addColumn<EdidImage>("image");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("first");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("TV at 54") << NameAt54() << QByteArray("TV") << 59
                              << QByteArray("54 56 0A 20 20 20 20 20 20 20 20 20 20");
    QTest::newRow("13 characters, no line feed")
        << NameAt54() << QByteArray("ABCDEFGHIJKLM") << 59
        << QByteArray("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D");
    QTest::newRow("12 characters") << NameAt54() << QByteArray("ABCDEFGHIJKL") << 59
                                   << QByteArray("41 42 43 44 45 46 47 48 49 4A 4B 4C 0A");
    QTest::newRow("empty") << NameAt54() << QByteArray("") << 59
                           << QByteArray("0A 20 20 20 20 20 20 20 20 20 20 20 20");
    QTest::newRow("default at 90") << EdidImage(DefaultEdidImage()) << QByteArray("TV") << 95
                                   << QByteArray("54 56 0A 20 20 20 20 20 20 20 20 20 20");
    QTest::newRow("no descriptor: the old one at 90 stays")
        << NameAt54() << QByteArray("TV") << 95
        << QByteArray("42 72 61 6E 64 4E 65 77 45 64 69 64 0A");
    EdidImage two = NameAt54();
    two[93] = 0xFC;
    SetBlockChecksum(two, 0);
    QTest::newRow("second descriptor written too")
        << two << QByteArray("TV") << 95 << QByteArray("54 56 0A 20 20 20 20 20 20 20 20 20 20");
}

void TestBuilderBase::monitorName() {
    QFETCH(EdidImage, image);
    QFETCH(QByteArray, name);
    QFETCH(int, first);
    QFETCH(QByteArray, bytes);
    EdidInfo info = Loaded(image);
    SetName(info, name.constData());
    WriteCreatedImage(info);
    QCOMPARE(HexRange(info.image, first, 13), bytes);
    // The descriptor's own header bytes are never touched.
    QCOMPARE(HexRange(info.image, first - 5, 5), HexRange(image, first - 5, 5));
    QVERIFY(ValidateEdidImage(info));
}

void TestBuilderBase::identificationAndTimings() {
    EdidInfo info = Loaded(DefaultEdidImage());
    info.productCode = 0x1234;
    info.serialNumber = 0xB2D05E00;
    info.manufactureWeek = 52;
    info.manufactureYear = 255;          // 2245
    info.establishedTimings = 0x000080;  // 1152 x 870 at 75 Hz only
    WriteCreatedImage(info);
    QCOMPARE(HexRange(info.image, 10, 8), QByteArray("34 12 00 5E D0 B2 34 FF"));
    QCOMPARE(HexRange(info.image, 35, 3), QByteArray("00 00 80"));

    info.establishedTimings = 0x123456;
    WriteCreatedImage(info);
    QCOMPARE(HexRange(info.image, 35, 3), QByteArray("12 34 56"));
}

void TestBuilderBase::standardTimingPass_data() {
    QTest::addColumn<Slots>("before");
    QTest::addColumn<Slots>("after");
    constexpr uint16_t u = kUnusedStandardTiming;
    QTest::newRow("first slot used")
        << Slots{0xA940, u, u, u, u, u, u, u} << Slots{0xA940, u, u, u, u, u, u, u};
    QTest::newRow("moves one place")
        << Slots{u, 0xA940, u, u, u, u, u, u} << Slots{0xA940, u, u, u, u, u, u, u};
    // A single pass: a run of unused slots ahead of a code is not fully gathered.
    QTest::newRow("single pass") << Slots{u, u, 0xA940, u, u, u, u, u}
                                 << Slots{u, 0xA940, u, u, u, u, u, u};
    QTest::newRow("gap in the middle") << Slots{0x8180, u, 0xA940, 0xA94F, u, u, u, 0x818A}
                                       << Slots{0x8180, 0xA940, 0xA94F, u, u, u, 0x818A, u};
    QTest::newRow("empty slots 0 are not unused")
        << Slots{0, 0xA940, u, 0x8180, 0, 0, 0, 0} << Slots{0, 0xA940, 0x8180, 0, 0, 0, 0, u};
    QTest::newRow("all unused") << Slots{u, u, u, u, u, u, u, u} << Slots{u, u, u, u, u, u, u, u};
}

void TestBuilderBase::standardTimingPass() {
    QFETCH(Slots, before);
    QFETCH(Slots, after);
    EdidInfo info = Loaded(DefaultEdidImage());
    info.standardTimings = before;
    WriteCreatedImage(info);
    QCOMPARE(info.standardTimings, after);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(info.image[38 + 2 * i], uint8_t(after[i] >> 8));
        QCOMPARE(info.image[39 + 2 * i], uint8_t(after[i] & 0xFF));
    }
}

void TestBuilderBase::untouchedBytesAndChecksum() {
    // A base block with odd bytes everywhere the creator has no control, and an extension count
    // of 0: only the record's bytes, the extension count and the checksum change.
    EdidImage image = DefaultEdidImage();
    for (int i = 18; i <= 34; ++i) image[i] = static_cast<uint8_t>(0xA0 + i);
    image[126] = 0;
    SetBlockChecksum(image, 0);
    EdidInfo info = Loaded(image);
    info.productCode = 7;
    SetName(info, "X");
    WriteCreatedImage(info);

    QVERIFY(ValidateEdidImage(info));
    QCOMPARE(BlockSum(info.image, 0), 0);
    QCOMPARE(BlockSum(info.image, 1), 0);
    QCOMPARE(info.image[126], uint8_t(1));
    for (int i = 0; i < 126; ++i) {
        const bool written = (i >= 8 && i <= 17) || (i >= 35 && i <= 53) || (i >= 95 && i <= 107);
        if (!written) QVERIFY2(info.image[i] == image[i], qPrintable(QString::number(i)));
    }
    QCOMPARE(HexRange(info.image, 95, 3), QByteArray("58 0A 20"));
}

QTEST_APPLESS_MAIN(TestBuilderBase)
#include "tst_builder_base.moc"
