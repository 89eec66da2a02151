// Bad firmware image files at the firmware page's two readers, Open (the version check) and
// Update (both ISP kinds, against loaders that answer at once), without widgets. For each file:
// clear words in the debug log and Label1, nothing sent to the loader when the file can't be
// sent, the file left as it was, and no large allocation (a 1 GiB file is never read whole).

#include <QTest>

#include "firmware/FirmwareOperations.h"
#include "tests/badfiles/BadFiles.h"
#include "tests/firmware/IspFakes.h"

using namespace varnok;
using namespace varnok::test;

namespace {

// An image for the tagged kind: "FW Ver: 1234" at 0x1010 in 0x2000 bytes.
QByteArray TaggedImage() {
    QByteArray image = randomImage(0x2000, 5);
    const QByteArray tag("FW Ver: 1234");
    image.replace(0x1010, tag.size(), tag);
    return image;
}

struct Rig {
    NullLinkView linkView;
    DeviceLink link{linkView};
    RecordingView view;
    VirtualClock clock;
    FirmwareOperations ops{link, view, clock};
    Variant0Port* pages = nullptr;
    Variant1Port* blocks = nullptr;

    explicit Rig(int variant) {
        link.LinkFlags = IspMode;
        link.IspVariant = uint8_t(variant);
        link.setConnectionState(ConnectionState::Isp);
        if (variant == 0) {
            pages = new Variant0Port;
            pages->incoming = QByteArray(16, 'U');
            pages->link = &link;
            link.ComPort.reset(pages);
        } else {
            blocks = new Variant1Port;
            blocks->incoming = "ISP029 BOOT\r\n";
            blocks->link = &link;
            link.ComPort.reset(blocks);
        }
    }
    bool nothingSent() const {
        return pages ? pages->commands.isEmpty() : blocks->commands.isEmpty();
    }
};

enum class Expect {
    OpenFails,     // Open: "Fw Open Fail." and Label1 failed; Update stays disabled
    Illegal,       // Open: "Target Version : Illegal !"; Update disabled
    BadSize,       // Open accepts; Update: "Fw Size Error." and nothing sent
    Programmed,    // Open accepts; Update programs the file
    GoneAtUpdate,  // Open accepts; the file is gone at Update: "Fw Open Fail.", nothing sent
};

}  // namespace

Q_DECLARE_METATYPE(Expect)

class BadFirmwareFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void openAndUpdate_data();
    void openAndUpdate();

private:
    QTemporaryDir dir_;
};

void BadFirmwareFilesTest::openAndUpdate_data() {
    QTest::addColumn<BadFile>("kind");
    QTest::addColumn<int>("variant");
    QTest::addColumn<Expect>("expect");
    struct Row {
        const char* name;
        BadFile kind;
        Expect tagged;    // IspVariant 0: the image must carry its version tag
        Expect untagged;  // IspVariant 1 ("ISP029"): any readable file is accepted
    };
    const Row rows[] = {
        {"empty", BadFile::Empty, Expect::Illegal, Expect::BadSize},
        {"1 byte", BadFile::Bytes1, Expect::Illegal, Expect::Programmed},
        {"127 bytes", BadFile::Bytes127, Expect::Illegal, Expect::Programmed},
        {"128 bytes", BadFile::Bytes128, Expect::Illegal, Expect::Programmed},
        {"255 bytes", BadFile::Bytes255, Expect::Illegal, Expect::Programmed},
        {"257 bytes", BadFile::Bytes257, Expect::Illegal, Expect::Programmed},
        {"1 GiB sparse", BadFile::Sparse1GiB, Expect::Illegal, Expect::BadSize},
        {"directory", BadFile::Directory, Expect::OpenFails, Expect::OpenFails},
        {"unreadable", BadFile::Unreadable, Expect::OpenFails, Expect::OpenFails},
        {"symlink loop", BadFile::SymlinkLoop, Expect::OpenFails, Expect::OpenFails},
        {"FIFO", BadFile::Fifo, Expect::OpenFails, Expect::OpenFails},
        {"vanished", BadFile::Vanished, Expect::GoneAtUpdate, Expect::GoneAtUpdate},
    };
    for (const Row& r : rows) {
        QTest::addRow("%s, tagged kind", r.name) << r.kind << 0 << r.tagged;
        QTest::addRow("%s, ISP029", r.name) << r.kind << 1 << r.untagged;
    }
}

void BadFirmwareFilesTest::openAndUpdate() {
    QFETCH(BadFile, kind);
    QFETCH(int, variant);
    QFETCH(Expect, expect);
    const QByteArray content = TaggedImage();
    const QString path =
        MakeBadFile(dir_, kind, content, QString::fromLatin1(QTest::currentDataTag()));
    if (kind == BadFile::Unreadable && ReadableDespitePermissions(path))
        QSKIP("this user reads files whatever their permissions (root)");
    const long rssBefore = PeakRssKiB();

    Rig rig(variant);
    const FirmwareCheckResult check = rig.ops.openFirmware(path, true);

    if (expect == Expect::OpenFails) {
        QCOMPARE(check.outcome, FirmwareCheck::OpenFailed);
        QCOMPARE(rig.view.log, QStringLiteral("Fw Open Fail.\r\n"));
        QVERIFY(rig.ops.checkedPath().isEmpty());
        QVERIFY(rig.nothingSent());
        return;
    }
    QCOMPARE(rig.view.log, QStringLiteral("Fw Open OK.\r\n"));
    if (expect == Expect::Illegal) {
        QCOMPARE(check.outcome, FirmwareCheck::Illegal);
        QVERIFY(rig.ops.checkedPath().isEmpty());
        QVERIFY(rig.nothingSent());
        return;
    }
    QCOMPARE(rig.ops.checkedPath(), path);

    if (expect == Expect::GoneAtUpdate) QVERIFY(QFile::remove(path));
    const PathState before = PathState::of(path);
    const FirmwareResult updated = rig.ops.updateFirmware();
    QVERIFY(!rig.ops.updating());
    QCOMPARE(rig.link.LinkMode, kLinkModeApi);

    switch (expect) {
        case Expect::BadSize:
            QCOMPARE(updated.outcome, FirmwareOutcome::BadSize);
            QVERIFY(rig.view.log.contains(QStringLiteral("Fw Size Error.\r\n")));
            QVERIFY(rig.nothingSent());
            break;
        case Expect::GoneAtUpdate:
            QCOMPARE(updated.outcome, FirmwareOutcome::OpenFailed);
            QVERIFY(rig.view.log.contains(QStringLiteral("Fw Open Fail.\r\n")));
            QVERIFY(rig.nothingSent());
            break;
        case Expect::Programmed: {
            // Only the ISP029 kind takes these files; it programs whole blocks, the file's bytes
            // then 0xFF.
            QCOMPARE(variant, 1);
            QCOMPARE(updated.outcome, FirmwareOutcome::Programmed);
            QCOMPARE(rig.view.label1(), QStringLiteral("100%"));
            const qint64 size = QFileInfo(path).size();
            const qint64 padded = (size + 127) / 128 * 128;
            QByteArray expected = content.left(size);
            expected += QByteArray(size - expected.size(), '\0');
            expected += QByteArray(padded - size, char(0xFF));
            QCOMPARE(rig.blocks->memory.left(padded), expected);
            break;
        }
        default:
            QFAIL("unexpected row");
    }
    QVERIFY(PathState::of(path) == before);
    QVERIFY2(
        PeakRssKiB() - rssBefore < 64 * 1024,
        qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(PeakRssKiB() - rssBefore)));
}

QTEST_GUILESS_MAIN(BadFirmwareFilesTest)
#include "tst_bad_firmware_files.moc"
