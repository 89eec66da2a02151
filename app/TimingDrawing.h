#pragma once
// A video timing drawn to scale as one frame: the active picture, and around it the front porch,
// the sync and the back porch of each axis in proportion to their pixels and lines, each sync
// marked with its polarity. People read a frame at a glance where twelve numbers need reading.

#include <QWidget>

#include "edid/timing/Timing.h"

namespace varnok {

class TimingDrawing : public QWidget {
    Q_OBJECT
public:
    explicit TimingDrawing(QWidget* parent = nullptr);
    // Shows the timing; an empty one (no pixels) clears the drawing.
    void setTiming(const Timing& timing);
    const Timing& timing() const { return timing_; }
    QSize sizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Timing timing_;
};

}  // namespace varnok
