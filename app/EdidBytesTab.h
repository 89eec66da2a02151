#pragma once
// The EDID window's "Bytes" tab: the EDID as a hex dump, 16 bytes a row with their offsets, each
// block under a heading of its own (blocks 0 and 1 of the device's image, and every block of a
// larger EDID). The named ranges (the base block's fields and
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
    // An EDID of 128 × N bytes: up to 256 shown as the device's image, a larger one whole.
    void setBytes(const QByteArray& edid);
    // Marks each byte that differs from `loaded` (the EDID as it was loaded, before edits):
    // bold on red, and "changed" in its tooltip and accessible text. Call after setImage.
    void markChanged(const QByteArray& loaded);

    // The table row that shows byte offset (block headings take a row each).
    static int rowOf(int offset);

private:
    void showCell(int row, int column);
    // Rows for blocks blocks of 16 rows, each under a heading row.
    void setBlockRows(int blocks);

    QTableWidget* table_;
    QLabel* info_;
    QByteArray bytes_;
    QList<EdidByteRange> ranges_;
    QList<int> rangeOf_;  // index into ranges_ per byte
};

}  // namespace varnok
