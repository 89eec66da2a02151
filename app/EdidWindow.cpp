#include "app/EdidWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/ControllerPage.h"
#include "app/CreatorPage.h"
#include "app/EdidBytesTab.h"
#include "app/EdidCompareTab.h"
#include "app/EdidDecodeTab.h"
#include "app/EdidEditTab.h"
#include "app/EdidSummaryTab.h"
#include "app/RecentEdidFiles.h"
#include "app/StatusLabel.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "app/WidgetText.h"
#include "device/EdidUpload.h"
#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "edidio/EdidSave.h"
#include "link/DeviceLink.h"
#include "words/EdidCheckWords.h"

namespace varnok {
namespace {

const QString kTitle = QStringLiteral("EDID");

}  // namespace

EdidWindow::EdidWindow(TForm1& form) : QMainWindow(&form, Qt::Window), form_(form) {
    setObjectName(QStringLiteral("EdidWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kTitle);
    // The central widget first: the menu "Edit" takes the Edit tab's undo stack.
    setCentralWidget(buildCentral());
    buildMenus();

    status_ = new StatusLabel(statusBar());
    status_->setObjectName(QStringLiteral("Label_EdidStatus"));
    status_->setAccessibleDescription(QStringLiteral("Last outcome"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(status_, 1);

    connect(&form_, &TForm1::operationRunningChanged, this, &EdidWindow::updateActions);
    connect(&form_, &TForm1::operationRunningChanged, this, [this](bool running) {
        // Closed once the click that ran the operation has returned to the event loop.
        if (!running && std::exchange(closeDeferred_, false))
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    connect(&form_.link(), &DeviceLink::connectionStateChanged, this, &EdidWindow::updateActions);
    updateActions();
    setAcceptDrops(true);
    resize(800, 640);
}

void EdidWindow::buildMenus() {
    QMenu* source = menuBar()->addMenu(QStringLiteral("&Source"));
    source->setObjectName(QStringLiteral("Menu_Source"));
    sources_ = new EdidSourceMenu(form_, source, this, QStringLiteral("Source"),
                                  [this](const SampleResult& r) { take(r); });
    source->addSeparator();
    QMenu* recent = source->addMenu(QStringLiteral("&Recent Files"));
    recent->setObjectName(QStringLiteral("Menu_RecentFiles"));
    AttachRecentEdidFilesMenu(recent, [this](const QString& path) {
        RunGuarded([this, path] { take(SampleFromFile(path)); });
    });

    QMenu* edid = menuBar()->addMenu(QStringLiteral("&EDID"));
    edid->setObjectName(QStringLiteral("Menu_EdidActions"));
    auto add = [&](const QString& text, const char* name, QKeySequence keys, auto slot) {
        QAction* a = edid->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this,
                [this, slot] { RunGuarded([this, slot] { (this->*slot)(); }); });
        return a;
    };
    edidActions_ << add(QStringLiteral("&Save as .bin..."), "Action_SaveBin", QKeySequence::Save,
                        &EdidWindow::saveAsBin);
    edidActions_ << add(QStringLiteral("&Copy as Hex"), "Action_CopyHex",
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &EdidWindow::copyAsHex);
    edidActions_ << add(QStringLiteral("&Load into the Creator"), "Action_LoadCreator",
                        QKeySequence(), &EdidWindow::loadIntoCreator);
    upload_ = add(QStringLiteral("&Upload to the Device as User EDID"), "Action_UploadDevice",
                  QKeySequence(), &EdidWindow::uploadToDevice);
    addToolActions(edid);
    edid->addSeparator();
    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("Edi&t"));
    editMenu->setObjectName(QStringLiteral("Menu_Edit"));
    QAction* undo = edit_->undoStack()->createUndoAction(editMenu, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("Action_Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = edit_->undoStack()->createRedoAction(editMenu, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("Action_Redo"));
    redo->setShortcut(QKeySequence::Redo);
    editMenu->addAction(undo);
    editMenu->addAction(redo);
    QAction* close = edid->addAction(QStringLiteral("Close &Window"));
    close->setObjectName(QStringLiteral("Action_CloseWindow"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
}

QWidget* EdidWindow::buildCentral() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* originRow = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("EDID from:"), central);
    origin_ = new QLabel(
        QStringLiteral("nothing yet: open a .bin file, paste hex text, or take a display's or "
                       "the device's EDID from the Source menu"),
        central);
    origin_->setObjectName(QStringLiteral("Label_Origin"));
    origin_->setAccessibleDescription(QStringLiteral("Where the EDID comes from"));
    origin_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    origin_->setWordWrap(true);
    originRow->addWidget(caption);
    originRow->addWidget(origin_, 1);
    layout->addLayout(originRow);

    tabs_ = new QTabWidget(central);
    tabs_->setObjectName(QStringLiteral("EdidTabs"));
    summary_ = new EdidSummaryTab(tabs_);
    bytes_ = new EdidBytesTab(tabs_);
    decode_ = new EdidDecodeTab(tabs_);
    compare_ = new EdidCompareTab(form_, tabs_);
    connect(decode_, &EdidDecodeTab::decodeFinished, summary_,
            [this] { summary_->setNotes(decode_->notes()); });
    edit_ = new EdidEditTab(tabs_);
    connect(edit_, &EdidEditTab::edited, this, &EdidWindow::showEdited);
    connect(edit_->undoStack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });
    tabs_->addTab(summary_, QStringLiteral("S&ummary"));
    tabs_->addTab(bytes_, QStringLiteral("&Bytes"));
    tabs_->addTab(decode_, QStringLiteral("&Full Decode"));
    tabs_->addTab(compare_, QStringLiteral("Co&mpare"));
    tabs_->addTab(edit_, QStringLiteral("Ed&it"));
    layout->addWidget(tabs_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name, void (EdidWindow::*slot)()) {
        auto* b = new QPushButton(text, central);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this,
                [this, slot] { RunGuarded([this, slot] { (this->*slot)(); }); });
        buttons->addWidget(b);
        return b;
    };
    edidButtons_ << button(QStringLiteral("Sa&ve as .bin..."), "Button_SaveBin",
                           &EdidWindow::saveAsBin);
    edidButtons_ << button(QStringLiteral("Copy as &Hex"), "Button_CopyHex",
                           &EdidWindow::copyAsHex);
    edidButtons_ << button(QStringLiteral("&Load into Creator"), "Button_LoadCreator",
                           &EdidWindow::loadIntoCreator);
    uploadButton_ = button(QStringLiteral("U&pload to Device"), "Button_UploadDevice",
                           &EdidWindow::uploadToDevice);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return central;
}

void EdidWindow::updateActions() {
    const bool has = sample_.has_value();
    for (QAction* a : edidActions_) a->setEnabled(has);
    for (QPushButton* b : edidButtons_) b->setEnabled(has);
    const bool device = has && form_.link().connectionState() == ConnectionState::Connected &&
                        !form_.operationRunning();
    upload_->setEnabled(device);
    uploadButton_->setEnabled(device);
}

void EdidWindow::showStatus(const OutcomeText& outcome) {
    ShowStatus(status_, outcome.text, outcome.failure);
}

bool EdidWindow::chooseFile() {
    return sources_->chooseFile();
}

void EdidWindow::pasteHexText() {
    sources_->pasteHexText();
}

void EdidWindow::showDisplay(const DisplayEdid& display) {
    sources_->takeDisplay(display);
}

bool EdidWindow::take(const SampleResult& result) {
    // An edited EDID is saved or discarded first; kept (Cancel), nothing else happens.
    if (result.sample && !settleEdits()) return false;
    showStatus(result.outcome);
    if (!result.sample) return false;
    sample_ = result.sample;
    loaded_ = result.sample;
    if (!result.sample->path.isEmpty()) RememberRecentEdidFile(result.sample->path);
    const EdidSample& s = *sample_;
    // [*]: the title shows an edited EDID as modified.
    setWindowTitle(kTitle + QStringLiteral(" - ") + s.origin + QStringLiteral("[*]"));
    origin_->setText(QStringLiteral("%1 (%2 bytes)").arg(s.origin).arg(s.size()));
    edit_->setBytes(s.bytes);  // the other tabs follow (showEdited)
    updateActions();
    return true;
}

void EdidWindow::showEdited(const QByteArray& bytes) {
    if (!sample_) return;
    sample_->bytes = bytes;
    const EdidSample& s = *sample_;
    const bool edited = bytes != loaded_->bytes;
    summary_->setSample(s);
    bytes_->setBytes(s.bytes);
    if (edited) bytes_->markChanged(loaded_->bytes);
    decode_->decodeBytes(s.bytes);
    compare_->setThis(s);
    std::optional<EdidSample> asLoaded;
    if (edited) {
        asLoaded = loaded_;
        asLoaded->origin = QStringLiteral("the EDID as loaded");
    }
    compare_->setDefaultOther(asLoaded);
}

bool EdidWindow::settleEdits() {
    if (!isWindowModified() || !sample_) return true;
    switch (form_.dialogs().askUnsaved(
        QStringLiteral("The EDID from %1 has been edited. Save the changes?")
            .arg(loaded_->origin))) {
        case Dialogs::UnsavedChoice::Save:
            saveAsBin();
            return !isWindowModified();
        case Dialogs::UnsavedChoice::Discard:
            return true;
        case Dialogs::UnsavedChoice::Cancel:
            break;
    }
    return false;
}

void EdidWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls[0].isLocalFile()) event->acceptProposedAction();
}

void EdidWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls[0].isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls[0].toLocalFile();
    RunGuarded([this, path] { take(SampleFromFile(path)); });
}

void EdidWindow::saveAsBin() {
    if (!sample_) return;
    auto path = form_.dialogs().executeSave(sample_->fileName);
    if (!path) {
        showStatus(SaveCancelledWords(false));
        return;
    }
    // A name typed without an extension is still an EDID file: "monitor" becomes "monitor.bin".
    if (QFileInfo(*path).suffix().isEmpty()) *path += QStringLiteral(".bin");
    // The EDID keeps the size it was read with; an existing file is replaced only once all its
    // bytes are safely beside it.
    const SaveResult saved = SaveEdidFile(*path, sample_->bytes);
    if (saved.is(SaveOutcome::Saved)) edit_->undoStack()->setClean();
    OutcomeText words = EdidSaveWords(saved, *path, QStringLiteral("EDID"), sample_->size());
    // Saved whole; the device would take only 256 bytes of it.
    if (const QString note = DeviceCannotHoldWords(sample_->size());
        !words.failure && !note.isEmpty())
        words.text += QStringLiteral("; ") + note;
    showStatus(words);
}

void EdidWindow::copyAsHex() {
    if (!sample_) return;
    QApplication::clipboard()->setText(FormatEdidHexBytes(sample_->bytes));
    showStatus(HexCopiedWords(sample_->size()));
}

void EdidWindow::loadIntoCreator() {
    if (!sample_) return;
    if (form_.operationRunning()) {
        showStatus(BusyWords());
        return;
    }
    // The creator holds 256 bytes: a larger EDID is fitted first, never cut.
    if (!confirmFit(QStringLiteral("load the fitted EDID into the creator"),
                    QStringLiteral("Fit and Load"))) {
        showStatus({QStringLiteral("Load into the creator cancelled"), false,
                    QStringLiteral("creator.cancelled")});
        return;
    }
    form_.creatorPage().LoadEdidBytes(sample_->image());
    // The creator shows what it was loaded with, as after its own "Bin Modifiy".
    const FormControls& c = form_.controls();
    c.binModify->setChecked(true);
    c.pages->setCurrentWidget(c.creatorSheet);
    const OutcomeText words = CreatorFileWords(FileStep::Read, sample_->origin, sample_->image());
    showStatus(words);
    form_.showOutcome(words);
}

void EdidWindow::uploadToDevice() {
    if (!sample_) return;
    if (form_.link().connectionState() != ConnectionState::Connected) {
        showStatus(NoDeviceWords());
        return;
    }
    UploadOptions options;
    if (!confirmUpload(options)) return;
    // A copy: the window stays usable during the pauses and may take another EDID meanwhile.
    const EdidImage image = sample_->image();
    const QString origin = sample_->origin;
    UploadResult result;
    showStatus({QStringLiteral("Uploading the User EDID..."), false});
    const auto progress = connect(&form_, &TForm1::uploadProgressShown, this, [this](int percent) {
        showStatus({QStringLiteral("Uploading the User EDID... %1%").arg(percent), false});
    });
    const bool ran = form_.runOperation([&] {
        options.verify = true;
        options.showUserMode = [this] { form_.controllerPage().checkModeButton(EdidMode::User); };
        options.readingBack = [this] {
            showStatus({QStringLiteral("Reading the User EDID back..."), false});
        };
        // As a file is read into the User image for its upload.
        result = UploadEdidImage(form_.link(), form_, image, options);
        form_.stores().user.image = image;
    });
    disconnect(progress);
    if (!ran) {
        showStatus(BusyWords());
        return;
    }
    // Every window comparing with the device's User EDID now compares with what it holds.
    if (result.data.readBack)
        for (EdidWindow* w : form_.findChildren<EdidWindow*>())
            w->compareTab().userEdidReadBack(*result.data.readBack);
    const OutcomeText words = UploadWords(result, origin);
    showStatus(words);
    form_.showOutcome(words);
}

void AddEdidMenu(TForm1& form) {
    auto* menu = form.menuBar()->addMenu(QStringLiteral("&EDID"));
    menu->setObjectName(QStringLiteral("Menu_Edid"));
    QAction* window = menu->addAction(QStringLiteral("&New EDID Window"));
    window->setObjectName(QStringLiteral("Action_EdidWindow"));
    window->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    QObject::connect(window, &QAction::triggered, &form, [&form] { form.openEdidWindow(); });
    QAction* file = menu->addAction(QStringLiteral("&Open EDID File..."));
    file->setObjectName(QStringLiteral("Action_EdidWindow_File"));
    QObject::connect(file, &QAction::triggered, &form, [&form] {
        RunGuarded([&form] {
            // Cancelled, the dialog leaves no empty window behind; a file that is no EDID keeps
            // its window, which says why.
            EdidWindow* w = form.openEdidWindow();
            if (!w->chooseFile()) w->close();
        });
    });
    QAction* paste = menu->addAction(QStringLiteral("&Paste EDID Hex..."));
    paste->setObjectName(QStringLiteral("Action_EdidWindow_Paste"));
    QObject::connect(paste, &QAction::triggered, &form,
                     [&form] { RunGuarded([&form] { form.openEdidWindow()->pasteHexText(); }); });
    QMenu* displays = menu->addMenu(QStringLiteral("This Computer's &Displays"));
    displays->setObjectName(QStringLiteral("Menu_Edid_Displays"));
    AttachDisplayMenu(displays, [&form](const DisplayEdid& display) {
        RunGuarded([&form, &display] { form.openEdidWindow()->showDisplay(display); });
    });
}

void EdidWindow::closeEvent(QCloseEvent* event) {
    if (form_.operationRunning()) {
        event->ignore();
        closeDeferred_ = true;
        showStatus(
            {QStringLiteral("The window closes when the running operation has ended"), false});
        return;
    }
    if (!settleEdits()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace varnok
