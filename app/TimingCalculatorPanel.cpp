#include "app/TimingCalculatorPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/TimingDrawing.h"
#include "app/WidgetText.h"
#include "edid/timing/TimingCalculator.h"
#include "edid/timing/TimingText.h"

namespace varnok {
namespace {

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(lo, hi);
    return s;
}

// A caption with its edit as buddy, in a form.
template <typename W>
W* Row(QFormLayout* form, const QString& caption, W* edit) {
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

}  // namespace

TimingCalculatorPanel::TimingCalculatorPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_TimingCalculator"));
    auto* layout = new QHBoxLayout(this);
    auto* leftColumn = new QVBoxLayout;
    layout->addLayout(leftColumn, 1);

    auto* calc = new QGroupBox(QStringLiteral("Calculator"), this);
    auto* calcForm = new QFormLayout(calc);
    width_ = Row(calcForm, QStringLiteral("&Width:"), Spin(calc, "Spin_TimingWidth", 1, 16384));
    height_ = Row(calcForm, QStringLiteral("&Height:"), Spin(calc, "Spin_TimingHeight", 1, 16384));
    rate_ = new QDoubleSpinBox(calc);
    rate_->setObjectName(QStringLiteral("Spin_TimingRate"));
    rate_->setRange(1, 1000);
    rate_->setDecimals(3);
    Row(calcForm, QStringLiteral("&Refresh (Hz):"), rate_);
    method_ = new QComboBox(calc);
    method_->setObjectName(QStringLiteral("Combo_TimingMethod"));
    for (const TimingMethod m : kTimingMethods)
        method_->addItem(TimingMethodTitle(m), TimingMethodName(m));
    Row(calcForm, QStringLiteral("&Method:"), method_);
    interlaced_ = new QCheckBox(QStringLiteral("&Interlaced"), calc);
    interlaced_->setObjectName(QStringLiteral("Check_TimingInterlaced"));
    videoRate_ = new QCheckBox(QStringLiteral("Video rate (x 1000/100&1)"), calc);
    videoRate_->setObjectName(QStringLiteral("Check_TimingVideoRate"));
    calcForm->addRow(interlaced_);
    calcForm->addRow(videoRate_);
    auto* calculateButton = new QPushButton(QStringLiteral("&Calculate"), calc);
    calculateButton->setObjectName(QStringLiteral("Button_CalculateTiming"));
    calcForm->addRow(calculateButton);
    leftColumn->addWidget(calc);

    auto* fields = new QGroupBox(QStringLiteral("Timing"), this);
    auto* fieldForm = new QFormLayout(fields);
    clock_ = Row(fieldForm, QStringLiteral("Pixel clock (&kHz):"),
                 Spin(fields, "Spin_TimingClock", 0, 99999999));
    hfront_ = Row(fieldForm, QStringLiteral("H front porch:"),
                  Spin(fields, "Spin_TimingHFront", -4096, 16384));
    hsync_ = Row(fieldForm, QStringLiteral("H sync:"), Spin(fields, "Spin_TimingHSync", 0, 16384));
    hback_ = Row(fieldForm, QStringLiteral("H back porch:"),
                 Spin(fields, "Spin_TimingHBack", -4096, 16384));
    vfront_ = Row(fieldForm, QStringLiteral("V front porch:"),
                  Spin(fields, "Spin_TimingVFront", 0, 16384));
    vsync_ = Row(fieldForm, QStringLiteral("V sync:"), Spin(fields, "Spin_TimingVSync", 0, 16384));
    vback_ =
        Row(fieldForm, QStringLiteral("V back porch:"), Spin(fields, "Spin_TimingVBack", 0, 16384));
    hpos_ = new QCheckBox(QStringLiteral("H sync positive"), fields);
    hpos_->setObjectName(QStringLiteral("Check_TimingHPositive"));
    vpos_ = new QCheckBox(QStringLiteral("V sync positive"), fields);
    vpos_->setObjectName(QStringLiteral("Check_TimingVPositive"));
    fieldInterlaced_ = new QCheckBox(QStringLiteral("Interlaced fields"), fields);
    fieldInterlaced_->setObjectName(QStringLiteral("Check_TimingFieldsInterlaced"));
    fieldForm->addRow(hpos_);
    fieldForm->addRow(vpos_);
    fieldForm->addRow(fieldInterlaced_);
    leftColumn->addWidget(fields);

    fit_ = new QLabel(this);
    fit_->setObjectName(QStringLiteral("Label_TimingFit"));
    fit_->setAccessibleDescription(QStringLiteral("Whether a detailed timing descriptor holds it"));
    fit_->setWordWrap(true);
    leftColumn->addWidget(fit_);
    auto* buttons = new QHBoxLayout;
    fitButton_ = new QPushButton(QStringLiteral("Move E&xcess into Back Porch"), this);
    fitButton_->setObjectName(QStringLiteral("Button_FitTiming"));
    apply_ = new QPushButton(QStringLiteral("&Apply to Descriptor"), this);
    apply_->setObjectName(QStringLiteral("Button_ApplyTiming"));
    buttons->addWidget(fitButton_);
    buttons->addWidget(apply_);
    leftColumn->addLayout(buttons);
    leftColumn->addStretch(1);

    auto* rightColumn = new QVBoxLayout;
    layout->addLayout(rightColumn, 2);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Label_TimingSummary"));
    summary_->setAccessibleDescription(QStringLiteral("The timing"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rightColumn->addWidget(summary_);
    drawing_ = new TimingDrawing(this);
    rightColumn->addWidget(drawing_, 1);
    links_ = new QTableWidget(this);
    links_->setObjectName(QStringLiteral("Table_LinkCheck"));
    links_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    links_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* linksCaption = new QLabel(QStringLiteral("&Links:"), this);
    linksCaption->setBuddy(links_);
    rightColumn->addWidget(linksCaption);
    rightColumn->addWidget(links_, 1);
    reasons_ = new QPlainTextEdit(this);
    reasons_->setObjectName(QStringLiteral("Text_LinkReasons"));
    reasons_->setReadOnly(true);
    reasons_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* reasonsCaption = new QLabel(QStringLiteral("Wh&y not:"), this);
    reasonsCaption->setBuddy(reasons_);
    rightColumn->addWidget(reasonsCaption);
    rightColumn->addWidget(reasons_, 1);

    connect(calculateButton, &QPushButton::clicked, this, [this] { calculate(); });
    connect(fitButton_, &QPushButton::clicked, this, &TimingCalculatorPanel::fitIntoDescriptor);
    connect(apply_, &QPushButton::clicked, this, [this] { emit applyRequested(timing()); });
    for (QSpinBox* s : {width_, height_, clock_, hfront_, hsync_, hback_, vfront_, vsync_, vback_})
        connect(s, &QSpinBox::valueChanged, this, &TimingCalculatorPanel::fieldsChanged);
    for (QCheckBox* c : {hpos_, vpos_, fieldInterlaced_})
        connect(c, &QCheckBox::toggled, this, &TimingCalculatorPanel::fieldsChanged);
}

void TimingCalculatorPanel::showTiming(const Timing& timing, const LinkLimits& limits) {
    limits_ = limits;
    setFields(timing);
    filling_ = true;
    rate_->setValue(timing.refreshHz());
    interlaced_->setChecked(timing.interlaced);
    filling_ = false;
}

Timing TimingCalculatorPanel::timing() const {
    Timing t;
    t.width = width_->value();
    t.height = height_->value();
    t.pixelClockKhz = clock_->value();
    t.hfront = hfront_->value();
    t.hsync = hsync_->value();
    t.hback = hback_->value();
    t.vfront = vfront_->value();
    t.vsync = vsync_->value();
    t.vback = vback_->value();
    t.hsyncPositive = hpos_->isChecked();
    t.vsyncPositive = vpos_->isChecked();
    t.interlaced = fieldInterlaced_->isChecked();
    return t;
}

bool TimingCalculatorPanel::calculate() {
    TimingRequest q;
    q.width = width_->value();
    q.height = height_->value();
    q.refreshHz = rate_->value();
    q.method = *TimingMethodFromName(method_->currentData().toString());
    q.interlaced = interlaced_->isChecked();
    q.videoRate = videoRate_->isChecked();
    const TimingResult r = CalculateTiming(q);
    if (!r.ok) {
        SetLabelText(fit_, r.reason, true);
        fitButton_->setVisible(false);
        return false;
    }
    setFields(r.timing);
    return true;
}

void TimingCalculatorPanel::fitIntoDescriptor() {
    const DescriptorTiming d = TimingForDescriptor(timing());
    if (d.outcome == DescriptorTiming::Outcome::Fitted) setFields(d.timing);
}

void TimingCalculatorPanel::setFields(const Timing& t) {
    filling_ = true;
    width_->setValue(t.width);
    height_->setValue(t.height);
    clock_->setValue(int(t.pixelClockKhz));
    hfront_->setValue(t.hfront);
    hsync_->setValue(t.hsync);
    hback_->setValue(t.hback);
    vfront_->setValue(t.vfront);
    vsync_->setValue(t.vsync);
    vback_->setValue(t.vback);
    hpos_->setChecked(t.hsyncPositive);
    vpos_->setChecked(t.vsyncPositive);
    fieldInterlaced_->setChecked(t.interlaced);
    filling_ = false;
    fieldsChanged();
}

void TimingCalculatorPanel::fieldsChanged() {
    if (filling_) return;
    const Timing t = timing();
    drawing_->setTiming(t);
    summary_->setText(TimingTextLines(t).join(QLatin1Char('\n')));
    const DescriptorTiming d = TimingForDescriptor(t);
    switch (d.outcome) {
        case DescriptorTiming::Outcome::Fits:
            SetLabelText(fit_, QStringLiteral("A detailed timing descriptor holds this timing."),
                         false);
            break;
        case DescriptorTiming::Outcome::Fitted:
            SetLabelText(fit_,
                         CheckDetailedTiming(t).overflows.join(QStringLiteral("; ")) +
                             QStringLiteral(". To fit: ") + d.words,
                         true);
            break;
        case DescriptorTiming::Outcome::Refused:
            SetLabelText(fit_, d.words, true);
            break;
    }
    fitButton_->setVisible(d.outcome == DescriptorTiming::Outcome::Fitted);
    apply_->setEnabled(d.outcome == DescriptorTiming::Outcome::Fits);

    const QList<LinkRow> rows = CheckLinks(t, limits_);
    links_->clear();
    links_->setRowCount(int(rows.size()));
    links_->setColumnCount(int(std::size(kColourFormats)));
    QStringList columns;
    for (const ColourFormat f : kColourFormats) columns << ColourFormatName(f);
    links_->setHorizontalHeaderLabels(columns);
    QStringList names;
    for (int r = 0; r < rows.size(); ++r) {
        names << rows[r].link;
        for (int c = 0; c < rows[r].verdicts.size(); ++c) {
            const LinkVerdict& v = rows[r].verdicts[c];
            auto* item =
                new QTableWidgetItem(v.fits ? QStringLiteral("yes") : QStringLiteral("no"));
            item->setToolTip(PlainToolTip(v.reason));
            item->setData(Qt::AccessibleTextRole,
                          v.fits ? QStringLiteral("yes") : QStringLiteral("no: ") + v.reason);
            if (!v.fits) item->setForeground(QColor(0xb0, 0, 0));
            links_->setItem(r, c, item);
        }
    }
    links_->setVerticalHeaderLabels(names);
    // LinkTableText gives the table, a blank line, then each "no" with its reason.
    const QStringList text = LinkTableText(rows);
    const qsizetype blank = text.indexOf(QString());
    reasons_->setPlainText(blank < 0 ? QString() : text.mid(blank + 1).join(QLatin1Char('\n')));
}

}  // namespace varnok
