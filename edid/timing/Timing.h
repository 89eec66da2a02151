#pragma once
// One video timing as a source sends it: the active picture, the blanking either side of each
// sync pulse, the pixel clock and the sync polarities. Members map one to one to the names the
// command line's JSON uses (width, height, refresh_hz, pixel_clock_khz, hfront, hsync, hback,
// vfront, vsync, vback, hsync_positive, vsync_positive, interlaced).
//
// Interlaced timings follow the detailed timing descriptor (VESA E-EDID 1.4, 3.10.2) for the
// vertical blanking: vfront, vsync and vback are lines of one field, and each field pair has one
// more line of blanking, half in each field, so a field is height / 2 + vfront + vsync + vback
// + 0.5 lines.
// Unlike the descriptor, height is the whole frame (1080 for 1080i, which a descriptor stores as
// 540), and refreshHz() is the field rate (60 for 1080i60), as CTA-861 names interlaced formats.
//
// Borders (the descriptor's and the DMT's "border" pixels) are counted in the porches: DMT 640 x
// 480 @ 60 has hfront 16 (8 border + 8 front porch).

#include <QtGlobal>

namespace varnok {

struct Timing {
    int width = 0;   // active pixels per line
    int height = 0;  // active lines per frame (both fields together when interlaced)
    int hfront = 0;  // pixels from the end of the active line to the sync pulse; GTF can give < 0
    int hsync = 0;
    int hback = 0;
    int vfront = 0;  // lines (per field when interlaced)
    int vsync = 0;
    int vback = 0;
    qint64 pixelClockKhz = 0;
    bool hsyncPositive = false;
    bool vsyncPositive = false;
    bool interlaced = false;
    // Interlaced only: both fields have vfront + vsync + vback lines of blanking, with no half
    // line (CTA-861 VIC 39, 1920 x 1080i @ 50 with 1250 lines a frame).
    bool evenFieldTotal = false;

    int hblank() const { return hfront + hsync + hback; }
    int htotal() const { return width + hblank(); }
    int vblank() const { return vfront + vsync + vback; }
    // Active lines of one field: height / 2 when interlaced.
    int fieldHeight() const { return interlaced ? height / 2 : height; }
    // Lines per field (per frame when progressive), with the interlaced half line.
    double vtotal() const;
    // Frames per second, or fields per second when interlaced; 0 for an empty timing.
    double refreshHz() const;
    // Lines per second in kHz.
    double hfreqKhz() const;

    bool operator==(const Timing&) const = default;
};

}  // namespace varnok
