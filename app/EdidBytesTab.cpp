#include "app/EdidBytesTab.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/WidgetText.h"
#include "edid/Edid.h"
#include "edid/EdidLayoutBlocks.h"

namespace varnok {
namespace {

constexpr int kPerRow = 16;
constexpr int kRowsPerBlock = kBlockSize / kPerRow;

// Light shades, two per kind, alternating from one range to the next of the same kind so that
// neighbours stay apart; text is always black on them.
QColor Shade(EdidRangeKind kind, int parity, bool bad) {
    if (bad) return QColor(0xf4, 0x9c, 0x9c);
    switch (kind) {
        case EdidRangeKind::Header:
            return QColor(0xcf, 0xe2, 0xff);
        case EdidRangeKind::Field:
            return parity ? QColor(0xe4, 0xe4, 0xe4) : QColor(0xf2, 0xf2, 0xf2);
        case EdidRangeKind::Descriptor:
            return parity ? QColor(0xb9, 0xe0, 0xc4) : QColor(0xd8, 0xef, 0xde);
        case EdidRangeKind::DataBlock:
            return parity ? QColor(0xff, 0xe0, 0x8a) : QColor(0xff, 0xf1, 0xc4);
        case EdidRangeKind::DetailedTiming:
            return parity ? QColor(0xcd, 0xbd, 0xea) : QColor(0xe6, 0xde, 0xf5);
        case EdidRangeKind::Checksum:
            return QColor(0xa8, 0xe6, 0xf0);
        case EdidRangeKind::Unused:
            break;
    }
    return QColor(Qt::white);
}

QString BlockHeading(int block, const QByteArray& bytes) {
    if (block == 0) return QStringLiteral("Block 0: base EDID (VESA E-EDID), bytes 0 to 127");
    if (block == 1 && EdidByteCount(EdidImageFromBytes(bytes)) == kBlockSize)
        return QStringLiteral("Block 1: none (the EDID has 128 bytes; shown as 0xFF)");
    return QStringLiteral("Block %1: extension, bytes %2 to %3")
        .arg(block)
        .arg(block * kBlockSize)
        .arg(block * kBlockSize + kBlockSize - 1);
}

}  // namespace

int EdidBytesTab::rowOf(int offset) {
    const int block = offset / kBlockSize;
    return block * (kRowsPerBlock + 1) + 1 + (offset % kBlockSize) / kPerRow;
}

EdidBytesTab::EdidBytesTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Tab_Bytes"));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, kPerRow, this);
    table_->setObjectName(QStringLiteral("Table_Bytes"));
    table_->setAccessibleDescription(QStringLiteral("EDID bytes, 16 a row"));
    table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setMouseTracking(true);
    QStringList columns;
    for (int c = 0; c < kPerRow; ++c) columns << QString::number(c, 16).toUpper();
    table_->setHorizontalHeaderLabels(columns);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setBlockRows(2);
    info_ = new QLabel(QStringLiteral("Move over a byte, or to it with the arrow keys, to see what "
                                      "it belongs to."),
                       this);
    info_->setObjectName(QStringLiteral("Label_ByteInfo"));
    // The cells' tooltips are markup; this line is plain text, so a name from the EDID shows as it
    // stands.
    info_->setTextFormat(Qt::PlainText);
    info_->setAccessibleDescription(QStringLiteral("The current byte"));
    info_->setWordWrap(true);
    info_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* caption = new QLabel(QStringLiteral("B&ytes (offsets in hex):"), this);
    caption->setBuddy(table_);
    layout->addWidget(caption);
    layout->addWidget(table_, 1);
    layout->addWidget(info_);
    connect(table_, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { showCell(row, column); });
    connect(table_, &QTableWidget::cellEntered, this, &EdidBytesTab::showCell);
}

void EdidBytesTab::setImage(const EdidImage& image) {
    setBytes(EdidImageBytes(image));
}

void EdidBytesTab::setBlockRows(int blocks) {
    table_->clearSpans();
    table_->setRowCount(blocks * (kRowsPerBlock + 1));
    QStringList rows;
    for (int block = 0; block < blocks; ++block) {
        rows << QString();
        for (int r = 0; r < kRowsPerBlock; ++r)
            rows << QStringLiteral("%1").arg(block * kBlockSize + r * kPerRow, 2, 16, QChar(u'0'));
        const int row = block * (kRowsPerBlock + 1);
        table_->setSpan(row, 0, 1, kPerRow);
        auto* heading = new QTableWidgetItem;
        heading->setFlags(Qt::ItemIsEnabled);
        QFont bold = table_->font();
        bold.setBold(true);
        heading->setFont(bold);
        table_->setItem(row, 0, heading);
    }
    table_->setVerticalHeaderLabels(rows);
}

void EdidBytesTab::setBytes(const QByteArray& edid) {
    bytes_ = edid.size() > kEdidSize ? edid : EdidImageBytes(EdidImageFromBytes(edid));
    const int blocks = int(bytes_.size() / kBlockSize);
    if (table_->rowCount() != blocks * (kRowsPerBlock + 1)) setBlockRows(blocks);
    ranges_ = EdidByteLayoutBlocks(bytes_);
    rangeOf_.fill(0, bytes_.size());
    for (int i = 0; i < ranges_.size(); ++i)
        for (int b = 0; b < ranges_[i].length; ++b) rangeOf_[ranges_[i].first + b] = i;
    for (int block = 0; block < blocks; ++block)
        table_->item(block * (kRowsPerBlock + 1), 0)->setText(BlockHeading(block, bytes_));

    std::array<int, 7> seen{};  // ranges of each kind met so far, for the alternating shade
    int lastRange = -1;
    int parity = 0;
    for (int offset = 0; offset < bytes_.size(); ++offset) {
        const int index = rangeOf_[offset];
        const EdidByteRange& range = ranges_[index];
        if (index != lastRange) {
            parity = seen[int(range.kind)]++ % 2;
            lastRange = index;
        }
        auto* item = new QTableWidgetItem(
            QStringLiteral("%1").arg(uint8_t(bytes_[offset]), 2, 16, QChar(u'0')));
        item->setTextAlignment(Qt::AlignCenter);
        item->setBackground(Shade(range.kind, parity, range.bad));
        item->setForeground(QColor(Qt::black));
        if (range.kind == EdidRangeKind::Checksum || range.bad) {
            QFont f = table_->font();
            f.setBold(true);
            item->setFont(f);
        }
        const QString where =
            QStringLiteral("%1%2 (bytes %3 to %4)")
                .arg(range.name, range.bad ? QStringLiteral(", wrong") : QString())
                .arg(range.first)
                .arg(range.first + range.length - 1);
        item->setToolTip(PlainToolTip(where));
        item->setData(Qt::UserRole, where);  // the info line's plain text
        item->setData(Qt::AccessibleTextRole,
                      QStringLiteral("byte %1: %2, %3").arg(offset).arg(item->text(), where));
        table_->setItem(rowOf(offset), offset % kPerRow, item);
    }
    if (const auto* current = table_->currentItem())
        showCell(table_->row(current), table_->column(current));
}

void EdidBytesTab::showCell(int row, int column) {
    const int block = row / (kRowsPerBlock + 1);
    const int inBlock = row % (kRowsPerBlock + 1);
    if (row < 0 || column < 0 || inBlock == 0 || ranges_.isEmpty()) return;
    const int offset = block * kBlockSize + (inBlock - 1) * kPerRow + column;
    info_->setText(QStringLiteral("Byte %1 (0x%2) = 0x%3: %4")
                       .arg(offset)
                       .arg(offset, 2, 16, QChar(u'0'))
                       .arg(uint8_t(bytes_[offset]), 2, 16, QChar(u'0'))
                       .arg(table_->item(row, column)->data(Qt::UserRole).toString()));
}

void EdidBytesTab::markChanged(const QByteArray& loadedBytes) {
    // Compared as shown: an EDID of up to 256 bytes as the device's image, a larger one whole.
    const QByteArray loaded = loadedBytes.size() > kEdidSize
                                  ? loadedBytes
                                  : EdidImageBytes(EdidImageFromBytes(loadedBytes));
    for (int offset = 0; offset < bytes_.size(); ++offset) {
        if (offset < loaded.size() && bytes_[offset] == loaded[offset]) continue;
        const uint8_t was = offset < loaded.size() ? uint8_t(loaded[offset]) : 0xFF;
        QTableWidgetItem* item = table_->item(rowOf(offset), offset % kPerRow);
        item->setBackground(QColor(0xff, 0x9a, 0x9a));
        QFont f = table_->font();
        f.setBold(true);
        f.setUnderline(true);
        item->setFont(f);
        const QString where =
            item->data(Qt::UserRole).toString() +
            QStringLiteral(", changed from %1").arg(was, 2, 16, QChar(u'0'));
        item->setData(Qt::UserRole, where);
        item->setToolTip(PlainToolTip(where));
        item->setData(Qt::AccessibleTextRole,
                      QStringLiteral("byte %1: %2, %3").arg(offset).arg(item->text(), where));
    }
}

}  // namespace varnok
