#include "edid/EdidLayout.h"

#include <algorithm>

#include "edid/Edid.h"

namespace varnok {
namespace {

constexpr int kDescriptors = 54;  // the base block's four 18-byte descriptors start here
constexpr int kDescriptorSize = 18;
constexpr int kFirstDataBlock = 132;
constexpr int kChecksum1 = 255;

QString Hex(uint8_t b) {
    return QString::asprintf("0x%02x", unsigned{b});
}

// A detailed timing descriptor as edid-decode names it: active pixels, "i" when interlaced, and
// the refresh rate. An interlaced descriptor states one field: the frame has twice its active
// lines, and each field's blanking is half a line longer than stated, so 1920x540 with 22 lines
// of blanking at 74.25 MHz is 1920x1080i at 60.000 Hz.
QString TimingText(const EdidImage& im, int p) {
    const int clock = im[p] | im[p + 1] << 8;  // in units of 10 kHz
    const int hActive = im[p + 2] | (im[p + 4] & 0xF0) << 4;
    const int hBlank = im[p + 3] | (im[p + 4] & 0x0F) << 8;
    const int vActive = im[p + 5] | (im[p + 7] & 0xF0) << 4;
    const int vBlank = im[p + 6] | (im[p + 7] & 0x0F) << 8;
    const bool interlaced = im[p + 17] & 0x80;
    QString text = QStringLiteral("detailed timing %1x%2%3")
                       .arg(hActive)
                       .arg(interlaced ? 2 * vActive : vActive)
                       .arg(interlaced ? QStringLiteral("i") : QString());
    const double fieldLines = vActive + vBlank + (interlaced ? 0.5 : 0.0);
    const double total = double(hActive + hBlank) * fieldLines;
    if (total > 0) text += QString::asprintf(" at %.3f Hz", clock * 10000.0 / total);
    return text;
}

bool AllZero(const EdidImage& im, int first, int length) {
    return std::all_of(im.begin() + first, im.begin() + first + length,
                       [](uint8_t b) { return b == 0; });
}

// The text of a display descriptor (bytes 5..17, ended by 0x0A), printable ASCII only.
QString DescriptorText(const EdidImage& im, int p) {
    QString text;
    for (int i = 5; i < kDescriptorSize && im[p + i] != 0x0A; ++i) {
        const uint8_t c = im[p + i];
        text += (c >= 0x20 && c < 0x7F) ? QChar(c) : QChar(u'.');
    }
    while (text.endsWith(u' ')) text.chop(1);
    return QStringLiteral(" \"%1\"").arg(text);
}

QString DescriptorName(const EdidImage& im, int p) {
    if (im[p] != 0 || im[p + 1] != 0) return TimingText(im, p);
    // Eighteen zero bytes hold nothing; tag 0x00 with any other byte set is the maker's own.
    if (AllZero(im, p, kDescriptorSize)) return QStringLiteral("empty descriptor");
    const uint8_t tag = im[p + 3];
    switch (tag) {
        case 0xFF:
            return QStringLiteral("display serial number") + DescriptorText(im, p);
        case 0xFE:
            return QStringLiteral("alphanumeric data string") + DescriptorText(im, p);
        case 0xFD:
            return QStringLiteral("display range limits");
        case 0xFC:
            return QStringLiteral("display product name") + DescriptorText(im, p);
        case 0xFB:
            return QStringLiteral("color point data");
        case 0xFA:
            return QStringLiteral("standard timing identifiers");
        case 0xF9:
            return QStringLiteral("display color management data");
        case 0xF8:
            return QStringLiteral("CVT 3-byte timing codes");
        case 0xF7:
            return QStringLiteral("established timings III");
        case 0x10:
            return QStringLiteral("dummy descriptor");
        default:
            return tag <= 0x0F
                       ? QStringLiteral("manufacturer-specified descriptor, tag %1").arg(Hex(tag))
                       : QStringLiteral("reserved descriptor tag %1").arg(Hex(tag));
    }
}

// The vendors whose blocks CTA-861 and HDMI define, by IEEE OUI.
QString OuiName(uint32_t oui) {
    switch (oui) {
        case 0x000C03:
            return QStringLiteral("HDMI");
        case 0xC45DD8:
            return QStringLiteral("HDMI Forum");
        case 0x00D046:
            return QStringLiteral("Dolby");
        case 0x90848B:
            return QStringLiteral("HDR10+");
        default:
            return QString();
    }
}

// A vendor-specific block ("vendor-specific", "vendor-specific video", ...) named by its OUI, which
// is stored least significant byte first at ouiAt when the block holds it.
QString VendorBlockName(const EdidImage& im, int ouiAt, bool held, const QString& kind) {
    if (!held) return kind.at(0).toUpper() + kind.mid(1) + QStringLiteral(" data block");
    const uint32_t oui = uint32_t(im[ouiAt + 2]) << 16 | uint32_t(im[ouiAt + 1]) << 8 | im[ouiAt];
    const QString name = OuiName(oui);
    if (!name.isEmpty()) return name + u' ' + kind + QStringLiteral(" data block");
    return kind.at(0).toUpper() + kind.mid(1) +
           QString::asprintf(" data block, OUI %02X-%02X-%02X", unsigned{im[ouiAt + 2]},
                             unsigned{im[ouiAt + 1]}, unsigned{im[ouiAt]});
}

QString ExtendedTagName(const EdidImage& im, int p, int held) {
    struct Name {
        int code;
        const char* name;
    };
    static constexpr Name kNames[] = {
        {0, "Video capability"},
        {2, "VESA display device"},
        {3, "VESA video timing block extension"},
        {5, "Colorimetry"},
        {6, "HDR static metadata"},
        {7, "HDR dynamic metadata"},
        {8, "Native video resolution"},
        {13, "Video format preference"},
        {14, "YCbCr 4:2:0 video"},
        {15, "YCbCr 4:2:0 capability map"},
        {18, "HDMI audio"},
        {19, "Room configuration"},
        {20, "Speaker location"},
        {32, "InfoFrame"},
        {34, "DisplayID type VII video timing"},
        {35, "DisplayID type VIII video timing"},
        {42, "DisplayID type X video timing"},
        {120, "HDMI Forum EDID extension override"},
        {121, "HDMI Forum sink capability"},
    };
    const int code = im[p + 1];
    if (code == 1)
        return VendorBlockName(im, p + 2, held >= 5, QStringLiteral("vendor-specific video"));
    if (code == 17)
        return VendorBlockName(im, p + 2, held >= 5, QStringLiteral("vendor-specific audio"));
    for (const Name& n : kNames) {
        if (n.code == code) return QString::fromLatin1(n.name) + QStringLiteral(" data block");
    }
    return QStringLiteral("Extended tag %1 data block").arg(code);
}

// A data block's name from the bytes it holds within its collection (held counts the header).
QString DataBlockName(const EdidImage& im, int p, int held) {
    switch (im[p] >> 5) {
        case 1:
            return QStringLiteral("Audio data block");
        case 2:
            return QStringLiteral("Video data block");
        case 3:
            return VendorBlockName(im, p + 1, held >= 4, QStringLiteral("vendor-specific"));
        case 4:
            return QStringLiteral("Speaker allocation data block");
        case 5:
            return QStringLiteral("VESA display transfer characteristic data block");
        case 7:
            return held < 2 ? QStringLiteral("Extended tag data block")
                            : ExtendedTagName(im, p, held);
        default:
            return QStringLiteral("Reserved data block, tag %1").arg(im[p] >> 5);
    }
}

class Layout {
public:
    explicit Layout(const EdidImage& image) : im_(image) {}

    void add(int length, EdidRangeKind kind, const QString& name, bool bad = false) {
        ranges_.append({next_, length, kind, name, bad});
        next_ += length;
    }
    int next() const { return next_; }
    QList<EdidByteRange> take() { return std::move(ranges_); }

    void checksum(int block) {
        const uint8_t expected = BlockChecksum(im_, block);
        const bool bad = expected != im_[block * kBlockSize + kBlockSize - 1];
        add(1, EdidRangeKind::Checksum,
            QStringLiteral("Checksum of block %1").arg(block) +
                (bad ? QStringLiteral(" (wrong; %1 would make the block sum to 0)")
                           .arg(Hex(expected))
                     : QString()),
            bad);
    }

    // Bytes from next() up to end: zero padding, or bytes without a meaning here.
    void padding(int end) {
        if (end <= next_) return;
        const bool zero =
            std::all_of(im_.begin() + next_, im_.begin() + end, [](uint8_t b) { return b == 0; });
        add(end - next_, EdidRangeKind::Unused,
            zero ? QStringLiteral("Padding") : QStringLiteral("Unused bytes"));
    }

private:
    const EdidImage& im_;
    QList<EdidByteRange> ranges_;
    int next_ = 0;
};

void BaseBlock(const EdidImage& im, Layout& l) {
    l.add(8, EdidRangeKind::Header, QStringLiteral("Header"), !HasEdidHeader(im));
    // Three 5-bit letters, 1 = 'A', packed big-endian into bytes 8 and 9.
    const QString letters = QString(QChar(0x40 + (im[8] >> 2 & 0x1F))) +
                            QChar(0x40 + ((im[8] & 3) << 3 | im[9] >> 5)) +
                            QChar(0x40 + (im[9] & 0x1F));
    l.add(2, EdidRangeKind::Field, QStringLiteral("Manufacturer ID: %1").arg(letters));
    l.add(2, EdidRangeKind::Field,
          QString::asprintf("Product code: 0x%04x", unsigned(im[10] | im[11] << 8)));
    l.add(4, EdidRangeKind::Field,
          QStringLiteral("Serial number: %1")
              .arg(uint32_t(im[12]) | uint32_t(im[13]) << 8 | uint32_t(im[14]) << 16 |
                   uint32_t(im[15]) << 24));
    l.add(2, EdidRangeKind::Field,
          im[16] == 0xFF ? QStringLiteral("Model year %1").arg(1990 + im[17])
                         : QStringLiteral("Made in week %1 of %2").arg(im[16]).arg(1990 + im[17]));
    l.add(2, EdidRangeKind::Field, QStringLiteral("EDID version %1.%2").arg(im[18]).arg(im[19]));
    l.add(5, EdidRangeKind::Field,
          QStringLiteral("Basic display parameters: input, screen size, gamma, features"));
    l.add(10, EdidRangeKind::Field, QStringLiteral("Color characteristics (chromaticity)"));
    l.add(3, EdidRangeKind::Field, QStringLiteral("Established timings"));
    l.add(16, EdidRangeKind::Field, QStringLiteral("Standard timings"));
    for (int k = 0; k < 4; ++k) {
        const int p = kDescriptors + kDescriptorSize * k;
        l.add(kDescriptorSize, EdidRangeKind::Descriptor,
              QStringLiteral("Descriptor %1: ").arg(k + 1) + DescriptorName(im, p));
    }
    l.add(1, EdidRangeKind::Field, QStringLiteral("Extension count: %1").arg(im[126]));
    l.checksum(0);
}

void CtaExtension(const EdidImage& im, Layout& l) {
    const int d = im[130];
    // Byte 130 is where the detailed timings start, counted from byte 128; 0 means neither data
    // blocks nor timings. The data blocks lie between byte 132 and there.
    const int timings =
        d == 0 ? kFirstDataBlock : std::clamp(kBlockSize + d, kFirstDataBlock, kChecksum1);
    l.add(4, EdidRangeKind::Field,
          QStringLiteral("CTA-861 extension header: revision %1, detailed timings from byte %2")
              .arg(im[129])
              .arg(d == 0 ? QStringLiteral("(none)") : QString::number(kBlockSize + d)));
    while (l.next() < timings) {
        const int p = l.next();
        const int stated = (im[p] & 0x1F) + 1;
        const int held = std::min(stated, timings - p);
        QString name = DataBlockName(im, p, held);
        if (held < stated) {
            name += QStringLiteral(" (states %1 bytes; cut to the %2 before the detailed timings)")
                        .arg(stated)
                        .arg(held);
        }
        l.add(held, EdidRangeKind::DataBlock, name, held < stated);
    }
    // The 18-byte slots up to the checksum hold detailed timings and display descriptors in any
    // order (a serial number before a timing, a dummy between two); only the zero slots after the
    // last one that holds anything are padding.
    const int firstSlot = l.next();
    int end = firstSlot;
    for (int p = firstSlot; d != 0 && p + kDescriptorSize <= kChecksum1; p += kDescriptorSize) {
        if (!AllZero(im, p, kDescriptorSize)) end = p + kDescriptorSize;
    }
    for (int p = firstSlot; p < end; p += kDescriptorSize) {
        const bool timing = im[p] != 0 || im[p + 1] != 0;
        QString name = DescriptorName(im, p);
        name[0] = name[0].toUpper();
        l.add(kDescriptorSize, timing ? EdidRangeKind::DetailedTiming : EdidRangeKind::Descriptor,
              name);
    }
    l.padding(kChecksum1);
}

}  // namespace

QList<EdidByteRange> EdidByteLayout(const EdidImage& image) {
    Layout l(image);
    BaseBlock(image, l);
    if (image[126] == 0) {
        l.add(kBlockSize, EdidRangeKind::Unused,
              EdidByteCount(image) == kBlockSize
                  ? QStringLiteral("No extension: a 128-byte EDID (block 1 reads as 0xff)")
                  : QStringLiteral("Block 1, not used: the extension count is 0"));
        return l.take();
    }
    if (image[128] == 0x02) {
        CtaExtension(image, l);
    } else {
        l.add(kChecksum1 - kBlockSize, EdidRangeKind::Field,
              QStringLiteral("Extension block, tag %1 (not CTA-861)").arg(Hex(image[128])));
    }
    l.checksum(1);
    return l.take();
}

}  // namespace varnok
