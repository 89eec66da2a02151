#pragma once
// Where an EDID window takes its EDIDs from: a .bin file, pasted hex text, a display of this
// computer, the device's Internal, External or User EDID (the analyzer's read), or the creator's
// last built image. The same menu serves the window's EDID and the one it is compared with.

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "device/EdidStores.h"
#include "edid/EdidInfo.h"
#include "edidio/DisplayEdids.h"
#include "words/OutcomeWords.h"

class QAction;
class QMenu;
class QWidget;

namespace varnok {

class TForm1;

// An EDID held by an EDID window, with where it came from. It keeps the size it was read with
// (128 x N bytes): a 128-byte EDID is saved as 128 bytes, and only the way to the device pads it.
struct EdidSample {
    QByteArray bytes;  // every byte of the EDID
    QString origin;    // in words: a path, "pasted edid-decode output", "display card0-DP-1"
    QString fileName;  // proposed for Save as .bin
    QString path;      // the file it was read from; empty for the other sources
    // Read from the device: which of its EDIDs, so that a later read-back can stand in for it.
    std::optional<EdidSource> deviceSource;

    int size() const { return int(bytes.size()); }
    // The device's 256-byte image of it: a 128-byte EDID reads 0xFF after its base block, as its
    // .bin file does on the device's pages.
    EdidImage image() const;
};

// A sample, or the words why none was taken (and the words of a sample taken, too).
struct SampleResult {
    std::optional<EdidSample> sample;
    OutcomeText outcome;
};

SampleResult SampleFromFile(const QString& path);
SampleResult SampleFromHexText(const QString& text);
SampleResult SampleFromDisplay(const DisplayEdid& display);

// Lists this computer's displays in menu each time it is about to show (an entry per display
// whose EDID is not empty, or one disabled line saying there is none); chosen gets the display.
void AttachDisplayMenu(QMenu* menu, std::function<void(const DisplayEdid&)> chosen);

// The source menu's entries, added to menu; each taken EDID (or failure) goes to taken. Object
// names start with prefix ("Source" for the window's EDID, "Compare" for the other one).
class EdidSourceMenu : public QObject {
    Q_OBJECT
public:
    EdidSourceMenu(TForm1& form, QMenu* menu, QWidget* dialogParent, const QString& prefix,
                   std::function<void(const SampleResult&)> taken);

    // Each entry's work, also for a direct call. chooseFile is false when the dialog was
    // cancelled.
    bool chooseFile();
    void pasteHexText();
    void takeDisplay(const DisplayEdid& display);
    // The analyzer's read with its retries and failure handling, inside the window's one
    // operation at a time; the analyzer's rows and stores are left alone.
    void readDevice(EdidSource source);
    void takeCreatorImage();

private:
    void updateDeviceEntries();

    TForm1& form_;
    QWidget* dialogParent_;
    std::function<void(const SampleResult&)> taken_;
    QList<QAction*> deviceEntries_;
};

}  // namespace varnok
