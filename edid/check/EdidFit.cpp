#include "edid/check/EdidFit.h"

#include <QJsonArray>
#include <cmath>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidFix.h"
#include "edid/model/CtaBlockNames.h"
#include "edid/model/CtaDataBlocks.h"
#include "edid/model/DisplayIdBlock.h"
#include "edid/model/EdidModel.h"

namespace varnok {
namespace {

constexpr int kMaxPayload = 31;  // a CTA-861 data block's length field has 5 bits

// Items of one kind from one block that went the same way, for one sentence of the lists.
struct FitGroup {
    int block = 0;
    QString blockName;
    QString what;  // singular: "detailed timing"; empty for a whole block
    QString plural;
    bool moved = false;
    QString reason;
    QStringList labels;
};

QString BlockName(const EdidExtension& e) {
    switch (e.tag()) {
        case 0x02:
            return QStringLiteral("CTA-861");
        case kDisplayIdExtensionTag:
            return QStringLiteral("DisplayID");
        case 0xF0:
            return QStringLiteral("block map");
        case 0x10:
            return QStringLiteral("video timing block");
        default:
            return QStringLiteral("tag 0x%1").arg(e.tag(), 2, 16, QLatin1Char('0'));
    }
}

QString Rate(double hz) {
    QString text = QString::number(hz, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

QString TimingLabel(const EdidDetailedTiming& t) {
    const double total = double(t.hActive + t.hBlank) * (t.vActive + t.vBlank);
    const double hz = total > 0 ? t.pixelClock10kHz * 10000.0 / total : 0;
    return QStringLiteral("%1 × %2%3 @ %4")
        .arg(t.hActive)
        .arg(t.interlaced() ? t.vActive * 2 : t.vActive)
        .arg(t.interlaced() ? QStringLiteral("i") : QString())
        .arg(Rate(t.interlaced() ? hz * 2 : hz));
}

QString AudioLabel(const CtaSad& sad) {
    return QStringLiteral("%1 %2 ch").arg(CtaAudioFormatName(sad.format())).arg(sad.channels());
}

// Two data blocks are of one kind when their tags, extended tags and (for vendor-specific
// blocks) OUIs agree.
bool SameKind(const CtaDataBlock& a, const CtaDataBlock& b) {
    return a.tag == b.tag && a.extendedTag == b.extendedTag &&
           (a.tag != 3 || a.body.left(3) == b.body.left(3));
}

// The data blocks of a byte run, as a DisplayID 2.0 section carries them in its tag 0x81 block.
QList<CtaDataBlock> ParseCtaDataBlocks(const QByteArray& bytes) {
    QList<CtaDataBlock> blocks;
    for (int p = 0; p < bytes.size();) {
        const int length = uint8_t(bytes[p]) & 0x1F;
        if (p + 1 + length > bytes.size()) break;
        CtaDataBlock b;
        b.tag = uint8_t(bytes[p]) >> 5;
        int first = p + 1;
        if (b.tag == 7 && length > 0) b.extendedTag = uint8_t(bytes[first++]);
        b.body = bytes.mid(first, p + 1 + length - first);
        blocks << b;
        p += 1 + length;
    }
    return blocks;
}

class Fitter {
public:
    Fitter(const EdidModel& model, CtaExtension kept) : model_(model), kept_(std::move(kept)) {}

    void dropBlock(int block, const QString& blockName, const QString& reason) {
        add(block, blockName, QString(), QString(), false, reason, QString());
    }

    void dropItem(int block, const QString& blockName, const QString& what) {
        drop(block, blockName, what, QString(), QString());
    }

    void moveDataBlocks(int block, const QString& name, const QList<CtaDataBlock>& blocks) {
        for (const CtaDataBlock& b : blocks) {
            switch (CtaBlockKindOf(b)) {
                case CtaBlockKind::Video:
                    for (const CtaSvd& svd : CtaVideoSvds(b)) moveVic(block, name, svd);
                    break;
                case CtaBlockKind::Audio:
                    for (const CtaSad& sad : CtaAudioSads(b)) moveSad(block, name, sad);
                    break;
                case CtaBlockKind::Yuv420CapabilityMap:
                    // Its bits name the VICs of its own block, which are not where they were.
                    drop(block, name, CtaDataBlockName(b), QString(),
                         QStringLiteral("its bits refer to the VICs of its own block"));
                    break;
                case CtaBlockKind::VideoCapability:
                    // Its scan behaviour must agree with byte 3 of the kept block's header.
                    drop(block, name, CtaDataBlockName(b), QString(),
                         QStringLiteral("block 1's header states the scan behaviour"));
                    break;
                default:
                    moveWhole(block, name, b);
            }
        }
    }

    void moveTiming(int block, const QString& name, const EdidDetailedTiming& t,
                    const QString& problem) {
        const QString what = QStringLiteral("detailed timing");
        const QString label = TimingLabel(t);
        if (!problem.isEmpty()) return drop(block, name, what, label, problem);
        const Bytes18 bytes = EncodeDetailedTiming(t);
        if (hasTiming(bytes)) return;
        if (kept_.freeBytes() < kDescriptorSize) return drop(block, name, what, label, noRoom());
        kept_.timings << bytes;
        changed_ = true;
        add(block, name, what, QString(), true, QString(), label);
    }

    const CtaExtension& kept() const { return kept_; }
    bool changed() const { return changed_; }

    void report(EdidFitResult& r) const {
        for (const FitGroup& g : groups_) {
            QString line = QStringLiteral("block %1 (%2)").arg(g.block).arg(g.blockName);
            if (!g.what.isEmpty()) {
                line += QStringLiteral(": %1 %2")
                            .arg(g.labels.size())
                            .arg(g.labels.size() == 1 ? g.what : g.plural);
                if (!g.labels.first().isEmpty())
                    line += QStringLiteral(" (%1)").arg(g.labels.join(QStringLiteral(", ")));
            }
            line += g.moved ? QStringLiteral(" moved into block 1") : QStringLiteral(" dropped");
            if (!g.reason.isEmpty()) line += QStringLiteral(": ") + g.reason;
            (g.moved ? r.moved : r.dropped) << line;
        }
    }

private:
    static QString Plural(const QString& what) {
        if (what.endsWith(QLatin1String("data block")) || what == QLatin1String("VIC") ||
            what.endsWith(QLatin1String("timing")) || what.endsWith(QLatin1String("descriptor")))
            return what + QLatin1Char('s');
        return what;
    }

    QString noRoom() const { return QStringLiteral("no room left in block 1"); }

    void add(int block, const QString& blockName, const QString& what, const QString& plural,
             bool moved, const QString& reason, const QString& label) {
        for (FitGroup& g : groups_) {
            if (g.block == block && g.what == what && g.moved == moved && g.reason == reason &&
                !what.isEmpty()) {
                g.labels << label;
                return;
            }
        }
        groups_.append({block,
                        blockName,
                        what,
                        plural.isEmpty() ? Plural(what) : plural,
                        moved,
                        reason,
                        {label}});
    }

    void drop(int block, const QString& name, const QString& what, const QString& label,
              const QString& reason) {
        add(block, name, what, QString(), false, reason, label);
    }

    bool hasTiming(const Bytes18& t) const {
        // The same timing with another image size or flags is still the same timing.
        auto same = [&](const Bytes18& o) {
            return std::equal(t.begin(), t.begin() + 12, o.begin());
        };
        for (const Bytes18& d : model_.base.descriptors)
            if (same(d)) return true;
        for (const Bytes18& d : kept_.timings)
            if (same(d)) return true;
        return false;
    }

    void moveVic(int block, const QString& name, const CtaSvd& svd) {
        const QString label = QString::number(svd.vic);
        int last = -1;
        for (int i = 0; i < kept_.dataBlocks.size(); ++i) {
            if (CtaBlockKindOf(kept_.dataBlocks[i]) != CtaBlockKind::Video) continue;
            for (const CtaSvd& have : CtaVideoSvds(kept_.dataBlocks[i]))
                if (have.vic == svd.vic) return;
            last = i;
        }
        // Appended after the last SVD, so a 4:2:0 capability map keeps pointing at its own.
        const bool extend = last >= 0 && kept_.dataBlocks[last].payloadLength() < kMaxPayload;
        if (kept_.freeBytes() < (extend ? 1 : 2))
            return drop(block, name, QStringLiteral("VIC"), label, noRoom());
        const CtaSvd plain{svd.vic, false};
        if (extend) {
            QList<CtaSvd> svds = CtaVideoSvds(kept_.dataBlocks[last]);
            svds << plain;
            kept_.dataBlocks[last] = MakeCtaVideoBlock(svds);
        } else {
            kept_.dataBlocks.insert(last + 1, MakeCtaVideoBlock({plain}));
        }
        changed_ = true;
        add(block, name, QStringLiteral("VIC"), QString(), true, QString(), label);
    }

    void moveSad(int block, const QString& name, const CtaSad& sad) {
        const QString what = QStringLiteral("short audio descriptor");
        const QString label = AudioLabel(sad);
        int last = -1;
        for (int i = 0; i < kept_.dataBlocks.size(); ++i) {
            if (CtaBlockKindOf(kept_.dataBlocks[i]) != CtaBlockKind::Audio) continue;
            if (CtaAudioSads(kept_.dataBlocks[i]).contains(sad)) return;
            last = i;
        }
        const bool extend = last >= 0 && kept_.dataBlocks[last].payloadLength() + 3 <= kMaxPayload;
        if (kept_.freeBytes() < (extend ? 3 : 4)) return drop(block, name, what, label, noRoom());
        if (extend) {
            QList<CtaSad> sads = CtaAudioSads(kept_.dataBlocks[last]);
            sads << sad;
            kept_.dataBlocks[last] = MakeCtaAudioBlock(sads);
        } else {
            kept_.dataBlocks.insert(last + 1, MakeCtaAudioBlock({sad}));
        }
        changed_ = true;
        add(block, name, what, QString(), true, QString(), label);
    }

    void moveWhole(int block, const QString& name, const CtaDataBlock& b) {
        for (const CtaDataBlock& have : kept_.dataBlocks) {
            if (SameKind(have, b)) {
                return drop(block, name, CtaDataBlockName(b), QString(),
                            QStringLiteral("block 1 has one of its kind"));
            }
        }
        if (kept_.freeBytes() < b.size())
            return drop(block, name, CtaDataBlockName(b), {}, noRoom());
        kept_.dataBlocks << b;
        changed_ = true;
        add(block, name, CtaDataBlockName(b), QString(), true, QString(), QString());
    }

    const EdidModel& model_;
    CtaExtension kept_;
    bool changed_ = false;
    QList<FitGroup> groups_;
};

void FitDisplayId(Fitter& fitter, int block, const EdidExtension& e, const EdidBaseBlock& base) {
    const QString name = QStringLiteral("DisplayID");
    const QByteArray bytes(reinterpret_cast<const char*>(e.raw.data()), kEdidModelBlockSize);
    const DisplayIdSection section = ParseDisplayIdSection(bytes);
    for (const DisplayIdDataBlock& b : section.blocks) {
        if (b.tag == kDisplayIdTypeI || b.tag == kDisplayIdTypeVII) {
            for (DisplayIdTiming t : DisplayIdTimings(b)) {
                // A DisplayID timing has no image size of its own; the screen's size in block 0
                // stands for it, as a detailed timing should agree with it.
                if (base.heightCm != 0) {
                    t.timing.hImageMm = base.widthCm * 10;
                    t.timing.vImageMm = base.heightCm * 10;
                }
                fitter.moveTiming(block, name, t.timing, t.problem);
            }
        } else if (b.tag == kDisplayIdCtaBlocks) {
            fitter.moveDataBlocks(block, name, ParseCtaDataBlocks(b.payload));
        } else {
            fitter.dropItem(block, name, DisplayIdBlockName(b.tag) + QStringLiteral(" data block"));
        }
    }
    if (!section.fault.isEmpty()) fitter.dropBlock(block, name, section.fault);
}

}  // namespace

EdidFitResult FitEdidToDevice(const QByteArray& edid) {
    EdidFitResult r;
    r.fault = EdidSizeFault(edid.size());
    if (r.fault.isEmpty() && edid.size() > kEdidModelMaxBlocks * kEdidModelBlockSize)
        r.fault = QStringLiteral("the EDID is %1 bytes, more than the 8 blocks of 128 a fit reads")
                      .arg(edid.size());
    if (!r.fault.isEmpty()) return r;
    if (edid.size() <= kDeviceEdidBytes) {
        r.edid = edid;
        return r;
    }
    const EdidModel model = ParseEdidModel(edid).model;
    int keptBlock = 0;
    for (int b = 1; b < model.blockCount() && keptBlock == 0; ++b)
        if (model.cta(b)) keptBlock = b;
    Fitter fitter(model, keptBlock ? *model.cta(keptBlock) : CtaExtension{});
    for (int b = 1; b < model.blockCount(); ++b) {
        if (b == keptBlock) continue;
        const EdidExtension& e = model.extensions[b - 1];
        if (const CtaExtension* cta = model.cta(b)) {
            fitter.moveDataBlocks(b, BlockName(e), cta->dataBlocks);
            for (const Bytes18& t : cta->timings)
                fitter.moveTiming(b, BlockName(e), DecodeDetailedTiming(t), QString());
        } else if (e.tag() == kDisplayIdExtensionTag) {
            FitDisplayId(fitter, b, e, model.base);
        } else {
            fitter.dropBlock(
                b, BlockName(e),
                e.tag() == 0xF0 ? QString() : QStringLiteral("the device holds one extension"));
        }
    }
    EdidModel fitted;
    fitted.base = model.base;
    if (keptBlock || fitter.changed()) {
        EdidExtension e;
        e.isCta = true;
        e.cta = fitter.kept();
        if (fitter.changed()) {
            // The timings right after the data blocks, byte 2 pointing at them, zeros after.
            CtaExtension& c = e.cta;
            c.dtdOffset = uint8_t(kCtaFirstDataBlock + c.dataBlockBytes());
            c.padding = QByteArray(c.freeBytes(), '\0');
        }
        fitted.extensions << e;
        if (keptBlock > 1)
            r.changes << QStringLiteral("block %1 (CTA-861) is now block 1").arg(keptBlock);
        if (!keptBlock)
            r.changes << QStringLiteral("block 1 is a new CTA-861 block for what moved");
    }
    const EdidFixResult fix = FixEdidChecksums(SerializeEdidModel(fitted));
    r.edid = fix.edid;
    r.changes += fix.changes;
    r.fitted = true;
    fitter.report(r);
    return r;
}

QJsonObject EdidFitJson(const EdidFitResult& fit) {
    return {{QStringLiteral("bytes"), int(fit.edid.size())},
            {QStringLiteral("fitted"), fit.fitted},
            {QStringLiteral("moved"), QJsonArray::fromStringList(fit.moved)},
            {QStringLiteral("dropped"), QJsonArray::fromStringList(fit.dropped)},
            {QStringLiteral("changes"), QJsonArray::fromStringList(fit.changes)}};
}

}  // namespace varnok
