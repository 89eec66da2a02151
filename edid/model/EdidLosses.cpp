#include "edid/model/EdidLosses.h"

#include <QHash>
#include <QSet>
#include <algorithm>

#include "edid/model/CtaBlockNames.h"
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

const CtaDataBlock* Find(const CtaExtension* cta, const QString& name) {
    if (!cta) return nullptr;
    for (const CtaDataBlock& b : cta->dataBlocks)
        if (CtaDataBlockName(b) == name) return &b;
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
                    out << QStringLiteral("%1 audio").arg(CtaAudioFormatName(s.format()));
                else if (channels[s.format()] < s.channels())
                    out << QStringLiteral("%1 audio lowered from %2 to %3 channels")
                               .arg(CtaAudioFormatName(s.format()))
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
        if (!lost.isEmpty() && Find(now, CtaDataBlockName(NewCtaDataBlock(kind))))
            out << QStringLiteral("VICs %1 of the %2")
                       .arg(List(lost.values()), CtaDataBlockName(NewCtaDataBlock(kind)));
    }
    QSet<QString> named;
    for (const CtaDataBlock& b : was->dataBlocks) {
        const QString name = CtaDataBlockName(b);
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
