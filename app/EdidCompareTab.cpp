#include "app/EdidCompareTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/WidgetText.h"
#include "edid/Edid.h"
#include "edid/EdidCompare.h"
#include "words/DifferenceWords.h"

namespace varnok {
namespace {

const QColor kDiffers(0xff, 0xe0, 0x8a);

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& columns) {
    auto* t = new QTableWidget(0, int(columns.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(columns);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    // The columns share the table's width rather than run off behind a scroll bar.
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setWordWrap(false);
    return t;
}

// Columns sized to their contents but for `stretched`, which takes what is left and elides.
void FitColumns(QTableWidget* t, const QList<int>& stretched) {
    QHeaderView* h = t->horizontalHeader();
    h->setStretchLastSection(false);
    for (int c = 0; c < t->columnCount(); ++c)
        h->setSectionResizeMode(
            c, stretched.contains(c) ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
}

QTableWidgetItem* Cell(const QString& text, bool marked) {
    auto* item = new QTableWidgetItem(text);
    // A cell narrower than its text elides it; the tooltip keeps it whole.
    item->setToolTip(text);
    if (marked) {
        item->setBackground(kDiffers);
        item->setForeground(QColor(Qt::black));
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
    }
    return item;
}

QString Hex(uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QChar(u'0'));
}

}  // namespace

EdidCompareTab::EdidCompareTab(TForm1& form, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Tab_Compare"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* choose = new QPushButton(QStringLiteral("Compare &With..."), this);
    choose->setObjectName(QStringLiteral("Button_CompareWith"));
    auto* menu = new QMenu(choose);
    menu->setObjectName(QStringLiteral("Menu_Compare"));
    choose->setMenu(menu);
    sources_ = new EdidSourceMenu(form, menu, this, QStringLiteral("Compare"),
                                  [this](const SampleResult& r) { takeOther(r); });
    origin_ = new QLabel(QStringLiteral("Choose the EDID to compare with."), this);
    origin_->setObjectName(QStringLiteral("Label_CompareOrigin"));
    origin_->setAccessibleDescription(QStringLiteral("The EDID compared with"));
    origin_->setWordWrap(true);
    top->addWidget(choose);
    top->addWidget(origin_, 1);
    layout->addLayout(top);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Label_CompareSummary"));
    summary_->setAccessibleDescription(QStringLiteral("What differs"));
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    layout->addWidget(summary_);

    rows_ = Table(this, "Table_CompareRows",
                  {QStringLiteral("Row"), QStringLiteral("This EDID"), QStringLiteral("Other EDID"),
                   QStringLiteral("Differs")});
    // The two values share the width; the captions and the mark keep theirs.
    FitColumns(rows_, {1, 2});
    auto* rowsCaption = new QLabel(QStringLiteral("&Rows:"), this);
    rowsCaption->setBuddy(rows_);
    // The rows beside the bytes, so that all fourteen rows show at once.
    auto* tables = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(rowsCaption);
    left->addWidget(rows_, 1);
    tables->addLayout(left, 3);

    bytes_ = Table(this, "Table_CompareBytes",
                   {QStringLiteral("Offset"), QStringLiteral("This"), QStringLiteral("Other"),
                    QStringLiteral("What the byte is")});
    FitColumns(bytes_, {3});
    auto* bytesCaption = new QLabel(QStringLiteral("&Differing bytes:"), this);
    bytesCaption->setBuddy(bytes_);
    bytesCaption->setWordWrap(true);
    auto* right = new QVBoxLayout;
    right->addWidget(bytesCaption);
    right->addWidget(bytes_, 1);
    tables->addLayout(right, 2);
    layout->addLayout(tables, 1);
}

void EdidCompareTab::setThis(const EdidSample& sample) {
    this_ = sample;
    refresh();
}

bool EdidCompareTab::takeOther(const SampleResult& result) {
    if (!result.sample) {
        SetLabelText(summary_, result.outcome.text, result.outcome.failure);
        return false;
    }
    other_ = result.sample;
    showOrigin();
    refresh();
    return true;
}

void EdidCompareTab::setDefaultOther(const std::optional<EdidSample>& sample) {
    defaultOther_ = sample;
    if (other_) return;
    origin_->setText(
        sample
            ? QStringLiteral("Compared with %1 (%2 bytes)").arg(sample->origin).arg(sample->size())
            : QStringLiteral("Choose the EDID to compare with."));
    if (!sample) summary_->clear();
    refresh();
}

void EdidCompareTab::showOrigin() {
    origin_->setText(
        QStringLiteral("Compared with %1 (%2 bytes)").arg(other_->origin).arg(other_->size()));
}

void EdidCompareTab::userEdidReadBack(const EdidImage& image) {
    if (!other_ || other_->deviceSource != EdidSource::User) return;
    other_->bytes = EdidImageBytes(image);
    other_->origin = QStringLiteral("the device's User EDID as read back after the upload");
    showOrigin();
    refresh();
}

void EdidCompareTab::refresh() {
    rows_->setRowCount(0);
    bytes_->setRowCount(0);
    const std::optional<EdidSample>& other = other_ ? other_ : defaultOther_;
    if (!this_ || !other) return;
    const EdidComparison c = CompareEdidBytes(this_->bytes, other->bytes);
    if (c.identical()) {
        SetLabelText(summary_, QStringLiteral("The two EDIDs are identical"), false);
    } else {
        SetLabelText(summary_,
                     QStringLiteral("%1 of %2 rows and %3 of %4 bytes differ")
                         .arg(c.differingRows())
                         .arg(kEdidReportRowCount)
                         .arg(c.bytes.size())
                         .arg(std::max({this_->size(), other->size(), kEdidSize})),
                     false);
    }
    rows_->setRowCount(kEdidReportRowCount);
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        const bool differs = c.rowDiffers[row];
        const QString caption = EdidReportCaption(row);
        QString a = c.a.values[row];
        QString b = c.b.values[row];
        a.replace(QStringLiteral("\r\n"), QString());
        b.replace(QStringLiteral("\r\n"), QString());
        rows_->setItem(row, 0, Cell(caption, differs));
        rows_->setItem(row, 1, Cell(a, differs));
        rows_->setItem(row, 2, Cell(b, differs));
        rows_->setItem(row, 3, Cell(differs ? QStringLiteral("yes") : QString(), differs));
    }
    bytes_->setRowCount(int(c.bytes.size()));
    for (int i = 0; i < c.bytes.size(); ++i) {
        const EdidByteDifference& d = c.bytes[i];
        bytes_->setItem(i, 0, Cell(ByteOffsetWords(d.offset), false));
        bytes_->setItem(i, 1, Cell(Hex(d.a), false));
        bytes_->setItem(i, 2, Cell(Hex(d.b), false));
        bytes_->setItem(i, 3, Cell(d.region, false));
    }
}

}  // namespace varnok
