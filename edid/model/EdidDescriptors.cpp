#include "edid/model/EdidDescriptors.h"

#include <cmath>

namespace varnok {

namespace {

constexpr int kTextFirst = 5;  // a text descriptor's 13 characters are bytes 5..17
constexpr int kTextLength = 13;

bool IsDisplayDescriptor(const Bytes18& d) {
    return d[0] == 0 && d[1] == 0;
}

}  // namespace

DescriptorKind DescriptorKindOf(const Bytes18& d) {
    if (!IsDisplayDescriptor(d)) return DescriptorKind::DetailedTiming;
    switch (d[3]) {
        case 0xFC:
            return DescriptorKind::ProductName;
        case 0xFF:
            return DescriptorKind::SerialText;
        case 0xFE:
            return DescriptorKind::DataText;
        case 0xFD:
            return DescriptorKind::RangeLimits;
        case 0x10:
            return d[2] == 0 ? DescriptorKind::Dummy : DescriptorKind::Other;
        default:
            return DescriptorKind::Other;
    }
}

EdidDetailedTiming DecodeDetailedTiming(const Bytes18& d) {
    EdidDetailedTiming t;
    t.pixelClock10kHz = d[0] | d[1] << 8;
    t.hActive = d[2] | (d[4] & 0xF0) << 4;
    t.hBlank = d[3] | (d[4] & 0x0F) << 8;
    t.vActive = d[5] | (d[7] & 0xF0) << 4;
    t.vBlank = d[6] | (d[7] & 0x0F) << 8;
    t.hFront = d[8] | (d[11] >> 6) << 8;
    t.hSync = d[9] | (d[11] >> 4 & 3) << 8;
    t.vFront = (d[10] >> 4) | (d[11] >> 2 & 3) << 4;
    t.vSync = (d[10] & 0x0F) | (d[11] & 3) << 4;
    t.hImageMm = d[12] | (d[14] & 0xF0) << 4;
    t.vImageMm = d[13] | (d[14] & 0x0F) << 8;
    t.hBorder = d[15];
    t.vBorder = d[16];
    t.flags = d[17];
    return t;
}

Bytes18 EncodeDetailedTiming(const EdidDetailedTiming& t) {
    Bytes18 d{};
    d[0] = uint8_t(t.pixelClock10kHz);
    d[1] = uint8_t(t.pixelClock10kHz >> 8);
    d[2] = uint8_t(t.hActive);
    d[3] = uint8_t(t.hBlank);
    d[4] = uint8_t((t.hActive >> 8 & 0x0F) << 4 | (t.hBlank >> 8 & 0x0F));
    d[5] = uint8_t(t.vActive);
    d[6] = uint8_t(t.vBlank);
    d[7] = uint8_t((t.vActive >> 8 & 0x0F) << 4 | (t.vBlank >> 8 & 0x0F));
    d[8] = uint8_t(t.hFront);
    d[9] = uint8_t(t.hSync);
    d[10] = uint8_t((t.vFront & 0x0F) << 4 | (t.vSync & 0x0F));
    d[11] = uint8_t((t.hFront >> 8 & 3) << 6 | (t.hSync >> 8 & 3) << 4 | (t.vFront >> 4 & 3) << 2 |
                    (t.vSync >> 4 & 3));
    d[12] = uint8_t(t.hImageMm);
    d[13] = uint8_t(t.vImageMm);
    d[14] = uint8_t((t.hImageMm >> 8 & 0x0F) << 4 | (t.vImageMm >> 8 & 0x0F));
    d[15] = uint8_t(t.hBorder);
    d[16] = uint8_t(t.vBorder);
    d[17] = t.flags;
    return d;
}

QList<DtdOverflow> DetailedTimingOverflows(const EdidDetailedTiming& t) {
    QList<DtdOverflow> out;
    if (t.pixelClock10kHz < 1 || t.pixelClock10kHz > 0xFFFF) {
        out.append({DtdField::PixelClock, t.pixelClock10kHz,
                    QStringLiteral("pixel clock %1 kHz: the descriptor holds 10 kHz to 655.35 MHz")
                        .arg(qint64(t.pixelClock10kHz) * 10)});
    }
    const QString px = QStringLiteral("pixels");
    const QString lines = QStringLiteral("lines");
    const QString mm = QStringLiteral("mm");
    const struct {
        DtdField field;
        const char* name;
        int value;
        int max;
        const QString& unit;
    } fields[] = {
        {DtdField::HActive, "horizontal active", t.hActive, 4095, px},
        {DtdField::HBlank, "horizontal blanking", t.hBlank, 4095, px},
        {DtdField::HFront, "horizontal front porch", t.hFront, kDtdMaxHFront, px},
        {DtdField::HSync, "horizontal sync", t.hSync, 1023, px},
        {DtdField::HBack, "horizontal back porch", t.hBlank - t.hFront - t.hSync, 4095, px},
        {DtdField::VActive, t.interlaced() ? "vertical active (per field)" : "vertical active",
         t.vActive, 4095, lines},
        {DtdField::VBlank, "vertical blanking", t.vBlank, 4095, lines},
        {DtdField::VFront, "vertical front porch", t.vFront, kDtdMaxVFront, lines},
        {DtdField::VSync, "vertical sync", t.vSync, 63, lines},
        {DtdField::VBack, "vertical back porch", t.vBlank - t.vFront - t.vSync, 4095, lines},
        {DtdField::HBorder, "horizontal border", t.hBorder, 255, px},
        {DtdField::VBorder, "vertical border", t.vBorder, 255, lines},
        {DtdField::HImage, "horizontal image size", t.hImageMm, 4095, mm},
        {DtdField::VImage, "vertical image size", t.vImageMm, 4095, mm},
    };
    for (const auto& f : fields) {
        const QString head =
            QStringLiteral("%1 %2 %3: ").arg(QLatin1String(f.name)).arg(f.value).arg(f.unit);
        if (f.value < 0) {
            out.append({f.field, f.value,
                        head + QStringLiteral("the descriptor holds no negative "
                                              "value")});
        } else if (f.value > f.max) {
            out.append({f.field, f.value,
                        head + QStringLiteral("the descriptor holds at most %1").arg(f.max)});
        }
    }
    return out;
}

QString DetailedTimingProblem(const EdidDetailedTiming& t) {
    QStringList words;
    for (const DtdOverflow& o : DetailedTimingOverflows(t)) words << o.words;
    if (words.isEmpty()) return {};
    return QStringLiteral("A detailed timing descriptor cannot hold this timing: %1.")
        .arg(words.join(QStringLiteral("; ")));
}

EdidDetailedTiming MakeDetailedTiming(int pixelClockKHz, int hActive, int hFront, int hSync,
                                      int hBack, bool hPositive, int vActive, int vFront, int vSync,
                                      int vBack, bool vPositive, bool interlaced) {
    EdidDetailedTiming t;
    t.pixelClock10kHz = int(std::lround(pixelClockKHz / 10.0));
    t.hActive = hActive;
    t.hFront = hFront;
    t.hSync = hSync;
    t.hBlank = hFront + hSync + hBack;
    t.vActive = vActive;
    t.vFront = vFront;
    t.vSync = vSync;
    t.vBlank = vFront + vSync + vBack;
    t.flags =
        uint8_t(0x18 | (interlaced ? 0x80 : 0) | (vPositive ? 0x04 : 0) | (hPositive ? 2 : 0));
    return t;
}

QString DescriptorText(const Bytes18& d) {
    QByteArray text;
    for (int i = kTextFirst; i < kDescriptorSize && d[i] != 0x0A; ++i) text += char(d[i]);
    while (text.endsWith(' ')) text.chop(1);
    return QString::fromLatin1(text);
}

void SetDescriptorText(Bytes18& d, const QString& text) {
    const QByteArray latin = text.toLatin1();
    for (int k = 0; k < kTextLength; ++k) {
        const int length = int(latin.size());
        d[kTextFirst + k] = k < length ? uint8_t(latin[k]) : k == length ? 0x0A : 0x20;
    }
}

QString DescriptorTextProblem(const QString& text) {
    if (text.size() > kTextLength) {
        return QStringLiteral("\"%1\" has %2 characters; a descriptor holds 13.")
            .arg(text)
            .arg(text.size());
    }
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            return QStringLiteral("\"%1\" has a character other than printable ASCII.").arg(text);
        }
    }
    return {};
}

Bytes18 MakeDisplayDescriptor(uint8_t tag) {
    Bytes18 d{};
    d[3] = tag;
    return d;
}

EdidRangeLimits DecodeRangeLimits(const Bytes18& d) {
    EdidRangeLimits r;
    const uint8_t offsets = d[4];
    r.minVerticalHz = d[5] + (offsets & 0x01 ? 255 : 0);
    r.maxVerticalHz = d[6] + (offsets & 0x02 ? 255 : 0);
    r.minHorizontalKHz = d[7] + (offsets & 0x04 ? 255 : 0);
    r.maxHorizontalKHz = d[8] + (offsets & 0x08 ? 255 : 0);
    r.maxPixelClockMHz = d[9] * 10;
    r.timingSupport = d[10];
    std::copy(d.begin() + 11, d.end(), r.detail.begin());
    return r;
}

void EncodeRangeLimits(const EdidRangeLimits& r, Bytes18& d) {
    // A minimum above 255 implies a maximum above 255, so the offset bit pairs are 00, 10 or 11.
    const bool offsets[4] = {r.minVerticalHz > 255, r.maxVerticalHz > 255, r.minHorizontalKHz > 255,
                             r.maxHorizontalKHz > 255};
    uint8_t bits = 0;
    for (int k = 0; k < 4; ++k) bits |= uint8_t(offsets[k] << k);
    d[4] = uint8_t((d[4] & 0xF0) | bits);
    d[5] = uint8_t(r.minVerticalHz - (offsets[0] ? 255 : 0));
    d[6] = uint8_t(r.maxVerticalHz - (offsets[1] ? 255 : 0));
    d[7] = uint8_t(r.minHorizontalKHz - (offsets[2] ? 255 : 0));
    d[8] = uint8_t(r.maxHorizontalKHz - (offsets[3] ? 255 : 0));
    d[9] = uint8_t(r.maxPixelClockMHz / 10);
    d[10] = r.timingSupport;
    std::copy(r.detail.begin(), r.detail.end(), d.begin() + 11);
}

QString RangeLimitsProblem(const EdidRangeLimits& r) {
    const auto pair = [](const char* what, int min, int max) -> QString {
        if (min < 1 || max > 510 || min > max) {
            return QStringLiteral(
                       "The %1 range %2 to %3 cannot be written (1 to 510, the "
                       "minimum not above the maximum).")
                .arg(QLatin1String(what))
                .arg(min)
                .arg(max);
        }
        return {};
    };
    QString problem = pair("vertical", r.minVerticalHz, r.maxVerticalHz);
    if (problem.isEmpty()) problem = pair("horizontal", r.minHorizontalKHz, r.maxHorizontalKHz);
    if (problem.isEmpty() &&
        (r.maxPixelClockMHz < 10 || r.maxPixelClockMHz > 2550 || r.maxPixelClockMHz % 10)) {
        problem = QStringLiteral(
                      "The maximum pixel clock (%1 MHz) cannot be written (10 to "
                      "2550 MHz in steps of 10).")
                      .arg(r.maxPixelClockMHz);
    }
    return problem;
}

QString VendorLetters(uint16_t vendorId) {
    QString letters;
    for (int shift : {10, 5, 0}) {
        const int code = vendorId >> shift & 0x1F;
        letters += code >= 1 && code <= 26 ? QChar(u'@' + code) : QChar(u'?');
    }
    return letters;
}

bool VendorIdFromLetters(const QString& letters, uint16_t& vendorId) {
    if (letters.size() != 3) return false;
    uint16_t id = 0;
    for (QChar c : letters.toUpper()) {
        if (c < u'A' || c > u'Z') return false;
        id = uint16_t(id << 5 | (c.unicode() - u'@'));
    }
    vendorId = id;
    return true;
}

}  // namespace varnok
