#pragma once
// The fixed timings a sink can name by number: the VESA Display Monitor Timings (DMT 1.0 r13,
// by DMT ID) and the CTA-861 Video Identification Codes (VIC 1..127 and 193..219).

#include <span>

#include "edid/timing/Timing.h"

namespace varnok {

struct DmtEntry {
    int id = 0;                    // the DMT ID, 0x01..0x58
    bool reducedBlanking = false;  // a CVT reduced-blanking timing
    Timing timing;
};

struct VicEntry {
    int vic = 0;
    int aspectH = 0;  // picture aspect ratio, e.g. 16:9
    int aspectV = 0;
    Timing timing;  // at the VIC's own rate (720 x 480 @ 59.94 for VIC 2)

    // Above 600 MHz no HDMI TMDS link carries this VIC as RGB or 4:4:4; up to 1200 MHz it fits
    // TMDS as YCbCr 4:2:0 only, which is why sinks list such VICs in the YCbCr 4:2:0 Video
    // Data Block (CTA-861-F 7.5.10). Above 1200 MHz it needs HDMI FRL.
    bool ycbcr420OnlyOverTmds() const {
        return timing.pixelClockKhz > 600000 && timing.pixelClockKhz <= 1200000;
    }
};

// In the order of the standards' tables (DMT by resolution, VICs by number).
std::span<const DmtEntry> DmtTable();
std::span<const VicEntry> VicTable();

const DmtEntry* FindDmt(int id);
const VicEntry* FindVic(int vic);

}  // namespace varnok
