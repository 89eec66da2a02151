#pragma once
// Shape_LED_Link: the 16 x 16 circle of the link area; grey disconnected, green connected, red ISP.

#include <QColor>
#include <QWidget>

namespace varnok {

class LedShape : public QWidget {
    Q_OBJECT
public:
    static inline const QColor Grey{128, 128, 128};
    static inline const QColor Green{0, 128, 0};
    static inline const QColor Red{255, 0, 0};

    explicit LedShape(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_ = Grey;
};

}  // namespace varnok
