#pragma once
// The EDID window's "Bytes" tab: the 256 bytes as a hex dump, 16 a row with their offsets, block
// 0 and block 1 under headings of their own. The named ranges (the base block's fields and
// descriptors, the CTA-861 data blocks and timings) are shaded and named on hover and for the
// current cell; checksum bytes are marked, and shown in red when wrong.

#include <QList>
#include <QWidget>

#include "edid/EdidInfo.h"
#include "edid/EdidLayout.h"

class QLabel;
class QTableWidget;

namespace varnok {

class EdidBytesTab : public QWidget {
    Q_OBJECT
public:
    explicit EdidBytesTab(QWidget* parent = nullptr);
    void setImage(const EdidImage& image);
    // Marks each byte that differs from `loaded` (the EDID as it was loaded, before edits):
    // bold on red, and "changed" in its tooltip and accessible text. Call after setImage.
    void markChanged(const EdidImage& loaded);

    // The table row that shows byte offset (block headings take a row each).
    static int rowOf(int offset);

private:
    void showCell(int row, int column);

    QTableWidget* table_;
    QLabel* info_;
    EdidImage image_{};
    QList<EdidByteRange> ranges_;
    std::array<int, kEdidSize> rangeOf_{};  // index into ranges_ per byte
};

}  // namespace varnok
