// Replays the fuzz corpora in the normal build: every seed and every input the fuzzers once found
// (fuzz/regressions/<target>/) goes through the same entry function the libFuzzer target runs.
// An entry aborts when an invariant breaks, so a regression fails this test.

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>

#include "edid/DefaultEdid.h"
#include "fuzz/FuzzEntries.h"

using namespace varnok::fuzz;

namespace {

using Entry = std::function<int(const uint8_t*, size_t)>;

struct Target {
    const char* name;
    QStringList seeds;  // folders under fuzz/seeds
    Entry entry;
};

const Target kTargets[] = {
    {"fuzz_decode_report", {"edid"}, FuzzDecodeReport},
    {"fuzz_build_roundtrip", {"edid", "creator"}, FuzzBuildRoundtrip},
    {"fuzz_rx_tick", {"rx_tick"}, FuzzRxTick},
    {"fuzz_isp_loop", {"isp_loop"}, FuzzIspLoop},
    {"fuzz_hex_text", {"hex_text"}, FuzzHexText},
    {"fuzz_edid_model", {"edid", "edid_model"}, FuzzEdidModel},
};

QString FuzzDir() {
    const QString source = qEnvironmentVariable("VARNOK_SOURCE_DIR");
    return source.isEmpty() ? QStringLiteral(VARNOK_FUZZ_DIR) : source + QStringLiteral("/fuzz");
}

int Run(const Entry& entry, const QByteArray& bytes) {
    return entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

}  // namespace

class FuzzReplayTest : public QObject {
    Q_OBJECT
private slots:
    void corpora_data();
    void corpora();
    void everyTargetHasSeeds();
    void scriptsReachTheirEnds_data();
    void scriptsReachTheirEnds();
    void builderFillsBlockOneToTheEnd();
};

void FuzzReplayTest::corpora_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("path");
    for (int t = 0; t < int(std::size(kTargets)); ++t) {
        QStringList dirs;
        for (const QString& seeds : kTargets[t].seeds)
            dirs << FuzzDir() + QStringLiteral("/seeds/") + seeds;
        dirs << FuzzDir() + QStringLiteral("/regressions/") + QLatin1String(kTargets[t].name);
        for (const QString& dir : dirs) {
            const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files, QDir::Name);
            for (const QFileInfo& f : files) {
                if (f.fileName().startsWith(QLatin1Char('.')) || f.suffix() == QLatin1String("md"))
                    continue;
                const QString tag = QStringLiteral("%1 %2").arg(
                    kTargets[t].name, QDir(FuzzDir()).relativeFilePath(f.filePath()));
                QTest::newRow(qPrintable(tag)) << t << f.filePath();
            }
        }
    }
}

void FuzzReplayTest::corpora() {
    QFETCH(int, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QCOMPARE(Run(kTargets[target].entry, file.readAll()), 0);
}

void FuzzReplayTest::everyTargetHasSeeds() {
    for (const Target& t : kTargets) {
        for (const QString& seeds : t.seeds) {
            const QDir dir(FuzzDir() + QStringLiteral("/seeds/") + seeds);
            QVERIFY2(dir.entryList(QDir::Files).size() >= 5, t.name);
        }
    }
}

// The loader scripts are only worth fuzzing if they can carry an update to each of its ends.
void FuzzReplayTest::scriptsReachTheirEnds_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("outcome");
    // Setup byte: bit 0 the ISP kind, bit 1 verify, bits 5..3 the image file (0 the full-length
    // image, 2 three blocks, 4 empty, 5 missing), bits 7..6 the idle wait. Then the banner's
    // directive and one directive per command; 1 is the proper answer, 0 silence, 3 a NAK.
    QTest::newRow("pages, every answer proper")
        << (QByteArray("\x02\x01") + QByteArray(800, 1)) << "Done";
    QTest::newRow("pages, no verification")
        << (QByteArray("\x00\x01", 2) + QByteArray(800, 1)) << "Done";
    QTest::newRow("blocks, full image") << (QByteArray("\x01\x01") + QByteArray(1100, 1)) << "Done";
    QTest::newRow("blocks, three") << QByteArray("\x11\x01\x01\x01\x01\x01\x01") << "Done";
    QTest::newRow("blocks, END refused") << QByteArray("\x11\x01\x01\x01\x01\x01\x03") << "Refused";
    QTest::newRow("blocks, empty file") << QByteArray("\x21\x01") << "BadSize";
    QTest::newRow("pages, missing file") << QByteArray("\x2A\x01") << "OpenFailed";
    QTest::newRow("pages, script ends") << QByteArray("\x02\x01\x01\x01") << "PortLost";
    QTest::newRow("pages, no banner") << QByteArray("\x02\x00", 2) << "ConfirmTimeout";
    QTest::newRow("pages, no sync echo")
        << QByteArray("\x02\x01") + QByteArray(2000, 0) << "SyncTimeout";
    QTest::newRow("pages, no sync echo, busy machine")
        << QByteArray("\xC2\x01") + QByteArray(100, 0) << "SyncTimeout";
    QTest::newRow("blocks, START never answered, busy machine")
        << QByteArray("\xD1\x01") + QByteArray(8, 0) << "Refused";
}

void FuzzReplayTest::scriptsReachTheirEnds() {
    QFETCH(QByteArray, script);
    QFETCH(QString, outcome);
    QCOMPARE(
        FuzzIspLoop(reinterpret_cast<const uint8_t*>(script.constData()), size_t(script.size())),
        0);
    QCOMPARE(QString::fromLatin1(LastIspOutcome()), outcome);
}

// Random inputs seldom make the data blocks fill block 1 exactly to its checksum byte, so the
// round trip's checks run here over a sweep of block sizes around that edge: loaded HDMI blocks
// (rebuilt with 14 bytes of 3D data) and HDMI Forum blocks of several lengths, 0..24 VICs and
// 0..10 audio descriptors, with every other data block the record can ask for.
void FuzzReplayTest::builderFillsBlockOneToTheEnd() {
    const varnok::EdidImage& base = varnok::DefaultEdidImage();
    // Record edits (EditRecord in BuildRoundtripEntry.cpp: field, slot, values): speaker
    // allocation, colorimetry, video capability, HDR with all three luminance bytes, eight
    // YCbCr 4:2:0 VICs, 3D with 14 bytes of 3D data.
    const QByteArray fixed(
        "\x0E\x00\x00\x00\x00\x4F"
        "\x15\x00\x81"
        "\x14\x00\x03"
        "\x16\x00\x05\x16\x02\x50\x16\x03\x40\x16\x04\x01"
        "\x1B\x08"
        "\x00\x00\x11\x00\x0E",
        31);
    int builds = 0;
    for (int hdmi : {0, 5, 13, 31}) {
        for (int forum : {0, 3, 7, 19, 31}) {
            // The loaded extension: an HDMI and an HDMI Forum block of the given lengths.
            QByteArray image(reinterpret_cast<const char*>(base.data()), 128);
            QByteArray ext("\x02\x03\x00\x00", 4);
            if (hdmi)
                ext += char(0x60 | hdmi) + QByteArray("\x03\x0C\x00\x10\x00", 5) +
                       QByteArray(hdmi - 5, char(0x40));
            if (forum)
                ext += char(0x60 | forum) + QByteArray("\xD8\x5D\xC4", 3) +
                       QByteArray(forum - 3, char(0x01));
            ext[2] = char(ext.size());
            image += ext + QByteArray(128 - ext.size(), '\0');
            for (int vics = 0; vics <= 24; ++vics) {
                for (int sads = 0; sads <= 10; ++sads) {
                    const char lists[] = {0, 25, char(vics), 1, 26, char(sads), 0x10};
                    const QByteArray input = image + QByteArray(lists, sizeof lists) + fixed;
                    QCOMPARE(Run(FuzzBuildRoundtrip, input), 0);
                    ++builds;
                }
            }
        }
    }
    QCOMPARE(builds, 4 * 5 * 25 * 11);
}

QTEST_GUILESS_MAIN(FuzzReplayTest)
#include "tst_fuzz_replay.moc"
