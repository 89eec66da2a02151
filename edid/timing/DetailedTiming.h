#pragma once
// A timing in an 18-byte detailed timing descriptor (VESA E-EDID 1.4, 3.10.2): what fits its
// bit fields, the bytes, and reading one back. The descriptor's fields, its one codec and its one
// rule of what fits are the EDID model's (edid/model/EdidDescriptors.h); this converts a Timing
// to and from them.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

#include "edid/model/EdidDescriptors.h"
#include "edid/timing/Timing.h"

namespace varnok {

inline constexpr int kDetailedTimingSize = 18;
inline constexpr qint64 kMaxDetailedTimingClockKhz = 655350;  // 16 bits of 10 kHz

// The descriptor's fields for a timing: the clock rounded to 10 kHz, digital separate sync with
// the timing's polarities, no borders, no stereo, the image size as given. Fields are taken as
// they come, in range or not (DetailedTimingOverflows says which do not fit).
EdidDetailedTiming DetailedTimingOf(const Timing& t, int widthMm = 0, int heightMm = 0);
// The timing of a descriptor's fields. Borders are counted in the porches; sync polarities are
// read as digital separate sync.
Timing TimingOfDetailed(const EdidDetailedTiming& d);

struct DetailedTimingFit {
    // Each field that does not fit, in words ("vertical sync 70 lines: the descriptor holds at
    // most 63"); empty when the timing fits.
    QStringList overflows;
    // The fields those words are about, in the same order (a timing with equal fields adds no
    // field: it is told in words only).
    QList<DtdField> fields;
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

// A timing on its way into a descriptor, as the EDID window's calculator and varnok-cli's edit
// take it: it fits; or only a front porch is too long for its bits (CVT-RB2 2560 x 1440 @ 120
// has a vertical front porch of 71 lines, the descriptor holds 63), and the excess moves into
// the back porch: same totals, pixel clock and refresh, the sync starting earlier in the
// blanking; or the descriptor cannot hold it (the pixel clock, an active size, a sync), which
// the words say, offering the matching VIC where one exists.
struct DescriptorTiming {
    enum class Outcome { Fits, Fitted, Refused };
    Outcome outcome = Outcome::Refused;
    Timing timing;    // what goes into the descriptor (the fitted one when Fitted)
    QString words;    // Fitted: what moved; Refused: why, and the VIC offered
    QList<int> vics;  // Refused: the matching VICs

    bool writable() const { return outcome != Outcome::Refused; }
};
DescriptorTiming TimingForDescriptor(const Timing& t);

}  // namespace varnok
