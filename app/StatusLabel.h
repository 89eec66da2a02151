#pragma once
// A status bar's label that never loses the end of its words: a text wider than the label is
// drawn with the middle of its path elided ("Upload failed: /home/ann/…/monitor.bin cannot be
// opened: Permission denied"), since the reason at the end is what the user needs; only a text
// with no path to shorten, or one still too wide, loses its end. text() and the tooltip keep the
// whole text.

#include <QLabel>

class QFontMetrics;

namespace varnok {

// text as drawn in width pixels: as it is when it fits, else its longest blank-free run with a
// '/' or '\' elided in the middle, else elided at its end.
QString ElideStatusText(const QString& text, const QFontMetrics& metrics, int width);

class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent = nullptr) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace varnok
