#include "edid/timing/DetailedTiming.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "edid/timing/TimingTables.h"

namespace varnok {

namespace {

bool sameVideoTiming(const Timing& a, const Timing& b) {
    Timing scaled = b;
    scaled.pixelClockKhz = std::llround(b.pixelClockKhz * 1000.0 / 1001.0);
    return a == b || a == scaled;
}

QList<int> matchingVics(const Timing& t) {
    QList<int> vics;
    for (const VicEntry& v : VicTable())
        if (sameVideoTiming(t, v.timing)) vics << v.vic;
    return vics;
}

// "8 lines of the vertical front porch (71 lines; a descriptor holds 63) move to the back porch:
// front porch 63, back porch 14"
QString movedWords(const char* axis, const char* unit, int front, int back, int max) {
    const int moved = front - max;
    return QStringLiteral(
               "%1 %2 of the %3 front porch (%4 %2; a descriptor holds %5) move to the back "
               "porch: front porch %5, back porch %6")
        .arg(moved)
        .arg(QLatin1String(unit), QLatin1String(axis))
        .arg(front)
        .arg(max)
        .arg(back + moved);
}

}  // namespace

EdidDetailedTiming DetailedTimingOf(const Timing& t, int widthMm, int heightMm) {
    EdidDetailedTiming d;
    // Rounded to the descriptor's 10 kHz; kept in int range so that any clock reads as too high.
    d.pixelClock10kHz =
        int(std::clamp<qint64>((t.pixelClockKhz + 5) / 10, INT_MIN / 2, INT_MAX / 2));
    d.hActive = t.width;
    d.hBlank = t.hblank();
    d.hFront = t.hfront;
    d.hSync = t.hsync;
    d.vActive = t.fieldHeight();
    d.vBlank = t.vblank();
    d.vFront = t.vfront;
    d.vSync = t.vsync;
    d.hImageMm = widthMm;
    d.vImageMm = heightMm;
    // Byte 17: interlace, digital separate sync (bits 4-3 = 11) and the two polarities.
    d.flags = uint8_t((t.interlaced ? 0x80 : 0) | 0x18 | (t.vsyncPositive ? 0x04 : 0) |
                      (t.hsyncPositive ? 0x02 : 0));
    return d;
}

Timing TimingOfDetailed(const EdidDetailedTiming& d) {
    Timing t;
    t.pixelClockKhz = qint64(d.pixelClock10kHz) * 10;
    t.interlaced = d.interlaced();
    t.width = d.hActive;
    t.height = t.interlaced ? d.vActive * 2 : d.vActive;
    t.hfront = d.hFront;
    t.hsync = d.hSync;
    t.hback = d.hBlank - d.hFront - d.hSync;
    t.vfront = d.vFront;
    t.vsync = d.vSync;
    t.vback = d.vBlank - d.vFront - d.vSync;
    t.hsyncPositive = d.flags & 0x02;
    t.vsyncPositive = d.flags & 0x04;
    return t;
}

DetailedTimingFit CheckDetailedTiming(const Timing& t) {
    DetailedTimingFit fit;
    for (const DtdOverflow& o : DetailedTimingOverflows(DetailedTimingOf(t))) {
        fit.overflows << o.words;
        fit.fields << o.field;
    }
    if (t.pixelClockKhz % 10 && !fit.fields.contains(DtdField::PixelClock))
        fit.storedClockKhz = (t.pixelClockKhz + 5) / 10 * 10;
    if (t.evenFieldTotal)
        fit.overflows << QStringLiteral(
            "both fields of equal length: the descriptor's interlace always has "
            "the half line");
    fit.vics = matchingVics(t);
    return fit;
}

QByteArray EncodeDetailedTiming(const Timing& t, int widthMm, int heightMm) {
    const EdidDetailedTiming d = DetailedTimingOf(t, widthMm, heightMm);
    if (t.evenFieldTotal || !DetailedTimingOverflows(d).isEmpty()) return {};
    const Bytes18 bytes = EncodeDetailedTiming(d);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), kDetailedTimingSize);
}

std::optional<Timing> DecodeDetailedTiming(QByteArrayView bytes) {
    if (bytes.size() < kDetailedTimingSize) return std::nullopt;
    Bytes18 d{};
    std::copy_n(reinterpret_cast<const uint8_t*>(bytes.data()), kDetailedTimingSize, d.begin());
    if (DescriptorKindOf(d) != DescriptorKind::DetailedTiming) return std::nullopt;
    return TimingOfDetailed(DecodeDetailedTiming(d));
}

DescriptorTiming TimingForDescriptor(const Timing& t) {
    DescriptorTiming out;
    out.timing = t;
    const DetailedTimingFit fit = CheckDetailedTiming(t);
    if (fit.fits()) {
        out.outcome = DescriptorTiming::Outcome::Fits;
        return out;
    }
    // Only front porches longer than their bits (never a negative one) can be fitted.
    const bool onlyPorches =
        !t.evenFieldTotal && std::all_of(fit.fields.begin(), fit.fields.end(), [&t](DtdField f) {
            return (f == DtdField::HFront && t.hfront > kDtdMaxHFront) ||
                   (f == DtdField::VFront && t.vfront > kDtdMaxVFront);
        });
    if (onlyPorches) {
        QStringList moved;
        if (t.hfront > kDtdMaxHFront) {
            moved << movedWords("horizontal", "pixels", t.hfront, t.hback, kDtdMaxHFront);
            out.timing.hback += t.hfront - kDtdMaxHFront;
            out.timing.hfront = kDtdMaxHFront;
        }
        if (t.vfront > kDtdMaxVFront) {
            moved << movedWords("vertical", "lines", t.vfront, t.vback, kDtdMaxVFront);
            out.timing.vback += t.vfront - kDtdMaxVFront;
            out.timing.vfront = kDtdMaxVFront;
        }
        out.outcome = DescriptorTiming::Outcome::Fitted;
        out.words = moved.join(QStringLiteral("; ")) +
                    QStringLiteral(
                        ". The totals, the pixel clock and the refresh rate stay; the "
                        "sync starts earlier in the blanking.");
        return out;
    }
    out.vics = fit.vics;
    out.words = QStringLiteral("A detailed timing descriptor cannot hold this timing: %1.")
                    .arg(fit.overflows.join(QStringLiteral("; ")));
    if (!fit.vics.isEmpty()) {
        QStringList vics;
        for (const int v : fit.vics) vics << QString::number(v);
        out.words += QStringLiteral(" A CTA-861 video data block can name it as VIC %1.")
                         .arg(vics.join(QStringLiteral(" or ")));
    } else {
        out.words += QStringLiteral(" No VIC has this timing.");
    }
    return out;
}

}  // namespace varnok
