#pragma once
// W × H @ Hz to a timing by one of the standard methods, as the window's calculator and
// varnok-cli's "timing" command ask for it. The results equal Debian 12's edid-decode (--dmt,
// --vic, --cvt, --gtf, --ovt; -N for the 1000/1001 rates of table timings) to the pixel and to
// the kHz of pixel clock.

#include <QString>
#include <QStringView>
#include <optional>

#include "edid/timing/Timing.h"

namespace varnok {

// The command line's --method names, in this order: dmt vic cvt rb1 rb2 rb3 gtf ovt.
enum class TimingMethod { Dmt, Vic, Cvt, CvtRb1, CvtRb2, CvtRb3, Gtf, Ovt };

inline constexpr TimingMethod kTimingMethods[] = {
    TimingMethod::Dmt,    TimingMethod::Vic,    TimingMethod::Cvt, TimingMethod::CvtRb1,
    TimingMethod::CvtRb2, TimingMethod::CvtRb3, TimingMethod::Gtf, TimingMethod::Ovt};

QString TimingMethodName(TimingMethod method);   // "rb2"
QString TimingMethodTitle(TimingMethod method);  // "CVT reduced blanking v2"
std::optional<TimingMethod> TimingMethodFromName(QStringView name);

inline constexpr int kMaxTimingActive = 16384;  // width or height asked for
inline constexpr double kMaxTimingRefreshHz = 1000;

struct TimingRequest {
    int width = 0;
    int height = 0;        // the whole frame, also when interlaced (1080 for 1080i)
    double refreshHz = 0;  // frames per second; fields per second when interlaced
    TimingMethod method = TimingMethod::Cvt;
    // The video rate: refreshHz × 1000/1001 (59.94 for 60). CVT, CVT-RB v1/v3 and GTF compute
    // at that rate; CVT-RB v2 gives its video-optimised timing (the rate-60 timing with its
    // clock × 1000/1001); DMT, VIC and OVT scale the clock of a timing whose own rate is a whole
    // multiple of 6 Hz (24, 30, 48, 60, 120, ...), or pick a table timing at the lower rate.
    bool videoRate = false;
    bool interlaced = false;  // not with OVT
    // DMT: where the table has a reduced-blanking timing and a standard one for the same mode
    // and rate (1920 x 1200 @ 60), which one; where it has only one, that one.
    bool reducedBlanking = false;
    // CVT reduced blanking v3: horizontal blanking 80..200 pixels, rounded down to a multiple of
    // 8 (CVT 2.0's "alternative" blanking is 160); the least vertical blanking, 460..705 µs;
    // vsync early in the blanking.
    int rb3HBlank = 80;
    int rb3VBlankUs = 460;
    bool rb3EarlyVsync = false;
    // GTF: the secondary curve with these parameters (VESA GTF 1.1; a sink's range limits
    // descriptor gives them, C and J in halves).
    bool gtfSecondary = false;
    double gtfC = 40;
    double gtfM = 600;
    double gtfK = 128;
    double gtfJ = 20;
};

struct TimingResult {
    bool ok = false;
    QString reason;  // why there is no timing; empty when ok
    Timing timing;
    int dmtId = 0;                   // the DMT used (method DMT)
    int vic = 0;                     // the VIC used (method VIC)
    bool scaledToVideoRate = false;  // a table or OVT timing's clock × 1000/1001
};

// Options that do not apply to the method are ignored. Refused: sizes outside
// 1..kMaxTimingActive, a rate outside (0, kMaxTimingRefreshHz], an odd interlaced height, OVT
// interlaced or at a fractional rate, options out of range, no table timing within 1 Hz.
TimingResult CalculateTiming(const TimingRequest& request);

// A table timing by its number (edid-decode --dmt N / --vic N; with videoRate, -N).
TimingResult DmtTiming(int id, bool videoRate = false);
TimingResult VicTiming(int vic, bool videoRate = false);

}  // namespace varnok
