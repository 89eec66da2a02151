#include "app/WidgetText.h"

#include <QLabel>
#include <QTextDocument>
#include <QWidget>

namespace varnok {

void ShowTextsPlain(QWidget* root) {
    // Labels show text from the device, an EDID or a firmware file: shown as it stands, never
    // taken for markup, which could underline it or make the label load a local file.
    for (QLabel* label : root->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

QString PlainToolTip(const QString& text) {
    // A tooltip takes text that looks like markup for markup; a path or a monitor name is shown
    // as it stands.
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

void SetLabelText(QLabel* label, const QString& text, bool red) {
    label->setText(text);
    // Upload progress sets the colour at every data byte; a palette change is only made when the
    // colour changes, since each one re-polishes the label.
    const QColor colour = red ? QColor(255, 0, 0) : QColor(0, 0, 0);
    QPalette pal = label->palette();
    if (pal.color(QPalette::WindowText) == colour &&
        pal.isBrushSet(QPalette::Active, QPalette::WindowText))
        return;
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

void ShowStatus(QLabel* label, const QString& text, bool red) {
    SetLabelText(label, text, red);
    label->setToolTip(PlainToolTip(text));
}

}  // namespace varnok
