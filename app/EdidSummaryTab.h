#pragma once
// The EDID window's "Summary" tab: where the EDID comes from, its validity in words (which check
// failed and what was found), the analyzer's fourteen rows, and below them the preferred timing
// and the list of all timings, since the rows name only the best CTA-861 format.

#include <QWidget>
#include <array>

#include "edid/EdidReport.h"

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

private:
    // Below the rows: the preferred timing and every timing the EDID offers.
    void addTimings(QBoxLayout* layout);
    void showTimings(const EdidSample& sample);

    QLabel* validity_;
    QLabel* preferred_ = nullptr;
    QListWidget* timings_ = nullptr;
    std::array<QLabel*, kEdidReportRowCount> values_{};
};

}  // namespace varnok
