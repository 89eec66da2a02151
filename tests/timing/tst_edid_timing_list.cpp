// Every timing the Summary lists against edid-decode on the real samples: the detailed timings
// of every block and the VICs of the video data blocks (YCbCr 4:2:0 ones too), each with the same
// name and rate in the same order; and the standard and established timings of a known EDID.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include "edid/timing/EdidTimingList.h"
#include "tests/support/Samples.h"

using namespace varnok;

class EdidTimingListTest : public QObject {
    Q_OBJECT
private slots:
    void samplesAgreeWithEdidDecode();
    void preferredAndEveryKind();
};

namespace {

// edid-decode's DTD and VIC lines as "DTD WxH R" and "VIC n: WxH R", R to three decimals; VICs
// only inside the video data blocks (the 4:2:0 capability map lists VICs it does not add).
QStringList EdidDecodeTimings(const QString& text) {
    static const QRegularExpression timing("^\\s*(DTD|VIC)\\s+(\\d+):\\s+(\\S+)\\s+([0-9.]+) Hz");
    static const QRegularExpression section("^  [A-Za-z].*:$");
    QStringList out;
    bool videoBlock = false;
    for (const QString& line : text.split(u'\n')) {
        if (section.match(line).hasMatch())
            videoBlock = line.endsWith(QLatin1String("Video Data Block:")) &&
                         !line.contains(QLatin1String("Vendor"));
        const QRegularExpressionMatch m = timing.match(line);
        if (!m.hasMatch() || (m.captured(1) == "VIC" && !videoBlock)) continue;
        const QString rate = QString::asprintf("%.3f", m.captured(4).toDouble());
        out << (m.captured(1) == "DTD"
                    ? QStringLiteral("DTD %1 %2").arg(m.captured(3), rate)
                    : QStringLiteral("VIC %1: %2 %3").arg(m.captured(2), m.captured(3), rate));
    }
    return out;
}

QStringList OurTimings(const EdidTimingList& list) {
    static const QRegularExpression dtd("^detailed timing \\d+: (\\S+) at ([0-9.]+) Hz$");
    static const QRegularExpression vic("^(VIC \\d+: \\S+) at ([0-9.]+) Hz");
    QStringList out;
    for (const QString& t : list.timings) {
        if (const auto m = dtd.match(t); m.hasMatch())
            out << QStringLiteral("DTD %1 %2").arg(m.captured(1), m.captured(2));
        else if (const auto v = vic.match(t); v.hasMatch())
            out << v.captured(1) + u' ' + v.captured(2);
    }
    return out;
}

}  // namespace

void EdidTimingListTest::samplesAgreeWithEdidDecode() {
    const QString edidDecode = QStandardPaths::findExecutable("edid-decode");
    if (edidDecode.isEmpty()) QSKIP("edid-decode is not installed");
    const QFileInfoList files = QDir(SamplesDir()).entryInfoList({"*.bin"}, QDir::Files);
    QVERIFY(files.size() >= 300);
    for (const QFileInfo& file : files) {
        QFile f(file.filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const EdidTimingList list = ListEdidTimings(f.readAll());
        QProcess p;
        p.start(edidDecode, {file.filePath()});
        QVERIFY(p.waitForFinished(30000));
        const QStringList theirs = EdidDecodeTimings(QString::fromUtf8(p.readAllStandardOutput()));
        // Each kind in edid-decode's order; the list gives the detailed timings first.
        const QStringList ours = OurTimings(list);
        for (const char* kind : {"DTD", "VIC"})
            QCOMPARE(ours.filter(QRegularExpression(QStringLiteral("^") + kind)).join(u'\n') +
                         u'\n' + file.fileName(),
                     theirs.filter(QRegularExpression(QStringLiteral("^") + kind)).join(u'\n') +
                         u'\n' + file.fileName());
    }
}

// A 1440p monitor (its rows name only "1080p@60Hz"): the preferred timing, and one of each kind.
void EdidTimingListTest::preferredAndEveryKind() {
    QFile f(SamplePath("001427DFC15E.bin"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const EdidTimingList list = ListEdidTimings(f.readAll());
    QCOMPARE(list.preferred, QString("2560x1440 at 59.951 Hz (detailed timing 1)"));
    for (const char* t :
         {"detailed timing 1: 2560x1440 at 59.951 Hz", "detailed timing 6: 1280x1440 at 59.913 Hz",
          "VIC 5: 1920x1080i at 60.000 Hz", "standard timing: 1680x1050 at 60 Hz",
          "standard timing: 1280x1024 at 60 Hz", "established timing: 720x400 at 70 Hz",
          "established timing: 1280x1024 at 75 Hz"})
        QVERIFY2(list.timings.contains(t), t);
    QCOMPARE(list.timings.size(), 6 + 11 + 6 + 14);
    // A block too short to be an EDID lists nothing.
    QVERIFY(ListEdidTimings(QByteArray(100, '\0')).timings.isEmpty());
}

QTEST_GUILESS_MAIN(EdidTimingListTest)
#include "tst_edid_timing_list.moc"
