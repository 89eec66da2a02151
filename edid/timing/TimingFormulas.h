#pragma once
// The timing formulas, step by step as the standards give them, with no range checks of their
// own: CalculateTiming (TimingCalculator.h) checks the request and the result. Each gives the
// numbers Debian 12's edid-decode gives for the same input, to the pixel and to the kHz.

#include "edid/timing/Timing.h"

namespace varnok {

enum class CvtBlanking { Standard, Reduced1, Reduced2, Reduced3 };

struct CvtInput {
    int width = 0;
    int height = 0;          // frame lines
    double fieldRateHz = 0;  // frames per second; fields per second when interlaced
    CvtBlanking blanking = CvtBlanking::Standard;
    bool interlaced = false;
    bool videoOptimized = false;  // reduced blanking v2: the rate × 1000/1001
    int rb3HBlank = 80;           // reduced blanking v3: 80..200, rounded down to 8
    int rb3VBlankUs = 460;        // reduced blanking v3: the least vertical blanking
    bool rb3EarlyVsync = false;
};

// VESA CVT 1.2 (standard, reduced blanking v1 and v2) and CVT 2.0 (reduced blanking v3).
Timing CvtFormula(const CvtInput& in);

// VESA GTF 1.1 from a field rate. The default curve is C = 40, M = 600, K = 128, J = 20; the
// secondary curve takes the C, M, K and J of a sink's range limits and gives positive hsync and
// negative vsync. The width is rounded to whole 8-pixel cells.
Timing GtfFormula(int width, int height, double fieldRateHz, bool interlaced, bool secondary,
                  double c, double m, double k, double j);

// CTA-861's Optimized Video Timing (OVT, CTA-861.6) for a whole frame rate; progressive only.
// vfront < 0 or a zero pixel clock when the rate cannot hold the frame.
Timing OvtFormula(int width, int height, int rateHz);

}  // namespace varnok
