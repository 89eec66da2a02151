// edid-decode run as a separate process: its output and time bounds, an EDID it cannot decode,
// and the whole check (errors and notes) with the real edid-decode and without one.

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidDecodeOutput.h"
#include "edid/check/EdidDecodeRun.h"
#include "tests/support/FakeEdidDecode.h"
#include "tests/support/TestFiles.h"

using namespace varnok;
using Outcome = EdidDecodeRun::Outcome;

namespace {

QByteArray Sample() {
    return ReadAll(qEnvironmentVariable("VARNOK_SOURCE_DIR") +
                   QStringLiteral("/tests/edid/samples/005096A886AF.bin"));
}

EdidDecodeRun Run(EdidDecodeProcess& process, const QByteArray& edid) {
    QSignalSpy done(&process, &EdidDecodeProcess::finished);
    process.start(edid);
    if (done.isEmpty() && !done.wait(10000)) return {};
    return done.first().first().value<EdidDecodeRun>();
}

}  // namespace

Q_DECLARE_METATYPE(varnok::EdidDecodeRun)

class EdidDecodeRunTest : public QObject {
    Q_OBJECT
private slots:
    void runawayOutputIsCut();
    void undecodableBytesSayWhy();
    void wholeCheckWithAndWithoutEdidDecode();
};

void EdidDecodeRunTest::runawayOutputIsCut() {
    FakeEdidDecode fake("exec /usr/bin/yes 'one line of decode'\n");
    EdidDecodeProcess process;
    process.setMaxOutputBytes(65536);
    const EdidDecodeRun run = Run(process, Sample());
    QCOMPARE(run.outcome, Outcome::TooMuchOutput);
    QCOMPARE(run.failure, "edid-decode wrote more than 65536 bytes and was stopped");
    QCOMPARE(run.output.size(), 65536);
    QVERIFY(!process.running());
}

void EdidDecodeRunTest::undecodableBytesSayWhy() {
    FakeEdidDecode fake(
        "/bin/cat >/dev/null\necho \"No EDID header found in 'stdin'.\" >&2\nexit 255\n");
    EdidDecodeProcess process;
    const EdidDecodeRun run = Run(process, Sample());
    QCOMPARE(run.outcome, Outcome::Undecodable);
    QCOMPARE(run.failure,
             "edid-decode could not decode these bytes: No EDID header found in "
             "'stdin'.");
}

void EdidDecodeRunTest::wholeCheckWithAndWithoutEdidDecode() {
    QByteArray broken = Sample();
    broken[1] = 0;
    broken[127] = static_cast<char>(EdidBlockChecksum(broken, 0));
    EdidDecodeRun run;
    {
        FakeEdidDecode none;
        const EdidFindings findings = CheckEdidWithNotes(broken, &run);
        QCOMPARE(run.outcome, Outcome::Missing);
        QCOMPARE(run.failure, EdidDecodeMissingText());
        QCOMPARE(findings.size(), 1);
    }
    if (QStandardPaths::findExecutable(QStringLiteral("edid-decode")).isEmpty())
        QSKIP("edid-decode is not installed");
    // A real EDID fails some of edid-decode's checks: notes, never errors.
    const EdidFindings findings = CheckEdidWithNotes(Sample(), &run);
    QCOMPARE(run.outcome, Outcome::Decoded);
    QVERIFY(!findings.isEmpty());
    QVERIFY(!HasEdidError(findings));
    // Without a header edid-decode decodes nothing: the error stands alone.
    QCOMPARE(CheckEdidWithNotes(broken, &run).size(), 1);
    QCOMPARE(run.outcome, Outcome::Undecodable);
    QVERIFY2(run.failure.contains("No EDID header found"), qPrintable(run.failure));
}

QTEST_GUILESS_MAIN(EdidDecodeRunTest)
#include "tst_edid_decode_run.moc"
