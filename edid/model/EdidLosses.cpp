#include "edid/model/EdidLosses.h"

#include <QHash>
#include <QSet>
#include <algorithm>

#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidModel.h"

namespace varnok {
namespace {

// A detailed timing by what a source sends: the pixel clock, active, blanking and sync bytes,
// and the interlace flag; the image size and the other flags may differ.
QByteArray TimingKey(const Bytes18& d) {
    QByteArray key(reinterpret_cast<const char*>(d.data()), 12);
    key.append(char(d[17] & 0x80));
    return key;
}

QString TimingName(const Bytes18& d) {
    const int w = d[2] | (d[4] & 0xF0) << 4;
    const int h = d[5] | (d[7] & 0xF0) << 4;
    const bool interlaced = d[17] & 0x80;
    return QStringLiteral("%1x%2%3").arg(w).arg(interlaced ? 2 * h : h).arg(interlaced ? "i" : "");
}

QList<Bytes18> Timings(const EdidModel& m) {
    QList<Bytes18> out;
    for (const Bytes18& d : m.base.descriptors)
        if (d[0] != 0 || d[1] != 0) out << d;
    for (int b = 1; b < m.blockCount(); ++b)
        if (const CtaExtension* cta = m.cta(b)) out << cta->timings;
    return out;
}

QString Oui(const QByteArray& body, int at) {
    if (body.size() < at + 3) return QStringLiteral("unknown");
    return QStringLiteral("%1-%2-%3")
        .arg(uint8_t(body[at + 2]), 2, 16, QLatin1Char('0'))
        .arg(uint8_t(body[at + 1]), 2, 16, QLatin1Char('0'))
        .arg(uint8_t(body[at]), 2, 16, QLatin1Char('0'))
        .toUpper();
}

// A block as the question names it, and as blocks of the same kind are matched: vendor blocks by
// their OUI, other extended blocks by their extended tag.
QString BlockName(const CtaDataBlock& b) {
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
            return QStringLiteral("vendor-specific data block (OUI %1)").arg(Oui(b.body, 0));
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
        const QString oui = Oui(b.body, 0);
        if (oui == QLatin1String("00-D0-46")) return QStringLiteral("Dolby Vision data block");
        if (oui == QLatin1String("90-84-8B")) return QStringLiteral("HDR10+ data block");
        return QStringLiteral("vendor-specific video data block (OUI %1)").arg(oui);
    }
    if (b.extendedTag == 17)
        return QStringLiteral("vendor-specific audio data block (OUI %1)").arg(Oui(b.body, 0));
    return QStringLiteral("data block with extended tag %1").arg(b.extendedTag);
}

const CtaDataBlock* Find(const CtaExtension* cta, const QString& name) {
    if (!cta) return nullptr;
    for (const CtaDataBlock& b : cta->dataBlocks)
        if (BlockName(b) == name) return &b;
    return nullptr;
}

QSet<int> Vics(const CtaExtension* cta, CtaBlockKind kind) {
    QSet<int> out;
    if (!cta) return out;
    for (const CtaDataBlock& b : cta->dataBlocks) {
        if (CtaBlockKindOf(b) != kind) continue;
        if (kind == CtaBlockKind::Video) {
            for (const CtaSvd& s : CtaVideoSvds(b)) out << s.vic;
        } else {
            for (const char c : b.body) out << uint8_t(c);
        }
    }
    return out;
}

// Audio format codes (CTA-861 table 37).
QString AudioFormat(int code) {
    static const char* kNames[] = {"reserved", "L-PCM", "AC-3",    "MPEG-1",  "MP3",    "MPEG-2",
                                   "AAC LC",   "DTS",   "ATRAC",   "DSD",     "E-AC-3", "DTS-HD",
                                   "MAT",      "DST",   "WMA Pro", "extended"};
    return QString::fromLatin1(kNames[code & 15]);
}

QString List(QList<int> values) {
    std::sort(values.begin(), values.end());
    QStringList parts;
    for (int v : values) parts << QString::number(v);
    return parts.join(QStringLiteral(", "));
}

// A field whose value only matters when it is larger (a clock, a rate).
void Lower(QStringList& out, const CtaDataBlock& was, const CtaDataBlock& now, CtaField field,
           const QString& what, int unit, const QString& suffix) {
    const int a = CtaFieldValue(was, field), b = CtaFieldValue(now, field);
    if (b < a)
        out << QStringLiteral("%1 lowered from %2%4 to %3%4")
                   .arg(what)
                   .arg(a * unit)
                   .arg(b * unit)
                   .arg(suffix);
}

// A bit field whose set bits each stand for something supported.
void BitsLost(QStringList& out, const CtaDataBlock& was, const CtaDataBlock& now, CtaField field,
              const QString& what) {
    const int lost = CtaFieldValue(was, field) & ~CtaFieldValue(now, field);
    if (lost) out << QStringLiteral("%1: bits 0x%2 cleared").arg(what).arg(lost, 0, 16);
}

void CompareBlock(QStringList& out, const CtaDataBlock& was, const CtaDataBlock& now) {
    switch (CtaBlockKindOf(was)) {
        case CtaBlockKind::Audio: {
            QHash<int, int> channels;
            for (const CtaSad& s : CtaAudioSads(now))
                channels[s.format()] = std::max(channels.value(s.format()), s.channels());
            for (const CtaSad& s : CtaAudioSads(was)) {
                if (!channels.contains(s.format()))
                    out << QStringLiteral("%1 audio").arg(AudioFormat(s.format()));
                else if (channels[s.format()] < s.channels())
                    out << QStringLiteral("%1 audio lowered from %2 to %3 channels")
                               .arg(AudioFormat(s.format()))
                               .arg(s.channels())
                               .arg(channels[s.format()]);
            }
            break;
        }
        case CtaBlockKind::HdmiVsdb:
            Lower(out, was, now, CtaField::HdmiMaxTmdsClock, QStringLiteral("Max TMDS clock"), 5,
                  QStringLiteral(" MHz"));
            break;
        case CtaBlockKind::HdmiForumVsdb:
            Lower(out, was, now, CtaField::HfMaxTmdsCharacterRate,
                  QStringLiteral("HDMI Forum max TMDS character rate"), 5, QStringLiteral(" MHz"));
            Lower(out, was, now, CtaField::HfMaxFrlRate, QStringLiteral("max FRL rate"), 1,
                  QString());
            break;
        case CtaBlockKind::HdrStaticMetadata:
            BitsLost(out, was, now, CtaField::HdrEotfs, QStringLiteral("HDR transfer functions"));
            break;
        case CtaBlockKind::Colorimetry:
            BitsLost(out, was, now, CtaField::ColorimetryFlags, QStringLiteral("colorimetry"));
            break;
        case CtaBlockKind::SpeakerAllocation:
            BitsLost(out, was, now, CtaField::SpeakerAllocation, QStringLiteral("speakers"));
            break;
        default:
            break;
    }
}

void CompareCta(QStringList& out, const CtaExtension* was, const CtaExtension* now) {
    if (!was) return;
    const int flagsLost = was->flags & 0xF0 & ~(now ? now->flags : 0);
    static const char* kFlags[] = {"YCbCr 4:2:2", "YCbCr 4:4:4", "basic audio", "underscan"};
    for (int bit = 4; bit < 8; ++bit)
        if (flagsLost & 1 << bit)
            out << QStringLiteral("the CTA-861 %1 support flag").arg(kFlags[bit - 4]);
    for (const CtaBlockKind kind : {CtaBlockKind::Video, CtaBlockKind::Yuv420Video}) {
        const QSet<int> lost = Vics(was, kind) - Vics(now, kind);
        if (!lost.isEmpty() && Find(now, BlockName(NewCtaDataBlock(kind))))
            out << QStringLiteral("VICs %1 of the %2")
                       .arg(List(lost.values()), BlockName(NewCtaDataBlock(kind)));
    }
    QSet<QString> named;
    for (const CtaDataBlock& b : was->dataBlocks) {
        const QString name = BlockName(b);
        if (named.contains(name)) continue;
        named << name;
        if (const CtaDataBlock* kept = Find(now, name))
            CompareBlock(out, b, *kept);
        else
            out << QStringLiteral("the %1").arg(name);
    }
}

}  // namespace

QStringList EdidLosses(const QByteArray& loaded, const QByteArray& built) {
    const EdidModelParse was = ParseEdidModel(loaded);
    const EdidModelParse now = ParseEdidModel(built);
    if (!was.ok || !now.ok) return {};
    QStringList out;
    QSet<QByteArray> kept;
    for (const Bytes18& d : Timings(now.model)) kept << TimingKey(d);
    for (const Bytes18& d : Timings(was.model))
        if (!kept.contains(TimingKey(d)))
            out << QStringLiteral("the detailed timing %1").arg(TimingName(d));
    CompareCta(out, was.model.blockCount() > 1 ? was.model.cta(1) : nullptr,
               now.model.blockCount() > 1 ? now.model.cta(1) : nullptr);
    for (int b = now.model.blockCount(); b < was.model.blockCount(); ++b)
        out << QStringLiteral("extension block %1").arg(b);
    return out;
}

}  // namespace varnok
