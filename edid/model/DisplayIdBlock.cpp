#include "edid/model/DisplayIdBlock.h"

namespace varnok {
namespace {

// The section: version, payload length, product type (or primary use case), extension count,
// then the data blocks; the section's own checksum follows the payload. A section holds at most
// 121 payload bytes in an EDID extension block.
constexpr int kFirstDataBlock = 5;
constexpr int kMaxPayload = 121;
constexpr int kTimingSize = 20;

uint8_t At(const QByteArray& bytes, int i) {
    return uint8_t(bytes[i]);
}

int Le(const QByteArray& b, int i, int bytes) {
    int value = 0;
    for (int k = bytes - 1; k >= 0; --k) value = value << 8 | At(b, i + k);
    return value;
}

// One 20-byte descriptor of a type I (10 kHz clock units) or type VII (1 kHz) block. Each field
// is stored as its value minus 1; bit 15 of the front porches is the sync polarity.
DisplayIdTiming DecodeTiming(const QByteArray& d, bool typeVii, bool revisionBelow2) {
    DisplayIdTiming t;
    t.pixelClockKhz = qint64(Le(d, 0, 3) + 1) * (typeVii ? 1 : 10);
    const uint8_t flags = At(d, 3);
    t.preferred = (flags & 0x80) && revisionBelow2;
    const bool interlaced = flags & 0x10;
    const int hActive = Le(d, 4, 2) + 1;
    const int hBlank = Le(d, 6, 2) + 1;
    const int hFront = (Le(d, 8, 2) & 0x7FFF) + 1;
    const bool hPositive = At(d, 9) & 0x80;
    const int hSync = Le(d, 10, 2) + 1;
    const int vActive = Le(d, 12, 2) + 1;
    const int vBlank = Le(d, 14, 2) + 1;
    const int vFront = (Le(d, 16, 2) & 0x7FFF) + 1;
    const bool vPositive = At(d, 17) & 0x80;
    const int vSync = Le(d, 18, 2) + 1;
    t.width = hActive;
    t.height = vActive;
    const double total = double(hActive + hBlank) * (vActive + vBlank);
    t.refreshHz = total > 0 ? double(t.pixelClockKhz) * 1000.0 / total : 0;

    EdidDetailedTiming& e = t.timing;
    e.pixelClock10kHz = int((t.pixelClockKhz + 5) / 10);
    e.hActive = hActive;
    e.hBlank = hBlank;
    e.hFront = hFront;
    e.hSync = hSync;
    e.vActive = vActive;
    e.vBlank = vBlank;
    e.vFront = vFront;
    e.vSync = vSync;
    e.flags = uint8_t(0x18 | (vPositive ? 0x04 : 0) | (hPositive ? 0x02 : 0));
    if (interlaced) {
        // A descriptor states one field of an interlaced timing, with its own half-line rule;
        // the frame's numbers are not converted.
        t.problem = QStringLiteral("it is interlaced");
    } else if (t.pixelClockKhz > 655350) {
        t.problem = QStringLiteral("its pixel clock of %1 MHz is more than a detailed timing "
                                   "holds (655.35 MHz)")
                        .arg(double(t.pixelClockKhz) / 1000.0, 0, 'f', 2);
    } else if (const QString problem = DetailedTimingProblem(e); !problem.isEmpty()) {
        // "The vertical front porch must be 0 to 63 in a detailed timing; it is 70."
        t.problem = problem.at(0).toLower() + problem.mid(1).chopped(1);
    }
    return t;
}

}  // namespace

DisplayIdSection ParseDisplayIdSection(const QByteArray& block) {
    DisplayIdSection s;
    s.version = At(block, 1);
    int length = At(block, 2);
    if (length > kMaxPayload) {
        s.fault = QStringLiteral("its section states %1 bytes, more than the 121 a block holds")
                      .arg(length);
        length = kMaxPayload;
    }
    const int end = kFirstDataBlock + length;
    for (int p = kFirstDataBlock; p + 3 <= end;) {
        const int size = At(block, p + 2);
        // A zero tag with no payload is filler: the data blocks have ended.
        if (At(block, p) == 0 && size == 0) break;
        if (p + 3 + size > end) {
            s.fault = QStringLiteral("the data block at byte %1 runs past its section").arg(p);
            break;
        }
        s.blocks.append({At(block, p), At(block, p + 1), block.mid(p + 3, size)});
        p += 3 + size;
    }
    return s;
}

QString DisplayIdBlockName(uint8_t tag) {
    switch (tag) {
        case 0x00:
        case 0x20:
            return QStringLiteral("product identification");
        case 0x01:
        case 0x21:
            return QStringLiteral("display parameters");
        case 0x02:
            return QStringLiteral("color characteristics");
        case 0x03:
            return QStringLiteral("detailed timings (type I)");
        case 0x04:
            return QStringLiteral("detailed timings (type II)");
        case 0x05:
            return QStringLiteral("short timings (type III)");
        case 0x06:
            return QStringLiteral("DMT timing codes (type IV)");
        case 0x07:
            return QStringLiteral("VESA DMT timings");
        case 0x08:
            return QStringLiteral("CTA-861 timings");
        case 0x09:
            return QStringLiteral("video timing range");
        case 0x0A:
            return QStringLiteral("product serial number");
        case 0x0B:
            return QStringLiteral("ASCII string");
        case 0x0C:
            return QStringLiteral("display device data");
        case 0x0D:
            return QStringLiteral("interface power sequencing");
        case 0x0E:
            return QStringLiteral("transfer characteristics");
        case 0x0F:
            return QStringLiteral("display interface");
        case 0x10:
        case 0x27:
            return QStringLiteral("stereo display interface");
        case 0x11:
            return QStringLiteral("short timings (type V)");
        case 0x12:
        case 0x28:
            return QStringLiteral("tiled display topology");
        case 0x13:
            return QStringLiteral("detailed timings (type VI)");
        case 0x22:
            return QStringLiteral("detailed timings (type VII)");
        case 0x23:
            return QStringLiteral("enumerated timing codes (type VIII)");
        case 0x24:
            return QStringLiteral("formula-based timings (type IX)");
        case 0x25:
            return QStringLiteral("dynamic video timing range limits");
        case 0x26:
            return QStringLiteral("display interface features");
        case 0x29:
            return QStringLiteral("container ID");
        case 0x2A:
            return QStringLiteral("formula-based timings (type X)");
        case 0x2B:
            return QStringLiteral("adaptive sync");
        case 0x2C:
            return QStringLiteral("AR/VR head-mounted display");
        case 0x2D:
            return QStringLiteral("AR/VR layer");
        case 0x2E:
            return QStringLiteral("brightness luminance range");
        case 0x7E:
        case 0x7F:
            return QStringLiteral("vendor-specific");
        case kDisplayIdCtaBlocks:
            return QStringLiteral("CTA-861 data blocks");
        default:
            return QStringLiteral("tag 0x%1").arg(tag, 2, 16, QLatin1Char('0'));
    }
}

QList<DisplayIdTiming> DisplayIdTimings(const DisplayIdDataBlock& block) {
    QList<DisplayIdTiming> timings;
    const bool typeVii = block.tag == kDisplayIdTypeVII;
    if (block.tag != kDisplayIdTypeI && !typeVii) return timings;
    // A type VII block may give each descriptor extra bytes (bits 6..4 of its revision byte).
    const int size = kTimingSize + (typeVii ? (block.revision >> 4 & 7) : 0);
    const bool revisionBelow2 = (block.revision & 7) < 2;
    for (int p = 0; p + size <= block.payload.size(); p += size)
        timings << DecodeTiming(block.payload.mid(p, kTimingSize), typeVii, revisionBelow2);
    return timings;
}

}  // namespace varnok
