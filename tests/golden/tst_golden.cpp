// Golden files: for each of the 300 sample EDIDs in tests/edid/samples, the analyzer's fourteen
// report rows (as varnok-edid-report prints them), the byte layout (every named range's offset,
// length and name) and the hex dump, compared with the files beside this one. A mismatch prints
// the unified diff, the sample's name in each hunk's heading.
//
// After a deliberate change, regenerate the files and review their diff before committing:
//     VARNOK_UPDATE_GOLDEN=1 ctest --test-dir build -R tst_golden

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "edid/EdidHexText.h"
#include "edid/EdidLayout.h"
#include "edid/EdidReport.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

using Describe = std::function<QString(const EdidImage&)>;

QString Report(const EdidImage& image) {
    const EdidReport report = ReportEdidImage(image);
    QString text;
    for (int row = 0; row < kEdidReportRowCount; ++row) text += EdidReportLine(report, row) + u'\n';
    return text;
}

QString Layout(const EdidImage& image) {
    QString text;
    for (const EdidByteRange& r : EdidByteLayout(image)) {
        text += QStringLiteral("%1+%2 %3%4\n")
                    .arg(r.first)
                    .arg(r.length)
                    .arg(r.name, r.bad ? QStringLiteral(" (bad)") : QString());
    }
    return text;
}

// A sample as a .bin file reads: bytes past its end are 0xFF.
EdidImage ReadSample(const QString& path) {
    const QByteArray bytes = ReadAll(path).left(kEdidSize);
    EdidImage image;
    image.fill(0xFF);
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}

QString SamplesDir() {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + "/tests/edid/samples";
}

QStringList SampleNames() {
    return QDir(SamplesDir()).entryList({"*.bin"}, QDir::Files, QDir::Name);
}

// Every sample under a "== NAME" heading, in file-name order.
QByteArray DescribeSamples(const Describe& describe) {
    QString text;
    for (const QString& name : SampleNames())
        text +=
            QStringLiteral("== ") + name + u'\n' + describe(ReadSample(SamplesDir() + u'/' + name));
    return text.toUtf8();
}

// diff -u of the golden file and what this build gives, at most kShown lines of it.
QString UnifiedDiff(const QString& golden, const QByteArray& actual) {
    constexpr int kShown = 400;
    QTemporaryDir dir;
    const QString actualPath = dir.filePath(QFileInfo(golden).fileName());
    const QString diff = QStandardPaths::findExecutable("diff");
    if (!WriteAll(actualPath, actual) || diff.isEmpty())
        return QStringLiteral("(no diff program; compare %1 with this build's output)").arg(golden);
    QProcess p;
    p.start(diff,
            {"-u", "-F", "^== ", "--label", "golden", "--label", "this build", golden, actualPath});
    p.waitForFinished(60000);
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    if (lines.size() > kShown) {
        const qsizetype all = lines.size();
        lines.resize(kShown);
        lines << QStringLiteral("... %1 more lines of diff").arg(all - kShown);
    }
    return lines.join(u'\n');
}

}  // namespace

Q_DECLARE_METATYPE(Describe)

class TestGolden : public QObject {
    Q_OBJECT

private slots:
    void matchesGolden_data();
    void matchesGolden();
};

void TestGolden::matchesGolden_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<Describe>("describe");
    QTest::newRow("report") << "report.txt" << Describe(Report);
    QTest::newRow("layout") << "layout.txt" << Describe(Layout);
    QTest::newRow("hex dump") << "hexdump.txt" << Describe(FormatEdidHexDump);
}

void TestGolden::matchesGolden() {
    QFETCH(QString, file);
    QFETCH(Describe, describe);
    const QString golden = qEnvironmentVariable("VARNOK_SOURCE_DIR") + "/tests/golden/" + file;
    QVERIFY2(SampleNames().size() >= 300, qPrintable(SamplesDir() + " (run through ctest)"));
    const QByteArray actual = DescribeSamples(describe);
    if (qEnvironmentVariableIntValue("VARNOK_UPDATE_GOLDEN") == 1) {
        QVERIFY2(WriteAll(golden, actual), qPrintable(golden));
        qInfo("wrote %s", qPrintable(golden));
        return;
    }
    if (ReadAll(golden) != actual) {
        QFAIL(qPrintable(QStringLiteral("%1 differs from this build (regenerate with "
                                        "VARNOK_UPDATE_GOLDEN=1 after a deliberate change):\n%2")
                             .arg(golden, UnifiedDiff(golden, actual))));
    }
}

QTEST_GUILESS_MAIN(TestGolden)
#include "tst_golden.moc"
