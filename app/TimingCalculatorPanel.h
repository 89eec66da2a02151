#pragma once
// The Edit tab's panel for a detailed timing: the calculator (W, H, Hz, method and its options
// fill the fields), the fields themselves to set by hand, whether a descriptor holds the timing
// (and when only a front porch is too long, a button that moves the excess into the back porch),
// the link-check table with the reason for each "no", and the timing drawn to scale. Apply hands
// the timing on; the tab turns it into an edit.

#include <QWidget>
#include <optional>

#include "edid/timing/DetailedTiming.h"
#include "edid/timing/LinkCheck.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace varnok {

class TimingDrawing;

class TimingCalculatorPanel : public QWidget {
    Q_OBJECT
public:
    explicit TimingCalculatorPanel(QWidget* parent = nullptr);
    // Shows a descriptor's timing in the fields (and the calculator's W, H, Hz), and the EDID's
    // own limits for the link check.
    void showTiming(const Timing& timing, const LinkLimits& limits);
    // The timing the fields hold.
    Timing timing() const;
    // Runs the calculator with its W, H, Hz and method into the fields; false with the reason
    // shown when the method has no such timing.
    bool calculate();
    // Moves the front porch's excess into the back porch (only offered when that is all that
    // keeps the timing out of a descriptor).
    void fitIntoDescriptor();

signals:
    void applyRequested(const varnok::Timing& timing);

private:
    void fieldsChanged();
    void setFields(const Timing& t);

    QSpinBox* width_;
    QSpinBox* height_;
    QDoubleSpinBox* rate_;
    QComboBox* method_;
    QCheckBox* interlaced_;
    QCheckBox* videoRate_;
    QSpinBox* clock_;  // kHz
    QSpinBox* hfront_;
    QSpinBox* hsync_;
    QSpinBox* hback_;
    QSpinBox* vfront_;
    QSpinBox* vsync_;
    QSpinBox* vback_;
    QCheckBox* hpos_;
    QCheckBox* vpos_;
    QCheckBox* fieldInterlaced_;
    QLabel* fit_;
    QPushButton* fitButton_;
    QPushButton* apply_;
    QTableWidget* links_;
    QPlainTextEdit* reasons_;  // each "no" with its reason
    TimingDrawing* drawing_;
    QLabel* summary_;
    LinkLimits limits_;
    bool filling_ = false;
};

}  // namespace varnok
