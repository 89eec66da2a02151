#pragma once
// Whether a timing fits a link, per colour format: DVI, HDMI TMDS, HDMI FRL, a limit the user
// sets for their chain, and the limits a sink's EDID states (given as plain numbers, so that
// this needs no EDID model). Each "no" carries its reason in words.
//
// HDMI TMDS sends one character per pixel per lane for 8-bit RGB / 4:4:4 and for 4:2:2 (up to
// 12 bits, in the 8-bit clock); deep colour raises the character rate to 1.25× (10 bit) and
// 1.5× (12 bit); 4:2:0 halves it. HDMI allows 4:2:0 only for timings of 590 MHz or more.
//
// FRL capacity: the HDMI 2.1 specification's exact FRL budget (packet and blanking overheads)
// is not public, so a rate counts as lanes × Gbit/s × 16/18 of video payload (the 16b/18b
// coding, no DSC), against the timing's whole pixel clock × bits per pixel (24, 30, 36 for RGB /
// 4:4:4; 24 for 4:2:2; 12, 15, 18 for 4:2:0).

#include <QList>
#include <QString>
#include <optional>

#include "edid/timing/Timing.h"

namespace varnok {

enum class ColourFormat { Rgb8, Rgb10, Rgb12, Ycbcr422, Ycbcr420_8, Ycbcr420_10, Ycbcr420_12 };

inline constexpr ColourFormat kColourFormats[] = {
    ColourFormat::Rgb8,       ColourFormat::Rgb10,      ColourFormat::Rgb12,
    ColourFormat::Ycbcr422,   ColourFormat::Ycbcr420_8, ColourFormat::Ycbcr420_10,
    ColourFormat::Ycbcr420_12};

QString ColourFormatName(ColourFormat f);  // "RGB 10-bit", "4:2:2", "4:2:0 12-bit"

// The TMDS character rate in kHz (the TMDS clock for 8-bit formats).
qint64 TmdsCharacterRateKhz(const Timing& t, ColourFormat f);
// Video bits per second as FRL carries it.
double VideoBitsPerSecond(const Timing& t, ColourFormat f);

// The HDMI Forum VSDB's Max FRL Rate codes 1..6 (0 = no FRL): lanes and Gbit/s per lane.
struct FrlRate {
    int lanes;
    int gbpsPerLane;
};
inline constexpr FrlRate kFrlRates[] = {{3, 3}, {3, 6}, {4, 6}, {4, 8}, {4, 10}, {4, 12}};
double FrlPayloadBitsPerSecond(FrlRate rate);

struct LinkLimits {
    std::optional<double> chainMaxTmdsMhz;  // the user's chain (switch, cable, extender)
    // From the sink's EDID; unset when the EDID does not state it.
    std::optional<int> rangeLimitsMaxClockMhz;  // display range limits, max pixel clock
    std::optional<int> hdmiMaxTmdsMhz;          // HDMI VSDB, Max TMDS Clock
    std::optional<int> hfMaxTmdsMhz;            // HDMI Forum VSDB, Max TMDS Character Rate
    std::optional<int> hfMaxFrlRate;            // HDMI Forum VSDB, Max FRL Rate code 0..6
};

struct LinkVerdict {
    ColourFormat format;
    bool fits = false;
    QString reason;  // why not ("needs 594 MHz TMDS character rate; HDMI 1.4 carries 340
                     // MHz"); empty when it fits
};

struct LinkRow {
    QString link;                 // "HDMI 2.0 TMDS (600 MHz)"
    QList<LinkVerdict> verdicts;  // one per colour format, in kColourFormats order
};

// The fixed links (single- and dual-link DVI, HDMI TMDS 340 and 600 MHz, the six FRL rates),
// then a row for each limit that is set.
QList<LinkRow> CheckLinks(const Timing& t, const LinkLimits& limits = {});

}  // namespace varnok
