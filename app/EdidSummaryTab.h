#pragma once
// The EDID window's "Summary" tab: where the EDID comes from, its validity in words (which check
// failed and what was found), its size and what the device holds of it, the analyzer's fourteen
// rows, the findings of the check before upload, and below them the preferred timing and the list
// of all timings, since the rows name only the best CTA-861 format.

#include <QWidget>
#include <array>

#include "edid/EdidReport.h"
#include "edid/check/EdidFindings.h"

class QLabel;
class QBoxLayout;
class QListWidget;

namespace varnok {

struct EdidSample;

class EdidSummaryTab : public QWidget {
    Q_OBJECT
public:
    explicit EdidSummaryTab(QWidget* parent = nullptr);
    void setSample(const EdidSample& sample);
    // edid-decode's notes, once its run in the background has ended; the check's errors come
    // with the sample.
    void setNotes(const EdidFindings& notes);

private:
    // Below the rows: the preferred timing and every timing the EDID offers.
    void addTimings(QBoxLayout* layout);
    void showTimings(const EdidSample& sample);

    QLabel* validity_;
    QLabel* size_;
    QLabel* findings_;
    EdidFindings errors_;
    QLabel* preferred_ = nullptr;
    QListWidget* timings_ = nullptr;
    std::array<QLabel*, kEdidReportRowCount> values_{};
};

}  // namespace varnok
