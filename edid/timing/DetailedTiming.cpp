#include "edid/timing/DetailedTiming.h"

#include <cmath>

#include "edid/timing/TimingTables.h"

namespace varnok {

namespace {

// Field widths of the descriptor: 12 bits for active and blanking, 10 for the horizontal sync
// offset and width, 6 for the vertical ones.
constexpr int kMax12 = 4095;
constexpr int kMax10 = 1023;
constexpr int kMax6 = 63;

void checkField(QStringList& out, const QString& name, int value, int max, const QString& unit) {
    if (value < 0)
        out << QStringLiteral("%1 %2 %3: the descriptor holds no negative value")
                   .arg(name)
                   .arg(value)
                   .arg(unit);
    else if (value > max)
        out << QStringLiteral("%1 %2 %3: the descriptor holds at most %4")
                   .arg(name)
                   .arg(value)
                   .arg(unit)
                   .arg(max);
}

bool sameVideoTiming(const Timing& a, const Timing& b) {
    Timing scaled = b;
    scaled.pixelClockKhz = std::llround(b.pixelClockKhz * 1000.0 / 1001.0);
    return a == b || a == scaled;
}

}  // namespace

DetailedTimingFit CheckDetailedTiming(const Timing& t) {
    DetailedTimingFit fit;
    QStringList& o = fit.overflows;
    const QString px = QStringLiteral("pixels");
    const QString lines = QStringLiteral("lines");
    if (t.pixelClockKhz <= 0 || t.pixelClockKhz > kMaxDetailedTimingClockKhz)
        o << QStringLiteral("pixel clock %1 kHz: the descriptor holds 10 kHz to 655.35 MHz")
                 .arg(t.pixelClockKhz);
    else if (t.pixelClockKhz % 10)
        fit.storedClockKhz = (t.pixelClockKhz + 5) / 10 * 10;
    checkField(o, QStringLiteral("horizontal active"), t.width, kMax12, px);
    checkField(o, QStringLiteral("horizontal blanking"), t.hblank(), kMax12, px);
    checkField(o, QStringLiteral("horizontal front porch"), t.hfront, kMax10, px);
    checkField(o, QStringLiteral("horizontal sync"), t.hsync, kMax10, px);
    checkField(o, QStringLiteral("horizontal back porch"), t.hback, kMax12, px);
    checkField(o,
               t.interlaced ? QStringLiteral("vertical active (per field)")
                            : QStringLiteral("vertical active"),
               t.fieldHeight(), kMax12, lines);
    checkField(o, QStringLiteral("vertical blanking"), t.vblank(), kMax12, lines);
    checkField(o, QStringLiteral("vertical front porch"), t.vfront, kMax6, lines);
    checkField(o, QStringLiteral("vertical sync"), t.vsync, kMax6, lines);
    checkField(o, QStringLiteral("vertical back porch"), t.vback, kMax12, lines);
    if (t.evenFieldTotal)
        o << QStringLiteral(
            "both fields of equal length: the descriptor's interlace always has "
            "the half line");
    for (const VicEntry& v : VicTable())
        if (sameVideoTiming(t, v.timing)) fit.vics << v.vic;
    return fit;
}

QByteArray EncodeDetailedTiming(const Timing& t, int widthMm, int heightMm) {
    if (!CheckDetailedTiming(t).fits() || widthMm < 0 || widthMm > kMax12 || heightMm < 0 ||
        heightMm > kMax12)
        return {};
    const int clock = static_cast<int>((t.pixelClockKhz + 5) / 10);
    const int hblank = t.hblank();
    const int vact = t.fieldHeight();
    const int vblank = t.vblank();
    QByteArray d(kDetailedTimingSize, '\0');
    d[0] = static_cast<char>(clock & 0xff);
    d[1] = static_cast<char>(clock >> 8);
    d[2] = static_cast<char>(t.width & 0xff);
    d[3] = static_cast<char>(hblank & 0xff);
    d[4] = static_cast<char>(((t.width >> 8) << 4) | (hblank >> 8));
    d[5] = static_cast<char>(vact & 0xff);
    d[6] = static_cast<char>(vblank & 0xff);
    d[7] = static_cast<char>(((vact >> 8) << 4) | (vblank >> 8));
    d[8] = static_cast<char>(t.hfront & 0xff);
    d[9] = static_cast<char>(t.hsync & 0xff);
    d[10] = static_cast<char>(((t.vfront & 0x0f) << 4) | (t.vsync & 0x0f));
    d[11] = static_cast<char>(((t.hfront >> 8) << 6) | ((t.hsync >> 8) << 4) |
                              ((t.vfront >> 4) << 2) | (t.vsync >> 4));
    d[12] = static_cast<char>(widthMm & 0xff);
    d[13] = static_cast<char>(heightMm & 0xff);
    d[14] = static_cast<char>(((widthMm >> 8) << 4) | (heightMm >> 8));
    // Byte 17: interlace, digital separate sync (bits 4-3 = 11) and the two polarities.
    d[17] = static_cast<char>((t.interlaced ? 0x80 : 0) | 0x18 | (t.vsyncPositive ? 0x04 : 0) |
                              (t.hsyncPositive ? 0x02 : 0));
    return d;
}

std::optional<Timing> DecodeDetailedTiming(QByteArrayView bytes) {
    if (bytes.size() < kDetailedTimingSize) return std::nullopt;
    const auto b = [&bytes](int i) { return static_cast<int>(static_cast<uint8_t>(bytes[i])); };
    const int clock = b(0) | (b(1) << 8);
    if (clock == 0) return std::nullopt;
    Timing t;
    t.pixelClockKhz = clock * 10;
    t.interlaced = b(17) & 0x80;
    t.width = b(2) | ((b(4) & 0xf0) << 4);
    const int hblank = b(3) | ((b(4) & 0x0f) << 8);
    const int vact = b(5) | ((b(7) & 0xf0) << 4);
    const int vblank = b(6) | ((b(7) & 0x0f) << 8);
    t.height = t.interlaced ? vact * 2 : vact;
    t.hfront = b(8) | ((b(11) & 0xc0) << 2);
    t.hsync = b(9) | ((b(11) & 0x30) << 4);
    t.hback = hblank - t.hfront - t.hsync;
    t.vfront = (b(10) >> 4) | ((b(11) & 0x0c) << 2);
    t.vsync = (b(10) & 0x0f) | ((b(11) & 0x03) << 4);
    t.vback = vblank - t.vfront - t.vsync;
    t.hsyncPositive = b(17) & 0x02;
    t.vsyncPositive = b(17) & 0x04;
    return t;
}

}  // namespace varnok
