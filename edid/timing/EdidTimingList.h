#pragma once
// Every video timing an EDID offers, in words, for a reader who wants to know what a monitor
// takes rather than the one best CTA-861 format the analyzer's rows name: the preferred timing
// (the first detailed timing, VESA E-EDID 1.4 3.10.1), then the detailed timings of all blocks
// numbered as edid-decode numbers its DTDs, the VICs of the CTA-861 video data blocks (and of the
// YCbCr 4:2:0 video data blocks), the standard timings and the established timings.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace varnok {

struct EdidTimingList {
    // "2560x1440 at 59.951 Hz (detailed timing 1)"; empty when the EDID has no detailed timing.
    QString preferred;
    // "detailed timing 2: 1920x1080 at 60.000 Hz", "VIC 16: 1920x1080 at 60.000 Hz",
    // "VIC 97: 3840x2160 at 60.000 Hz (YCbCr 4:2:0 only)", "standard timing: 1680x1050 at 60 Hz",
    // "established timing: 800x600 at 60 Hz", in that order.
    QStringList timings;
};

// bytes: the EDID as read, 128 x N bytes; a shorter tail block is ignored. Any content is taken:
// what does not decode is left out.
EdidTimingList ListEdidTimings(const QByteArray& bytes);

}  // namespace varnok
