// EDID bytes from and to the world: the workbench loader's size policy, the reason recorded
// where an open fails, the checked writer on a full disk, and the name a display's EDID is saved
// under.

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "edidio/DisplayEdids.h"
#include "edidio/EdidLoad.h"
#include "edidio/EdidSave.h"
#include "edidio/FileRead.h"
#include "tests/support/Bytes.h"
#include "tests/support/FailDevice.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

class EdidIoTest : public QObject {
    Q_OBJECT
private slots:
    void loaderSizePolicy_data();
    void loaderSizePolicy();
    void reasonRecordedWhereTheOpenFails();
    void checkedWriterOnAFullDisk_data();
    void checkedWriterOnAFullDisk();
    void displayFileNames();
};

void EdidIoTest::loaderSizePolicy_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("loaded");  // LoadOutcome of the loader
    QTest::addColumn<int>("image");   // LoadOutcome of EdidImageOf
    QTest::addColumn<QString>("words");
    const int ok = int(LoadOutcome::Loaded), bad = int(LoadOutcome::BadSize),
              large = int(LoadOutcome::TooLarge);
    QTest::newRow("empty") << 0 << bad << bad << "0 bytes: an EDID has 1 to 8 blocks";
    QTest::newRow("one byte short")
        << 127 << bad << bad << "127 bytes: an EDID is a multiple of 128 bytes";
    QTest::newRow("base block") << 128 << ok << ok << "";
    QTest::newRow("one extension") << 256 << ok << ok << "";
    QTest::newRow("300") << 300 << bad << bad << "300 bytes: an EDID is a multiple of 128 bytes";
    QTest::newRow("two extensions: all bytes, never cut")
        << 384 << ok << large << "384 bytes: only EDIDs of 128 or 256 bytes";
    QTest::newRow("eight blocks") << 1024 << ok << large << "1024 bytes";
    QTest::newRow("nine blocks") << 1152 << bad << bad << "1152 bytes: an EDID has 1 to 8 blocks";
}

void EdidIoTest::loaderSizePolicy() {
    QFETCH(int, size);
    QFETCH(int, loaded);
    QFETCH(int, image);
    QFETCH(QString, words);
    QByteArray bytes;
    while (bytes.size() < size) bytes += Pattern(int(bytes.size()));
    bytes.truncate(size);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("edid.bin"));
    QVERIFY(WriteAll(path, bytes));
    const LoadResult fromFile = LoadEdidFile(path);
    QCOMPARE(int(fromFile.outcome), loaded);
    if (fromFile.is(LoadOutcome::Loaded))
        QCOMPARE(fromFile.data, bytes);  // every byte
    else
        QVERIFY2(fromFile.reason.startsWith(words), qPrintable(fromFile.reason));
    // Bytes read elsewhere (a display's) meet the same policy.
    QCOMPARE(int(CheckEdidSize(bytes).outcome), loaded);

    const Result<LoadOutcome, EdidImage> held = EdidImageOf(fromFile);
    QCOMPARE(int(held.outcome), image);
    if (held.is(LoadOutcome::Loaded))
        QCOMPARE(held.data, ImageOf(bytes));  // 0xFF after 128
    else
        QVERIFY2(held.reason.startsWith(words), qPrintable(held.reason));
}

void EdidIoTest::reasonRecordedWhereTheOpenFails() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.bin"));
    for (const auto& [path, reason] :
         {std::pair{missing, QStringLiteral("No such file or directory")},
          std::pair{dir.path(), QStringLiteral("Is a directory")}}) {
        const auto read = ReadEdidFile(path);
        QCOMPARE(read.outcome, ReadOutcome::OpenFailed);
        QCOMPARE(read.reason, reason);
        const LoadResult loaded = LoadEdidFile(path);
        QCOMPARE(loaded.outcome, LoadOutcome::ReadFailed);
        QCOMPARE(loaded.reason, reason);
    }
    // A target in a folder that does not exist is refused before anything is written.
    const QString nowhere = dir.filePath(QStringLiteral("no/such/x.bin"));
    const SaveResult target = CheckEdidTarget(nowhere);
    QCOMPARE(target.outcome, SaveOutcome::OpenFailed);
    // The system's own words, as it gives them for that open ("No such file or directory" on
    // Linux; Windows and Wine word it their way).
    QFile probe(nowhere);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QCOMPARE(target.reason, probe.errorString());
}

void EdidIoTest::checkedWriterOnAFullDisk_data() {
    QTest::addColumn<qint64>("room");
    QTest::addColumn<bool>("sequential");
    QTest::addColumn<bool>("saved");
    QTest::newRow("full from the start") << qint64(0) << false << false;
    QTest::newRow("full after 100 bytes") << qint64(100) << false << false;
    QTest::newRow("one byte short") << qint64(255) << false << false;
    QTest::newRow("room for all") << qint64(256) << false << true;
    QTest::newRow("a stream, full after 128") << qint64(128) << true << false;
    QTest::newRow("a stream with room") << qint64(4096) << true << true;
}

void EdidIoTest::checkedWriterOnAFullDisk() {
    QFETCH(qint64, room);
    QFETCH(bool, sequential);
    QFETCH(bool, saved);
    FailDevice disk(room, sequential);
    QVERIFY(disk.open(QIODevice::ReadWrite));
    const QByteArray bytes = Pattern(3);
    const SaveResult result = WriteEdidBytes(disk, bytes);
    QCOMPARE(result.is(SaveOutcome::Saved), saved);
    if (saved) {
        QCOMPARE(disk.written(), bytes);
    } else {
        QCOMPARE(result.outcome, SaveOutcome::WriteFailed);
        QCOMPARE(result.reason, QStringLiteral("No space left on device"));
    }
}

void EdidIoTest::displayFileNames() {
    QCOMPARE(DisplayFileName(QStringLiteral("card0-HDMI-A-1")),
             QStringLiteral("card0-HDMI-A-1.bin"));
    // A Windows monitor is named "model\instance": no separator reaches the file name.
    QCOMPARE(DisplayFileName(QStringLiteral("DEL4109\\5&2a8b1f1&0&UID4352")),
             QStringLiteral("DEL4109_5_2a8b1f1_0_UID4352.bin"));
    QCOMPARE(DisplayFileName(QStringLiteral("../x")), QStringLiteral("___x.bin"));
}

QTEST_GUILESS_MAIN(EdidIoTest)
#include "tst_edidio.moc"
