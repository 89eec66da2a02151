#pragma once
// The EDID window's "Compare" tab: a second EDID from any source, the analyzer's fourteen rows
// of both side by side with the differing rows marked, and every byte offset that differs with
// both values.

#include <QWidget>
#include <optional>

#include "app/EdidSources.h"

class QLabel;
class QTableWidget;

namespace varnok {

class TForm1;

class EdidCompareTab : public QWidget {
    Q_OBJECT
public:
    EdidCompareTab(TForm1& form, QWidget* parent = nullptr);

    void setThis(const EdidSample& sample);
    // Takes the EDID to compare with, or shows why none was taken.
    bool takeOther(const SampleResult& result);
    EdidSourceMenu& sources() { return *sources_; }
    // What this EDID is compared with until the user chooses another: the EDID as loaded once
    // it has been edited (nothing: the tab waits for a choice).
    void setDefaultOther(const std::optional<EdidSample>& sample);
    // The device's User EDID as just read back after an upload: a comparison with the device's
    // User EDID now compares with what the device holds.
    void userEdidReadBack(const EdidImage& image);

private:
    void refresh();
    void showOrigin();

    std::optional<EdidSample> this_;
    std::optional<EdidSample> other_;
    std::optional<EdidSample> defaultOther_;
    EdidSourceMenu* sources_;
    QLabel* origin_;
    QLabel* summary_;
    QTableWidget* rows_;
    QTableWidget* bytes_;
};

}  // namespace varnok
