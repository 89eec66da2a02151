#include "app/EdidEditForms.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "edid/model/EdidDescriptors.h"

namespace varnok {
namespace {

template <typename W>
W* Row(QFormLayout* form, const QString& caption, W* edit, const char* name) {
    edit->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

QSpinBox* Spin(int lo, int hi) {
    auto* s = new QSpinBox;
    s->setRange(lo, hi);
    return s;
}

QPushButton* ApplyButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(QStringLiteral("&Apply"), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

const Bytes18* FirstOf(const EdidModel& m, DescriptorKind kind) {
    for (const Bytes18& d : m.base.descriptors)
        if (DescriptorKindOf(d) == kind) return &d;
    return nullptr;
}

}  // namespace

EdidIdentityForm::EdidIdentityForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form_EdidIdentity"));
    auto* layout = new QVBoxLayout(this);
    auto* id = new QGroupBox(QStringLiteral("Identity"), this);
    auto* form = new QFormLayout(id);
    vendor_ = Row(form, QStringLiteral("&Vendor (3 letters):"), new QLineEdit, "Edit_EditVendor");
    vendor_->setMaxLength(3);
    product_ = Row(form, QStringLiteral("&Product code:"), Spin(0, 0xFFFF), "Spin_EditProduct");
    serial_ = Row(form, QStringLiteral("&Serial number:"), new QLineEdit, "Edit_EditSerial");
    week_ = Row(form, QStringLiteral("&Week (255: model year):"), Spin(0, 255), "Spin_EditWeek");
    year_ = Row(form, QStringLiteral("&Year:"), Spin(1990, 2245), "Spin_EditYear");
    name_ = Row(form, QStringLiteral("&Monitor name:"), new QLineEdit, "Edit_EditMonitorName");
    name_->setMaxLength(13);
    layout->addWidget(id);
    auto* limits = new QGroupBox(QStringLiteral("Range limits"), this);
    auto* lform = new QFormLayout(limits);
    vmin_ = Row(lform, QStringLiteral("V min (Hz):"), Spin(1, 510), "Spin_EditVMin");
    vmax_ = Row(lform, QStringLiteral("V max (Hz):"), Spin(1, 510), "Spin_EditVMax");
    hmin_ = Row(lform, QStringLiteral("H min (kHz):"), Spin(1, 510), "Spin_EditHMin");
    hmax_ = Row(lform, QStringLiteral("H max (kHz):"), Spin(1, 510), "Spin_EditHMax");
    clock_ = Row(lform, QStringLiteral("Max clock (MHz):"), Spin(10, 2550), "Spin_EditMaxClock");
    clock_->setSingleStep(10);
    layout->addWidget(limits);
    auto* apply = ApplyButton(this, "Button_ApplyIdentity");
    layout->addWidget(apply, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(apply, &QPushButton::clicked, this, &EdidIdentityForm::applyRequested);
}

void EdidIdentityForm::showModel(const EdidModel& model) {
    shown_ = model;
    const EdidBaseBlock& b = model.base;
    vendor_->setText(VendorLetters(b.vendorId));
    product_->setValue(b.productCode);
    serial_->setText(QString::number(b.serialNumber));
    week_->setValue(b.week);
    year_->setValue(1990 + b.year);
    const Bytes18* name = FirstOf(model, DescriptorKind::ProductName);
    name_->setText(name ? DescriptorText(*name) : QString());
    const Bytes18* range = FirstOf(model, DescriptorKind::RangeLimits);
    const EdidRangeLimits r = range ? DecodeRangeLimits(*range) : EdidRangeLimits{};
    for (auto [spin, v] : {std::pair{vmin_, r.minVerticalHz},
                           {vmax_, r.maxVerticalHz},
                           {hmin_, r.minHorizontalKHz},
                           {hmax_, r.maxHorizontalKHz},
                           {clock_, r.maxPixelClockMHz}})
        spin->setValue(v);
}

QList<EdidEdit> EdidIdentityForm::edits() const {
    QList<EdidEdit> out;
    const EdidBaseBlock& b = shown_.base;
    if (vendor_->text() != VendorLetters(b.vendorId)) out << EdidEdit::setVendor(vendor_->text());
    if (product_->value() != b.productCode) out << EdidEdit::setProduct(product_->value());
    if (serial_->text() != QString::number(b.serialNumber)) {
        bool ok = false;
        const qint64 n = serial_->text().toLongLong(&ok);
        out << EdidEdit::setSerial(ok ? n : -1);  // the model refuses what is no number
    }
    if (week_->value() != b.week) out << EdidEdit::setWeek(week_->value());
    if (year_->value() != 1990 + b.year) out << EdidEdit::setYear(year_->value());
    const Bytes18* name = FirstOf(shown_, DescriptorKind::ProductName);
    if (name_->text() != (name ? DescriptorText(*name) : QString()))
        out << EdidEdit::setMonitorName(name_->text());
    const Bytes18* range = FirstOf(shown_, DescriptorKind::RangeLimits);
    EdidRangeLimits r = range ? DecodeRangeLimits(*range) : EdidRangeLimits{};
    const EdidRangeLimits old = r;
    r.minVerticalHz = vmin_->value();
    r.maxVerticalHz = vmax_->value();
    r.minHorizontalKHz = hmin_->value();
    r.maxHorizontalKHz = hmax_->value();
    r.maxPixelClockMHz = clock_->value();
    if (r != old && (range || r != EdidRangeLimits{})) out << EdidEdit::setRangeLimits(r);
    return out;
}

CtaDataBlockForm::CtaDataBlockForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form_CtaDataBlock"));
    auto* layout = new QVBoxLayout(this);
    kind_ = new QLabel(this);
    kind_->setObjectName(QStringLiteral("Label_DataBlockKind"));
    kind_->setAccessibleDescription(QStringLiteral("Data block kind"));
    layout->addWidget(kind_);
    fieldBox_ = new QWidget(this);
    fields_ = new QFormLayout(fieldBox_);
    layout->addWidget(fieldBox_);
    auto* hexForm = new QFormLayout;
    hex_ = Row(hexForm, QStringLiteral("Payload (&hex):"), new QLineEdit, "Edit_DataBlockHex");
    layout->addLayout(hexForm);
    auto* apply = ApplyButton(this, "Button_ApplyDataBlock");
    layout->addWidget(apply, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(apply, &QPushButton::clicked, this, &CtaDataBlockForm::applyRequested);
}

void CtaDataBlockForm::showBlock(int block, int index, const CtaDataBlock& data) {
    block_ = block;
    index_ = index;
    shown_ = data;
    const CtaBlockKind kind = CtaBlockKindOf(data);
    kind_->setText(
        QStringLiteral("%1 data block, %2 bytes").arg(CtaBlockKindId(kind)).arg(data.size()));
    while (fields_->rowCount() > 0) fields_->removeRow(0);
    spins_.clear();
    for (const CtaField f : CtaFieldsOf(kind)) {
        const CtaFieldInfo& info = CtaFieldInfoOf(f);
        auto* spin = Spin(0, info.bits >= 31 ? INT_MAX : (1 << info.bits) - 1);
        spin->setValue(CtaFieldValue(data, f));
        Row(fields_, QString::fromLatin1(info.id) + QLatin1Char(':'), spin,
            ("Spin_Field_" + QByteArray(info.id)).constData());
        spins_.append({f, spin});
    }
    fieldBox_->setVisible(!spins_.isEmpty());
    // The payload after the extended tag; a field set above wins over this text.
    hex_->setText(QString::fromLatin1(data.body.toHex(' ')));
}

std::optional<CtaDataBlock> CtaDataBlockForm::edited(QString* problem) const {
    CtaDataBlock b = shown_;
    const QByteArray hex = hex_->text().toLatin1();
    const QByteArray body = QByteArray::fromHex(hex);
    if (body.toHex(' ') != hex.simplified().toLower() &&
        body.toHex() != hex.simplified().toLower()) {
        *problem = QStringLiteral("The payload is not hex bytes (e.g. 03 0c 00 10 00).");
        return std::nullopt;
    }
    b.body = body;
    for (const auto& [field, spin] : spins_)
        if (spin->value() != CtaFieldValue(shown_, field) &&
            !SetCtaFieldValue(b, field, spin->value(), problem))
            return std::nullopt;
    return b;
}

}  // namespace varnok
