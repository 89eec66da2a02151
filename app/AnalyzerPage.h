#pragma once
// The "EDID Analyzer" page: four source choices (the device's Internal, External and User EDIDs,
// or a .bin file) and the fourteen report rows in the "Informations" group.

#include <QObject>
#include <array>
#include <cstdint>

#include "app/ReportLabels.h"
#include "device/EdidStores.h"
#include "edid/EdidInfo.h"
#include "edid/EdidReport.h"

class QFrame;
class QLabel;
class QRadioButton;

namespace varnok {

class TForm1;

class AnalyzerPage : public QObject {
    Q_OBJECT
public:
    // Builds the rows inside GroupBox5 and takes over the four radio buttons of RadioGroup1.
    explicit AnalyzerPage(TForm1& form);

    // Run when a device choice becomes checked: reads that EDID into its store and reports it.
    void ReadDeviceEdidForAnalysis(EdidSource source);
    // Run on every press of "Bin File": reports the EDID file chosen in the open dialog.
    void RadioButton_Analysis_BinMouseDown();
    // Decodes bytes into info and fills the fourteen value labels.
    void ShowEdidReport(EdidInfo& info, const uint8_t* bytes);

    // Heights of the audio row that show one and two lines of its label in the page's font.
    int audioRowOneLineHeight() const { return oneLineHeight_; }
    int audioRowTwoLinesHeight() const { return twoLinesHeight_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildRows();
    void showReport(const EdidReport& report);
    void setSourcesEnabled(bool enabled);
    void restoreSources();
    bool deviceConnected() const;
    void restoreChoice(QRadioButton* before);

    TForm1& form_;
    std::array<QRadioButton*, 4> sources_{};  // Internal, External, User, Bin File
    QRadioButton* lost_ = nullptr;            // the choice that last lost the check
    QRadioButton* checkedAtPress_ = nullptr;  // the choice checked when "Bin File" was pressed
    std::array<QLabel*, kEdidReportRowCount> values_{};
    QFrame* audioPanel_ = nullptr;
    int oneLineHeight_ = kAudioRowOneLineHeight;
    int twoLinesHeight_ = kAudioRowTwoLinesHeight;
};

}  // namespace varnok
