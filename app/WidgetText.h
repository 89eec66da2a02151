#pragma once
// How the window's widgets show text: as it stands, never as markup (a monitor name is 13 bytes
// anyone may write), and the progress and status labels in black or, for a failure, red.

#include <QString>

class QLabel;
class QWidget;

namespace varnok {

// Every label under root shows its text as plain text, never as markup.
void ShowTextsPlain(QWidget* root);
// A tooltip for text from a device, an EDID or a file: escaped, so it never renders as markup.
QString PlainToolTip(const QString& text);
// Sets a label's text and font colour (black for progress, red for failures).
void SetLabelText(QLabel* label, const QString& text, bool red);
// A status label's text, colour and tooltip (the whole text, for a label too narrow for it).
void ShowStatus(QLabel* label, const QString& text, bool red);

}  // namespace varnok
