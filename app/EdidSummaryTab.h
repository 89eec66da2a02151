#pragma once
// The EDID window's "Summary" tab: where the EDID comes from, its validity in words (which check
// failed and what was found), and the analyzer's fourteen rows.

#include <QWidget>
#include <array>

#include "edid/EdidReport.h"

class QLabel;

namespace varnok {

struct EdidSample;

class EdidSummaryTab : public QWidget {
    Q_OBJECT
public:
    explicit EdidSummaryTab(QWidget* parent = nullptr);
    void setSample(const EdidSample& sample);

private:
    QLabel* validity_;
    std::array<QLabel*, kEdidReportRowCount> values_{};
};

}  // namespace varnok
