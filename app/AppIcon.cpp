#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace varnok {
namespace {

// One size of the icon, drawn on the SVG's 64 x 64 grid.
QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const QColor frame(0x2b, 0x3a, 0x4a);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(4, 8, 56, 36), 4, 4);
    p.setBrush(QColor(0x5f, 0xa8, 0xd3));
    p.drawRoundedRect(QRectF(8, 12, 48, 28), 2, 2);
    QPainterPath shade;
    shade.moveTo(8, 40);
    shade.lineTo(56, 12);
    shade.lineTo(56, 40);
    shade.closeSubpath();
    p.fillPath(shade, QColor(0x4a, 0x90, 0xbd));
    p.setBrush(frame);
    p.drawRect(QRectF(26, 44, 12, 6));
    p.drawRoundedRect(QRectF(18, 50, 28, 4), 2, 2);
    // The HDMI plug.
    QPainterPath plug;
    plug.moveTo(22, 20);
    plug.lineTo(42, 20);
    plug.lineTo(42, 26);
    plug.lineTo(39, 30);
    plug.lineTo(25, 30);
    plug.lineTo(22, 26);
    plug.closeSubpath();
    p.setPen(QPen(frame, 1.5));
    p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    p.drawPath(plug);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawRect(QRectF(26, 22, 12, 2));
    // The link LED, green as when the device is found.
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0x00, 0x80, 0x00));
    p.drawEllipse(QPointF(52, 52), 7, 7);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(Draw(size));
    return icon;
}

}  // namespace varnok
