#include "app/AnalyzerPage.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/ReportLabels.h"
#include "app/TForm1.h"
#include "device/AnalyzerRead.h"
#include "device/EdidFileSteps.h"
#include "device/OperationGuard.h"
#include "edid/Edid.h"
#include "link/DeviceLink.h"
#include "words/OutcomeWords.h"

namespace varnok {
namespace {

constexpr int kCaptionWidth = 150;
constexpr int kRowPadding = 8;  // room above and below a line of text inside a row

constexpr int kBinIndex = 3;
constexpr EdidSource kDeviceSources[3] = {EdidSource::Internal, EdidSource::External,
                                          EdidSource::User};

// Panel names: the audio row's panel has its own name; the others follow their value label.
QString PanelName(int row, const char* labelName) {
    if (row == static_cast<int>(EdidReportRow::AudioFormats))
        return QString::fromLatin1(kAudioFormatsPanelName);
    return QStringLiteral("Panel_") + QString::fromLatin1(labelName).mid(6);  // after "Label_"
}

}  // namespace

AnalyzerPage::AnalyzerPage(TForm1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("AnalyzerPage"));
    const FormControls& c = form_.controls();
    sources_ = {c.analysisInternal, c.analysisExternal, c.analysisUser, c.analysisBin};
    buildRows();

    // With auto-exclusive buttons the choice that loses the check reports it first; the one that
    // gains it takes that note, so it is never older than the latest change.
    for (QRadioButton* b : sources_) {
        connect(b, &QRadioButton::toggled, this, [this, b](bool checked) {
            if (!checked) lost_ = b;
        });
    }
    connect(sources_[kBinIndex], &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) lost_ = nullptr;
    });
    // The device choices react only when they become checked: pressing the checked one again,
    // or being unchecked by another choice, does nothing.
    for (int i = 0; i < 3; ++i) {
        const EdidSource source = kDeviceSources[i];
        connect(sources_[i], &QRadioButton::toggled, this, [this, source](bool checked) {
            if (!checked) return;
            QRadioButton* const before = std::exchange(lost_, nullptr);
            if (!form_.runOperation([this, source] { ReadDeviceEdidForAnalysis(source); }))
                restoreChoice(before);
        });
    }
    // "Bin File" runs on every mouse press, checked or not (the event filter), and on every
    // activation from the keyboard or an assistive tool, which arrives as a click; the press
    // comes before the click has checked the button.
    sources_[kBinIndex]->installEventFilter(this);
    connect(sources_[kBinIndex], &QRadioButton::pressed, this, [this] {
        checkedAtPress_ = nullptr;
        for (QRadioButton* b : sources_)
            if (b->isChecked()) checkedAtPress_ = b;
    });
    connect(sources_[kBinIndex], &QRadioButton::clicked, this, [this] {
        if (!form_.runOperation([this] { RadioButton_Analysis_BinMouseDown(); }))
            restoreChoice(checkedAtPress_);
    });
}

void AnalyzerPage::restoreChoice(QRadioButton* before) {
    // Another operation owns the line: the choices go back to what they were, unread.
    for (QRadioButton* b : sources_) b->blockSignals(true);
    if (before) {
        before->setChecked(true);
    } else {
        for (QRadioButton* b : sources_) {
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
    }
    for (QRadioButton* b : sources_) b->blockSignals(false);
}

void AnalyzerPage::buildRows() {
    QGroupBox* box = form_.controls().informations;
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(8, 2, 8, 2);
    rows->setSpacing(0);

    const QFontMetrics fm(box->font());
    oneLineHeight_ = std::max(kAudioRowOneLineHeight, fm.height() + kRowPadding);
    twoLinesHeight_ =
        std::max(kAudioRowTwoLinesHeight, fm.lineSpacing() + fm.height() + kRowPadding);

    for (int row = 0; row < kEdidReportRowCount; ++row) {
        const EdidReportRowInfo& info = kEdidReportRows[row];
        const char* const labelName = kReportLabelNames[size_t(row)];
        auto* panel = new QFrame(box);
        panel->setObjectName(PanelName(row, labelName));
        panel->setFixedHeight(oneLineHeight_);
        auto* line = new QHBoxLayout(panel);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(0);

        const QString caption = QString::fromLatin1(info.caption);
        auto* captionLabel = new QLabel(caption, panel);
        captionLabel->setObjectName(QStringLiteral("Caption_") +
                                    QString::fromLatin1(labelName).mid(6));
        captionLabel->setFixedWidth(kCaptionWidth);
        captionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        auto* value = new QLabel(panel);
        value->setObjectName(QString::fromLatin1(labelName));
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The value's text is its accessible name; the row's caption tells what it is.
        value->setAccessibleDescription(caption.trimmed());

        line->addWidget(captionLabel);
        line->addWidget(value, 1);
        rows->addWidget(panel);
        values_[row] = value;
        if (row == static_cast<int>(EdidReportRow::AudioFormats)) audioPanel_ = panel;
    }
    rows->addStretch(1);
}

bool AnalyzerPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sources_[kBinIndex] &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        sources_[kBinIndex]->isEnabled()) {
        form_.runOperation([this] { RadioButton_Analysis_BinMouseDown(); });
        return true;  // the press is handled here; the button must not click on its release
    }
    return QObject::eventFilter(watched, event);
}

bool AnalyzerPage::deviceConnected() const {
    return form_.link().connectionState() == ConnectionState::Connected;
}

void AnalyzerPage::setSourcesEnabled(bool enabled) {
    for (QRadioButton* b : sources_) b->setEnabled(enabled);
}

void AnalyzerPage::restoreSources() {
    // "Bin File" needs no device; a Disconnect during the pauses has disabled the device choices
    // for good.
    sources_[kBinIndex]->setEnabled(true);
    if (deviceConnected())
        for (int i = 0; i < kBinIndex; ++i) sources_[i]->setEnabled(true);
}

void AnalyzerPage::ReadDeviceEdidForAnalysis(EdidSource source) {
    // The disabled choices keep the user from starting a second read inside a pause.
    setSourcesEnabled(false);
    EdidInfo& store = form_.stores().forSource(source);
    AnalyzerResult result;
    {
        // The rows are filled before the end notice.
        const OperationGuard guard(form_.link());
        result = ReadAnalyzerImage(form_.link(), form_, source);
        if (result.data.image) {
            // A still invalid image is reported as such.
            store.image = *result.data.image;
            ShowEdidReport(store, store.image.data());
        } else {
            // The device sent nothing whole: report the empty read, not the store's older image.
            EdidInfo nothing;
            ShowEdidReport(nothing, nothing.image.data());
        }
    }
    form_.showOutcome(AnalyzerReadWords(source, result));
    restoreSources();
}

void AnalyzerPage::RadioButton_Analysis_BinMouseDown() {
    // The device choices become unchecked without reacting.
    sources_[kBinIndex]->setChecked(true);
    Dialogs& dialogs = form_.dialogs();
    EdidInfo file;  // lives for this one report
    FileStep step = FileStep::Cancelled;
    {
        // A file is reported without a device too, and then nothing is sent.
        const OperationGuard guard(form_.link(), OperationGuard::KeepDeviceAlive);
        setSourcesEnabled(false);
        if (dialogs.executeOpen()) {
            const auto read = OpenEdidFileLogged(dialogs.openFileName(), form_);
            step = read.is(ReadOutcome::Read) ? FileStep::Read : FileStep::OpenFailed;
            if (step == FileStep::Read) {
                file.image = read.data;
                ShowEdidReport(file, file.image.data());
            }
        }
    }
    form_.showOutcome(AnalyzerFileWords(step, dialogs.openFileName(), file.image));
    restoreSources();
}

void AnalyzerPage::ShowEdidReport(EdidInfo& info, const uint8_t* bytes) {
    DecodeEdid(info, bytes);
    showReport(MakeEdidReport(info));
}

void AnalyzerPage::showReport(const EdidReport& report) {
    for (int row = 0; row < kEdidReportRowCount; ++row) values_[row]->setText(report.values[row]);
    // The audio row starts every report one line high and grows once its list wraps.
    audioPanel_->setFixedHeight(oneLineHeight_);
    if (report.audioTwoLines) audioPanel_->setFixedHeight(twoLinesHeight_);
}

}  // namespace varnok
