#include "app/LedShape.h"

#include <QPainter>

namespace varnok {

LedShape::LedShape(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 16);
    setAccessibleDescription("Link indicator");
}

void LedShape::setColor(const QColor& c) {
    color_ = c;
    update();
}

void LedShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(color_);
    p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

}  // namespace varnok
