// This computer's displays from a fake DRM tree (VARNOK_DRM_DIR): connectors with and without an
// EDID, a 128-byte and a longer EDID, a connector that is a symbolic link as in sysfs, and an
// edid that is a FIFO, which must be passed over without waiting for a writer.

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "edid/Edid.h"
#include "edidio/DisplayEdids.h"
#include "tests/edid/EdidTestImages.h"

using namespace varnok;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray Bytes(const EdidImage& image, int size) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), size);
}

}  // namespace

class TestEdidDisplays : public QObject {
    Q_OBJECT

private slots:
    void fakeDrmTree();
};

void TestEdidDisplays::fakeDrmTree() {
    QTemporaryDir root;
    const QString drm = root.filePath("drm");
    const EdidImage hdmi = DefaultEdidImage();  // monitor name "BrandNewEdid"
    EdidImage panel = test::BaseOnlyImage();
    // A 13-character name without 0x0A, padded as panels do: the list shows it without blanks.
    const char name[] = "LP140WF1    ";
    std::copy(name, name + 12, panel.begin() + 95);
    panel[107] = ' ';
    SetBlockChecksum(panel, 0);
    EdidImage threeBlocks = hdmi;
    threeBlocks[126] = 2;
    SetBlockChecksum(threeBlocks, 0);

    Write(drm + "/version", "drm 1.1.0\n");
    QDir().mkpath(drm + "/card0");        // the card itself has no edid
    Write(drm + "/card0-DP-1/edid", {});  // nothing attached
    Write(drm + "/card0-eDP-1/edid", Bytes(panel, 128));
    Write(drm + "/card1-DP-2/edid", Bytes(threeBlocks, 256) + QByteArray(128, 0x70));
#ifdef _WIN32
    // The Windows build reads a fake tree too, without symbolic links and FIFOs.
    Write(drm + "/card0-HDMI-A-1/edid", Bytes(hdmi, 256));
#else
    Write(root.filePath("devices/card0-HDMI-A-1/edid"), Bytes(hdmi, 256));
    QVERIFY(QFile::link(root.filePath("devices/card0-HDMI-A-1"), drm + "/card0-HDMI-A-1"));
    QDir().mkpath(drm + "/card1-HDMI-A-2");
    QCOMPARE(mkfifo(QFile::encodeName(drm + "/card1-HDMI-A-2/edid").constData(), 0600), 0);
#endif

    qputenv(kDrmDirVariable, QFile::encodeName(drm));
    const QList<DisplayEdid> displays = ListDisplayEdids();
    qunsetenv(kDrmDirVariable);

    QCOMPARE(displays.size(), 3);
    QCOMPARE(displays[0].connector, "card0-HDMI-A-1");
    QCOMPARE(displays[0].monitorName, "BrandNewEdid");
    QCOMPARE(displays[0].size(), 256);
    QCOMPARE(displays[0].image, hdmi);
    QCOMPARE(displays[1].connector, "card0-eDP-1");
    QCOMPARE(displays[1].monitorName, "LP140WF1");
    QCOMPARE(displays[1].size(), 128);
    QCOMPARE(displays[1].image, panel);  // bytes 128..255 are 0xFF, as a 128-byte file reads
    QCOMPARE(displays[2].connector, "card1-DP-2");
    QCOMPARE(displays[2].size(), 384);
    QCOMPARE(displays[2].image, threeBlocks);  // the first two blocks, unchanged
}

QTEST_GUILESS_MAIN(TestEdidDisplays)
#include "tst_edid_displays.moc"
