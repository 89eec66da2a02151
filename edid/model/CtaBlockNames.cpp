#include "edid/model/CtaBlockNames.h"

#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidModel.h"

namespace varnok {

QString CtaOuiText(const QByteArray& body, int at) {
    if (body.size() < at + 3) return QStringLiteral("unknown");
    return QStringLiteral("%1-%2-%3")
        .arg(uint8_t(body[at + 2]), 2, 16, QLatin1Char('0'))
        .arg(uint8_t(body[at + 1]), 2, 16, QLatin1Char('0'))
        .arg(uint8_t(body[at]), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString CtaDataBlockName(const CtaDataBlock& b) {
    switch (CtaBlockKindOf(b)) {
        case CtaBlockKind::Audio:
            return QStringLiteral("audio data block");
        case CtaBlockKind::Video:
            return QStringLiteral("video data block");
        case CtaBlockKind::HdmiVsdb:
            return QStringLiteral("HDMI vendor-specific data block");
        case CtaBlockKind::HdmiForumVsdb:
            return QStringLiteral("HDMI Forum vendor-specific data block");
        case CtaBlockKind::VendorSpecific:
            return QStringLiteral("vendor-specific data block (OUI %1)").arg(CtaOuiText(b.body, 0));
        case CtaBlockKind::SpeakerAllocation:
            return QStringLiteral("speaker allocation data block");
        case CtaBlockKind::VesaDisplayTransfer:
            return QStringLiteral("VESA display transfer characteristic data block");
        case CtaBlockKind::VideoCapability:
            return QStringLiteral("video capability data block");
        case CtaBlockKind::Colorimetry:
            return QStringLiteral("colorimetry data block");
        case CtaBlockKind::HdrStaticMetadata:
            return QStringLiteral("HDR static metadata data block");
        case CtaBlockKind::Yuv420Video:
            return QStringLiteral("YCbCr 4:2:0 video data block");
        case CtaBlockKind::Yuv420CapabilityMap:
            return QStringLiteral("YCbCr 4:2:0 capability map data block");
        case CtaBlockKind::OtherExtended:
            break;
        case CtaBlockKind::Reserved:
            return QStringLiteral("data block with reserved tag %1").arg(b.tag);
    }
    // Vendor-specific video (1) and audio (17) blocks: Dolby Vision is 00-D0-46, HDR10+ 90-84-8B.
    if (b.extendedTag == 1) {
        const QString oui = CtaOuiText(b.body, 0);
        if (oui == QLatin1String("00-D0-46")) return QStringLiteral("Dolby Vision data block");
        if (oui == QLatin1String("90-84-8B")) return QStringLiteral("HDR10+ data block");
        return QStringLiteral("vendor-specific video data block (OUI %1)").arg(oui);
    }
    if (b.extendedTag == 17)
        return QStringLiteral("vendor-specific audio data block (OUI %1)")
            .arg(CtaOuiText(b.body, 0));
    return QStringLiteral("data block with extended tag %1").arg(b.extendedTag);
}

// Audio format codes (CTA-861 table 37).
QString CtaAudioFormatName(int code) {
    static const char* kNames[] = {"reserved", "L-PCM", "AC-3",    "MPEG-1",  "MP3",    "MPEG-2",
                                   "AAC LC",   "DTS",   "ATRAC",   "DSD",     "E-AC-3", "DTS-HD",
                                   "MAT",      "DST",   "WMA Pro", "extended"};
    return QString::fromLatin1(kNames[code & 15]);
}

}  // namespace varnok
