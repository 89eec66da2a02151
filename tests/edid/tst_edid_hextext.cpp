// Reading the hex text people paste (real edid-decode output and C arrays captured from the
// samples, xrandr --verbose's form, plain hex, hex dumps) and writing hex that edid-decode reads.

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "tests/edid/EdidTestImages.h"
#include "tests/support/EdidFiles.h"
#include "tests/support/Samples.h"

using namespace varnok;

namespace {

QString Pastes() {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + QStringLiteral("/tests/edid/pastes/");
}

QString Samples() {
    return SamplesDir() + u'/';
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

QString Spaced(const QByteArray& bytes, const QString& format, int perLine, const QString& eol) {
    QString text;
    for (int i = 0; i < bytes.size(); ++i) {
        text += QString::asprintf(qPrintable(format), unsigned(uint8_t(bytes[i])));
        text += (i % perLine == perLine - 1) ? eol : QStringLiteral(" ");
    }
    return text;
}

QString WithoutLine(const QString& text, int index) {
    QStringList lines = text.split(u'\n');
    lines.removeAt(index);
    return lines.join(u'\n');
}

}  // namespace

class TestEdidHexText : public QObject {
    Q_OBJECT

private slots:
    void pastes_data();
    void pastes();
    void everyBlock();
    void writtenHexIsEdidDecodes();
    void edidDecodeReadsWrittenHex();
};

void TestEdidHexText::pastes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sample");  // the .bin whose bytes the text holds; empty for errors
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("error");
    const QByteArray hdmi = ReadAll(Samples() + "0001BFD5CF3F.bin");
    const QByteArray base = ReadAll(Samples() + "0000CEF4CC27.bin");
    auto paste = [](const char* file) { return EdidHexTextFromBytes(ReadAll(Pastes() + file)); };

    QTest::newRow("edid-decode output")
        << paste("0001BFD5CF3F.edid-decode.txt") << "0001BFD5CF3F.bin"
        << "edid-decode output"
        << "";
    QTest::newRow("edid-decode --check output")
        << paste("0003D15F5896.edid-decode-check.txt") << "0003D15F5896.bin"
        << "edid-decode output"
        << "";
    QTest::newRow("edid-decode output of a 128-byte EDID")
        << paste("0000CEF4CC27.edid-decode.txt") << "0000CEF4CC27.bin"
        << "edid-decode output"
        << "";
    QTest::newRow("edid-decode output copied from below its heading")
        << paste("0001BFD5CF3F.edid-decode.txt").section('\n', 2) << "0001BFD5CF3F.bin"
        << "edid-decode output"
        << "";
    QTest::newRow("edid-decode -o carray") << paste("0004F65B12CE.carray.txt") << "0004F65B12CE.bin"
                                           << "C array"
                                           << "";
    QTest::newRow("xrandr --verbose, GUID and mode lines around the EDID")
        << paste("0001BFD5CF3F.xrandr.txt") << "0001BFD5CF3F.bin"
        << "xrandr output"
        << "";
    QTest::newRow("one run of hex digits")
        << QString::fromLatin1(hdmi.toHex()) << "0001BFD5CF3F.bin"
        << "hex"
        << "";
    QTest::newRow("0x bytes, commas, CRLF, upper case")
        << Spaced(hdmi, "0x%02X,", 8, "\r\n") << "0001BFD5CF3F.bin"
        << "hex"
        << "";
    QTest::newRow("hex dump with offsets")
        << FormatEdidHexDump(test::BaseOnlyImage()).toUpper() << ""
        << "hex dump"
        << "";
    // The dumps' ASCII columns hold a "{" (byte 127), and a "*" stands for repeated lines.
    QTest::newRow("hexdump -C") << paste("009B4746790D.hexdump-C.txt") << "009B4746790D.bin"
                                << "hexdump -C output"
                                << "";
    QTest::newRow("xxd") << paste("009B4746790D.xxd.txt") << "009B4746790D.bin"
                         << "xxd output"
                         << "";
    QTest::newRow("od -t x1, octal offsets")
        << paste("009B4746790D.od-tx1.txt") << "009B4746790D.bin"
        << "od output"
        << "";
    // Both print 16-bit words as a little-endian PC holds them: "ff00" is 00 ff in the file.
    QTest::newRow("od's octal words") << paste("0001BFD5CF3F.od.txt") << "0001BFD5CF3F.bin"
                                      << "od output"
                                      << "";
    QTest::newRow("hexdump's hex words") << paste("0001BFD5CF3F.hexdump.txt") << "0001BFD5CF3F.bin"
                                         << "hexdump output"
                                         << "";
    QTest::newRow("Windows registry export, UTF-16, HardwareID before the EDID")
        << paste("0001BFD5CF3F.reg") << "0001BFD5CF3F.bin"
        << "Windows registry export"
        << "";
    QTest::newRow("EDID (hex): block of a hardware-probe report")
        << "Monitor: LEN LI2323\nEDID (hex):\n" + Spaced(hdmi, "%02x", 16, "\n").remove(' ') +
               "\nEDID version: 1.3\nManufacturer: LEN Model 65a7\n"
        << "0001BFD5CF3F.bin"
        << "EDID (hex): block"
        << "";
    QTest::newRow("colon-separated, a line for each block")
        << Spaced(hdmi, "%02x", 128, "\n").replace(' ', ':') << "0001BFD5CF3F.bin"
        << "hex"
        << "";
    QTest::newRow("C array with comments, decimal and octal")
        << "// from the firmware\nstatic const unsigned char e[128] = { /* header */ 0, 255, "
           "0xff, 0377, 0xFF, 0xff, 0xff, 0x00, /* rest */\n" +
               Spaced(base.mid(8), "0x%02x,", 16, "\n") + "}; int after = 0x12;"
        << "0000CEF4CC27.bin"
        << "C array"
        << "";

    QTest::newRow("200 bytes") << Spaced(hdmi.left(200), "%02x", 16, "\n") << ""
                               << "hex"
                               << "Found 200 bytes; an EDID has 128 or 256.";
    QTest::newRow("three blocks")
        << Spaced(hdmi + base, "%02x", 16, "\n") << ""
        << "hex"
        << "Found 384 bytes, an EDID with 2 extension blocks; the device holds 128 or 256 bytes "
           "(one extension at most).";
    QTest::newRow("hexdump -C with a line lost")
        << WithoutLine(paste("009B4746790D.hexdump-C.txt"), 4) << ""
        << "hexdump -C output"
        << "Line 5: offset \"00000050\" does not follow on from the lines above it; copy the dump "
           "whole.";
    QTest::newRow("registry export of two displays")
        << paste("0001BFD5CF3F.reg").repeated(2) << ""
        << "Windows registry export"
        << "Found 2 \"EDID\" values, one for each display the registry has known; paste the lines "
           "of one.";
    QTest::newRow("od -An's \"*\", without the offsets that count the repeats")
        << "00 ff ff ff ff ff ff 00\n*\n"
        << ""
        << "hex"
        << "Line 2: the \"*\" stands for repeats of the line above it, but without offsets (od "
           "-An) nothing says how many; paste od's output with its offsets, or od -v's.";
    QTest::newRow("odd digits") << "00 ff\nff f ff"
                                << ""
                                << "hex"
                                << "Line 2: \"f\" has an odd number of hex digits.";
    QTest::newRow("words, with an escape sequence shown safely")
        << "00 ff\n\n\x1b[31mDELL 00"
        << ""
        << "hex"
        << "Line 3: \"?[31mDELL\" is not hex.";
    QTest::newRow("edid-decode --skip-hex-dump")
        << paste("0001BFD5CF3F.edid-decode.txt").section("----------------\n", 1) << ""
        << "edid-decode output"
        << "This is edid-decode's decoded text without its hex block; paste edid-decode's "
           "whole output, without --skip-hex-dump.";
    QTest::newRow("xrandr with two outputs")
        << paste("0001BFD5CF3F.xrandr.txt").repeated(2) << ""
        << "xrandr output"
        << "Found 2 EDID: blocks, one for each connected output; paste the lines of one.";
    QTest::newRow("C array never closed") << "x[] = {\n0x00, 0xff,\n"
                                          << ""
                                          << "C array"
                                          << "Line 1: the C array's { is never closed.";
    QTest::newRow("C element over 255") << "{ 0x00, 0x100 }"
                                        << ""
                                        << "C array"
                                        << "Line 1: \"0x100\" is not a byte.";
    QTest::newRow("comment never closed") << "00 ff /* from\n the display"
                                          << ""
                                          << "hex"
                                          << "Line 1: a /* comment is never closed.";
    QTest::newRow("nothing") << " \n\t\n"
                             << ""
                             << "hex"
                             << "Found no hex bytes.";
}

void TestEdidHexText::pastes() {
    QFETCH(QString, text);
    QFETCH(QString, sample);
    QFETCH(QString, form);
    QFETCH(QString, error);
    const EdidHexText read = ParseEdidHexText(text);
    QCOMPARE(read.error, error);
    QCOMPARE(read.form, form);
    QCOMPARE(read.ok, error.isEmpty());
    if (!read.ok) return;
    EdidImage expected = test::BaseOnlyImage();
    if (!sample.isEmpty()) QVERIFY(LoadImageFile(Samples() + sample, expected));
    QCOMPARE(read.image, expected);
    QCOMPARE(read.size, EdidByteCount(expected));
}

// ParseEdidHexBlocks takes an EDID of up to eight blocks whole; ParseEdidHexText, for the device,
// still refuses more than two.
void TestEdidHexText::everyBlock() {
    const QByteArray three =
        ReadAll(Samples() + "0001BFD5CF3F.bin") + ReadAll(Samples() + "0000CEF4CC27.bin").left(128);
    const EdidHexText all = ParseEdidHexBlocks(Spaced(three, "%02x", 16, "\n"));
    QVERIFY2(all.ok, qPrintable(all.error));
    QCOMPARE(all.size, 384);
    QCOMPARE(all.bytes, three);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(all.image.data()), kEdidSize),
             three.left(256));
    QVERIFY(!ParseEdidHexText(Spaced(three, "%02x", 16, "\n")).ok);
    QCOMPARE(ParseEdidHexBlocks(Spaced(three.repeated(3), "%02x", 16, "\n")).error,
             "Found 1152 bytes, 9 blocks; an EDID is read up to 8 blocks.");
    QCOMPARE(ParseEdidHexBlocks(Spaced(three.left(200), "%02x", 16, "\n")).error,
             "Found 200 bytes; an EDID has 128 bytes a block, 1 to 8 blocks.");
}

// "Copy as hex" gives exactly the hex block edid-decode prints, for 128 and 256 bytes.
void TestEdidHexText::writtenHexIsEdidDecodes() {
    for (const char* name : {"0001BFD5CF3F", "0000CEF4CC27"}) {
        EdidImage image;
        QVERIFY(LoadImageFile(Samples() + name + ".bin", image));
        const QString captured = QString::fromUtf8(ReadAll(Pastes() + name + ".edid-decode.txt"));
        QVERIFY2(captured.contains("edid-decode (hex):\n\n" + FormatEdidHex(image) + "\n---"),
                 name);
    }
}

void TestEdidHexText::edidDecodeReadsWrittenHex() {
    const QString edidDecode = QStandardPaths::findExecutable("edid-decode");
    if (edidDecode.isEmpty()) QSKIP("edid-decode is not installed");
    QTemporaryDir dir;
    for (const char* name : {"0003D15F5896", "0002E390F665"}) {
        EdidImage image;
        QVERIFY(LoadImageFile(Samples() + name + ".bin", image));
        QProcess p;
        const QString out = dir.filePath(name);
        p.start(edidDecode, {"-", out});
        QVERIFY(p.waitForStarted());
        p.write(FormatEdidHex(image).toLatin1());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(ReadAll(out), ReadAll(Samples() + name + ".bin"));
    }
}

QTEST_GUILESS_MAIN(TestEdidHexText)
#include "tst_edid_hextext.moc"
