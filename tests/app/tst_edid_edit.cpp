// The EDID window's Edit tab as a user drives it: a real EDID's preferred timing changed to a
// CVT-RB2 2560 x 1440 @ 120 through the calculator (accepting the fit of its front porch), undo,
// redo, save; the saved file equals varnok-cli's edit of the same input. The other tabs follow
// each edit, the title marks it, and closing asks to save.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QUrl>

#include "app/EdidBytesTab.h"
#include "app/EdidCompareTab.h"
#include "app/EdidEditTab.h"
#include "app/EdidWindow.h"
#include "app/RecentEdidFiles.h"
#include "edid/model/EdidDescriptors.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Samples.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

// A 256-byte EDID with an HDMI block, range limits and a monitor name.
const QString kSample = QStringLiteral("003380875061.bin");

template <typename T>
T* Find(QWidget* w, const char* name) {
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no %s", name);
    return found;
}

QString Text(QWidget* w, const char* name) {
    return Find<QLabel>(w, name)->text();
}

}  // namespace

class EdidEditTest : public QObject {
    Q_OBJECT
private slots:
    void preferredTimingUndoRedoSave();
    void closingAnEditedEdidAsks();
    void listsRoomAndCompare();
};

void EdidEditTest::preferredTimingUndoRedoSave() {
    QTemporaryDir dir;
    const QString in = SamplePath(kSample);
    FormFixture f;
    EdidWindow* w = f.form->openEdidWindow();
    QVERIFY(w->take(SampleFromFile(in)));
    const QByteArray loaded = ReadAll(in);
    QVERIFY(!w->isWindowModified());

    EdidEditTab& tab = w->editTab();
    Find<QTabWidget>(w, "EdidTabs")->setCurrentWidget(&tab);
    QVERIFY(tab.select({EdidEditTab::ItemKind::Descriptor, 0, 0}));
    Find<QSpinBox>(w, "Spin_TimingWidth")->setValue(2560);
    Find<QSpinBox>(w, "Spin_TimingHeight")->setValue(1440);
    Find<QDoubleSpinBox>(w, "Spin_TimingRate")->setValue(120);
    auto* method = Find<QComboBox>(w, "Combo_TimingMethod");
    method->setCurrentIndex(method->findData(QStringLiteral("rb2")));
    QTest::mouseClick(Find<QPushButton>(w, "Button_CalculateTiming"), Qt::LeftButton);
    // 71 lines of front porch do not fit; the fit is offered, and nothing applies before it.
    QVERIFY2(Text(w, "Label_TimingFit").contains("vertical front porch 71 lines"),
             qPrintable(Text(w, "Label_TimingFit")));
    auto* apply = Find<QPushButton>(w, "Button_ApplyTiming");
    QVERIFY(!apply->isEnabled());
    QVERIFY(!Find<QPushButton>(w, "Button_FitTiming")->isHidden());
    QTest::mouseClick(Find<QPushButton>(w, "Button_FitTiming"), Qt::LeftButton);
    QCOMPARE(Find<QSpinBox>(w, "Spin_TimingVFront")->value(), 63);
    QCOMPARE(Find<QSpinBox>(w, "Spin_TimingVBack")->value(), 14);
    QVERIFY(apply->isEnabled());
    // The link check knows the EDID's own limits: its range limits say 150 MHz.
    auto* links = Find<QTableWidget>(w, "Table_LinkCheck");
    QVERIFY(links->verticalHeaderItem(links->rowCount() - 1)->text().contains("range limits"));
    QTest::mouseClick(apply, Qt::LeftButton);

    const QByteArray edited = w->sample()->bytes;
    QVERIFY(edited != loaded);
    QVERIFY(w->isWindowModified());
    QVERIFY(w->windowTitle().endsWith("[*]"));
    // The other tabs follow: the changed bytes marked, Compare against the EDID as loaded.
    auto* bytes = Find<QTableWidget>(w, "Table_Bytes");
    QVERIFY(bytes->item(EdidBytesTab::rowOf(54), 54 % 16)->toolTip().contains("changed from"));
    QVERIFY(!bytes->item(EdidBytesTab::rowOf(20), 20 % 16)->toolTip().contains("changed"));
    QVERIFY(Text(w, "Label_CompareOrigin").contains("the EDID as loaded"));

    auto* undo = Find<QAction>(w, "Action_Undo");
    auto* redo = Find<QAction>(w, "Action_Redo");
    QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    undo->trigger();
    QCOMPARE(w->sample()->bytes, loaded);
    QVERIFY(!w->isWindowModified());
    QCOMPARE(Text(w, "Label_CompareOrigin"), "Choose the EDID to compare with.");
    redo->trigger();
    QCOMPARE(w->sample()->bytes, edited);

    const QString saved = dir.filePath("window.bin");
    f.dialogs->saveAnswers.push_back(saved);
    w->saveAsBin();
    QVERIFY(!w->isWindowModified());
    const QString cli = dir.filePath("cli.bin");
    QProcess p;
    p.start(QStringLiteral(VARNOK_CLI_PATH), {"edit", in, cli, "--preferred", "2560x1440@120:rb2"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(ReadAll(saved), ReadAll(cli));

    // What no descriptor holds is refused in words, with the VIC that has it, and cannot apply;
    // a malformed identity is refused by the model and changes nothing.
    method->setCurrentIndex(method->findData(QStringLiteral("vic")));
    Find<QSpinBox>(w, "Spin_TimingWidth")->setValue(3840);
    Find<QSpinBox>(w, "Spin_TimingHeight")->setValue(2160);
    QTest::mouseClick(Find<QPushButton>(w, "Button_CalculateTiming"), Qt::LeftButton);
    QVERIFY2(Text(w, "Label_TimingFit").endsWith("as VIC 118 or 120."),
             qPrintable(Text(w, "Label_TimingFit")));
    QVERIFY(!apply->isEnabled());
    QVERIFY(Find<QPushButton>(w, "Button_FitTiming")->isHidden());
    QVERIFY(tab.select({EdidEditTab::ItemKind::Identity, 0, 0}));
    Find<QLineEdit>(w, "Edit_EditVendor")->setText("A1");
    QTest::mouseClick(Find<QPushButton>(w, "Button_ApplyIdentity"), Qt::LeftButton);
    QVERIFY(!Text(w, "Label_EditProblem").isEmpty());
    QCOMPARE(w->sample()->bytes, edited);
    QVERIFY(!w->isWindowModified());
}

void EdidEditTest::closingAnEditedEdidAsks() {
    FormFixture f;
    QTemporaryDir dir;
    const QString copy = dir.filePath("dropped.bin");
    QVERIFY(QFile::copy(SamplePath(kSample), copy));
    EdidWindow* w = f.form->openEdidWindow();
    // Dropped on the window, as from a file manager.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(copy)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    QVERIFY(w->sample());
    QCOMPARE(w->sample()->bytes, ReadAll(SamplePath(kSample)));

    Find<QTabWidget>(w, "EdidTabs")->setCurrentWidget(&w->editTab());
    QVERIFY(w->editTab().select({EdidEditTab::ItemKind::Identity, 0, 0}));
    Find<QLineEdit>(w, "Edit_EditMonitorName")->setText("LED wall");
    QTest::mouseClick(Find<QPushButton>(w, "Button_ApplyIdentity"), Qt::LeftButton);
    QVERIFY(w->isWindowModified());
    QVERIFY(w->sample()->bytes.contains("LED wall\n"));
    QCOMPARE(Text(w, "Summary_Monitor_Name"), "LED wall");

    w->show();
    f.dialogs->unsavedAnswers = {Dialogs::UnsavedChoice::Cancel, Dialogs::UnsavedChoice::Discard};
    QVERIFY(!w->close());
    QCOMPARE(f.dialogs->unsavedQuestions.size(), 1);
    QVERIFY(f.dialogs->unsavedQuestions[0].contains("has been edited. Save the changes?"));
    QVERIFY(w->close());

    // The file is the newest of the recent files; once gone, it is dropped with words.
    EdidWindow* next = f.form->openEdidWindow();
    auto* recent = Find<QMenu>(next, "Menu_RecentFiles");
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().first()->toolTip(), copy);
    QVERIFY(QFile::remove(copy));
    emit recent->aboutToShow();
    QVERIFY(!recent->actions().isEmpty());
    QCOMPARE(recent->actions().last()->text(), "Removed, no longer there: dropped.bin");
    QVERIFY(!RecentEdidFiles().contains(copy));
}

// The buttons that change the lists, the room each block has left, and a comparison the user
// chose staying through edits.
void EdidEditTest::listsRoomAndCompare() {
    FormFixture f;
    EdidWindow* w = f.form->openEdidWindow();
    const QString in = SamplePath(kSample);
    QVERIFY(w->take(SampleFromFile(in)));
    QVERIFY(w->compareTab().takeOther(SampleFromFile(SamplePath("000668600173.bin"))));
    EdidEditTab& tab = w->editTab();
    Find<QTabWidget>(w, "EdidTabs")->setCurrentWidget(&tab);
    const QByteArray loaded = w->sample()->bytes;
    QUndoStack* undo = tab.undoStack();
    auto* meter = Find<QProgressBar>(w, "Meter_Block1");
    QCOMPARE(meter->format(), "Block 1: 106 of 123 bytes used");

    // No dummy slot in the base block and 17 bytes left in the CTA block: refused in words.
    QTest::mouseClick(Find<QPushButton>(w, "Button_AddTiming"), Qt::LeftButton);
    QCOMPARE(Text(w, "Label_EditProblem"),
             "The edit does not fit in block 1: 1 more byte is needed.");
    QCOMPARE(undo->count(), 0);
    QCOMPARE(w->sample()->bytes, loaded);

    // The audio block (4 bytes) removed, the timing fits and is selected for the calculator.
    QVERIFY(tab.select({EdidEditTab::ItemKind::DataBlock, 1, 1}));
    QTest::mouseClick(Find<QPushButton>(w, "Button_RemoveItem"), Qt::LeftButton);
    QCOMPARE(meter->format(), "Block 1: 102 of 123 bytes used");
    QTest::mouseClick(Find<QPushButton>(w, "Button_AddTiming"), Qt::LeftButton);
    QVERIFY(Text(w, "Label_EditProblem").isEmpty());
    QCOMPARE(meter->format(), "Block 1: 120 of 123 bytes used");
    QVERIFY(!Find<QWidget>(w, "Panel_TimingCalculator")->isHidden());
    QCOMPARE(Find<QSpinBox>(w, "Spin_TimingWidth")->value(), 1920);
    QTest::mouseClick(Find<QPushButton>(w, "Button_MoveUp"), Qt::LeftButton);
    QCOMPARE(undo->count(), 3);
    // Block 1's timings: 1080i60, 1080i50, 480p, the new 1080p moved up, 576p.
    const EdidModel m = ParseEdidModel(w->sample()->bytes).model;
    QCOMPARE(m.cta(1)->timings.size(), 5);
    const EdidDetailedTiming added = DecodeDetailedTiming(m.cta(1)->timings[3]);
    QVERIFY(added.hActive == 1920 && added.vActive == 1080 && added.pixelClock10kHz == 14850);
    QCOMPARE(DecodeDetailedTiming(m.cta(1)->timings[4]).hActive, 720);
    QVERIFY(Text(w, "Label_CompareOrigin").contains("000668600173.bin"));

    for (int i = 0; i < 3; ++i) undo->undo();
    QCOMPARE(w->sample()->bytes, loaded);
    QCOMPARE(meter->format(), "Block 1: 106 of 123 bytes used");
}

QTEST_MAIN(EdidEditTest)
#include "tst_edid_edit.moc"
