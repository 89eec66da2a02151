#include "edid/EdidByteRegion.h"

#include <algorithm>

#include "edid/EdidLayout.h"

namespace varnok {
namespace {

constexpr int kBlock = 128;
constexpr int kFirstDescriptor = 54;
constexpr int kSlot = 18;
constexpr int kFirstStandardTiming = 38;

// The fields of a detailed timing descriptor by byte (VESA E-EDID 1.4, 3.10.2).
constexpr const char* kTimingFields[kSlot] = {
    "pixel clock",
    "pixel clock",
    "horizontal active",
    "horizontal blanking",
    "horizontal active and blanking, high bits",
    "vertical active",
    "vertical blanking",
    "vertical active and blanking, high bits",
    "horizontal sync offset",
    "horizontal sync width",
    "vertical sync offset and width",
    "sync offsets and widths, high bits",
    "horizontal image size",
    "vertical image size",
    "image size, high bits",
    "horizontal border",
    "vertical border",
    "interlace, stereo and sync flags",
};

// The base block's fields outside the descriptors, by offset.
QString BaseField(int o) {
    struct Field {
        int last;
        const char* name;
    };
    static constexpr Field kFields[] = {
        {7, "header"},
        {9, "manufacturer ID"},
        {11, "product code"},
        {15, "serial number"},
        {16, "week of manufacture"},
        {17, "year of manufacture"},
        {18, "EDID version"},
        {19, "EDID revision"},
        {20, "video input definition"},
        {21, "horizontal screen size"},
        {22, "vertical screen size"},
        {23, "gamma"},
        {24, "feature support"},
        {34, "color characteristics"},
        {37, "established timings"},
    };
    if (o >= kFirstStandardTiming && o < kFirstDescriptor)
        return QStringLiteral("standard timing %1").arg((o - kFirstStandardTiming) / 2 + 1);
    if (o == 126) return QStringLiteral("extension count");
    for (const Field& f : kFields)
        if (o <= f.last) return QString::fromLatin1(f.name);
    return {};
}

// A layout name inside a sentence: "Video data block" becomes "video data block"; names (HDMI,
// HDR10+, YCbCr, CTA-861, Dolby) keep their capitals.
QString Lowered(QString name) {
    const QString first = name.section(u' ', 0, 0);
    const bool properName = first == QLatin1String("Dolby") ||
                            std::any_of(first.begin() + 1, first.end(),
                                        [](QChar c) { return c.isUpper() || c.isDigit(); });
    if (!properName && !name.isEmpty()) name[0] = name[0].toLower();
    return name;
}

// A display descriptor's kind from its layout name, without its number, text and the word
// "descriptor": "Descriptor 2: display product name \"DELL\"" gives "display product name".
QString DescriptorKind(QString layoutName) {
    const int colon = int(layoutName.indexOf(QLatin1String(": ")));
    if (layoutName.startsWith(QLatin1String("Descriptor ")) && colon > 0)
        layoutName = layoutName.mid(colon + 2);
    const int quote = int(layoutName.indexOf(QLatin1String(" \"")));
    if (quote >= 0) layoutName.truncate(quote);
    layoutName.replace(QLatin1String(" descriptor"), QString());
    return Lowered(layoutName);
}

QString DisplayDescriptorField(const EdidImage& im, int p, int i) {
    const uint8_t tag = im[p + 3];
    if (i < 3) return QStringLiteral("header");
    if (i == 3) return QStringLiteral("tag");
    if (tag == 0xFD) {
        // Display range limits.
        static constexpr const char* kLimits[] = {
            "rate offsets",        "min vertical rate", "max vertical rate", "min horizontal rate",
            "max horizontal rate", "max pixel clock",   "timing support",
        };
        return i <= 10 ? QString::fromLatin1(kLimits[i - 4])
                       : QStringLiteral("timing formula parameters");
    }
    if (i == 4) return QStringLiteral("reserved");
    if (tag == 0xFC || tag == 0xFE || tag == 0xFF) return QStringLiteral("text");
    return QStringLiteral("data");
}

uint32_t Oui(const EdidImage& im, int at) {
    return uint32_t(im[at + 2]) << 16 | uint32_t(im[at + 1]) << 8 | im[at];
}

// A vendor-specific data block's byte i (the header is byte 0, the OUI bytes 1..3); the HDMI
// and HDMI Forum blocks by their fields.
QString VendorField(const EdidImage& im, int p, int i) {
    if (i <= 3) return QStringLiteral("OUI");
    const uint32_t oui = Oui(im, p + 1);
    if (oui == 0x000C03) {
        if (i <= 5) return QStringLiteral("physical address");
        if (i == 6) return QStringLiteral("support flags: AI, deep color, DVI dual link");
        if (i == 7) return QStringLiteral("max TMDS clock");
        if (i == 8) return QStringLiteral("latency and content type flags");
        return QStringLiteral("latency, 3D and HDMI VIC fields");
    }
    if (oui == 0xC45DD8) {
        static constexpr const char* kForum[] = {
            "version",
            "max TMDS character rate",
            "SCDC, 3D and scrambling flags",
            "max FRL rate and 4:2:0 deep color",
            "ALLM and other flags",
            "VRR range",
            "VRR range",
        };
        return i <= 10 ? QString::fromLatin1(kForum[i - 4]) : QStringLiteral("DSC fields");
    }
    return QStringLiteral("payload byte %1").arg(i - 3);
}

// Byte i of a short video descriptor list whose first descriptor is at first.
QString SvdField(const EdidImage& im, int first, int at) {
    const int b = im[at];
    const int vic = b >= 129 && b <= 192 ? b - 128 : b;
    return QStringLiteral("SVD %1, VIC %2").arg(at - first + 1).arg(vic);
}

// Byte i of the data block whose header byte is at p (i = 0 is the header).
QString DataBlockField(const EdidImage& im, int p, int i) {
    if (i == 0) return QStringLiteral("tag and length");
    switch (im[p] >> 5) {
        case 1:
            return QStringLiteral("short audio descriptor %1").arg((i - 1) / 3 + 1);
        case 2:
            return SvdField(im, p + 1, p + i);
        case 3:
            return VendorField(im, p, i);
        case 4:
            return QStringLiteral("speaker allocation");
        case 7:
            break;
        default:
            return QStringLiteral("payload byte %1").arg(i);
    }
    if (i == 1) return QStringLiteral("extended tag");
    switch (im[p + 1]) {
        case 1:
        case 17:
            // Vendor-specific video and audio blocks: the OUI after the extended tag.
            return i <= 4 ? QStringLiteral("OUI") : QStringLiteral("payload byte %1").arg(i - 4);
        case 14:
            return SvdField(im, p + 2, p + i);
        default:
            return QStringLiteral("payload byte %1").arg(i - 1);
    }
}

QString CtaHeaderField(int o) {
    switch (o - kBlock) {
        case 0:
            return QStringLiteral("CTA-861 extension tag");
        case 1:
            return QStringLiteral("CTA-861 revision");
        case 2:
            return QStringLiteral("where the detailed timings start");
        default:
            return QStringLiteral("support flags and native timing count");
    }
}

QString Joined(const QString& region, const QString& field) {
    return region + QStringLiteral(": ") + field;
}

}  // namespace

QList<EdidByteRegion> EdidByteRegions(const EdidImage& image) {
    QList<EdidByteRegion> regions(kEdidSize);
    const bool cta = image[126] != 0 && image[128] == 0x02;
    int timings = 0;  // detailed timings so far, numbered as edid-decode numbers its DTDs
    for (const EdidByteRange& r : EdidByteLayout(image)) {
        const int p = r.first;
        const bool slot = r.kind == EdidRangeKind::DetailedTiming ||
                          (r.kind == EdidRangeKind::Descriptor && r.length == kSlot);
        const bool timing = slot && (image[p] != 0 || image[p + 1] != 0);
        if (timing) ++timings;
        for (int o = p; o < p + r.length; ++o) {
            EdidByteRegion& out = regions[o];
            const int i = o - p;
            if (o < kBlock && !slot && r.kind != EdidRangeKind::Checksum) {
                out.name = BaseField(o);
            } else if (timing) {
                out.name = Joined(QStringLiteral("detailed timing %1").arg(timings),
                                  QString::fromLatin1(kTimingFields[i]));
            } else if (slot) {
                const QString where =
                    p < kBlock
                        ? QStringLiteral("descriptor %1").arg((p - kFirstDescriptor) / kSlot + 1)
                        : QStringLiteral("block 1 descriptor");
                out.name = Joined(where + QStringLiteral(" (%1)").arg(DescriptorKind(r.name)),
                                  DisplayDescriptorField(image, p, i));
            } else if (r.kind == EdidRangeKind::DataBlock) {
                // Without the note of a block cut at the detailed timings.
                const QString name = r.name.section(QLatin1String(" (states"), 0, 0);
                out.name = Joined(Lowered(name), DataBlockField(image, p, i));
            } else if (cta && r.kind == EdidRangeKind::Field && o < kBlock + 4) {
                out.name = CtaHeaderField(o);
            } else {
                out.name = Lowered(r.name);
                out.holdsNothing = r.kind == EdidRangeKind::Unused;
            }
        }
    }
    return regions;
}

}  // namespace varnok
