#include "app/StatusLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace varnok {

QString ElideStatusText(const QString& text, const QFontMetrics& metrics, int width) {
    const int over = metrics.horizontalAdvance(text) - width;
    if (over <= 0) return text;
    // The path: the longest run without blanks that names a folder.
    static const QRegularExpression runs(QStringLiteral("\\S+"));
    QRegularExpressionMatch path;
    for (const QRegularExpressionMatch& m : runs.globalMatch(text)) {
        const QString run = m.captured();
        if ((run.contains(u'/') || run.contains(u'\\')) &&
            (!path.hasMatch() || run.size() > path.capturedLength()))
            path = m;
    }
    if (path.hasMatch()) {
        const int room = metrics.horizontalAdvance(path.captured()) - over;
        QString shorter = text;
        shorter.replace(path.capturedStart(), path.capturedLength(),
                        metrics.elidedText(path.captured(), Qt::ElideMiddle, room));
        if (room > 0 && metrics.horizontalAdvance(shorter) <= width) return shorter;
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

void StatusLabel::paintEvent(QPaintEvent* event) {
    const QRect area = contentsRect();
    const QString shown = ElideStatusText(text(), fontMetrics(), area.width());
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

}  // namespace varnok
