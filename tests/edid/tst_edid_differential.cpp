// Differential test: the decoder against Debian's edid-decode over real EDIDs (the linuxhw
// collection, CC BY 4.0, see samples/README.md). Facts both tools define the same way are
// compared; where the program defines a fact its own way (the best-format name from its fixed
// VIC table), the expectation is computed by that definition from edid-decode's lists. Every
// disagreement must be listed in kKnownDifferences with its reason, and every listed one must
// still occur.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include "edid/Edid.h"
#include "edid/EdidReport.h"
#include "edid/VicNameTable.h"
#include "tests/support/EdidFiles.h"
#include "tests/support/Samples.h"

using namespace varnok;

namespace {

using Facts = QMap<QString, QString>;

struct KnownDifference {
    const char* sample;  // file name without .bin
    const char* fact;
    const char* reason;
};

// Disagreements that follow from how this program defines a fact, each with its reason.
const KnownDifference kKnownDifferences[] = {
    {"005096A886AF", "cec",
     "HDMI block of length 4 holds half an address; the address is taken from length 5 on"},
};

QString Join(const QList<int>& values) {
    QStringList parts;
    for (int v : values) {
        parts << QString::number(v);
    }
    return parts.join(',');
}

QString BestFormat(const QList<QList<int>>& videoBlocks) {
    QString name = kUndefinedName;
    for (const QList<int>& vics : videoBlocks) {
        for (const VicName& entry : VicNameTable) {
            if (entry.vic != 0 && vics.contains(entry.vic)) {
                name = entry.name;
                break;
            }
        }
    }
    return name;
}

int AudioCode(const QString& format) {
    static const QMap<QString, int> codes = {{"Linear PCM", 1},
                                             {"AC-3", 2},
                                             {"MPEG 1 (Layers 1 & 2)", 3},
                                             {"MP3", 4},
                                             {"MPEG2 (multichannel)", 5},
                                             {"AAC LC", 6},
                                             {"DTS", 7},
                                             {"ATRAC", 8},
                                             {"One Bit Audio", 9},
                                             {"Enhanced AC-3 (DD+)", 10},
                                             {"DTS-HD", 11},
                                             {"MAT (MLP)", 12},
                                             {"DST", 13},
                                             {"WMA Pro", 14}};
    return codes.value(format, 15);  // anything else is an extended type (code 15)
}

int AudioBit(int code, int channels) {
    switch (code) {
        case 1:
            return channels <= 2 ? AudioLpcm2ch : AudioLpcmMulti;
        case 2:
            return AudioAc3;
        case 6:
            return AudioAac;
        case 7:
            return AudioDts;
        case 9:
            return AudioOneBit;
        case 10:
            return AudioEac3;
        case 11:
            return AudioDtsHd;
        case 12:
            return AudioMat;
        default:
            return 0;
    }
}

// Facts read from edid-decode's text output.
Facts FromEdidDecode(const QString& text) {
    static const QRegularExpression vicLine(R"(^\s+(?:VIC\s+(\d+):|Unknown \(VIC\s+(\d+)\)))");
    static const QRegularExpression hdmiVicLine(R"(^\s+HDMI VIC (\d+):)");
    static const QRegularExpression address(
        R"(Source physical address: (\d+)\.(\d+)\.(\d+)\.(\d+))");
    static const QRegularExpression madeWeek(R"(Made in: week (\d+) of (\d+))");
    static const QRegularExpression madeYear(R"(Made in: (\d+)$)");
    static const QRegularExpression modelYear(R"(Model year: (\d+))");
    static const QRegularExpression number(R"((\d+))");

    Facts f;
    f["serial"] = "0";
    f["name"] = kUndefinedName;
    f["extension"] = "0";
    int maxChannels = 0, formats = 0, depth = 8, cea = 0, deep420 = 0;
    bool hdmi = false, has3D = false, mhz600 = false, scdc = false, yuv420 = false;
    QList<QList<int>> videoBlocks;
    QList<int> hdmiVics;
    int pendingCode = -1;
    QString block;
    QString section;
    const QStringList lines = text.split('\n');
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (line.startsWith("Block ")) {
            block = line;
            section.clear();
            continue;
        }
        if (line.startsWith("  ") && !line.startsWith("   ")) {
            section = t;
            if (section == "Video Data Block:") {
                videoBlocks.append(QList<int>());
            }
            if (section.startsWith("Vendor-Specific Data Block (HDMI), ")) {
                hdmi = true;
            }
            if (section == "YCbCr 4:2:0 Capability Map Data Block:") {
                yuv420 = true;
            }
        }
        auto after = [&t](const char* key) { return t.mid(qstrlen(key)).trimmed(); };
        if (t.startsWith("Manufacturer: ")) f["manufacturer"] = after("Manufacturer:");
        if (t.startsWith("Model: ")) f["product"] = after("Model:");
        if (t.startsWith("Serial Number: ")) f["serial"] = after("Serial Number:");
        if (auto m = madeWeek.match(t); m.hasMatch()) {
            f["week"] = m.captured(1);
            f["year"] = QString::number(m.captured(2).toInt() - 1990);
        } else if (auto y = madeYear.match(t); y.hasMatch()) {
            f["week"] = "0";
            f["year"] = QString::number(y.captured(1).toInt() - 1990);
        } else if (auto my = modelYear.match(t); my.hasMatch()) {
            f["week"] = "255";
            f["year"] = QString::number(my.captured(1).toInt() - 1990);
        }
        if (t.startsWith("Display Product Name: '")) {
            f["name"] = t.mid(23).chopped(1);
        }
        if (t.startsWith("Extension blocks: ")) f["extension"] = after("Extension blocks:");
        if (block.startsWith("Block 1") && section == t) {
            if (t == "Underscans IT Video Formats by default") cea |= 0x80;
            if (t == "Basic audio support") cea |= 0x40;
            if (t == "Supports YCbCr 4:4:4") cea |= 0x20;
            if (t == "Supports YCbCr 4:2:2") cea |= 0x10;
            if (t.startsWith("Native detailed modes: "))
                cea |= after("Native detailed modes:").toInt();
        }
        if (section == "Video Data Block:") {
            if (auto m = vicLine.match(line); m.hasMatch()) {
                videoBlocks.last() << (m.captured(1) + m.captured(2)).toInt();
            }
        }
        if (section == "YCbCr 4:2:0 Video Data Block:" && vicLine.match(line).hasMatch()) {
            yuv420 = true;
        }
        if (section == "Audio Data Block:") {
            if (line.startsWith("    ") && !line.startsWith("     ")) {
                pendingCode = t.startsWith("Reserved") ? 0 : AudioCode(t.chopped(1));
            }
            if (t.startsWith("Max channels: ") && pendingCode >= 0) {
                const int n = after("Max channels:").toInt();
                formats |= AudioBit(pendingCode, n);
                maxChannels = std::max(maxChannels, n);
            }
        }
        if (section.startsWith("Vendor-Specific Data Block (HDMI), ")) {
            if (auto m = address.match(t); m.hasMatch()) {
                f["cec"] =
                    QString::asprintf("%X%X%X%X", m.captured(1).toInt(), m.captured(2).toInt(),
                                      m.captured(3).toInt(), m.captured(4).toInt());
            }
            if (t == "DC_48bit") depth = std::max(depth, 16);
            if (t == "DC_36bit") depth = std::max(depth, 12);
            if (t == "DC_30bit") depth = std::max(depth, 10);
            if (t == "3D present") has3D = true;
            if (auto m = hdmiVicLine.match(line); m.hasMatch()) hdmiVics << m.captured(1).toInt();
        }
        if (section.startsWith("Vendor-Specific Data Block (HDMI Forum)")) {
            if (t.startsWith("Maximum TMDS Character Rate: ")) {
                mhz600 = number.match(t).captured(1).toInt() >= 600;
            }
            if (t == "SCDC Present") scdc = true;
            if (t.contains("Deep Color 4:2:0")) {
                deep420 |= t.startsWith("Supports 10-") ? 1 : t.startsWith("Supports 12-") ? 2 : 4;
            }
        }
    }
    // Later video blocks write over the earlier ones from the first slot; 24 slots are kept.
    QList<int> vics;
    for (const QList<int>& block : videoBlocks) {
        for (int k = 0; k < block.size() && k < 24; ++k) {
            if (k < vics.size()) {
                vics[k] = block[k];
            } else {
                vics << block[k];
            }
        }
    }
    vics.removeAll(0);
    f["vics"] = Join(vics);
    f["maxResolution"] = BestFormat(videoBlocks);
    f["audioFormats"] = QString::number(formats, 16);
    f["maxAudioChannels"] = QString::number(maxChannels);
    f["hdmi"] = hdmi ? "1" : "0";
    if (!f.contains("cec")) f["cec"] = "0000";
    f["maxColorDepth"] = QString::number(depth);
    f["3D"] = has3D ? "1" : "0";
    f["hdmiVics"] = Join(hdmiVics.mid(0, 4));
    f["600MHz"] = mhz600 ? "1" : "0";
    f["scdc"] = scdc ? "1" : "0";
    f["yuv420DeepColor"] = QString::number(deep420);
    f["yuv420"] = yuv420 ? "1" : "0";
    f["ceaFlags"] = QString::number(f["extension"] == "1" ? cea : 0, 16);
    return f;
}

Facts FromDecoder(const EdidInfo& info) {
    Facts f;
    f["manufacturer"] = QString::fromLatin1(info.manufacturer.data());
    f["product"] = QString::number(info.productCode);
    f["serial"] = QString::number(info.serialNumber);
    f["week"] = QString::number(info.manufactureWeek);
    f["year"] = QString::number(info.manufactureYear);
    f["name"] = QString::fromLatin1(info.monitorName.data());
    f["extension"] = (info.features & NoExtension) ? "0" : "1";
    QList<int> vics;
    for (uint8_t v : info.vicList) {
        if (v != 0) vics << v;
    }
    f["vics"] = Join(vics);
    f["maxResolution"] = QString::fromLatin1(info.maxResolutionName.data());
    f["audioFormats"] = QString::number(info.audioFormats, 16);
    f["maxAudioChannels"] = QString::number(info.maxAudioChannels);
    f["hdmi"] = (info.features & HdmiVsdb) ? "1" : "0";
    f["cec"] = QString::asprintf("%02X%02X", info.cecAddress[0], info.cecAddress[1]);
    f["maxColorDepth"] = QString::number(info.maxColorDepth);
    f["3D"] = (info.features & Has3D) ? "1" : "0";
    QList<int> hdmiVics;
    for (uint8_t v : info.hdmiVics) {
        if (v != 0) hdmiVics << v;
    }
    f["hdmiVics"] = Join(hdmiVics);
    f["600MHz"] = QString::number(info.supports600MHz);
    f["scdc"] = QString::number(info.scdcPresent);
    f["yuv420DeepColor"] = QString::number(info.yuv420DeepColor);
    f["yuv420"] = QString::number(info.yuv420Supported);
    f["ceaFlags"] = QString::number(info.ceaFlags, 16);
    return f;
}

}  // namespace

class TestEdidDifferential : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void agreesWithEdidDecode_data();
    void agreesWithEdidDecode();
    void knownDifferencesStillOccur();
    void everyFactIsExercised();
    void reportToolCoversEverySample();

private:
    QString samples_;
    QString edidDecode_;
    QSet<QString> seenDifferences_;
    QMap<QString, QSet<QString>> valuesSeen_;  // per fact, the values edid-decode gave
};

void TestEdidDifferential::initTestCase() {
    // Left empty, and the sample rows skipped, when neither copy of the samples is there.
    samples_ = QFile::exists(SamplesDir() + "/INDEX.tsv") ? SamplesDir() : QString();
    edidDecode_ = QStandardPaths::findExecutable("edid-decode");
}

void TestEdidDifferential::agreesWithEdidDecode_data() {
    QTest::addColumn<QString>("file");
    if (samples_.isEmpty()) {
        return;
    }
    for (const QString& name : QDir(samples_).entryList({"*.bin"}, QDir::Files, QDir::Name)) {
        QTest::newRow(qPrintable(name.chopped(4))) << QDir(samples_).filePath(name);
    }
}

void TestEdidDifferential::agreesWithEdidDecode() {
    if (samples_.isEmpty()) QSKIP("no EDID samples");
    if (edidDecode_.isEmpty()) QSKIP("edid-decode is not installed");
    QFETCH(QString, file);
    const QString sample = QFileInfo(file).completeBaseName();

    EdidInfo info;
    QVERIFY(LoadImageFile(file, info.image));
    QVERIFY2(DecodeEdid(info, info.image.data()), "every sample has valid checksums");

    QProcess decode;
    decode.start(edidDecode_, {file});
    QVERIFY(decode.waitForFinished(30000));
    const Facts theirs = FromEdidDecode(QString::fromUtf8(decode.readAllStandardOutput()));
    const Facts ours = FromDecoder(info);
    for (auto it = theirs.cbegin(); it != theirs.cend(); ++it) {
        valuesSeen_[it.key()].insert(it.value());
    }

    QStringList unexplained;
    for (auto it = ours.cbegin(); it != ours.cend(); ++it) {
        if (theirs.value(it.key()) == it.value()) continue;
        bool known = false;
        for (const KnownDifference& d : kKnownDifferences) {
            if (sample == d.sample && it.key() == d.fact) known = true;
        }
        if (known) {
            seenDifferences_.insert(sample + "/" + it.key());
        } else {
            unexplained << QString("%1: decoder \"%2\", edid-decode \"%3\"")
                               .arg(it.key(), it.value(), theirs.value(it.key()));
        }
    }
    QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join("; ")));
}

void TestEdidDifferential::knownDifferencesStillOccur() {
    if (samples_.isEmpty() || edidDecode_.isEmpty()) QSKIP("differential test did not run");
    for (const KnownDifference& d : kKnownDifferences) {
        QVERIFY2(seenDifferences_.contains(QString(d.sample) + "/" + d.fact),
                 qPrintable(QString("stale entry %1/%2").arg(d.sample, d.fact)));
    }
}

void TestEdidDifferential::everyFactIsExercised() {
    // A fact that came out the same for every sample would hide a parser that reads nothing.
    if (samples_.isEmpty() || edidDecode_.isEmpty()) QSKIP("differential test did not run");
    const Facts keys = FromDecoder(EdidInfo{});
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        QVERIFY2(valuesSeen_.value(it.key()).size() >= 2, qPrintable(it.key()));
    }
}

void TestEdidDifferential::reportToolCoversEverySample() {
    if (samples_.isEmpty()) QSKIP("no EDID samples");
    QStringList files;
    for (const QString& name : QDir(samples_).entryList({"*.bin"}, QDir::Files, QDir::Name)) {
        files << QDir(samples_).filePath(name);
    }
    QProcess tool;
    tool.start(VARNOK_EDID_REPORT, files);
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.size(), int(files.size()) * (1 + kEdidReportRowCount) + 1);
    // Each file's rows are the report texts of its decode.
    for (int i = 0; i < files.size(); ++i) {
        const int at = i * (1 + kEdidReportRowCount);
        QCOMPARE(lines[at], files[i]);
        EdidInfo info;
        QVERIFY(LoadImageFile(files[i], info.image));
        DecodeEdid(info, info.image.data());
        const EdidReport report = MakeEdidReport(info);
        for (int row = 0; row < kEdidReportRowCount; ++row) {
            const QString expected = QString::fromLatin1(kEdidReportRows[row].caption).trimmed() +
                                     '\t' + QString(report.values[row]).replace("\r\n", "\\r\\n");
            QCOMPARE(lines[at + 1 + row], expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestEdidDifferential)
#include "tst_edid_differential.moc"
