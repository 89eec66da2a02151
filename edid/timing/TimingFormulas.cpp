#include "edid/timing/TimingFormulas.h"

#include <algorithm>
#include <cmath>
#include <numeric>

// The arithmetic below keeps the standards' order of operations in double precision: a value
// that lands on a rounding step (floor, round) must land on the same side as edid-decode's.

namespace varnok {

namespace {

constexpr double kCellGranularity = 8.0;  // CVT and GTF count horizontal blanking in cells

}  // namespace

Timing CvtFormula(const CvtInput& in) {
    constexpr double kMinVsyncBp = 550.0;  // µs from vsync start to the active picture
    constexpr double kMinVPorch = 3;
    constexpr double kMinVBackPorch = 7;    // standard and reduced blanking v1
    constexpr double kFixedVBackPorch = 6;  // reduced blanking v2 and v3
    constexpr double kCPrime = 30.0;
    constexpr double kMPrime = 300.0;
    constexpr double kRbMinVBlank = 460.0;  // µs

    const CvtBlanking rb = in.blanking;
    const bool v2 = rb == CvtBlanking::Reduced2;
    const bool v3 = rb == CvtBlanking::Reduced3;
    Timing t;
    t.width = in.width;
    t.height = in.height;
    t.interlaced = in.interlaced;

    const double cellGran = v2 ? 1 : kCellGranularity;
    const double hPixelsRnd = std::floor(in.width / cellGran) * cellGran;
    const double vLinesRnd = in.interlaced ? std::floor(in.height / 2.0) : in.height;
    const double interlace = in.interlaced ? 0.5 : 0;
    const double fieldRate = in.fieldRateHz;
    const double clockStep = v2 ? 0.001 : 0.25;  // MHz
    const double rbMinVBlank = v3 ? std::max<double>(in.rb3VBlankUs, kRbMinVBlank) : kRbMinVBlank;
    double hBlank = rb == CvtBlanking::Reduced1 ? 160 : 80;
    if (v3) hBlank = std::clamp(in.rb3HBlank & ~7, 80, 200);
    double hSync = 32;

    // The vsync width names the aspect ratio (4:3 4 lines, 16:9 5, 16:10 6, 5:4 and 15:9 7,
    // others 10); reduced blanking v2 and v3 always use 8 lines.
    const unsigned w = in.width;
    const unsigned h = in.height;
    double vSync = 10;
    if (h * 4 / 3 == w)
        vSync = 4;
    else if (h * 16 / 9 == w)
        vSync = 5;
    else if (h * 16 / 10 == w)
        vSync = 6;
    else if (h % 4 == 0 && h * 5 / 4 == w)
        vSync = 7;
    else if (h * 15 / 9 == w)
        vSync = 7;
    if (v2 || v3) vSync = 8;

    double pixelFreq;  // MHz
    double vBlank;
    double vSyncBp;
    if (rb == CvtBlanking::Standard) {
        const double hPeriodEst = ((1.0 / fieldRate) - kMinVsyncBp / 1000000.0) /
                                  (vLinesRnd + kMinVPorch + interlace) * 1000000.0;
        vSyncBp = std::floor(kMinVsyncBp / hPeriodEst) + 1;
        if (vSyncBp < vSync + kMinVBackPorch) vSyncBp = vSync + kMinVBackPorch;
        vBlank = vSyncBp + kMinVPorch;
        double idealDutyCycle = kCPrime - (kMPrime * hPeriodEst / 1000.0);
        if (idealDutyCycle < 20) idealDutyCycle = 20;
        hBlank = std::floor(hPixelsRnd * idealDutyCycle / (100.0 - idealDutyCycle) /
                            (2 * kCellGranularity)) *
                 2 * kCellGranularity;
        const double totalPixels = hPixelsRnd + hBlank;
        hSync = std::floor(totalPixels * 0.08 / kCellGranularity) * kCellGranularity;
        pixelFreq = std::floor((totalPixels / hPeriodEst) / clockStep) * clockStep;
    } else {
        const double rbVFrontPorch = rb == CvtBlanking::Reduced1 ? 3 : 1;
        const double refreshMultiplier = v2 && in.videoOptimized ? 1000.0 / 1001.0 : 1;
        const double hPeriodEst = ((1000000.0 / fieldRate) - rbMinVBlank) / vLinesRnd;
        const double vbiLines = std::floor(rbMinVBlank / hPeriodEst) + 1;
        double rbVBackPorch = rb == CvtBlanking::Reduced1 ? kMinVBackPorch : kFixedVBackPorch;
        const double rbMinVbi = rbVFrontPorch + vSync + rbVBackPorch;
        vBlank = vbiLines < rbMinVbi ? rbMinVbi : vbiLines;
        const double totalVLines = vBlank + vLinesRnd + interlace;
        // Early vsync (v3) moves the pulse to the middle of the blanking.
        if (v3 && in.rb3EarlyVsync) rbVBackPorch = std::floor(vbiLines / 2.0);
        if (rb == CvtBlanking::Reduced1)
            vSyncBp = vBlank - rbVFrontPorch;
        else
            vSyncBp = vSync + rbVBackPorch;
        const double totalPixels = hBlank + hPixelsRnd;
        const double freq = fieldRate * totalVLines * totalPixels * refreshMultiplier;
        // v3 rounds the clock up so that the rate is never below the one asked for.
        if (v3)
            pixelFreq = std::ceil((freq / 1000000.0) / clockStep) * clockStep;
        else
            pixelFreq = std::floor((freq / 1000000.0) / clockStep) * clockStep;
    }

    t.vback = static_cast<int>(vSyncBp - vSync);
    t.vsync = static_cast<int>(vSync);
    t.vfront = static_cast<int>(vBlank - t.vback - t.vsync);
    t.pixelClockKhz = std::llround(1000.0 * pixelFreq);
    t.hsync = static_cast<int>(hSync);
    t.hfront = v3 ? 8 : static_cast<int>((hBlank / 2.0) - t.hsync);
    // Blanking is counted against the width as asked, not the cell-rounded one.
    t.hback = static_cast<int>(hBlank - t.hfront - t.hsync);
    t.hsyncPositive = rb != CvtBlanking::Standard;
    t.vsyncPositive = rb == CvtBlanking::Standard;
    return t;
}

Timing GtfFormula(int width, int height, double fieldRateHz, bool interlaced, bool secondary,
                  double c, double m, double k, double j) {
    constexpr double kMarginlessPorch = 1.0;  // lines of vertical front porch
    constexpr double kVSyncLines = 3.0;
    constexpr double kHSyncPercent = 8.0;
    constexpr double kMinVsyncBp = 550.0;  // µs

    const double cPrime = ((c - j) * k / 256.0) + j;
    const double mPrime = k / 256.0 * m;
    const double hPixelsRnd = std::round(width / kCellGranularity) * kCellGranularity;
    const double vLinesRnd = interlaced ? std::round(height / 2.0) : height;
    const double interlace = interlaced ? 0.5 : 0;

    const double hPeriodEst = ((1.0 / fieldRateHz) - kMinVsyncBp / 1000000.0) /
                              (vLinesRnd + kMarginlessPorch + interlace) * 1000000.0;
    const double vSyncBp = std::round(kMinVsyncBp / hPeriodEst);
    const double totalVLines = vLinesRnd + vSyncBp + interlace + kMarginlessPorch;
    const double vFieldRateEst = 1.0 / hPeriodEst / totalVLines * 1000000.0;
    const double hPeriod = hPeriodEst / (fieldRateHz / vFieldRateEst);
    const double idealDutyCycle = cPrime - (mPrime * hPeriod / 1000.0);
    const double hBlank = std::round(hPixelsRnd * idealDutyCycle / (100.0 - idealDutyCycle) /
                                     (2 * kCellGranularity)) *
                          2 * kCellGranularity;
    const double totalPixels = hPixelsRnd + hBlank;
    const double pixelFreq = totalPixels / hPeriod;

    Timing t;
    t.width = static_cast<int>(hPixelsRnd);
    t.height = height;
    t.interlaced = interlaced;
    t.vback = static_cast<int>(vSyncBp - kVSyncLines);
    t.vsync = static_cast<int>(kVSyncLines);
    t.vfront = static_cast<int>(kMarginlessPorch);
    t.pixelClockKhz = std::llround(1000.0 * pixelFreq);
    t.hsync = static_cast<int>(std::round(kHSyncPercent / 100.0 * totalPixels / kCellGranularity) *
                               kCellGranularity);
    t.hfront = static_cast<int>((hBlank / 2.0) - t.hsync);
    t.hback = t.hfront + t.hsync;
    t.hsyncPositive = secondary;
    t.vsyncPositive = !secondary;
    return t;
}

namespace {

unsigned roundUpToPowerOfTwo(unsigned v) {
    unsigned p = 1;
    while (p < v) p <<= 1;
    return p;
}

unsigned greatestPowerOfTwoDivider(unsigned x) {
    return x & ~(x - 1);
}

}  // namespace

Timing OvtFormula(int width, int height, int rateHz) {
    constexpr unsigned kMinVblankDuration = 460;    // µs
    constexpr unsigned kMinVsyncLeadingEdge = 400;  // µs
    constexpr unsigned kMinClockRate420 = 590000000;
    constexpr unsigned kPixelFactor420 = 2;
    constexpr unsigned kMinHblank444 = 80;
    constexpr unsigned kMinHblank420 = 128;
    constexpr unsigned kPixelClockGranularity = 1000;  // Hz
    constexpr unsigned kMinHtotalGranularity = 8;
    constexpr unsigned kMaxChunkRate = 650000000;
    constexpr unsigned kAudioPacketRate = 195000;
    constexpr unsigned kAudioPacketSize = 32;
    constexpr unsigned kLineOverhead = 32;

    const unsigned hActive = width;
    const unsigned vActive = height;
    const unsigned vRate = rateHz;

    // Step 1: rates of one family (24/25/30, 48/50/60, ...) share the Vtotal of the highest.
    unsigned maxVrate = vRate;
    unsigned vtotalGranularity = 1;
    switch (vRate) {
        case 24:
        case 25:
        case 30:
            maxVrate = 30;
            vtotalGranularity = 20;
            break;
        case 48:
        case 50:
        case 60:
            maxVrate = 60;
            vtotalGranularity = 20;
            break;
        case 100:
        case 120:
            maxVrate = 120;
            vtotalGranularity = 5;
            break;
        case 200:
        case 240:
            maxVrate = 240;
            vtotalGranularity = 5;
            break;
        case 300:
        case 360:
            maxVrate = 360;
            vtotalGranularity = 5;
            break;
        case 400:
        case 480:
            maxVrate = 480;
            vtotalGranularity = 5;
            break;
        default:
            break;
    }

    // Step 2: the least vertical blanking.
    const double maxActiveTime = (1000000.0 / maxVrate) - kMinVblankDuration;
    const double minLineTime = maxActiveTime / vActive;
    const unsigned minVblank = static_cast<unsigned>(std::ceil(kMinVblankDuration / minLineTime));
    unsigned minVtotal = vActive + minVblank;
    if (minVtotal % vtotalGranularity)
        minVtotal += vtotalGranularity - (minVtotal % vtotalGranularity);

    // Step 3: room for the audio packets on each line.
    const unsigned minLineRate = maxVrate * minVtotal;
    const unsigned maxAudioPacketsPerLine =
        static_cast<unsigned>(std::ceil(static_cast<double>(kAudioPacketRate) / minLineRate));

    // Step 4: the least horizontal total and its granularity.
    unsigned minHtotal =
        hActive +
        std::max(kMinHblank444, kLineOverhead + kAudioPacketSize * maxAudioPacketsPerLine);
    const double minPixelClockRate = static_cast<double>(maxVrate) * minHtotal * minVtotal;
    const double hCalcGranularity =
        roundUpToPowerOfTwo(static_cast<unsigned>(std::ceil(minPixelClockRate / kMaxChunkRate)));
    const unsigned htotalGranularity =
        std::max<unsigned>(kMinHtotalGranularity, static_cast<unsigned>(hCalcGranularity));
    if (minHtotal % htotalGranularity)
        minHtotal += htotalGranularity - (minHtotal % htotalGranularity);

    const unsigned resolutionGranularity =
        kPixelClockGranularity / std::gcd(kPixelClockGranularity, maxVrate);
    unsigned htotal = 0;
    unsigned vtotal = 0;
    unsigned long long pixelClockRate = 0;
    // Bounds the search where no Htotal satisfies step 5 (a prime rate at 8K: every candidate's
    // chunk rate stays above the limit) and the standard's loop would not end. A timing found
    // takes at most 38,426 steps for any size up to 16384 at 1..1000 Hz (15944 x 15197 @ 157).
    constexpr int kMaxSteps = 50000;
    int steps = 0;
    for (;;) {
        // Step 5: the smallest Htotal × Vtotal whose clock is a whole kHz and whose chunks fit.
        unsigned long long rMin = 0;
        unsigned v = minVtotal;
        for (;;) {
            unsigned hCand = minHtotal;
            unsigned long long r = static_cast<unsigned long long>(hCand) * v;
            if (rMin && r > rMin) break;
            while (r % resolutionGranularity ||
                   maxVrate * r / greatestPowerOfTwoDivider(hCand) > kMaxChunkRate) {
                // After step 6 the least Htotal can be off the granularity; then every
                // candidate has the same lowest set bit and a chunk rate that only grows, and
                // the search never ends (edid-decode 2022 hangs here): no timing.
                if (greatestPowerOfTwoDivider(hCand) < htotalGranularity &&
                    maxVrate * r / greatestPowerOfTwoDivider(hCand) > kMaxChunkRate)
                    return {};
                if (++steps > kMaxSteps) return {};
                hCand += htotalGranularity;
                r = static_cast<unsigned long long>(hCand) * v;
            }
            if (!rMin || r < rMin) {
                htotal = hCand;
                vtotal = v;
                rMin = r;
            }
            v += vtotalGranularity;
        }
        pixelClockRate = maxVrate * rMin;

        // Step 6: from 590 MHz the timing must also carry 4:2:0, which needs more blanking.
        minHtotal =
            hActive +
            std::max(kMinHblank420,
                     kPixelFactor420 * (kLineOverhead + kAudioPacketSize * maxAudioPacketsPerLine));
        if (pixelClockRate >= kMinClockRate420 && htotal < minHtotal) continue;
        break;
    }

    // Step 7: the lower rates of the family stretch the vertical blanking.
    vtotal = vtotal * maxVrate / vRate;

    // Step 8: vsync starts 400 µs before the active picture.
    const unsigned vBlank = vtotal - vActive;
    const unsigned vsyncPosition = static_cast<unsigned>(std::ceil(
        static_cast<double>(kMinVsyncLeadingEdge) * pixelClockRate / (1000000.0 * htotal)));
    Timing t;
    t.width = width;
    t.height = height;
    t.vfront = static_cast<int>(vBlank) - static_cast<int>(vsyncPosition);
    t.vsync = 8;
    t.vback = static_cast<int>(vBlank) - t.vfront - t.vsync;
    t.hsync = 32;
    t.hback = 32;
    t.hfront = static_cast<int>(htotal - hActive) - t.hsync - t.hback;
    t.pixelClockKhz = static_cast<qint64>(pixelClockRate / 1000);
    t.hsyncPositive = true;
    t.vsyncPositive = true;
    return t;
}

}  // namespace varnok
