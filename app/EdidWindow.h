#pragma once
// The EDID window: one EDID, from a file, pasted text, a display of this computer, the device or
// the creator, shown as the analyzer's rows with its validity (Summary), as bytes (Bytes), as
// edid-decode's full decode with its conformance check (Full Decode), and against a second EDID
// (Compare). It saves the EDID, loads it into the creator, or uploads it as the device's User
// EDID and reads it back to verify. A normal resizable top-level window; several may be open,
// and all close with the main window.

#include <QMainWindow>
#include <optional>

#include "app/EdidSources.h"
#include "device/EdidUpload.h"
#include "edidio/EdidExportFiles.h"

class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;

namespace varnok {

class EdidBytesTab;
class EdidCompareTab;
class EdidDecodeTab;
class EdidEditTab;
class EdidSourceMenu;
class EdidSummaryTab;
class TForm1;

class EdidWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EdidWindow(TForm1& form);

    // The sources (menu "Source"). chooseFile is false when its dialog was cancelled.
    bool chooseFile();
    void pasteHexText();
    void showDisplay(const DisplayEdid& display);
    // Takes an EDID, or shows why none was taken; true when taken.
    bool take(const SampleResult& result);

    // The actions (menu "EDID" and the buttons).
    void saveAsBin();
    void copyAsHex();
    void loadIntoCreator();
    // The Controller page's Upload for these bytes, then the User EDID read back and all 256
    // bytes compared: "User EDID uploaded and verified", or in red how many bytes differ.
    void uploadToDevice();

    // The tools (EdidWindowTools.cpp): the EDID made one the device holds, its checksums and
    // extension count made right, each taken as the window's EDID with what changed in the
    // status bar; an override for an operating system written into a folder chosen.
    void fitToDevice();
    void fixChecksums();
    void exportOverride(EdidExportSystem system);

    const std::optional<EdidSample>& sample() const { return sample_; }
    EdidSourceMenu& sources() { return *sources_; }
    EdidCompareTab& compareTab() { return *compare_; }
    EdidDecodeTab& decodeTab() { return *decode_; }
    EdidEditTab& editTab() { return *edit_; }
    // The EDID as it was loaded, before any edit in the Edit tab.
    const std::optional<EdidSample>& loaded() const { return loaded_; }

protected:
    // Closed inside an operation's pauses (its own upload or read among them), the window would
    // be deleted under the operation: it closes once the operation has ended.
    void closeEvent(QCloseEvent* event) override;
    // A .bin file dropped on the window is opened as if chosen in the Source menu.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    QWidget* buildCentral();
    void showStatus(const OutcomeText& outcome);
    void updateActions();
    void addToolActions(QMenu* menu);
    void takeChanged(const QByteArray& bytes, const QString& how, const OutcomeText& words);
    // Before an upload: a larger EDID is fitted and errors are shown, each in a question; false
    // when one was cancelled.
    bool confirmUpload(UploadOptions& options);
    // A larger EDID where only 256 bytes fit: true once fitted (the window then holds the fit)
    // or when it fits as it is; false when the question was cancelled.
    bool confirmFit(const QString& then, const QString& yes);
    // The Edit tab changed the bytes: every other tab follows, the title marks an edited EDID.
    void showEdited(const QByteArray& bytes);
    // An edited EDID about to be replaced or closed: saved, discarded, or (false) kept.
    bool settleEdits();

    TForm1& form_;
    std::optional<EdidSample> sample_;
    EdidSourceMenu* sources_ = nullptr;
    QLabel* origin_ = nullptr;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    EdidSummaryTab* summary_ = nullptr;
    EdidBytesTab* bytes_ = nullptr;
    EdidDecodeTab* decode_ = nullptr;
    EdidCompareTab* compare_ = nullptr;
    EdidEditTab* edit_ = nullptr;
    std::optional<EdidSample> loaded_;
    QList<QAction*> edidActions_;  // need an EDID: Save, Copy, Load into the creator
    QAction* upload_ = nullptr;    // needs an EDID and the device, with no operation running
    QList<QPushButton*> edidButtons_;
    QPushButton* uploadButton_ = nullptr;
    bool closeDeferred_ = false;
};

// The main window's menu "EDID": a new EDID window, empty or with a file, pasted text or a
// display of this computer.
void AddEdidMenu(TForm1& form);

}  // namespace varnok
