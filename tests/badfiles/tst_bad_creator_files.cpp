// Bad EDID files at the creator's "Bin Modifiy" load, through the creator pages with their hooks
// (no window): the open fails in words and leaves the creator image as it was, or the bytes read
// are loaded and an invalid image shows "Error." in both name edits. The two notices frame every
// load, and the file is left as it was.

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "creator/pages/CreatorPages.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "tests/badfiles/BadFiles.h"
#include "tests/support/EdidFiles.h"

using namespace varnok;
using namespace varnok::test;

class BadCreatorFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void binModify_data();
    void binModify();

private:
    QTemporaryDir dir_;
};

void BadCreatorFilesTest::binModify_data() {
    QTest::addColumn<BadFile>("kind");
    QTest::addColumn<bool>("opens");
    QTest::newRow("empty") << BadFile::Empty << true;
    QTest::newRow("1 byte") << BadFile::Bytes1 << true;
    QTest::newRow("127 bytes") << BadFile::Bytes127 << true;
    QTest::newRow("128 bytes") << BadFile::Bytes128 << true;
    QTest::newRow("255 bytes") << BadFile::Bytes255 << true;
    QTest::newRow("257 bytes") << BadFile::Bytes257 << true;
    QTest::newRow("1 GiB sparse") << BadFile::Sparse1GiB << true;
    QTest::newRow("directory") << BadFile::Directory << false;
    QTest::newRow("unreadable") << BadFile::Unreadable << false;
    QTest::newRow("symlink loop") << BadFile::SymlinkLoop << false;
    QTest::newRow("FIFO") << BadFile::Fifo << false;
    QTest::newRow("vanished") << BadFile::Vanished << false;
}

void BadCreatorFilesTest::binModify() {
    QFETCH(BadFile, kind);
    QFETCH(bool, opens);
    const EdidImage& good = DefaultEdidImage();
    const QByteArray content(reinterpret_cast<const char*>(good.data()), kEdidSize);
    const QString path =
        MakeBadFile(dir_, kind, content, QString::fromLatin1(QTest::currentDataTag()));
    if (kind == BadFile::Unreadable && ReadableDespitePermissions(path))
        QSKIP("this user reads files whatever their permissions (root)");
    if (kind == BadFile::Vanished) QVERIFY(QFile::remove(path));

    QTabWidget pageControl;
    QLabel warning;
    EdidInfo creator;
    QList<int> notices;
    QString log;
    QStringList errors;
    CreatorHooks hooks;
    hooks.beginFileOperation = [&] {
        notices << 10;
        return std::shared_ptr<void>(nullptr, [&](void*) { notices << 11; });
    };
    hooks.chooseEdidFile = [&]() -> std::optional<QString> { return path; };
    hooks.replaceLog = [&](const QString& text) { log = text; };
    hooks.showError = [&](const QString& text) { errors << text; };
    CreatorPages pages(&pageControl, &warning, creator, hooks);
    pages.RadioButton_Brand_NewMouseDown();
    const EdidImage before = creator.image;
    QVERIFY(before == good);

    const PathState state = PathState::of(path);
    const long rssBefore = PeakRssKiB();
    pages.RadioButton_Bin_ModifiyMouseDown();

    QCOMPARE(notices, (QList<int>{10, 11}));
    QVERIFY(errors.isEmpty());
    auto* maker = pageControl.findChild<QLineEdit*>(QStringLiteral("Edit_Creator_Manufac_Name"));
    auto* name = pageControl.findChild<QLineEdit*>(QStringLiteral("Edit_Creator_Monitor_Name"));
    QVERIFY(maker && name);
    if (!opens) {
        QCOMPARE(log, QStringLiteral("Edid Open Fail.\r\n"));
        QVERIFY(creator.image == before);  // the creator keeps what it had
        QCOMPARE(name->text(), QStringLiteral("BrandNewEdid"));
    } else {
        QCOMPARE(log, QStringLiteral("Edid Open OK.\r\n"));
        EdidImage expected;
        EdidInfo check;
        QVERIFY(LoadImageFile(path, expected));
        QVERIFY(creator.image == expected);
        check.image = expected;
        if (ValidateEdidImage(check)) {
            QVERIFY(name->text() != QStringLiteral("Error."));
        } else {
            QCOMPARE(maker->text(), QStringLiteral("Error."));
            QCOMPARE(name->text(), QStringLiteral("Error."));
        }
    }
    QVERIFY(PathState::of(path) == state);
    QVERIFY2(
        PeakRssKiB() - rssBefore < 64 * 1024,
        qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(PeakRssKiB() - rssBefore)));
}

QTEST_MAIN(BadCreatorFilesTest)
#include "tst_bad_creator_files.moc"
