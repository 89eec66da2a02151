// The work a user does without a device: the analyzer's "Bin File" and the creator's loads and
// Save enabled and silent, and the EDID window: a display of this computer taken from a fake DRM
// tree, saved and loaded into the creator; two known EDIDs compared; edid-decode's full decode,
// its absence and its time-out.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/DialogFolder.h"
#include "app/EdidBytesTab.h"
#include "app/EdidCompareTab.h"
#include "app/EdidDecodeTab.h"
#include "app/EdidWindow.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "edid/EdidReport.h"
#include "edid/check/EdidDecodeOutput.h"
#include "edidio/DisplayEdids.h"
#include "link/DeviceLink.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Bytes.h"
#include "tests/support/FakeEdidDecode.h"
#include "tests/support/Samples.h"

using namespace varnok;

namespace {

QByteArray Bytes(const EdidImage& image, int size = kEdidSize) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), size);
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The default image with another monitor name, checksums made good again.
EdidImage Renamed(const char (&name)[13]) {
    EdidImage image = DefaultEdidImage();
    std::copy(name, name + 12, image.begin() + 95);
    SetBlockChecksum(image, 0);
    return image;
}

QString LabelText(QWidget* root, const char* name) {
    auto* l = root->findChild<QLabel*>(QString::fromLatin1(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(name);
}

bool IsRed(QWidget* root, const char* name) {
    return root->findChild<QLabel*>(QString::fromLatin1(name))
               ->palette()
               .color(QPalette::WindowText) == QColor(255, 0, 0);
}

}  // namespace

class EdidWindowTest : public QObject {
    Q_OBJECT
private slots:
    void offlineWorkSendsNothing();
    void displayTreeOpenedSavedAndLoaded();
    void compareTwoKnownEdids();
    void fullDecode();
    void pasteDialogKeepsBadText();
    void markupInANameStaysText();
    void dialogsStartInTheLastFolder();
    void creatorAsksBeforeDroppingWhatWasLoaded();
};

void EdidWindowTest::offlineWorkSendsNothing() {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.bin");
    const QString out = dir.filePath("Created_Edid.bin");
    Write(in, Bytes(Renamed("OFFLINE\n    ")));
    FormFixture f;
    f.form->show();

    // Bin File without a device: the report and the outcome, and no notice framed for the line
    // (the link's last command stays none).
    f.dialogs->openAnswers.push_back(in);
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Analysis_Bin"), Qt::LeftButton);
    QCOMPARE(LabelText(f.form.get(), "Label_Monitor_Name"), QString("OFFLINE"));
    QCOMPARE(LabelText(f.form.get(), "Label_Status"), "Analyzed " + in);
    QCOMPARE(f.form->link().LastApiCode, 0u);

    // Brand New and Save make a file.
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Brand_New"), Qt::LeftButton);
    QCOMPARE(f.find<QLineEdit>("Edit_Creator_Monitor_Name")->text(), QString("BrandNewEdid"));
    f.dialogs->saveAnswers.push_back(out);
    QTest::mouseClick(f.find<QPushButton>("Button_Save_Created"), Qt::LeftButton);
    QCOMPARE(QFileInfo(out).size(), qint64(kEdidSize));
    QCOMPARE(LabelText(f.form.get(), "Label_Status"),
             "Created EDID saved to " + out + " (256 bytes)");
    QVERIFY(!IsRed(f.form.get(), "Label_Status"));
    QCOMPARE(f.form->link().LastApiCode, 0u);
    // The EDID window takes the image that Save built and wrote.
    EdidWindow* w = f.form->openEdidWindow();
    w->sources().takeCreatorImage();
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(w->sample()->bytes, saved.readAll());

    // A failure is red, and the four stay enabled afterwards; while an operation runs they are
    // disabled.
    f.dialogs->openAnswers.push_back(dir.filePath("missing.bin"));
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Bin_Modifiy"), Qt::LeftButton);
    QVERIFY(IsRed(f.form.get(), "Label_Status"));
    const char* const offline[] = {"RadioButton_Analysis_Bin", "RadioButton_Brand_New",
                                   "RadioButton_Bin_Modifiy", "Button_Save_Created"};
    f.form->runOperation([&] {
        for (const char* n : offline) QVERIFY2(!f.find<QWidget>(n)->isEnabled(), n);
    });
    for (const char* n : offline) QVERIFY2(f.find<QWidget>(n)->isEnabled(), n);
    for (const char* n : {"RadioButton_Analysis_IntEdid", "Button_Upload_Created",
                          "Button_DL_IntEdid", "Button_Upload_Edid"})
        QVERIFY2(!f.find<QWidget>(n)->isEnabled(), n);
}

void EdidWindowTest::displayTreeOpenedSavedAndLoaded() {
    QTemporaryDir root;
    const EdidImage monitor = Renamed("CLONE ME\n   ");
    Write(root.filePath("drm/card0-HDMI-A-1/edid"), Bytes(monitor));
    Write(root.filePath("drm/card0-DP-1/edid"), {});  // nothing attached there
    qputenv(kDrmDirVariable, QFile::encodeName(root.filePath("drm")));
    FormFixture f;

    // From the main window's menu "EDID", as a user clones a monitor.
    auto* displays = f.find<QMenu>("Menu_Edid_Displays");
    emit displays->aboutToShow();
    qunsetenv(kDrmDirVariable);
    const auto entries = displays->actions();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0]->text(), QString("card0-HDMI-A-1 - CLONE ME"));
    entries[0]->trigger();
    auto* w = f.form->findChild<EdidWindow*>();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->sample()->image(), monitor);
    QCOMPARE(LabelText(w, "Summary_Monitor_Name"), QString("CLONE ME"));
    QVERIFY(LabelText(w, "Label_Validity").startsWith("Valid EDID"));
    // The bytes: the name descriptor named on its bytes, the checksum marked.
    auto* table = w->findChild<QTableWidget*>("Table_Bytes");
    QVERIFY(table->item(EdidBytesTab::rowOf(95), 95 % 16)->toolTip().contains("CLONE ME"));
    QVERIFY(table->item(EdidBytesTab::rowOf(127), 15)->toolTip().contains("hecksum"));
    QCOMPARE(table->item(EdidBytesTab::rowOf(127), 15)->text(),
             QStringLiteral("%1").arg(monitor[127], 2, 16, QChar('0')));

    const QString saved = root.filePath("saved.bin");
    f.dialogs->saveAnswers.push_back(saved);
    w->saveAsBin();
    QCOMPARE(f.dialogs->proposedSaveNames.last(), QString("card0-HDMI-A-1.bin"));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), Bytes(monitor));
    QCOMPARE(LabelText(w, "Label_EdidStatus"), "EDID saved to " + saved + " (256 bytes)");
    w->copyAsHex();
    QCOMPARE(QApplication::clipboard()->text(), FormatEdidHex(monitor));

    QTest::mouseClick(w->findChild<QPushButton*>("Button_LoadCreator"), Qt::LeftButton);
    QCOMPARE(f.find<QLineEdit>("Edit_Creator_Monitor_Name")->text(), QString("CLONE ME"));
    QCOMPARE(f.form->stores().creator.image, monitor);
    QVERIFY(!(f.form->stores().creator.status & BrandNew));
    QCOMPARE(LabelText(f.form.get(), "Label_Status"),
             QString("Creator loaded from display card0-HDMI-A-1 (CLONE ME)"));
    // Without a device there is no upload.
    QVERIFY(!w->findChild<QPushButton*>("Button_UploadDevice")->isEnabled());

    // A base block alone is saved as the 128 bytes it was read with, with no invented extension.
    const QString baseOnly = root.filePath("base-only.bin");
    Write(baseOnly, ValidBase(0));
    QVERIFY(w->take(SampleFromFile(baseOnly)));
    // A name typed without an extension gets ".bin".
    f.dialogs->saveAnswers.push_back(root.filePath("base"));
    w->saveAsBin();
    QFile again(root.filePath("base.bin"));
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), ValidBase(0));
    QCOMPARE(LabelText(w, "Label_EdidStatus"),
             "EDID saved to " + root.filePath("base.bin") + " (128 bytes)");

    // "Open EDID File..." cancelled leaves no empty window behind.
    w->close();
    QTRY_VERIFY(!f.form->findChild<EdidWindow*>());
    f.find<QAction>("Action_EdidWindow_File")->trigger();
    QTRY_VERIFY(!f.form->findChild<EdidWindow*>());
}

void EdidWindowTest::markupInANameStaysText() {
    // A monitor name is 12 bytes its maker chose: in a menu, a tooltip and the status bar it is
    // shown as it stands, never as a mnemonic or as markup.
    QTemporaryDir root;
    const EdidImage monitor = Renamed("<b>A&B</b>\n ");
    Write(root.filePath("drm/card0-HDMI-A-1/edid"), Bytes(monitor));
    qputenv(kDrmDirVariable, QFile::encodeName(root.filePath("drm")));
    FormFixture f;
    auto* displays = f.find<QMenu>("Menu_Edid_Displays");
    emit displays->aboutToShow();
    qunsetenv(kDrmDirVariable);
    QCOMPARE(displays->actions().size(), 1);
    QCOMPARE(displays->actions()[0]->text(), QString("card0-HDMI-A-1 - <b>A&&B</b>"));
    displays->actions()[0]->trigger();
    auto* w = f.form->findChild<EdidWindow*>();
    QVERIFY(w);
    auto shown = [](const QString& toolTip) {
        QTextDocument doc;
        doc.setHtml(toolTip);
        return doc.toPlainText();
    };
    auto* table = w->findChild<QTableWidget*>("Table_Bytes");
    QVERIFY2(shown(table->item(EdidBytesTab::rowOf(95), 95 % 16)->toolTip()).contains("<b>A&B</b>"),
             qPrintable(table->item(EdidBytesTab::rowOf(95), 95 % 16)->toolTip()));
    table->setCurrentCell(EdidBytesTab::rowOf(95), 95 % 16);
    auto* info = w->findChild<QLabel*>("Label_ByteInfo");
    QCOMPARE(info->textFormat(), Qt::PlainText);
    QCOMPARE(info->text(), QString("Byte 95 (0x5f) = 0x3c: Descriptor 3: display product name "
                                   "\"<b>A&B</b>\" (bytes 90 to 107)"));
    QTest::mouseClick(w->findChild<QPushButton*>("Button_LoadCreator"), Qt::LeftButton);
    const QString status = QString("Creator loaded from display card0-HDMI-A-1 (<b>A&B</b>)");
    QCOMPARE(LabelText(f.form.get(), "Label_Status"), status);
    QCOMPARE(shown(f.find<QLabel>("Label_Status")->toolTip()), status);
}

void EdidWindowTest::compareTwoKnownEdids() {
    FormFixture f;
    EdidWindow* w = f.form->openEdidWindow();
    const EdidImage a = DefaultEdidImage();
    EdidImage b = Renamed("OTHER\n      ");
    b[255] ^= 0x01;  // and a wrong block 1 checksum: b is invalid, all its rows "-"
    QVERIFY(w->take(SampleFromHexText(FormatEdidHex(a))));
    QVERIFY(w->compareTab().takeOther(SampleFromHexText(FormatEdidHexDump(b))));

    auto* rows = w->findChild<QTableWidget*>("Table_CompareRows");
    QCOMPARE(rows->rowCount(), kEdidReportRowCount);
    QCOMPARE(rows->item(0, 1)->text(), QString("Good"));
    QCOMPARE(rows->item(0, 2)->text(), QString("Illegal"));
    for (int r = 0; r < kEdidReportRowCount; ++r)
        QCOMPARE(rows->item(r, 3)->text(), QString("yes"));

    // Every differing byte with both values, in offset order.
    QList<int> offsets;
    for (int i = 0; i < kEdidSize; ++i)
        if (a[i] != b[i]) offsets << i;
    auto* bytes = w->findChild<QTableWidget*>("Table_CompareBytes");
    QCOMPARE(bytes->rowCount(), offsets.size());
    QCOMPARE(bytes->item(0, 0)->text(), QString("95 (0x5f)"));
    QCOMPARE(bytes->item(0, 1)->text(), QString("42"));  // 'B'
    QCOMPARE(bytes->item(0, 2)->text(), QString("4f"));  // 'O'
    QCOMPARE(bytes->item(0, 3)->text(), QString("descriptor 3 (display product name): text"));
    QCOMPARE(bytes->item(bytes->rowCount() - 1, 0)->text(), QString("255 (0xff)"));
    QCOMPARE(LabelText(w, "Label_CompareSummary"),
             QString("14 of 14 rows and %1 of 256 bytes differ").arg(offsets.size()));

    // The same EDID taken again compares identical; a text that is no EDID says why.
    QVERIFY(w->compareTab().takeOther(SampleFromHexText(FormatEdidHex(a))));
    QCOMPARE(LabelText(w, "Label_CompareSummary"), QString("The two EDIDs are identical"));
    QCOMPARE(bytes->rowCount(), 0);
    QVERIFY(!w->take(SampleFromHexText("00 ff ff ff")));
    QVERIFY(IsRed(w, "Label_EdidStatus"));
    QCOMPARE(w->sample()->image(), a);  // kept

    // b's own bytes: its wrong checksum is flagged where it stands.
    QVERIFY(w->take(SampleFromHexText(FormatEdidHex(b))));
    QVERIFY(IsRed(w, "Label_Validity"));
    // Its rows read "-", yet the Summary still lists what it offers.
    QCOMPARE(LabelText(w, "Summary_Preferred_Timing"),
             QString("1920x1080 at 60.000 Hz (detailed timing 1)"));
    QVERIFY(!w->findChild<QListWidget*>("List_Summary_Timings")
                 ->findItems("VIC 16: 1920x1080 at 60.000 Hz", Qt::MatchExactly)
                 .isEmpty());
    auto* table = w->findChild<QTableWidget*>("Table_Bytes");
    QVERIFY(table->item(EdidBytesTab::rowOf(255), 15)->toolTip().contains("wrong"));
    QVERIFY(!table->item(EdidBytesTab::rowOf(127), 15)->toolTip().contains("wrong"));
}

void EdidWindowTest::pasteDialogKeepsBadText() {
    FormFixture f;
    EdidWindow* w = f.form->openEdidWindow();
    // The dialog says why a text is no EDID and stays open; a good text is taken.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        // A failed check below must not leave the dialog waiting.
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible()) dialog->reject();
        });
        auto* edit = dialog->findChild<QPlainTextEdit*>("Edit_Paste_Hex");
        edit->setPlainText("00 ff ff ff ff ff ff 00 01");
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->findChild<QLabel*>("Label_Paste_Error")->text().contains("9 bytes"));
        edit->setPlainText(FormatEdidHexDump(DefaultEdidImage()));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    w->pasteHexText();
    QVERIFY(w->sample().has_value());
    QCOMPARE(w->sample()->image(), DefaultEdidImage());
}

void EdidWindowTest::fullDecode() {
    FormFixture f;
    EdidWindow* w = f.form->openEdidWindow();
    EdidDecodeTab& tab = w->decodeTab();
    QSignalSpy done(&tab, &EdidDecodeTab::decodeFinished);
    const SampleResult sample = SampleFromHexText(FormatEdidHex(DefaultEdidImage()));
    {
        FakeEdidDecode none;  // no edid-decode on PATH
        w->take(sample);
        QCOMPARE(tab.headline(), EdidDecodeMissingText());
        QVERIFY(tab.headline().contains("Debian package edid-decode"));
    }
    {
        // The check summary comes first; the bytes arrive on standard input.
        FakeEdidDecode fake(
            "/usr/bin/wc -c >&2\n"
            "printf 'edid-decode (hex):\\n\\n00 ff\\n\\n----------------\\n\\nBlock 0\\n\\n"
            "----------------\\n\\nedid-decode SHA: 0\\n\\nWarnings:\\n\\nBlock 1:\\n  W1\\n"
            "  W2\\n    more of W2\\n\\nFailures:\\n\\nEDID:\\n  F1\\n\\n"
            "EDID conformity: FAIL\\n'\n");
        done.clear();
        w->take(sample);
        QVERIFY(tab.running());  // the window goes on meanwhile
        QVERIFY(done.wait(5000));
        QCOMPARE(tab.headline(), QString("EDID conformity: FAIL (1 failure, 2 warnings)"));
        QVERIFY2(tab.text().startsWith("Warnings:"), qPrintable(tab.text()));
        QVERIFY(tab.text().contains("edid-decode (hex):"));
        QVERIFY(tab.text().trimmed().endsWith("256"));  // all 256 bytes were fed
        QVERIFY(IsRed(w, "Label_DecodeState"));
    }
    {
        FakeEdidDecode stuck("exec /bin/sleep 30\n");
        tab.setTimeoutMs(300);
        done.clear();
        w->take(sample);
        QVERIFY(done.wait(5000));
        QCOMPARE(tab.headline(), QString("edid-decode did not finish within 1 s and was stopped"));
        QVERIFY(!tab.running());
    }
}

// The folder a file was last chosen in is where the next run's dialogs start.
void EdidWindowTest::dialogsStartInTheLastFolder() {
    QTemporaryDir root;
    const QString ini = root.filePath("varnok.ini");
    const QString folder = root.filePath("edids");
    QVERIFY(QDir().mkpath(folder));
    {
        QSettings settings(ini, QSettings::IniFormat);
        DialogFolder(settings).remember(folder + "/monitor.bin");
    }
    QSettings settings(ini, QSettings::IniFormat);
    const DialogFolder next(settings);
    QCOMPARE(next.startPath("Created_Edid.bin"), folder + "/Created_Edid.bin");
    QCOMPARE(next.startPath(QString()), folder);
    QCOMPARE(next.startPath("/elsewhere/last.bin"), QString("/elsewhere/last.bin"));
    // An export's folder is remembered as the folder itself, not its parent.
    const QString exports = root.filePath("exports");
    QVERIFY(QDir().mkpath(exports));
    DialogFolder(settings).rememberFolder(exports);
    QCOMPARE(next.startPath(QString()), exports);
}

// A 4K monitor's EDID through "Bin Modifiy": the creator's rebuild cannot hold all of it, so Save
// lists what goes and writes nothing when cancelled; "Save Anyway" writes the rebuild.
void EdidWindowTest::creatorAsksBeforeDroppingWhatWasLoaded() {
    QTemporaryDir root;
    const QString out = root.filePath("rebuilt.bin");
    FormFixture f;
    f.form->show();
    f.dialogs->openAnswers.push_back(SamplePath("000668600173.bin"));
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Bin_Modifiy"), Qt::LeftButton);
    f.dialogs->questionAnswers = {false};
    f.dialogs->saveAnswers = {out};
    QTest::mouseClick(f.find<QPushButton>("Button_Save_Created"), Qt::LeftButton);
    QCOMPARE(f.dialogs->questions.size(), 1);
    QVERIFY2(f.dialogs->questions[0].contains("\u2022 the YCbCr 4:2:0 capability map data block\n"),
             qPrintable(f.dialogs->questions[0]));
    QVERIFY(f.dialogs->proposedSaveNames.isEmpty());
    QVERIFY(!QFile::exists(out));
    QCOMPARE(LabelText(f.form.get(), "Label_Status"),
             QString("Nothing saved: the built EDID would drop what the loaded EDID held"));

    QTest::mouseClick(f.find<QPushButton>("Button_Save_Created"), Qt::LeftButton);
    QCOMPARE(f.dialogs->questions.size(), 2);
    QVERIFY(QFile::exists(out));
    // "Brand New" loads nothing to lose.
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Brand_New"), Qt::LeftButton);
    f.dialogs->saveAnswers = {out};
    QTest::mouseClick(f.find<QPushButton>("Button_Save_Created"), Qt::LeftButton);
    QCOMPARE(f.dialogs->questions.size(), 2);
}

VARNOK_TEST_MAIN(EdidWindowTest)
#include "tst_edid_window.moc"
