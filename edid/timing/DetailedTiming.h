#pragma once
// A timing in an 18-byte detailed timing descriptor (VESA E-EDID 1.4, 3.10.2): what fits its
// bit fields, the bytes, and reading one back.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

#include "edid/timing/Timing.h"

namespace varnok {

inline constexpr int kDetailedTimingSize = 18;
inline constexpr qint64 kMaxDetailedTimingClockKhz = 655350;  // 16 bits of 10 kHz

struct DetailedTimingFit {
    // Each field that does not fit, in words ("vertical sync 70 lines: the descriptor holds at
    // most 63"); empty when the timing fits.
    QStringList overflows;
    // Set when the pixel clock is not a whole number of 10 kHz: the clock the descriptor holds.
    std::optional<qint64> storedClockKhz;
    // VICs with exactly this timing (at their own rate or its 1000/1001 rate), lowest first:
    // what a CTA-861 Video Data Block can name instead when the descriptor cannot hold it.
    QList<int> vics;

    bool fits() const { return overflows.isEmpty(); }
};

DetailedTimingFit CheckDetailedTiming(const Timing& t);

// The descriptor's 18 bytes (digital separate sync, no borders, no stereo), the image size in
// mm as given (0 to 4095); empty when the timing does not fit (CheckDetailedTiming says why).
QByteArray EncodeDetailedTiming(const Timing& t, int widthMm = 0, int heightMm = 0);

// The timing of a descriptor; nothing for a display descriptor (pixel clock 0) or fewer than 18
// bytes. Borders are counted in the porches; sync polarities are read as digital separate sync.
std::optional<Timing> DecodeDetailedTiming(QByteArrayView bytes);

}  // namespace varnok
