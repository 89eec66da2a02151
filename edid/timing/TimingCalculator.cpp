#include "edid/timing/TimingCalculator.h"

#include <cmath>

#include "edid/timing/TimingFormulas.h"
#include "edid/timing/TimingTables.h"

namespace varnok {

namespace {

constexpr double kVideoRateFactor = 1000.0 / 1001.0;
// A table timing answers a request within this many Hz of its own (or its 1000/1001) rate:
// DMT 800 x 600 @ 56 runs at 56.25 Hz, DMT 640 x 480 @ 72 at 72.81 Hz.
constexpr double kTableRateToleranceHz = 1.0;

QString modeText(int width, int height, bool interlaced, double hz) {
    return QStringLiteral("%1x%2%3 at %4 Hz")
        .arg(width)
        .arg(height)
        .arg(interlaced ? QStringLiteral("i") : QString())
        .arg(hz, 0, 'g', 10);
}

TimingResult refused(QString reason) {
    TimingResult r;
    r.reason = std::move(reason);
    return r;
}

// Whole multiples of 6 Hz (24, 30, 60, ...) have a 1000/1001 video rate, as edid-decode -N
// takes them.
bool hasVideoRate(const Timing& t) {
    return std::fmod(t.refreshHz(), 6.0) == 0;
}

Timing atVideoRate(Timing t) {
    t.pixelClockKhz = std::llround(t.pixelClockKhz * kVideoRateFactor);
    return t;
}

TimingResult tableResult(const Timing& t, bool videoRate) {
    TimingResult r;
    r.ok = true;
    r.scaledToVideoRate = videoRate && hasVideoRate(t);
    r.timing = r.scaledToVideoRate ? atVideoRate(t) : t;
    return r;
}

// The table timing nearest the rate asked for: among those of the blanking asked for (when the
// table has any for the mode), the nearest rate, then the table's own rate over a scaled one,
// then the first in the table (VIC 2 before VIC 3, its 16:9 twin). Null when none is within
// kTableRateToleranceHz.
template <typename Entry, typename IsReduced>
const Entry* nearestInTable(std::span<const Entry> table, const TimingRequest& q,
                            IsReduced isReduced, bool& scaledOut) {
    const auto sameMode = [&q](const Timing& t) {
        return t.width == q.width && t.height == q.height && t.interlaced == q.interlaced;
    };
    bool anyPreferred = false;
    for (const Entry& e : table)
        anyPreferred |= sameMode(e.timing) && isReduced(e) == q.reducedBlanking;

    const double target = q.videoRate ? q.refreshHz * kVideoRateFactor : q.refreshHz;
    const Entry* best = nullptr;
    double bestDistance = 0;
    for (const Entry& e : table) {
        if (!sameMode(e.timing) || (anyPreferred && isReduced(e) != q.reducedBlanking)) continue;
        for (const bool scaled : {false, true}) {
            if (scaled && !hasVideoRate(e.timing)) continue;
            const double own = e.timing.refreshHz();
            const double distance = std::abs((scaled ? own * kVideoRateFactor : own) - target);
            // Rates within 1 mHz of each other are the same rate.
            const bool nearer = distance < bestDistance - 0.001 ||
                                (distance <= bestDistance + 0.001 && scaledOut && !scaled);
            if (distance <= kTableRateToleranceHz && (!best || nearer)) {
                best = &e;
                bestDistance = distance;
                scaledOut = scaled;
            }
        }
    }
    return best;
}

// In TimingMethod's order.
constexpr struct {
    const char* name;
    const char* title;
} kMethodNames[] = {{"dmt", "VESA DMT"},
                    {"vic", "CTA-861 VIC"},
                    {"cvt", "CVT"},
                    {"rb1", "CVT reduced blanking v1"},
                    {"rb2", "CVT reduced blanking v2"},
                    {"rb3", "CVT reduced blanking v3"},
                    {"gtf", "GTF"},
                    {"ovt", "CTA-861 OVT"}};

}  // namespace

QString TimingMethodName(TimingMethod method) {
    return QLatin1StringView(kMethodNames[static_cast<int>(method)].name);
}

QString TimingMethodTitle(TimingMethod method) {
    return QString::fromUtf8(kMethodNames[static_cast<int>(method)].title);
}

std::optional<TimingMethod> TimingMethodFromName(QStringView name) {
    for (const TimingMethod m : kTimingMethods)
        if (name.compare(TimingMethodName(m), Qt::CaseInsensitive) == 0) return m;
    return std::nullopt;
}

TimingResult DmtTiming(int id, bool videoRate) {
    const DmtEntry* e = FindDmt(id);
    if (!e) return refused(QStringLiteral("no DMT with ID 0x%1").arg(id, 2, 16, QLatin1Char('0')));
    TimingResult r = tableResult(e->timing, videoRate);
    r.dmtId = id;
    return r;
}

TimingResult VicTiming(int vic, bool videoRate) {
    const VicEntry* e = FindVic(vic);
    if (!e) return refused(QStringLiteral("no VIC %1").arg(vic));
    TimingResult r = tableResult(e->timing, videoRate);
    r.vic = vic;
    return r;
}

namespace {

QString checkRequest(const TimingRequest& q) {
    if (q.width < 1 || q.width > kMaxTimingActive)
        return QStringLiteral("the width must be 1 to %1 pixels").arg(kMaxTimingActive);
    if (q.height < 1 || q.height > kMaxTimingActive)
        return QStringLiteral("the height must be 1 to %1 lines").arg(kMaxTimingActive);
    if (!(q.refreshHz > 0 && q.refreshHz <= kMaxTimingRefreshHz))
        return QStringLiteral("the refresh rate must be above 0 and at most %1 Hz")
            .arg(kMaxTimingRefreshHz);
    if (q.interlaced && q.height % 2)
        return QStringLiteral("an interlaced height must be even (both fields together)");
    switch (q.method) {
        case TimingMethod::Ovt:
            if (q.interlaced) return QStringLiteral("OVT timings are progressive only");
            if (q.refreshHz != std::floor(q.refreshHz))
                return QStringLiteral(
                    "OVT takes a whole refresh rate (use the 1000/1001 "
                    "option for 59.94)");
            break;
        case TimingMethod::CvtRb3:
            if (q.rb3HBlank < 80 || q.rb3HBlank > 200)
                return QStringLiteral("the horizontal blanking must be 80 to 200 pixels");
            if (q.rb3VBlankUs < 460 || q.rb3VBlankUs > 705)
                return QStringLiteral("the vertical blanking must be 460 to 705 µs");
            break;
        case TimingMethod::Gtf:
            // The ranges a range limits descriptor can hold (VESA E-EDID 1.4, table 3.28).
            if (q.gtfSecondary &&
                (!(q.gtfC >= 0 && q.gtfC <= 127.5) || !(q.gtfM >= 0 && q.gtfM <= 65535) ||
                 !(q.gtfK >= 0 && q.gtfK <= 255) || !(q.gtfJ >= 0 && q.gtfJ <= 127.5)))
                return QStringLiteral(
                    "the GTF parameters must be C 0 to 127.5, M 0 to 65535, "
                    "K 0 to 255 and J 0 to 127.5");
            break;
        default:
            break;
    }
    return {};
}

CvtBlanking cvtBlanking(TimingMethod m) {
    switch (m) {
        case TimingMethod::CvtRb1:
            return CvtBlanking::Reduced1;
        case TimingMethod::CvtRb2:
            return CvtBlanking::Reduced2;
        case TimingMethod::CvtRb3:
            return CvtBlanking::Reduced3;
        default:
            return CvtBlanking::Standard;
    }
}

}  // namespace

TimingResult CalculateTiming(const TimingRequest& q) {
    if (const QString why = checkRequest(q); !why.isEmpty()) return refused(why);
    const auto mode = [&q] {
        return modeText(q.width, q.height, q.interlaced, q.refreshHz) +
               (q.videoRate ? QStringLiteral(" × 1000/1001") : QString());
    };

    TimingResult r;
    switch (q.method) {
        case TimingMethod::Dmt: {
            bool scaled = false;
            const DmtEntry* e = nearestInTable(
                DmtTable(), q, [](const DmtEntry& d) { return d.reducedBlanking; }, scaled);
            if (!e) return refused(QStringLiteral("no DMT for %1").arg(mode()));
            r = DmtTiming(e->id, scaled);
            return r;
        }
        case TimingMethod::Vic: {
            bool scaled = false;
            const VicEntry* e = nearestInTable(
                VicTable(), q, [](const VicEntry&) { return false; }, scaled);
            if (!e) return refused(QStringLiteral("no VIC for %1").arg(mode()));
            return VicTiming(e->vic, scaled);
        }
        case TimingMethod::Ovt: {
            r.timing = OvtFormula(q.width, q.height, static_cast<int>(q.refreshHz));
            if (q.videoRate) {
                if (!hasVideoRate(r.timing))
                    return refused(
                        QStringLiteral("OVT has a 1000/1001 rate only for whole multiples of "
                                       "6 Hz"));
                r.timing = atVideoRate(r.timing);
                r.scaledToVideoRate = true;
            }
            break;
        }
        case TimingMethod::Gtf: {
            const double rate = q.videoRate ? q.refreshHz * kVideoRateFactor : q.refreshHz;
            r.timing = q.gtfSecondary ? GtfFormula(q.width, q.height, rate, q.interlaced, true,
                                                   q.gtfC, q.gtfM, q.gtfK, q.gtfJ)
                                      : GtfFormula(q.width, q.height, rate, q.interlaced, false, 40,
                                                   600, 128, 20);
            break;
        }
        default: {
            CvtInput in;
            in.width = q.width;
            in.height = q.height;
            in.blanking = cvtBlanking(q.method);
            in.interlaced = q.interlaced;
            // Reduced blanking v2 has a video-optimised timing of its own: the integer rate's
            // blanking with the clock × 1000/1001.
            in.videoOptimized = q.videoRate && in.blanking == CvtBlanking::Reduced2;
            in.fieldRateHz =
                q.videoRate && !in.videoOptimized ? q.refreshHz * kVideoRateFactor : q.refreshHz;
            in.rb3HBlank = q.rb3HBlank;
            in.rb3VBlankUs = q.rb3VBlankUs;
            in.rb3EarlyVsync = q.rb3EarlyVsync;
            r.timing = CvtFormula(in);
            break;
        }
    }
    const Timing& t = r.timing;
    if (t.pixelClockKhz <= 0 || t.hsync <= 0 || t.vsync <= 0 || t.vfront < 0 || t.vback < 0)
        return refused(QStringLiteral("%1 gives no usable timing for %2")
                           .arg(TimingMethodTitle(q.method), mode()));
    r.ok = true;
    return r;
}

}  // namespace varnok
