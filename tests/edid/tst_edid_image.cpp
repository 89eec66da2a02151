// Validation order and reason bits, checksums, the data-block walk and the .bin file rule.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "tests/edid/EdidTestImages.h"
#include "tests/support/EdidFiles.h"

using namespace varnok;
using namespace varnok::test;

using Mutation = std::function<void(EdidImage&)>;
Q_DECLARE_METATYPE(Mutation)
Q_DECLARE_METATYPE(varnok::EdidImage)

class TestEdidImage : public QObject {
    Q_OBJECT

private slots:
    void validate_data();
    void validate();
    void validateKeepsCreatorBitsAndClearsOldReasons();
    void checksum();
    void findDataBlock_data();
    void findDataBlock();
    void findDataBlockVisitsEveryBlockOnce();
    void findDataBlockAtTheImageEnd();
    void readFile_data();
    void readFile();
    void readMissingFileLeavesImage();
    void writeFile();
};

void TestEdidImage::validate_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("reason");
    auto fix = [](EdidImage& i) {
        SetBlockChecksum(i, 0);
        SetBlockChecksum(i, 1);
    };
    QTest::newRow("default image") << Mutation([](EdidImage&) {}) << true << 0;
    QTest::newRow("base block only, extension bytes 0xFF")
        << Mutation([](EdidImage& i) { i = BaseOnlyImage(); }) << true << 0;
    QTest::newRow("all 0xFF, as an empty file reads")
        << Mutation([](EdidImage& i) { i.fill(0xFF); }) << false << int(HeaderBad);
    QTest::newRow("header byte 7 wrong")
        << Mutation([fix](EdidImage& i) { i[7] = 0xFF, fix(i); }) << false << int(HeaderBad);
    QTest::newRow("header fault hides checksum fault")
        << Mutation([](EdidImage& i) { i[0] = 0x01; }) << false << int(HeaderBad);
    QTest::newRow("block 0 checksum")
        << Mutation([](EdidImage& i) { i[127] ^= 1; }) << false << int(Checksum0Bad);
    QTest::newRow("checksum 0 hides extension count")
        << Mutation([](EdidImage& i) { i[126] = 2; }) << false << int(Checksum0Bad);
    QTest::newRow("two extensions, both checksums right")
        << Mutation([fix](EdidImage& i) { i[126] = 2, fix(i); }) << false << int(OverBanks);
    QTest::newRow("block 1 checksum")
        << Mutation([](EdidImage& i) { i[255] ^= 0x80; }) << false << int(Checksum1Bad);
    QTest::newRow("block 1 unchecked without extension") << Mutation([](EdidImage& i) {
        i[126] = 0;
        SetBlockChecksum(i, 0);
        i[255] ^= 0x80;
    }) << true << 0;
}

void TestEdidImage::validate() {
    QFETCH(Mutation, mutate);
    QFETCH(bool, valid);
    QFETCH(int, reason);
    EdidInfo info;
    info.image = DefaultEdidImage();
    mutate(info.image);
    QCOMPARE(ValidateEdidImage(info), valid);
    QCOMPARE(int(info.status), reason);
}

void TestEdidImage::validateKeepsCreatorBitsAndClearsOldReasons() {
    EdidInfo info;
    info.status = BrandNew | InputError | HeaderBad | OverBanks;
    info.image.fill(0);
    QVERIFY(!ValidateEdidImage(info));
    QCOMPARE(int(info.status), BrandNew | InputError | HeaderBad);
    info.image = DefaultEdidImage();
    info.image[200] ^= 1;
    QVERIFY(!ValidateEdidImage(info));
    QCOMPARE(int(info.status), BrandNew | InputError | Checksum1Bad);
    info.image = DefaultEdidImage();
    QVERIFY(ValidateEdidImage(info));
    QCOMPARE(int(info.status), BrandNew | InputError);
}

void TestEdidImage::checksum() {
    EdidImage image = DefaultEdidImage();
    image[20] = 0x5A;
    image[150] = 0xA5;
    SetBlockChecksum(image, 0);
    SetBlockChecksum(image, 1);
    uint8_t sum0 = 0, sum1 = 0;
    for (int i = 0; i < 128; ++i) {
        sum0 = uint8_t(sum0 + image[i]);
        sum1 = uint8_t(sum1 + image[128 + i]);
    }
    QCOMPARE(sum0, uint8_t(0));
    QCOMPARE(sum1, uint8_t(0));
    // A block whose first 127 bytes already sum to 0 gets 0, not 256.
    EdidImage zero{};
    SetBlockChecksum(zero, 1);
    QCOMPARE(zero[255], uint8_t(0));
    // Only blocks 0 and 1 exist.
    const EdidImage before = image;
    SetBlockChecksum(image, 2);
    SetBlockChecksum(image, -1);
    QVERIFY(image == before);
    QCOMPARE(DefaultEdidImage()[127], uint8_t(0xD3));
    QCOMPARE(DefaultEdidImage()[255], uint8_t(0xC8));
}

void TestEdidImage::findDataBlock_data() {
    QTest::addColumn<EdidImage>("image");
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("position");
    const EdidImage def = DefaultEdidImage();
    QTest::newRow("video at 132") << def << 0x40 << 132 << true << 132;
    QTest::newRow("audio after video") << def << 0x20 << 132 << true << 134;
    QTest::newRow("vendor") << def << 0x60 << 132 << true << 138;
    QTest::newRow("no speaker block") << def << 0x80 << 132 << false << 132;
    QTest::newRow("past the last vendor block") << def << 0x60 << 139 << false << 139;
    EdidImage noExt = def;
    noExt[126] = 0;
    QTest::newRow("extension count 0") << noExt << 0x40 << 132 << false << 132;
    EdidImage noBlocks = def;
    noBlocks[130] = 4;
    QTest::newRow("DTD offset 4: no data blocks") << noBlocks << 0x40 << 132 << false << 132;
    EdidImage dtdBelow = def;
    dtdBelow[130] = 0;
    QTest::newRow("DTD offset 0") << dtdBelow << 0x40 << 132 << false << 132;
    const EdidImage zeroLength = ImageWithBlocks({{0x40}, {0x20}, Block(0x80, {1, 0, 0})});
    QTest::newRow("zero-length block skipped by one byte")
        << zeroLength << 0x20 << 132 << true << 133;
    QTest::newRow("zero-length block itself") << zeroLength << 0x40 << 132 << true << 132;
    // Video block stating 31 bytes while the DTDs start 4 bytes on: the walk ends.
    EdidImage overrun = ImageWithBlocks({Block(0x40, {16}), Block(0x20, {9, 7, 3})});
    overrun[132] = 0x5F;
    QTest::newRow("length past end ends the walk") << overrun << 0x20 << 132 << false << 132;
    EdidImage wide = def;
    wide[130] = 255;   // data blocks would reach into the checksum; the walk stops at 256
    wide[138] = 0x7F;  // vendor block of 31 bytes
    wide[170] = 0x3F;  // lands at 170: audio block of 31 bytes
    wide[202] = 0x9F;  // lands at 202: speaker block of 31 bytes, reaching 234
    wide[234] = 0xFF;  // lands at 234: extended block of 31 bytes reaching past 255
    QTest::newRow("block running past byte 255 is still found")
        << wide << 0xE0 << 132 << true << 234;
    QTest::newRow("negative start finds nothing") << def << 0x40 << -5 << false << -5;
    QTest::newRow("start at 256 finds nothing") << wide << 0xE0 << 256 << false << 256;
}

void TestEdidImage::findDataBlock() {
    QFETCH(EdidImage, image);
    QFETCH(int, tag);
    QFETCH(int, start);
    QFETCH(bool, found);
    QFETCH(int, position);
    int pos = start;
    QCOMPARE(FindDataBlock(image, uint8_t(tag), pos), found);
    QCOMPARE(pos, position);
}

void TestEdidImage::findDataBlockVisitsEveryBlockOnce() {
    const EdidImage image = ImageWithBlocks({Block(0x60, {0x03, 0x0C, 0x00, 0x10, 0x00}),
                                             Block(0x40, {16}), Block(0x60, {0xD8, 0x5D, 0xC4, 1}),
                                             Block(0x20, {9, 7, 3}), Block(0x60, {0, 0, 0})});
    QList<int> seen;
    int pos = 132;
    while (FindDataBlock(image, 0x60, pos)) {
        seen << pos;
        pos += (image[pos] & 0x1F) + 1;
    }
    QCOMPARE(seen, (QList<int>{132, 140, 149}));
}

void TestEdidImage::findDataBlockAtTheImageEnd() {
    // On the heap with nothing around it, so a read past byte 255 is caught by the sanitizers.
    auto image = std::make_unique<EdidImage>(DefaultEdidImage());
    (*image)[130] = 200;
    for (int i = 132; i < 256; ++i) {
        (*image)[i] = 0x00;  // zero-length blocks of tag 0 up to the end
    }
    int pos = 132;
    QVERIFY(!FindDataBlock(*image, 0x20, pos));
    (*image)[130] = 255;
    (*image)[255] = 0x3F;
    QVERIFY(FindDataBlock(*image, 0x20, pos));
    QCOMPARE(pos, 255);
}

void TestEdidImage::readFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("reason");
    const EdidImage def = DefaultEdidImage();
    const QByteArray full(reinterpret_cast<const char*>(def.data()), 256);
    const EdidImage base = BaseOnlyImage();
    QTest::newRow("256 bytes") << full << true << 0;
    QTest::newRow("128-byte base block")
        << QByteArray(reinterpret_cast<const char*>(base.data()), 128) << true << 0;
    QTest::newRow("empty") << QByteArray() << false << int(HeaderBad);
    QTest::newRow("255 bytes: checksum 1 reads 0xFF")
        << full.left(255) << false << int(Checksum1Bad);
    QTest::newRow("300 bytes: tail ignored") << full + QByteArray(44, '\x5A') << true << 0;
}

void TestEdidImage::readFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(int, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.bin");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    EdidInfo info;
    info.image.fill(0x11);
    QVERIFY(LoadImageFile(path, info.image));
    for (int i = 0; i < 256; ++i) {
        const uint8_t expected = i < content.size() ? uint8_t(content[i]) : 0xFF;
        QCOMPARE(info.image[i], expected);
    }
    QCOMPARE(ValidateEdidImage(info), valid);
    QCOMPARE(int(info.status), reason);
}

void TestEdidImage::readMissingFileLeavesImage() {
    QTemporaryDir dir;
    EdidImage image;
    image.fill(0x42);
    QVERIFY(!LoadImageFile(dir.filePath("missing.bin"), image));
    QVERIFY(!LoadImageFile(dir.path(), image));  // a folder is not a file
    for (uint8_t b : image) {
        QCOMPARE(b, uint8_t(0x42));
    }
}

void TestEdidImage::writeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    // A longer file is truncated; a base-only image is still written whole, 0xFF tail included.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, '\x01'));
    old.close();
    const EdidImage base = BaseOnlyImage();
    QVERIFY(SaveImageFile(path, base));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 256);
    QCOMPARE(bytes, QByteArray(reinterpret_cast<const char*>(base.data()), 256));
    EdidImage back{};
    QVERIFY(LoadImageFile(path, back));
    QVERIFY(back == base);
    QVERIFY(!SaveImageFile(dir.filePath("no/such/folder/out.bin"), base));

    // A name with no room for the temporary name beside it: the old file stays, with the reason.
    const QString longName = dir.filePath(QString(250, QLatin1Char('n')));
    QFile longOld(longName);
    QVERIFY(longOld.open(QIODevice::WriteOnly) && longOld.write("old") == 3);
    longOld.close();
    const SaveResult saved = SaveEdidFile(longName, base);
    QCOMPARE(saved.outcome, SaveOutcome::OpenFailed);
    QCOMPARE(saved.reason, QStringLiteral("File name too long"));
    QVERIFY(longOld.open(QIODevice::ReadOnly));
    QCOMPARE(longOld.readAll(), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestEdidImage)
#include "tst_edid_image.moc"
