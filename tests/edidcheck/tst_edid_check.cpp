// The check before an upload, Fix checksums and the override exports, on one real 256-byte EDID
// (tests/edid/samples/005096A886AF.bin, a CTA-861 extension) broken one way at a time.
//
// The exports are compared byte for byte with the golden files in tests/edidcheck/data. After a
// deliberate change of their contents, run this test once with VARNOK_UPDATE_GOLDEN=1 in the
// environment: it writes the files anew instead of comparing, and the diff shows the change.

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidDecodeOutput.h"
#include "edid/check/EdidFix.h"
#include "edid/check/EdidLinuxExport.h"
#include "edid/check/EdidOverrideName.h"
#include "edid/check/EdidWindowsExport.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

using Mutation = std::function<void(QByteArray&)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

QString SourcePath(const QString& relative) {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + u'/' + relative;
}

QByteArray Sample() {
    return ReadAll(SourcePath(QStringLiteral("tests/edid/samples/005096A886AF.bin")));
}

void SetChecksum(QByteArray& edid, int block) {
    edid[block * 128 + 127] = static_cast<char>(EdidBlockChecksum(edid, block));
}

QStringList Lines(const EdidFindings& findings) {
    QStringList lines;
    for (const EdidFinding& f : findings) lines << FormatEdidFinding(f);
    return lines;
}

// Compares with the golden file, or writes it when VARNOK_UPDATE_GOLDEN is set.
void CompareGolden(const QByteArray& actual, const QString& name) {
    const QString path = SourcePath(QStringLiteral("tests/edidcheck/data/") + name);
    if (qEnvironmentVariableIsSet("VARNOK_UPDATE_GOLDEN")) {
        QVERIFY(WriteAll(path, actual));
        return;
    }
    QCOMPARE(actual, ReadAll(path));
}

}  // namespace

class EdidCheckTest : public QObject {
    Q_OBJECT
private slots:
    void oneFindingPerBreak_data();
    void oneFindingPerBreak();
    void realEdidsHaveNoError();
    void badSizesAreRefusedEverywhere();
    void fixChangesOnlyChecksumsAndCount();
    void edidDecodeOutputBecomesNotes();
    void overrideNames_data();
    void overrideNames();
    void exportsMatchGoldenFiles();
};

void EdidCheckTest::oneFindingPerBreak_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QStringList>("findings");
    const QString fallBack = QStringLiteral("fall back to a safe mode such as 640 × 480");
    QTest::newRow("header") << Mutation([](QByteArray& e) { e[6] = 0; })
                            << QStringList{
                                   "error: block 0, byte 0: block 0 header (bytes 0 to 7) is "
                                   "00 FF FF FF FF FF 00 00, should be 00 FF FF FF FF FF FF 00: "
                                   "sources do not take the bytes for an EDID and " +
                                   fallBack + ", or show nothing"};
    QTest::newRow("version") << Mutation([](QByteArray& e) { e[18] = 2; })
                             << QStringList{
                                    "error: block 0, byte 18: block 0 EDID version "
                                    "(byte 18) is 2, should be 1: sources reject the "
                                    "whole EDID and " +
                                    fallBack};
    QTest::newRow("checksum 0") << Mutation([](QByteArray& e) { e[127] = 0x4C; })
                                << QStringList{
                                       "error: block 0, byte 127: block 0 checksum is "
                                       "0x4C, should be 0x4D: many sources reject the "
                                       "whole EDID and " +
                                       fallBack};
    // The padding byte 254 is set so that 0x62 is right, as in the example users are shown.
    QTest::newRow("checksum 1")
        << Mutation([](QByteArray& e) {
               e[254] = 0;
               e[254] = static_cast<char>(EdidBlockChecksum(e, 1) - 0x62);
               e[255] = 0x3C;
           })
        << QStringList{
               "error: block 1, byte 255: block 1 checksum is 0x3C, should be 0x62: many "
               "sources ignore the whole extension, so no audio and no 4K"};
    QTest::newRow("count too high")
        << Mutation([](QByteArray& e) { e[126] = 3; })
        << QStringList{
               "error: block 0, byte 126: block 0 extension count (byte 126) is 3, "
               "should be 1 for 256 bytes: sources look for blocks 2 to 3 that are not "
               "there and may reject the whole EDID"};
    // Data blocks end at byte 147 now; the video data block at 132 claims 20 bytes.
    QTest::newRow("data block overrun")
        << Mutation([](QByteArray& e) {
               e[130] = 20;
               e[132] = 0x40 | 20;
           })
        << QStringList{
               "error: block 1, byte 132: block 1 data block at byte 132 (tag 2) has a "
               "length of 20, which runs past byte 147, the last before the detailed "
               "timings (DTD offset 20 in byte 130): sources drop it and the blocks after "
               "it, or read detailed timings as data, so audio, HDMI and 4K modes may be "
               "lost"};
    QTest::newRow("DTD offset overrun")
        << Mutation([](QByteArray& e) { e[130] = static_cast<char>(200); })
        << QStringList{
               "error: block 1, byte 130: block 1 DTD offset (byte 130) is 200, past the "
               "end of the block, should be 0 or 4 to 127: sources find no data blocks "
               "and no detailed timings in the extension, so no audio and no 4K"};
    QTest::newRow("zero pixel clock")
        << Mutation([](QByteArray& e) { e[54] = e[55] = 0; })
        << QStringList{
               "error: block 0, byte 54: block 0 preferred timing (bytes 54 to 71) has a "
               "pixel clock of 0: sources find no preferred timing and guess a "
               "resolution or " +
               fallBack};
    QTest::newRow("zero width")
        << Mutation([](QByteArray& e) {
               e[56] = 0;
               e[58] = static_cast<char>(e[58] & 0x0F);
           })
        << QStringList{
               "error: block 0, byte 54: block 0 preferred timing (bytes 54 to 71) has an "
               "active size of 0 × 1080: sources that set it show no picture, others "
               "guess a resolution"};
    QTest::newRow("several, in byte order")
        << Mutation([](QByteArray& e) {
               e[0] = 1;
               SetChecksum(e, 0);
               e[255] = 0;
           })
        << QStringList{
               "error: block 0, byte 0: block 0 header (bytes 0 to 7) is 01 FF FF FF FF "
               "FF FF 00, should be 00 FF FF FF FF FF FF 00: sources do not take the "
               "bytes for an EDID and " +
                   fallBack + ", or show nothing",
               "error: block 1, byte 255: block 1 checksum is 0x00, should be 0xB2: many "
               "sources ignore the whole extension, so no audio and no 4K"};
    QTest::newRow("blank") << Mutation([](QByteArray& e) { e.fill('\xFF'); })
                           << QStringList{
                                  "error: all 256 bytes are 0xFF, so there is no EDID: "
                                  "sources " +
                                  fallBack + ", or show nothing"};
}

// Each break alone (the checksums it does not test made right again) gives exactly its finding.
void EdidCheckTest::oneFindingPerBreak() {
    QFETCH(Mutation, mutate);
    QFETCH(QStringList, findings);
    QByteArray edid = Sample();
    QCOMPARE(edid.size(), 256);
    mutate(edid);
    const bool checksumTested = QByteArray(QTest::currentDataTag()).startsWith("checksum") ||
                                QByteArray(QTest::currentDataTag()).startsWith("several");
    if (!checksumTested && QTest::currentDataTag() != QByteArray("blank")) {
        SetChecksum(edid, 0);
        SetChecksum(edid, 1);
    }
    const EdidFindings found = CheckEdid(edid);
    QCOMPARE(Lines(found), findings);
    QVERIFY(HasEdidError(found));
}

void EdidCheckTest::realEdidsHaveNoError() {
    const QDir dir(qEnvironmentVariable("VARNOK_SAMPLES_DIR"));
    const QStringList files = dir.entryList({QStringLiteral("*.bin")}, QDir::Files);
    QCOMPARE(files.size(), 300);
    for (const QString& file : files) {
        const EdidFindings found = CheckEdid(ReadAll(dir.filePath(file)));
        QVERIFY2(found.isEmpty(), qPrintable(file + ": " + Lines(found).join(u'\n')));
    }
}

void EdidCheckTest::badSizesAreRefusedEverywhere() {
    const QByteArray sample = Sample();
    const struct {
        QByteArray edid;
        QString fault;
    } cases[] = {
        {{}, "the EDID is empty"},
        {sample.left(200), "the EDID is 200 bytes, not a multiple of 128"},
        {sample + QByteArray(1, '\0'), "the EDID is 257 bytes, not a multiple of 128"},
        {QByteArray(257 * 128, '\0'), "the EDID is 32896 bytes, more than 256 blocks of 128"},
    };
    for (const auto& c : cases) {
        QCOMPARE(Lines(CheckEdid(c.edid)),
                 QStringList{"error: " + c.fault + ": it cannot be an EDID as it is"});
        QCOMPARE(FixEdidChecksums(c.edid).fault, c.fault);
        QCOMPARE(ExportEdidForLinux(c.edid, {}, {}).fault, c.fault);
        QCOMPARE(ExportEdidForWindows(c.edid, {}, {}).fault, c.fault);
    }
    // Any number of whole blocks is an EDID to judge: 128 bytes of block 0 alone, and 512.
    QByteArray base = sample.left(128);
    base[126] = 0;
    SetChecksum(base, 0);
    QVERIFY(CheckEdid(base).isEmpty());
    QCOMPARE(Lines(CheckEdid(sample + sample)).first(),
             "error: block 0, byte 126: block 0 extension count (byte 126) is 1, should be 3 "
             "for 512 bytes: sources never read blocks 2 to 3, so what they hold is lost");
}

void EdidCheckTest::fixChangesOnlyChecksumsAndCount() {
    const QByteArray sample = Sample();
    QByteArray broken = sample;
    broken[126] = 3;
    broken[127] = 0;
    broken[255] = 0x3C;
    EdidFixResult fixed = FixEdidChecksums(broken);
    QVERIFY(fixed.fault.isEmpty());
    QCOMPARE(fixed.edid, sample);
    QCOMPARE(fixed.changes, (QStringList{"block 0 extension count (byte 126) changed from 3 to 1",
                                         "block 0 checksum (byte 127) changed from 0x00 to 0x4D",
                                         "block 1 checksum (byte 255) changed from 0x3C to 0xB2"}));

    // A broken header is no checksum: it stays, and only the checksum that covers it changes.
    broken = sample;
    broken[1] = 0;
    fixed = FixEdidChecksums(broken);
    QCOMPARE(fixed.changes.size(), 1);
    QCOMPARE(fixed.edid.left(127), broken.left(127));
    QCOMPARE(fixed.edid.mid(128), broken.mid(128));
    QCOMPARE(Lines(CheckEdid(fixed.edid)).size(), 1);  // the header

    fixed = FixEdidChecksums(sample);
    QCOMPARE(fixed.edid, sample);
    QVERIFY(fixed.changes.isEmpty());
}

// The fixture is edid-decode --check's output for the sample (see data/README.md).
void EdidCheckTest::edidDecodeOutputBecomesNotes() {
    const QString output = QString::fromUtf8(
        ReadAll(SourcePath(QStringLiteral("tests/edidcheck/data/005096A886AF.edid-decode.txt"))));
    const EdidFindings notes = EdidDecodeNotes(output);
    QCOMPARE(notes.size(), 15);
    QVERIFY(!HasEdidError(notes));
    QCOMPARE(FormatEdidFinding(notes.first()),
             "note: block 1: edid-decode warning: Unknown CTA-861 Data Block (tag 0x00, length "
             "0).");
    QCOMPARE(FormatEdidFinding(notes[4]),
             "note: edid-decode warning: CTA-861: Multiple native progressive timings are "
             "defined.");
    QCOMPARE(FormatEdidFinding(notes[5]),
             "note: block 0: edid-decode failure: Dummy Descriptor: Dummy block filled with "
             "garbage.");
    QCOMPARE(notes[13].text,
             "edid-decode failure: Base EDID: Some timings are out of range of the Monitor "
             "Ranges: Horizontal Freq: 15.625 - 67.500 kHz (Monitor: 30.000 - 75.000 kHz)");
    QCOMPARE(notes[13].block, -1);
    QCOMPARE(notes.last().code, "edid-decode-failure");
    QCOMPARE(EdidDecodeHeadline(SplitEdidDecodeOutput(output)),
             "EDID conformity: FAIL (10 failures, 5 warnings)");
    QVERIFY(EdidDecodeNotes(QStringLiteral("No EDID header found in 'stdin'.\n")).isEmpty());
}

void EdidCheckTest::overrideNames_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("name");
    const Mutation none = [](QByteArray&) {};
    // The display product name descriptor at 108 made a dummy one (tag 0x10).
    const Mutation nameless = [](QByteArray& e) { e[111] = 0x10; };
    QTest::newRow("monitor name") << none << QString() << "O242AT";
    QTest::newRow("given, unsafe") << none << "My Monitor: v2, final.bin"
                                   << "My-Monitor-v2-final";
    QTest::newRow("no way out") << none << "../../etc/passwd"
                                << "etc-passwd";
    QTest::newRow("no option") << none << "-rf"
                               << "rf";
    QTest::newRow("reserved") << none << "nul.inf"
                              << "nul-edid";
    QTest::newRow("nothing left") << none << "***"
                                  << "O242AT";
    QTest::newRow("too long") << none << QString(70, u'a') << QString(64, u'a');
    QTest::newRow("device id") << nameless << QString() << "OPT0694";
    QTest::newRow("nothing at all") << Mutation([nameless](QByteArray& e) {
        nameless(e);
        e[8] = e[9] = 0;
    }) << QString() << "edid";
}

void EdidCheckTest::overrideNames() {
    QFETCH(Mutation, mutate);
    QFETCH(QString, given);
    QFETCH(QString, name);
    QByteArray edid = Sample();
    mutate(edid);
    QCOMPARE(EdidOverrideName(edid, given), name);
}

void EdidCheckTest::exportsMatchGoldenFiles() {
    const QByteArray sample = Sample();
    // The second card's HDMI-A-1 is the same kernel parameter as the first's.
    const LinuxEdidExport linux =
        ExportEdidForLinux(sample, {}, {"card0-HDMI-A-1", "card0-DP-1", "card1-HDMI-A-1"});
    QVERIFY(linux.fault.isEmpty());
    QCOMPARE(linux.fileName, "O242AT.bin");
    QCOMPARE(linux.file, sample);
    QCOMPARE(linux.kernelParameters, (QStringList{"drm.edid_firmware=HDMI-A-1:edid/O242AT.bin",
                                                  "drm.edid_firmware=DP-1:edid/O242AT.bin"}));
    CompareGolden(linux.instructions.toUtf8(), QStringLiteral("O242AT-linux.txt"));
    QVERIFY(ExportEdidForLinux(sample, {}, {})
                .instructions.contains("drm.edid_firmware=CONNECTOR:edid/O242AT.bin"));

    const WindowsEdidExport windows = ExportEdidForWindows(sample, {}, QDate(2026, 4, 18));
    QVERIFY(windows.fault.isEmpty());
    QCOMPARE(windows.hardwareId, "MONITOR\\OPT0694");
    QCOMPARE(windows.infFileName, "O242AT.inf");
    CompareGolden(windows.inf, windows.infFileName);
    CompareGolden(windows.readme, windows.readmeFileName);

    QByteArray noMaker = sample;
    noMaker[8] = noMaker[9] = 0;
    QCOMPARE(ExportEdidForWindows(noMaker, {}, QDate(2026, 4, 18)).fault,
             "bytes 8 and 9 hold no manufacturer ID (three letters A to Z), so there is no "
             "hardware ID for the .inf");
}

QTEST_GUILESS_MAIN(EdidCheckTest)
#include "tst_edid_check.moc"
