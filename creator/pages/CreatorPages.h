#pragma once
// The creator's seven sub-pages inside the window's PageControl2: their controls, the input
// rules and reactions that tie them together, and loading an EDID into them ("Brand New",
// "Bin Modifiy"). The window owns the page control, the warning label, the load buttons and the
// creator record; the device link and the file dialog reach the creator through CreatorHooks.
//
// Every reaction runs on each change of a control's text or checked state, whether the user or
// the program makes it, so loading an EDID drives the same rules as typing.

#include <QDate>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "creator/pages/InputRules.h"
#include "edid/EdidInfo.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTabWidget;

namespace varnok {

// How a load of the creator ended, for the window's words.
struct CreatorLoad {
    enum Kind {
        Default,     // "Brand New": the built-in default image
        File,        // "Bin Modifiy": the file at path was read and loaded
        FileFailed,  // the file at path could not be opened; nothing loaded
        Cancelled,   // no file chosen; nothing loaded
    };
    Kind kind = Default;
    QString path;
};

struct CreatorHooks {
    // A file operation begins: the window tells the device now (notice 10), and that it has
    // ended (notice 11) when the returned handle is let go, on every path out of the load.
    std::function<std::shared_ptr<void>()> beginFileOperation;
    // The shared open dialog (OpenDialog1, filter "EDID (*.bin)"): the chosen file, or nothing
    // when the user cancels.
    std::function<std::optional<QString>()> chooseEdidFile;
    // Replaces the whole text of the debug log.
    std::function<void(const QString& text)> replaceLog;
    // Shows an error raised inside a handler (the conversion error of a number field) in a
    // message box; without it the creator shows a plain critical message box.
    std::function<void(const QString& text)> showError;
    // The local date for "Brand New"; QDate::currentDate when not set.
    std::function<QDate()> today;
    // Told after every load by the two buttons, with how it ended.
    std::function<void(const CreatorLoad& load)> loaded;
};

class CreatorPages : public QObject {
    Q_OBJECT
public:
    // Builds the seven sub-pages into pageControl2 and connects their reactions. warningLabel is
    // Label_EdidCreator_Warning (may be null in tests); creatorImage is the window's
    // CreatorImage, whose status carries InputError and BrandNew. Both must outlive this object.
    CreatorPages(QTabWidget* pageControl2, QLabel* warningLabel, EdidInfo& creatorImage,
                 CreatorHooks hooks, QObject* parent = nullptr);

    // Runs the loads on every press of the two radio buttons (RadioButton_Brand_New,
    // RadioButton_Bin_Modifiy), errors shown through the hooks.
    void attachLoadButtons(QAbstractButton* brandNew, QAbstractButton* binModify);

    // "Brand New": sets BrandNew, copies the built-in default image and loads it.
    void RadioButton_Brand_NewMouseDown();
    // "Bin Modifiy": the file operation begins, the open dialog, the file read into CreatorImage
    // and loaded, the operation ends. True when a file was read and loaded.
    bool RadioButton_Bin_ModifiyMouseDown();
    // Decodes info.image in place and sets every creator control from the record; an invalid
    // image resets the controls and shows "Error." in both name edits.
    void LoadEdidIntoCreator(EdidInfo& info);
    // What "Bin Modifiy" does once its file is read, with bytes from elsewhere (the EDID
    // window): clears BrandNew, copies the bytes into CreatorImage and loads it. Nothing is sent
    // and the log is not touched, since no file is opened.
    void LoadEdidBytes(const EdidImage& bytes);

    // The "Audio2" page was shown: ScrollBox1 takes the keyboard focus. Installed by the
    // constructor on TabSheet11's show event; public for a direct call.
    void TabSheet11Show();
    // One wheel step of ScrollBox1, 15 down or up (clamped by the scroll bar). Installed by the
    // constructor on the scroll box's wheel events; public for a direct call.
    void ScrollBox1MouseWheelDown();
    void ScrollBox1MouseWheelUp();

    EdidInfo& creatorImage() { return image_; }
    QTabWidget* pageControl() const { return pages_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectEdits();
    void connectSpeakerPairs();
    void connectDetailPanels();
    // Runs the rule of row on its edit (the manufacturer edit for a CEC address change).
    void runInputRule(const EditRow& row);
    void applyVerdict(QLineEdit* edit, const RuleVerdict& verdict);
    // Runs body; an error it raises is shown through showError instead of escaping into Qt.
    void guarded(const std::function<void()>& body);
    void reportError(const QString& text);

    // Loader steps (tables of the load in order).
    void loadDescriptor(const EdidInfo& info);
    void loadPcTiming(const EdidInfo& info);
    void loadColor(const EdidInfo& info);
    void loadVideo(const EdidInfo& info);
    void loadHdrAnd3d(const EdidInfo& info);
    void loadAudio(const EdidInfo& info);
    void loadSpeakers(const EdidInfo& info);
    void resetForInvalidImage();

    void setText(const char* edit, const QString& text);
    void setChecked(const QString& box, bool checked);

    QTabWidget* pages_;
    QLabel* warning_;
    EdidInfo& image_;
    CreatorHooks hooks_;
    QScrollArea* scrollBox_ = nullptr;
};

}  // namespace varnok
