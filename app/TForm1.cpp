#include "app/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "app/AnalyzerPage.h"
#include "app/AppIcon.h"
#include "app/ControllerPage.h"
#include "app/CreatorPage.h"
#include "app/EdidWindow.h"
#include "app/FirmwarePage.h"
#include "app/LedShape.h"
#include "app/NetworkPortsDialog.h"
#include "app/StatusLabel.h"
#include "app/VarnokApplication.h"
#include "app/WidgetText.h"
#include "link/DeviceLink.h"
#include "words/OutcomeWords.h"

namespace varnok {
namespace {

template <typename W>
W* place(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                    int w = 75, int h = 25) {
    return place(new QPushButton(caption, parent), name, x, y, w, h);
}

QRadioButton* radio(QWidget* parent, const char* name, const QString& caption, int x, int y,
                    int w = 90) {
    return place(new QRadioButton(caption, parent), name, x, y, w, 19);
}

QGroupBox* group(QWidget* parent, const char* name, const QString& caption, int x, int y, int w,
                 int h) {
    return place(new QGroupBox(caption, parent), name, x, y, w, h);
}

// Progress labels: bold, right-aligned, "0%" at start, ending at `right`. Each takes the free
// width to its left in its group, so that a failure ("Illegal Edid CheckSum0.") shows whole.
QLabel* progressLabel(QWidget* parent, const char* name, const QString& role, int left, int y,
                      int right) {
    auto* l = place(new QLabel(QStringLiteral("0%"), parent), name, left, y, right - left, 17);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setAccessibleDescription(role);
    return l;
}

// During an upload the progress labels change at every data byte, 100 values in each 128-byte
// half; the screen shows a new value at most this often.
constexpr int kProgressPaintMs = 100;
// Where the window starts, on a screen large enough.
constexpr QPoint kStartPosition(432, 103);
// Room left for the title bar when the window is placed before its frame is known.
constexpr int kTitleBarAllowance = 32;
// The debug log shows a burst of writes at most this often.
constexpr qint64 kMemoFlushMs = 50;

QFont boldFont(const QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    return f;
}

// Panel_Debug: a blank square whose double-click shows or hides the debug log.
class DebugSwitch : public QFrame {
public:
    DebugSwitch(QWidget* parent, TForm1* form) : QFrame(parent), form_(form) {
        setFrameShape(QFrame::NoFrame);
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { form_->Panel_DebugDblClick(); }

private:
    TForm1* form_;
};

}  // namespace

TForm1::TForm1(std::unique_ptr<Dialogs> dialogs, std::unique_ptr<PortLister> ports, QWidget* parent)
    // A normal top-level window (a dialog would be left out of many taskbars) whose title bar
    // has the system menu and a close button, no minimise or maximise box.
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(std::move(dialogs)),
      ports_(std::move(ports)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Varnok"));
    setWindowIcon(AppIcon());
    QFont f = QApplication::font();
    f.setPointSize(8);
    setFont(f);

    VarnokApplication::setErrorSink([this](const QString& text) { dialogs_->showError(text); });

    AddNetworkPortsMenu(*this);
    AddEdidMenu(*this);  // before "Help"
    auto* menu = menuBar()->addMenu(QStringLiteral("&Help"));
    menu->setObjectName(QStringLiteral("Help1"));
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    QAction* about = menu->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About2"));
    connect(about, &QAction::triggered, this, [this] { RunGuarded([this] { About2Click(); }); });

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client_);
    buildLinkArea(client_);

    auto* pages = place(new QTabWidget(client_), "PageControl1", 16, 80, 449, 457);
    controls_.pages = pages;
    struct PageDef {
        const char* name;
        const char* caption;
        void (TForm1::*build)(QWidget*);
    };
    const PageDef defs[] = {
        {"TabSheet1", "EDID Controller", &TForm1::buildControllerPage},
        {"TabSheet3", "EDID Analyzer", &TForm1::buildAnalyzerPage},
        {"TabSheet4", "EDID Creator", &TForm1::buildCreatorPage},
        {"TabSheet2", "System", &TForm1::buildSystemPage},
    };
    for (const auto& d : defs) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(d.name));
        pages->addTab(page, QString::fromLatin1(d.caption));
        (this->*d.build)(page);
    }

    memo_ = place(new QPlainTextEdit(client_), "Memo_Debug", 480, 8, 289, 537);
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setAccessibleDescription(QStringLiteral("Debug log"));
    memo_->hide();
    memoFlush_ = new QTimer(this);
    memoFlush_->setSingleShot(true);
    connect(memoFlush_, &QTimer::timeout, this, &TForm1::flushMemo);
    buildStatusBar();

    progressLabels_[0] = controls_.label2;
    progressLabels_[1] = controls_.label3;
    progressPaint_ = new QTimer(this);
    progressPaint_->setSingleShot(true);
    progressPaint_->setInterval(kProgressPaintMs);
    connect(progressPaint_, &QTimer::timeout, this, [this] {
        // Shows the latest value the labels were given meanwhile.
        for (QLabel* l : progressLabels_) l->setUpdatesEnabled(true);
    });

    link_ = new DeviceLink(*this, this);
    link_->setObjectName(QStringLiteral("DeviceLink"));

    connectLink();

    // Page controllers: each takes its controls from controls() and owns their handlers.
    controllerPage_ = new ControllerPage(*this);
    analyzerPage_ = new AnalyzerPage(*this);
    creatorPage_ = new CreatorPage(*this);
    firmwarePage_ = new FirmwarePage(*this);

    FormCreate();
    ShowTextsPlain(this);
    applyClientSize();
    placeOnScreen(kStartPosition);
}

TForm1::~TForm1() {
    VarnokApplication::setErrorSink(nullptr);
}

void TForm1::buildLinkArea(QWidget* client) {
    FormControls& c = controls_;
    c.linkGroup = group(client, "GroupBox1", QStringLiteral("Link"), 16, 8, 169, 57);
    c.linkGroup->setFont(boldFont(c.linkGroup));
    c.led = new LedShape(c.linkGroup);
    c.led->setObjectName(QStringLiteral("Shape_LED_Link"));
    c.led->move(16, 28);
    c.modelName = place(new QLabel(QStringLiteral("Not Found."), c.linkGroup), "Label_Model_Name",
                        41, 28, 120, 17);
    c.modelName->setFont(boldFont(c.modelName));
    c.modelName->setAccessibleDescription(QStringLiteral("Model name"));

    c.search = button(client, "BitBtn_Search", QStringLiteral("Search"), 200, 24, 100, 33);
    c.search->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    c.search->setFont(boldFont(c.search));
    c.disconnect =
        button(client, "BitBtn_Disconnect", QStringLiteral("Disconnect"), 312, 24, 115, 33);
    c.disconnect->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    c.disconnect->setFont(boldFont(c.disconnect));
    c.disconnect->setEnabled(false);

    place(new DebugSwitch(client, this), "Panel_Debug", 448, 8, 25, 25);
}

void TForm1::buildControllerPage(QWidget* page) {
    FormControls& c = controls_;
    auto* mode = group(page, "RadioGroup2", QStringLiteral("Mode"), 16, 12, 409, 57);
    c.modeInternal = radio(mode, "RadioButton_Set_IntEdid", QStringLiteral("Internal"), 24, 26);
    c.modeExternal = radio(mode, "RadioButton_Set_ExtEdid", QStringLiteral("External"), 152, 26);
    c.modeUser = radio(mode, "RadioButton_Set_UserEdid", QStringLiteral("User"), 280, 26);
    for (QRadioButton* b : {c.modeInternal, c.modeExternal, c.modeUser}) b->setEnabled(false);

    auto* up = group(page, "GroupBox3", QStringLiteral("Upload"), 16, 84, 409, 97);
    c.edidPath = place(new QLineEdit(up), "Edit_Edid_Path", 16, 24, 377, 21);
    c.edidPath->setReadOnly(true);
    c.edidPath->setAccessibleDescription(QStringLiteral("EDID file to upload"));
    c.openEdid = button(up, "Button_Open_Edid", QStringLiteral("Open"), 16, 58);
    c.uploadEdid = button(up, "Button_Upload_Edid", QStringLiteral("Upload"), 104, 58);
    c.uploadEdid->setEnabled(false);
    c.label2 = progressLabel(up, "Label2", QStringLiteral("Upload progress"), 187, 62, 393);

    auto* dl = group(page, "GroupBox2", QStringLiteral("Download"), 16, 196, 409, 65);
    c.downloadInternal = button(dl, "Button_DL_IntEdid", QStringLiteral("Internal"), 16, 26, 81);
    c.downloadExternal = button(dl, "Button_DL_ExtEdid", QStringLiteral("External"), 112, 26, 81);
    c.downloadUser = button(dl, "Button_DL_UserEdid", QStringLiteral("User"), 208, 26, 81);
    c.downloadStored = button(dl, "Button_DL_StoredEdid", QStringLiteral("Stored"), 304, 26, 81);
    for (QPushButton* b :
         {c.downloadInternal, c.downloadExternal, c.downloadUser, c.downloadStored})
        b->setEnabled(false);
    // The Stored download exists, but the window offers no way to it.
    c.downloadStored->setVisible(false);
}

void TForm1::buildAnalyzerPage(QWidget* page) {
    FormControls& c = controls_;
    auto* sel = group(page, "RadioGroup1", QStringLiteral("Select"), 16, 8, 409, 49);
    c.analysisInternal =
        radio(sel, "RadioButton_Analysis_IntEdid", QStringLiteral("Internal"), 16, 22);
    c.analysisExternal =
        radio(sel, "RadioButton_Analysis_ExtEdid", QStringLiteral("External"), 112, 22);
    c.analysisUser = radio(sel, "RadioButton_Analysis_UserEdid", QStringLiteral("User"), 208, 22);
    for (QRadioButton* b : {c.analysisInternal, c.analysisExternal, c.analysisUser})
        b->setEnabled(false);
    c.analysisBin = radio(sel, "RadioButton_Analysis_Bin", QStringLiteral("Bin File"), 304, 22);
    c.informations = group(page, "GroupBox5", QStringLiteral("Informations"), 16, 64, 409, 360);
}

void TForm1::buildCreatorPage(QWidget* page) {
    FormControls& c = controls_;
    c.creatorSheet = page;
    auto* sel = group(page, "RadioGroup3", QStringLiteral("Select"), 8, 2, 217, 43);
    c.brandNew = radio(sel, "RadioButton_Brand_New", QStringLiteral("Brand New"), 10, 18, 95);
    c.binModify =
        radio(sel, "RadioButton_Bin_Modifiy", QStringLiteral("Bin Modifiy"), 110, 18, 100);
    auto* warn = place(new QLabel(page), "Label_EdidCreator_Warning", 232, 14, 200, 30);
    warn->setFont(boldFont(warn));
    warn->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    warn->setWordWrap(true);
    warn->setAccessibleDescription(QStringLiteral("Creator warning"));
    c.creatorWarning = warn;
    c.creatorPages = place(new QTabWidget(page), "PageControl2", 8, 48, 425, 340);
    c.saveCreated = button(page, "Button_Save_Created", QStringLiteral("Save"), 8, 396);
    c.uploadCreated = button(page, "Button_Upload_Created", QStringLiteral("Upload"), 96, 396);
    c.uploadCreated->setEnabled(false);
    c.label3 =
        progressLabel(page, "Label3", QStringLiteral("Creator upload progress"), 179, 400, 425);
}

void TForm1::buildSystemPage(QWidget* page) {
    FormControls& c = controls_;
    c.firmwareGroup = group(page, "GroupBox4", QStringLiteral("Firmware"), 16, 16, 409, 52);
    QWidget* fw = c.firmwareGroup;
    c.firmwareVersion = place(new QLabel(QStringLiteral("Current Version : "), fw),
                              "Label_FW_Version", 16, 24, 377, 17);
    c.firmwareVersion->setAccessibleDescription(QStringLiteral("Firmware version"));
    c.firmwarePath = place(new QLineEdit(fw), "Edit_Fw_Path", 16, 58, 289, 21);
    c.firmwarePath->setReadOnly(true);
    c.firmwarePath->setAccessibleDescription(QStringLiteral("Firmware file"));
    c.openFirmware = button(fw, "Button_Open_Fw", QStringLiteral("Open"), 318, 56);
    c.updateFirmware = button(fw, "Button_Update_Fw", QStringLiteral("Update"), 318, 92);
    c.updateFirmware->setEnabled(false);
    c.verifyFirmware = place(new QCheckBox(QStringLiteral("With Verification"), fw),
                             "CheckBox_FW_Verify", 16, 96, 140, 19);
    c.verifyFirmware->setChecked(true);
    c.label1 = progressLabel(fw, "Label1", QStringLiteral("Firmware progress"), 164, 98, 300);
}

void TForm1::FormCreate() {
    // The dispatcher thread is created with the link, suspended; LinkMode starts at 8. Label6's
    // five-line caption is set as the creator pages are built.
    controls_.pages->setCurrentIndex(0);
    if (controls_.creatorPages->count()) controls_.creatorPages->setCurrentIndex(0);
    link_->LinkMode = kLinkModeApi;
}

void TForm1::applyClientSize() {
    const int w = kClientWidth + (debugShown_ ? kDebugWidth : 0);
    client_->setFixedSize(w, kClientHeight);
    const int menuH = menuBar()->sizeHint().height();
    // The status bar lies below the client area, which keeps its size.
    const int statusH = statusBar()->sizeHint().height();
    setFixedSize(w, kClientHeight + menuH + statusH);
}

bool TForm1::runOperation(const std::function<void()>& operation) {
    if (operationRunning_) {
        // A click refused is told, not swallowed.
        showOutcome(BusyWords());
        return false;
    }
    operationRunning_ = true;
    setOfflineControlsEnabled(false);
    emit operationRunningChanged(true);
    RunGuarded(operation);  // raises nothing: errors are shown
    operationRunning_ = false;
    setOfflineControlsEnabled(true);
    emit operationRunningChanged(false);
    return true;
}

void TForm1::showEvent(QShowEvent* event) {
    // Placed again once the window exists, when the platform may know the frame's size.
    if (!shownOnce_) {
        shownOnce_ = true;
        placeOnScreen(kStartPosition);
    }
    QMainWindow::showEvent(event);
}

void TForm1::placeOnScreen(QPoint topLeft) {
    // Where the window starts, moved only as far as needed for all of it to lie on the screen's
    // available area (at a display scale of 2 a 1280 x 1024 screen is 640 x 512 wide and high).
    const QScreen* on = screen();
    if (!on) {
        move(topLeft);
        return;
    }
    const QRect available = on->availableGeometry();
    // Before it is first shown the frame is not known yet; the title bar is allowed for.
    const QSize frame = frameGeometry().size().expandedTo(size() + QSize(0, kTitleBarAllowance));
    QRect want(topLeft, frame);
    if (want.right() > available.right()) want.moveRight(available.right());
    if (want.bottom() > available.bottom()) want.moveBottom(available.bottom());
    if (want.left() < available.left()) want.moveLeft(available.left());
    if (want.top() < available.top()) want.moveTop(available.top());
    move(want.topLeft());
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close inside an operation's pauses: the search probes no further port, an EDID operation
    // sends nothing more but its end notice, writes no file from a read cut short and shows no
    // box, and the pauses end at once, so the program ends without waiting for the device.
    if (operationRunning_) link_->shutDown();
    QMainWindow::closeEvent(event);
}

void TForm1::setOfflineControlsEnabled(bool enabled) {
    const FormControls& c = controls_;
    for (QWidget* w :
         std::initializer_list<QWidget*>{c.analysisBin, c.brandNew, c.binModify, c.saveCreated})
        w->setEnabled(enabled);
}

void TForm1::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);  // the window has a fixed size
    // A long failure keeps its reason: the path's middle is elided instead.
    status_ = new StatusLabel(bar);
    status_->setObjectName(QStringLiteral("Label_Status"));
    status_->setAccessibleDescription(QStringLiteral("Last outcome"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The label never widens the fixed window; the tooltip shows the whole text.
    status_->setMinimumWidth(1);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(status_, 1);
}

void TForm1::showOutcome(const OutcomeText& outcome) {
    ShowStatus(status_, outcome.text, outcome.failure);
}

EdidWindow* TForm1::openEdidWindow() {
    auto* window = new EdidWindow(*this);
    ShowTextsPlain(window);
    window->show();
    return window;
}

void TForm1::Panel_DebugDblClick() {
    debugShown_ = !debugShown_;
    if (debugShown_) {
        logText_.clear();
        refreshMemo();
        memo_->show();
    } else {
        memo_->hide();
    }
    applyClientSize();
}

void TForm1::About2Click() {
    dialogs_->showInformation(QStringLiteral("Varnok\r\nEDID device tool, version %1")
                                  .arg(QStringLiteral(PROJECT_VERSION)),
                              frameGeometry().topLeft() + QPoint(100, 180));
}

void TForm1::refreshMemo() {
    // The memo shows the text with plain line breaks; a "\r" at the end waits for the next write
    // (see showLogText), so a "\r\n" written in two pieces is still one line break.
    memoPending_.clear();
    memoFlush_->stop();
    memoHeldCr_ = logText_.endsWith(QLatin1Char('\r'));
    QString shown = memoHeldCr_ ? logText_.chopped(1) : logText_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo_->setPlainText(shown);
    scrollMemoToEnd();
    memoShown_.invalidate();  // the next write shows at once
}

void TForm1::showLogText(const QString& text) {
    // Appended to the memo's document, so each write costs what it adds, not the whole log.
    QString shown = text;
    if (memoHeldCr_ && !shown.startsWith(QLatin1Char('\n'))) shown.prepend(QLatin1Char('\r'));
    memoHeldCr_ = shown.endsWith(QLatin1Char('\r'));
    if (memoHeldCr_) shown.chop(1);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.isEmpty()) return;
    QTextCursor end(memo_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
    scrollMemoToEnd();
}

void TForm1::flushMemo() {
    showLogText(memoPending_);
    memoPending_.clear();
    memoShown_.start();
}

void TForm1::scrollMemoToEnd() {
    memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void TForm1::logAppend(const QString& text) {
    logText_ += text;
    // The log is written whether it is visible or not; the memo follows only while shown. A
    // write shows at once, unless one was shown less than kMemoFlushMs ago: writes come in
    // bursts of thousands (a firmware page that fails its verify attempts), and the memo then
    // takes each burst in one piece.
    if (!debugShown_) return;
    memoPending_ += text;
    if (memoFlush_->isActive()) return;
    const qint64 since = memoShown_.isValid() ? memoShown_.elapsed() : kMemoFlushMs;
    if (since >= kMemoFlushMs)
        flushMemo();
    else
        memoFlush_->start(int(kMemoFlushMs - since));
}

void TForm1::logAddLine(const QString& line) {
    // A line of its own also after raw response bytes, which end with no line break.
    const bool midLine = !logText_.isEmpty() && !logText_.endsWith(QLatin1Char('\n'));
    logAppend((midLine ? QStringLiteral("\r\n") : QString()) + line + QStringLiteral("\r\n"));
}

void TForm1::logReplace(const QString& text) {
    logText_ = text;
    if (debugShown_) refreshMemo();
}

void TForm1::showUploadProgress(int percent) {
    // Both labels take every value at once. Their repaints are spaced kProgressPaintMs apart:
    // between two data bytes the link pauses only a little over 1 ms, and a repaint per value
    // would cost about as much as the pause, stretching the upload and keeping a core busy.
    const QString text = QString::number(percent) + QLatin1Char('%');
    const bool paintNow = !progressPaint_->isActive();
    for (QLabel* l : progressLabels_) {
        l->setUpdatesEnabled(paintNow);
        SetLabelText(l, text, false);
    }
    if (paintNow) {
        progressPaint_->start();
        emit uploadProgressShown(percent);
    }
}

}  // namespace varnok
