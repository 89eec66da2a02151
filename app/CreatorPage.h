#pragma once
// The "EDID Creator" page: the seven sub-pages with their rules and loader (CreatorPages), and
// the window's side of them: the two load buttons, the notices on the link, the shared open
// dialog and the debug log; and the two buttons that build the page's EDID and save it to a file
// or upload it as the device's User EDID.

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

#include "edid/EdidInfo.h"

namespace varnok {

class CreatorPages;
class TForm1;

class CreatorPage : public QObject {
    Q_OBJECT
public:
    explicit CreatorPage(TForm1& form);

    CreatorPages& pages() { return *pages_; }

    // "Save": builds the image and writes it to the file chosen in the save dialog, which
    // proposes "Created_Edid.bin" every time.
    void Button_Save_CreatedClick();
    // "Upload": builds the image, validates it and sends it as the device's User EDID; Label3
    // shows the progress or the reason the image was refused.
    void Button_Upload_CreatedClick();

    // The image of the last Save or Upload, built from the pages; nothing before the first.
    const std::optional<EdidImage>& lastBuilt() const { return lastBuilt_; }
    // Loads bytes from the EDID window as "Bin Modifiy" loads a file's.
    void LoadEdidBytes(const EdidImage& bytes);

private:
    void run(const std::function<void()>& operation);
    // Collects the pages into the creator record and writes its image. Nothing when a field is
    // not a number: the error is then shown and nothing else happens. Otherwise the debug-log
    // lines of the blocks the image had no room for.
    std::optional<QStringList> build();
    // After a build from a loaded EDID: true when the built image keeps what the loaded one held,
    // or the user chose to go on without it.
    bool goOnDespiteLosses(bool upload);

    TForm1& form_;
    CreatorPages* pages_ = nullptr;
    std::optional<EdidImage> lastBuilt_;
    // What "Bin Modifiy" or the EDID window loaded last; nothing after "Brand New".
    std::optional<EdidImage> loaded_;
    QString buildError_;  // the message of the last build stopped by a number field
};

}  // namespace varnok
