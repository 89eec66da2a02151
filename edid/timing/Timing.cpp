#include "edid/timing/Timing.h"

namespace varnok {

double Timing::vtotal() const {
    const double lines = fieldHeight() + vblank();
    return interlaced && !evenFieldTotal ? lines + 0.5 : lines;
}

double Timing::refreshHz() const {
    const double total = htotal() * vtotal();
    return total > 0 ? pixelClockKhz * 1000.0 / total : 0.0;
}

double Timing::hfreqKhz() const {
    return htotal() > 0 ? static_cast<double>(pixelClockKhz) / htotal() : 0.0;
}

}  // namespace varnok
