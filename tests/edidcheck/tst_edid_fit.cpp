// Fit to 256 bytes on the 40 real EDIDs of 384 and 512 bytes (tests/edidmodel/samples-large):
// block 0 and the kept CTA-861 block keep every item they had, the result is sound (no error of
// the check before upload, edid-decode reads it and finds nothing new beyond the range limits
// that moved VICs may pass), and each item moved in is listed.

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include "edid/EdidHexText.h"
#include "edid/check/EdidCheck.h"
#include "edid/check/EdidFit.h"
#include "edid/model/EdidModel.h"
#include "edidio/EdidLoad.h"
#include "tests/support/EdidDecodeTool.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

QString LargeSamplesDir() {
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") +
           QStringLiteral("/tests/edidmodel/samples-large");
}

// A data block of the kept block is still there, or a list block (video, audio) that starts
// with it: the fit only appends to those.
bool Kept(const CtaDataBlock& was, const QList<CtaDataBlock>& now) {
    for (const CtaDataBlock& b : now)
        if (b.tag == was.tag && b.extendedTag == was.extendedTag && b.body.startsWith(was.body))
            return true;
    return false;
}

QString Unnumbered(QString failure) {
    return failure.remove(QRegularExpression(QStringLiteral("^Block \\d+, ")));
}

}  // namespace

class TstEdidFit : public QObject {
    Q_OBJECT
private slots:
    void realLargeEdids();
    void refusesAndPassesThrough();
    void largeEdidsReadWhole();
};

void TstEdidFit::realLargeEdids() {
    const QStringList names = QDir(LargeSamplesDir()).entryList({"*.bin"}, QDir::Files);
    QVERIFY(names.size() >= 40);
    int moved = 0;
    for (const QString& name : names) {
        const QByteArray in = ReadAll(LargeSamplesDir() + u'/' + name);
        const EdidFitResult fit = FitEdidToDevice(in);
        QVERIFY2(fit.fault.isEmpty() && fit.fitted, qPrintable(name));
        QVERIFY2(fit.edid.size() == 256 || fit.edid.size() == 128, qPrintable(name));
        QCOMPARE(uint8_t(fit.edid[126]), uint8_t(fit.edid.size() / 128 - 1));
        QCOMPARE(fit.edid.left(126), in.left(126));
        if (!HasEdidError(CheckEdid(in.left(128))))
            QVERIFY2(!HasEdidError(CheckEdid(fit.edid)), qPrintable(name));

        const EdidModel was = ParseEdidModel(in).model;
        const EdidModel now = ParseEdidModel(fit.edid).model;
        int kept = 1;
        while (kept < was.blockCount() && !was.cta(kept)) ++kept;
        if (kept < was.blockCount()) {
            QVERIFY2(now.cta(1), qPrintable(name));
            QCOMPARE(now.cta(1)->flags, was.cta(kept)->flags);
            for (const CtaDataBlock& b : was.cta(kept)->dataBlocks)
                QVERIFY2(Kept(b, now.cta(1)->dataBlocks), qPrintable(name));
            QCOMPARE(now.cta(1)->timings.mid(0, was.cta(kept)->timings.size()),
                     was.cta(kept)->timings);
            const bool grew = now.cta(1)->dataBlocks != was.cta(kept)->dataBlocks ||
                              now.cta(1)->timings != was.cta(kept)->timings;
            QCOMPARE(grew, !fit.moved.isEmpty());
        }
        moved += fit.moved.size();
        for (const QString& line : fit.dropped + fit.moved)
            QVERIFY2(line.startsWith(QStringLiteral("block ")), qPrintable(line));

        if (!HaveEdidDecode()) continue;
        // The kept CTA-861 block may have moved to block 1: sections compare without numbers.
        QSet<QString> before;
        for (const QString& failure : EdidDecode(in, true).failures) before << Unnumbered(failure);
        const Decoded after = EdidDecode(fit.edid, true);
        QVERIFY2(after.text.contains(QStringLiteral("Block 0, Base EDID:")), qPrintable(name));
        for (const QString& failure : after.failures) {
            // A VIC moved from a DisplayID block may lie beyond block 0's range limits.
            if (before.contains(Unnumbered(failure)) ||
                failure.contains(QStringLiteral("(Monitor:")))
                continue;
            QFAIL(qPrintable(name + QStringLiteral(": ") + failure));
        }
    }
    QVERIFY(moved > 0);
}

void TstEdidFit::refusesAndPassesThrough() {
    const QByteArray in = ReadAll(LargeSamplesDir() + QStringLiteral("/001A161FA7C4.bin"));
    EdidFitResult fit = FitEdidToDevice(in.left(300));
    QVERIFY(fit.fault.contains(QStringLiteral("300")));
    QVERIFY(fit.edid.isEmpty());
    fit = FitEdidToDevice(in.left(256));
    QVERIFY(fit.fault.isEmpty() && !fit.fitted);
    QCOMPARE(fit.edid, in.left(256));
    fit = FitEdidToDevice(in);
    QCOMPARE(fit.dropped,
             QStringList{"block 2 (DisplayID): 1 detailed timing (2560 × 1440 @ 165) dropped: its "
                         "pixel clock of 664.67 MHz is more than a detailed timing holds "
                         "(655.35 MHz)"});
    QCOMPARE(EdidFitJson(fit).value("bytes").toInt(), 256);
}

// Every block of each larger EDID comes back from its edid-decode hex text and from a file.
void TstEdidFit::largeEdidsReadWhole() {
    for (const QString& name : QDir(LargeSamplesDir()).entryList({"*.bin"}, QDir::Files)) {
        const QString path = LargeSamplesDir() + u'/' + name;
        const QByteArray edid = ReadAll(path);
        const EdidHexText hex = ParseEdidHexBlocks(FormatEdidHexBytes(edid));
        QVERIFY2(hex.ok && hex.bytes == edid, qPrintable(name + hex.error));
        const LoadResult loaded = LoadEdidFile(path);
        QVERIFY2(loaded.is(LoadOutcome::Loaded) && loaded.data == edid, qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TstEdidFit)
#include "tst_edid_fit.moc"
