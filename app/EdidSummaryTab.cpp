#include "app/EdidSummaryTab.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/EdidSources.h"
#include "app/ReportLabels.h"
#include "app/WidgetText.h"
#include "edid/Edid.h"
#include "edid/EdidValidity.h"

namespace varnok {

EdidSummaryTab::EdidSummaryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Tab_Summary"));
    auto* layout = new QVBoxLayout(this);
    validity_ = new QLabel(QStringLiteral("No EDID yet."), this);
    validity_->setObjectName(QStringLiteral("Label_Validity"));
    validity_->setAccessibleDescription(QStringLiteral("Validity"));
    validity_->setWordWrap(true);
    validity_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = validity_->font();
    bold.setBold(true);
    validity_->setFont(bold);
    layout->addWidget(validity_);

    auto* rows = new QFormLayout;
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        const QString caption = EdidReportCaption(row);
        auto* value = new QLabel(this);
        // "Label_Edid_Header" becomes "Summary_Edid_Header".
        value->setObjectName(QStringLiteral("Summary_") +
                             QString::fromLatin1(kReportLabelNames[size_t(row)]).mid(6));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The value's text is its accessible name; the row's caption tells what it is.
        value->setAccessibleDescription(caption);
        rows->addRow(caption, value);
        values_[row] = value;
    }
    layout->addLayout(rows);
    layout->addStretch(1);
}

void EdidSummaryTab::setSample(const EdidSample& sample) {
    const EdidValidity validity = DescribeEdidValidity(sample.image());
    SetLabelText(validity_, validity.sentence, !validity.valid);
    const EdidReport report = ReportEdidImage(sample.image());
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        QString text = report.values[row];
        // The analyzer's audio row wraps with "\r\n"; here the row is as wide as it needs.
        text.replace(QStringLiteral("\r\n"), QString());
        values_[row]->setText(text);
    }
}

}  // namespace varnok
