#include "app/EdidSummaryTab.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/EdidSources.h"
#include "app/ReportLabels.h"
#include "app/WidgetText.h"
#include "edid/Edid.h"
#include "edid/EdidValidity.h"
#include "edid/check/EdidCheck.h"
#include "words/EdidCheckWords.h"
#include "edid/timing/EdidTimingList.h"

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
    size_ = new QLabel(this);
    size_->setObjectName(QStringLiteral("Label_Size"));
    size_->setAccessibleDescription(QStringLiteral("Size"));
    size_->setWordWrap(true);
    layout->addWidget(size_);

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

    // The check before upload: its errors at once, edid-decode's notes when its run has ended.
    findings_ = new QLabel(this);
    findings_->setObjectName(QStringLiteral("Label_Findings"));
    findings_->setAccessibleDescription(QStringLiteral("Errors and notes of the check"));
    findings_->setTextFormat(Qt::PlainText);
    findings_->setWordWrap(true);
    findings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(findings_);
    addTimings(layout);
}

void EdidSummaryTab::addTimings(QBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Preferred timing :"), this));
    preferred_ = new QLabel(this);
    preferred_->setObjectName(QStringLiteral("Summary_Preferred_Timing"));
    preferred_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    preferred_->setAccessibleDescription(QStringLiteral("Preferred timing"));
    row->addWidget(preferred_, 1);
    layout->addLayout(row);
    auto* caption = new QLabel(QStringLiteral("All &timings:"), this);
    timings_ = new QListWidget(this);
    timings_->setObjectName(QStringLiteral("List_Summary_Timings"));
    caption->setBuddy(timings_);
    layout->addWidget(caption);
    layout->addWidget(timings_, 1);
}

void EdidSummaryTab::showTimings(const EdidSample& sample) {
    const EdidTimingList list = ListEdidTimings(sample.bytes);
    preferred_->setText(list.preferred.isEmpty() ? QStringLiteral("none stated") : list.preferred);
    timings_->clear();
    timings_->addItems(list.timings);
}

void EdidSummaryTab::setNotes(const EdidFindings& notes) {
    QStringList lines;
    for (const EdidFinding& f : errors_ + notes) lines << FormatEdidFinding(f);
    if (lines.isEmpty()) lines << QStringLiteral("The check before upload finds no error.");
    findings_->setText(lines.join(QLatin1Char('\n')));
}

void EdidSummaryTab::setSample(const EdidSample& sample) {
    const int blocks = sample.size() / kBlockSize;
    const QString cannotHold = DeviceCannotHoldWords(sample.size());
    size_->setText(
        QStringLiteral("%1 bytes in %2 %3; %4")
            .arg(sample.size())
            .arg(blocks)
            .arg(blocks == 1 ? QStringLiteral("block") : QStringLiteral("blocks"))
            .arg(cannotHold.isEmpty() ? QStringLiteral("the device holds all of it") : cannotHold));
    errors_ = CheckEdid(sample.bytes);
    setNotes({});
    const EdidValidity validity = DescribeEdidValidity(sample.image());
    SetLabelText(validity_, validity.sentence, !validity.valid);
    const EdidReport report = ReportEdidImage(sample.image());
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        QString text = report.values[row];
        // The analyzer's audio row wraps with "\r\n"; here the row is as wide as it needs.
        text.replace(QStringLiteral("\r\n"), QString());
        values_[row]->setText(text);
    }
    showTimings(sample);
}

}  // namespace varnok
