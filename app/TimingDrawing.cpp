#include "app/TimingDrawing.h"

#include <QPainter>

namespace varnok {
namespace {

const QColor kActive(0x9c, 0xc9, 0xf0);
const QColor kPorch(0xe8, 0xe8, 0xe8);
const QColor kSync(0xf0, 0xb0, 0x60);

// The spans of one axis from the left (top) edge: active, front porch, sync, back porch, in
// widget units. The scale keeps each span of at least one unit visible.
struct Axis {
    double active, front, sync, back;
    double total() const { return active + front + sync + back; }
};

QString Polarity(bool positive) {
    return positive ? QStringLiteral("+") : QStringLiteral("-");
}

}  // namespace

TimingDrawing::TimingDrawing(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Drawing_Timing"));
    setMinimumSize(200, 130);
    setAccessibleName(QStringLiteral("Timing drawn to scale"));
}

void TimingDrawing::setTiming(const Timing& timing) {
    timing_ = timing;
    setAccessibleDescription(
        timing.width > 0
            ? QStringLiteral("%1 x %2 active; horizontal front porch %3, sync %4 (%5), back porch "
                             "%6; vertical front porch %7, sync %8 (%9), back porch %10")
                  .arg(timing.width)
                  .arg(timing.fieldHeight())
                  .arg(timing.hfront)
                  .arg(timing.hsync)
                  .arg(Polarity(timing.hsyncPositive))
                  .arg(timing.hback)
                  .arg(timing.vfront)
                  .arg(timing.vsync)
                  .arg(Polarity(timing.vsyncPositive))
                  .arg(timing.vback)
            : QString());
    update();
}

void TimingDrawing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const Timing& t = timing_;
    if (t.width <= 0 || t.fieldHeight() <= 0 || t.htotal() <= 0 || t.vblank() < 0) return;
    const int margin = p.fontMetrics().height() + 4;
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -4, -4);
    const double sx = area.width() / t.htotal();
    const double sy = area.height() / (t.fieldHeight() + t.vblank());
    // A GTF timing can have a negative front porch: it is drawn as none.
    auto span = [](int v, double s) { return std::max(0, v) * s; };
    const Axis h{t.width * sx, span(t.hfront, sx), span(t.hsync, sx), span(t.hback, sx)};
    const Axis v{t.fieldHeight() * sy, span(t.vfront, sy), span(t.vsync, sy), span(t.vback, sy)};
    const double x0 = area.left(), y0 = area.top();

    p.fillRect(QRectF(x0, y0, h.total(), v.total()), kPorch);
    p.fillRect(QRectF(x0, y0, h.active, v.active), kActive);
    // The sync bands run across the whole frame in their axis.
    p.fillRect(QRectF(x0 + h.active + h.front, y0, h.sync, v.total()), kSync);
    p.fillRect(QRectF(x0, y0 + v.active + v.front, h.total(), v.sync), kSync);
    p.setPen(palette().text().color());
    p.drawRect(QRectF(x0, y0, h.total(), v.total()));
    p.drawRect(QRectF(x0, y0, h.active, v.active));
    p.drawText(QRectF(x0, y0, h.active, v.active), Qt::AlignCenter,
               QStringLiteral("%1 x %2").arg(t.width).arg(t.fieldHeight()));
    // Labels on the top and left margins: the porches and syncs with their sizes.
    const QFontMetrics fm = p.fontMetrics();
    auto top = [&](double from, double width, const QString& text) {
        if (width >= fm.horizontalAdvance(text))
            p.drawText(QRectF(from, 0, width, margin), Qt::AlignCenter, text);
    };
    top(x0, h.active, QStringLiteral("active %1").arg(t.width));
    top(x0 + h.active, h.front + h.sync + h.back,
        QStringLiteral("%1 | %2%3 | %4")
            .arg(t.hfront)
            .arg(t.hsync)
            .arg(Polarity(t.hsyncPositive))
            .arg(t.hback));
    p.save();
    p.translate(0, y0 + v.total());
    p.rotate(-90);
    auto left = [&](double from, double height, const QString& text) {
        if (height >= fm.horizontalAdvance(text))
            p.drawText(QRectF(v.total() - from - height, 0, height, margin), Qt::AlignCenter, text);
    };
    left(0, v.active, QStringLiteral("active %1").arg(t.fieldHeight()));
    left(v.active, v.front + v.sync + v.back,
         QStringLiteral("%1 | %2%3 | %4")
             .arg(t.vfront)
             .arg(t.vsync)
             .arg(Polarity(t.vsyncPositive))
             .arg(t.vback));
    p.restore();
}

}  // namespace varnok
