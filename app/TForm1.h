#pragma once
// Form1: the one window of Varnok. It holds every control (each with its objectName, and typed in
// FormControls), the device link and the shared dialogs, and shows what the link and the
// operations report.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

#include "app/Dialogs.h"
#include "app/FormControls.h"
#include "device/EdidStores.h"
#include "device/SearchView.h"
#include "link/LinkView.h"
#include "link/SerialPort.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QWidget;

namespace varnok {

class AnalyzerPage;
class ControllerPage;
class CreatorPage;
class DeviceLink;
class DeviceSearch;
class EdidWindow;
class FirmwarePage;
struct OutcomeText;

class TForm1 : public QMainWindow, public LinkView, public SearchView {
    Q_OBJECT
public:
    // The product passes Qt's dialogs and the system's port list; tests and the demo their own.
    TForm1(std::unique_ptr<Dialogs> dialogs, std::unique_ptr<PortLister> ports,
           QWidget* parent = nullptr);
    ~TForm1() override;

    DeviceLink& link() { return *link_; }
    Dialogs& dialogs() { return *dialogs_; }
    PortLister& ports() { return *ports_; }
    EdidStores& stores() { return stores_; }
    // The window's controls, each by its type.
    const FormControls& controls() const { return controls_; }

    // Debug log (Memo_Debug). The text is kept exactly as written ("\r\n" line ends); the memo
    // shows it with plain line breaks.
    void logAppend(const QString& text) override;
    void logAddLine(const QString& line) override;
    void logReplace(const QString& text) override;
    const QString& debugLogText() const { return logText_; }
    void showUploadProgress(int percent) override;

    // Connection (BitBtn_Search, BitBtn_Disconnect) and what it changes in the window.
    DeviceSearch& search() { return *search_; }
    void BitBtn_SearchClick();
    void BitBtn_DisconnectClick();
    void setBusy(bool on) override;
    void enterConnected() override;
    void enableDeviceControls() override;
    void enterIsp() override;
    void enterDisconnected() override;

    // One operation on the device at a time, window-wide. The pauses of an operation let the
    // window take clicks on every page; a second operation started then would interleave its
    // commands with the first's on the one line (an upload's paced data would take another
    // command's header for EDID bytes). runOperation runs `operation` guarded and returns true,
    // or, while another runs, runs nothing and returns false.
    // The analyzer's "Bin File" and the creator's loads and Save need no device: they are
    // enabled whenever no operation runs, connected or not, and disabled while one runs.
    bool runOperation(const std::function<void()>& operation);
    bool operationRunning() const { return operationRunning_; }

    // The status bar under the pages: the last outcome of any operation in words, failures in
    // red (Label_Status).
    void showOutcome(const OutcomeText& outcome);

    ControllerPage& controllerPage() { return *controllerPage_; }
    AnalyzerPage& analyzerPage() { return *analyzerPage_; }
    CreatorPage& creatorPage() { return *creatorPage_; }
    FirmwarePage& firmwarePage() { return *firmwarePage_; }
    // A new EDID window (menu "EDID"); several may be open. Closed with the main window.
    EdidWindow* openEdidWindow();

    // Window-level handlers.
    void Panel_DebugDblClick();
    void About2Click();
    bool debugLogShown() const { return debugShown_; }

    // The client area's fixed size without the debug log.
    static constexpr int kClientWidth = 480;
    static constexpr int kClientHeight = 552;
    static constexpr int kDebugWidth = 289 + 15;

protected:
    // Closing ends the program now (see the definition); the firmware update defers it itself.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

signals:
    // An operation started or ended (the EDID windows follow with their device actions).
    void operationRunningChanged(bool running);
    // Upload progress as the upload labels show it, for an EDID window that started the upload.
    void uploadProgressShown(int percent);

private:
    void FormCreate();
    void buildLinkArea(QWidget* client);
    void buildControllerPage(QWidget* page);
    void buildAnalyzerPage(QWidget* page);
    void buildCreatorPage(QWidget* page);
    void buildSystemPage(QWidget* page);
    void applyClientSize();
    void placeOnScreen(QPoint topLeft);
    void refreshMemo();
    void showLogText(const QString& text);
    void flushMemo();
    void scrollMemoToEnd();
    void connectLink();
    void showModelName(const QString& name);
    void showEdidMode(uint8_t mode);
    void setEnabledInOrder(std::initializer_list<QWidget*> widgets, bool enabled);
    void buildStatusBar();
    void setOfflineControlsEnabled(bool enabled);

    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<PortLister> ports_;
    DeviceLink* link_ = nullptr;
    EdidStores stores_;
    DeviceSearch* search_ = nullptr;
    FormControls controls_;
    ControllerPage* controllerPage_ = nullptr;
    AnalyzerPage* analyzerPage_ = nullptr;
    CreatorPage* creatorPage_ = nullptr;
    FirmwarePage* firmwarePage_ = nullptr;
    QLabel* status_ = nullptr;

    QWidget* client_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QString logText_;
    bool memoHeldCr_ = false;  // the memo has not yet shown the "\r" that ends logText_
    QString memoPending_;      // written to the shown log, not yet in the memo
    QTimer* memoFlush_ = nullptr;
    QElapsedTimer memoShown_;  // since the memo last took what was written
    bool operationRunning_ = false;
    bool debugShown_ = false;
    bool shownOnce_ = false;
    // Label2 and Label3, written at every data byte of an upload, and the timer that spaces out
    // their repaints (see showUploadProgress).
    QLabel* progressLabels_[2] = {nullptr, nullptr};
    QTimer* progressPaint_ = nullptr;
};

}  // namespace varnok
