#include "edid/timing/EdidTimingList.h"

#include <algorithm>
#include <optional>

#include "edid/timing/DetailedTiming.h"
#include "edid/timing/TimingTables.h"

namespace varnok {
namespace {

constexpr int kBlock = 128;
constexpr int kSlot = 18;
constexpr int kFirstDescriptor = 54;

uint8_t At(const QByteArray& b, int i) {
    return uint8_t(b[i]);
}

QString Named(const Timing& t) {
    return QStringLiteral("%1x%2%3 at %4 Hz")
        .arg(t.width)
        .arg(t.height)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(t.refreshHz(), 0, 'f', 3);
}

// The established timings I and II by bit, byte 35 bit 7 first (VESA E-EDID 1.4, table 3.18).
constexpr const char* kEstablished[17] = {
    "720x400 at 70 Hz",  "720x400 at 88 Hz",  "640x480 at 60 Hz",  "640x480 at 67 Hz",
    "640x480 at 72 Hz",  "640x480 at 75 Hz",  "800x600 at 56 Hz",  "800x600 at 60 Hz",
    "800x600 at 72 Hz",  "800x600 at 75 Hz",  "832x624 at 75 Hz",  "1024x768i at 87 Hz",
    "1024x768 at 60 Hz", "1024x768 at 70 Hz", "1024x768 at 75 Hz", "1280x1024 at 75 Hz",
    "1152x870 at 75 Hz",
};

// A standard timing's two bytes (VESA E-EDID 1.4, 3.9): 01 01 (and the 00 00 and 20 20 some
// makers write) is an unused slot.
std::optional<QString> StandardTiming(uint8_t b1, uint8_t b2, uint8_t revision) {
    if (b1 <= 0x01 || b1 == 0x20) return std::nullopt;
    const int width = (b1 + 31) * 8;
    int height = 0;
    switch (b2 >> 6) {
        case 0:  // 16:10 since EDID 1.3, 1:1 before
            height = revision >= 3 ? width * 10 / 16 : width;
            break;
        case 1:
            height = width * 3 / 4;
            break;
        case 2:
            height = width * 4 / 5;
            break;
        default:
            height = width * 9 / 16;
            break;
    }
    return QStringLiteral("%1x%2 at %3 Hz").arg(width).arg(height).arg((b2 & 0x3F) + 60);
}

struct Walk {
    const QByteArray& bytes;
    EdidTimingList out;
    QStringList vics;
    int detailed = 0;

    // The slot at p: a timing when its pixel clock is not 0.
    void slot(int p) {
        const std::optional<Timing> t =
            DecodeDetailedTiming(QByteArrayView(bytes).sliced(p, kSlot));
        if (!t) return;
        ++detailed;
        const QString name = Named(*t);
        if (detailed == 1 && p < kBlock)
            out.preferred = name + QStringLiteral(" (detailed timing 1)");
        out.timings << QStringLiteral("detailed timing %1: %2").arg(detailed).arg(name);
    }

    void vic(int code, bool only420) {
        // VICs 129..192 of a video data block mark a native format (CTA-861-F 7.5.1).
        if (!only420 && code >= 129 && code <= 192) code -= 128;
        const VicEntry* e = FindVic(code);
        QString text = QStringLiteral("VIC %1: ").arg(code) +
                       (e ? Named(e->timing) : QStringLiteral("not a known format"));
        if (only420) text += QStringLiteral(" (YCbCr 4:2:0 only)");
        vics << text;
    }

    // A CTA-861 extension at b: its data blocks' VICs and its detailed timings.
    void cta(int b) {
        const int dtd = At(bytes, b + 2);
        if (dtd < 4 || dtd > 127) return;
        for (int p = b + 4; p < b + dtd;) {
            const int tag = At(bytes, p) >> 5;
            const int length = At(bytes, p) & 0x1F;
            const int end = std::min(p + 1 + length, b + dtd);
            if (tag == 2) {
                for (int i = p + 1; i < end; ++i) vic(At(bytes, i), false);
            } else if (tag == 7 && length >= 1 && At(bytes, p + 1) == 14) {
                for (int i = p + 2; i < end; ++i) vic(At(bytes, i), true);
            }
            p += 1 + length;
        }
        // Slots up to the checksum; a display descriptor among them is passed over, an all-zero
        // slot is the padding after the last.
        for (int p = b + dtd; p + kSlot <= b + 127; p += kSlot) {
            bool empty = true;
            for (int i = 0; i < kSlot && empty; ++i) empty = At(bytes, p + i) == 0;
            if (empty) break;
            slot(p);
        }
    }
};

}  // namespace

EdidTimingList ListEdidTimings(const QByteArray& bytes) {
    Walk w{bytes, {}, {}, 0};
    if (bytes.size() < kBlock) return {};
    for (int p = kFirstDescriptor; p < kFirstDescriptor + 4 * kSlot; p += kSlot) w.slot(p);
    const int blocks = int(bytes.size()) / kBlock;
    for (int b = 1; b < blocks; ++b)
        if (At(bytes, b * kBlock) == 0x02) w.cta(b * kBlock);
    EdidTimingList out = w.out;
    out.timings << w.vics;
    for (int p = 38; p < 54; p += 2)
        if (const auto s = StandardTiming(At(bytes, p), At(bytes, p + 1), At(bytes, 19)))
            out.timings << QStringLiteral("standard timing: ") + *s;
    const uint32_t established =
        uint32_t(At(bytes, 35)) << 16 | uint32_t(At(bytes, 36)) << 8 | At(bytes, 37);
    for (int i = 0; i < 17; ++i)
        if (established & (1u << (23 - i)))
            out.timings << QStringLiteral("established timing: ") + QLatin1String(kEstablished[i]);
    return out;
}

}  // namespace varnok
