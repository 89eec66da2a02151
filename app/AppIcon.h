#pragma once
// Varnok's icon (packaging/varnok.svg: a display with an HDMI plug, and the link LED), drawn
// with QPainter so that the window has it without an SVG image plugin.

#include <QIcon>

namespace varnok {

// The icon at 16, 24, 32, 48 and 64 pixels.
QIcon AppIcon();

}  // namespace varnok
