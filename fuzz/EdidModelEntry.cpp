// Any bytes through the lossless EDID model: the whole input parses exactly when it is 128 x N
// bytes (N = 1..8) and then serialises to itself; its first min(8, size / 128) blocks are an EDID
// and the bytes after them a script of edits. Each edit either leaves the bytes as they were
// (refused: a reason, and the missing bytes when it did not fit) or changes only its block (and
// a CTA-861 native count lowered to the timings left), makes that block's checksum right, keeps
// a CTA-861 block's layout whole, and leaves bytes that parse back into the same model.

#include <QString>
#include <algorithm>

#include "edid/model/EdidEdit.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"

namespace varnok::fuzz {
namespace {

constexpr int kBlock = 128;
constexpr int kMaxEdits = 8;

void CheckLayout(const EdidModel& model) {
    for (int block = 1; block < model.blockCount(); ++block) {
        const CtaExtension* cta = model.cta(block);
        if (!cta) continue;
        const int used = kCtaFirstDataBlock + cta->dataBlockBytes() +
                         kDescriptorSize * int(cta->timings.size()) + int(cta->padding.size());
        FuzzRequire(used == kCtaChecksum, "CTA-861 parts do not add up to 127 bytes");
        FuzzRequire(cta->freeBytes() >= 0, "negative room in a CTA-861 block");
        const bool none = cta->dataBlocks.isEmpty() && cta->timings.isEmpty();
        FuzzRequire(cta->dtdOffset == kCtaFirstDataBlock + cta->dataBlockBytes() ||
                        (cta->dtdOffset == 0 && none),
                    "byte 2 does not point past the data blocks");
        for (const CtaDataBlock& b : cta->dataBlocks) {
            FuzzRequire(b.payloadLength() <= 31, "data block longer than its header can say");
        }
    }
}

EdidDetailedTiming Timing(FuzzInput& in) {
    EdidDetailedTiming t;
    // Mostly within the descriptor's widths; the top bit of each pair lets some run over.
    t.pixelClock10kHz = in.word();
    t.hActive = in.word() & 0x1FFF;
    t.hBlank = in.word() & 0x0FFF;
    t.hFront = in.word() & 0x07FF;
    t.hSync = in.byte();
    t.vActive = in.word() & 0x0FFF;
    t.vBlank = in.word() & 0x0FFF;
    t.vFront = in.byte() & 0x7F;
    t.vSync = in.byte() & 0x3F;
    t.hImageMm = in.byte() * 16;
    t.vImageMm = in.byte() * 16;
    t.flags = in.byte();
    return t;
}

CtaDataBlock DataBlock(FuzzInput& in, const EdidModel& model, int blockIndex) {
    const int source = in.byte() % 6;
    const CtaExtension* cta = model.cta(blockIndex);
    if (source == 1 && cta && !cta->dataBlocks.isEmpty()) {
        CtaDataBlock b = cta->dataBlocks[in.byte() % cta->dataBlocks.size()];
        const QList<CtaField> fields = CtaFieldsOf(CtaBlockKindOf(b));
        if (fields.isEmpty()) return b;
        const CtaField field = fields[in.byte() % fields.size()];
        const int value = int(in.u32() & 0xFFFFFF) >> (in.byte() % 24);
        const CtaDataBlock before = b;
        QString problem;
        if (SetCtaFieldValue(b, field, value, &problem)) {
            FuzzRequire(CtaFieldValue(b, field) == value, "a field does not read back");
            FuzzRequire(b.body.size() >= before.body.size(), "setting a field shortened a block");
        } else {
            FuzzRequire(b == before && !problem.isEmpty(), "a refused field changed its block");
        }
        return b;
    }
    const int count = in.byte() % 40;
    switch (source) {
        case 2: {
            QList<CtaSvd> svds;
            for (int k = 0; k < count; ++k) svds.append(CtaSvd{in.byte(), bool(in.byte() & 1)});
            const CtaDataBlock b = MakeCtaVideoBlock(svds);
            const QList<CtaSvd> back = CtaVideoSvds(b);
            FuzzRequire(back.size() == count, "an SVD lost");
            for (int k = 0; k < count; ++k) {
                // Bytes 129..192 read as native VICs 1..64 whatever was meant.
                const int vic = svds[k].vic;
                const CtaSvd expected = vic >= 129 && vic <= 192
                                            ? CtaSvd{vic - 128, true}
                                            : CtaSvd{vic, svds[k].native && vic >= 1 && vic <= 64};
                FuzzRequire(back[k] == expected, "an SVD does not read back");
            }
            return b;
        }
        case 3: {
            QList<CtaSad> sads;
            for (int k = 0; k < count / 3; ++k) {
                sads.append(CtaSad::make(in.byte(), in.byte() % 9, in.byte(), in.byte()));
            }
            const CtaDataBlock b = MakeCtaAudioBlock(sads);
            FuzzRequire(CtaAudioSads(b) == sads, "audio descriptors do not read back");
            return b;
        }
        case 4: {
            QList<bool> map;
            for (int k = 0; k < count; ++k) map.append(in.byte() & 1);
            const CtaDataBlock b = MakeCtaYuv420Map(map);
            FuzzRequire(CtaYuv420Map(b).mid(0, count) == map, "4:2:0 map does not read back");
            return b;
        }
        case 5:
            return NewCtaDataBlock(CtaBlockKind(in.byte() % 14));
        default: {
            CtaDataBlock b;
            b.tag = in.byte() % 9;  // 8 is no tag
            b.extendedTag = b.tag == 7 && count > 0 ? in.byte() : -1;
            b.body = in.bytes(size_t(count));
            return b;
        }
    }
}

EdidEdit NextEdit(FuzzInput& in, const EdidModel& model) {
    const auto kind = EdidEditKind(in.byte() % 15);
    EdidEdit e;
    e.kind = kind;
    e.block = in.byte() % (model.blockCount() + 1);
    e.index = in.byte() % 7;
    e.to = in.byte() % 7;
    e.number = qint64(in.u32()) - (in.byte() & 1 ? 0 : qint64(in.word()));
    if (kind == EdidEditKind::SetYear) e.number = 1985 + in.byte();
    e.text = QString::fromLatin1(in.bytes(in.byte() % 16));
    if (kind == EdidEditKind::AddTiming || kind == EdidEditKind::SetTiming) e.timing = Timing(in);
    if (kind == EdidEditKind::SetRangeLimits) {
        e.limits = {in.byte() * 2, in.byte() * 2,  in.byte() * 2,
                    in.byte() * 2, in.byte() * 10, in.byte()};
    }
    if (kind == EdidEditKind::AddDataBlock || kind == EdidEditKind::SetDataBlock) {
        e.dataBlock = DataBlock(in, model, e.block);
    }
    return e;
}

bool IsLayoutEdit(EdidEditKind k) {
    return k == EdidEditKind::AddTiming || k == EdidEditKind::RemoveTiming ||
           k == EdidEditKind::AddDataBlock || k == EdidEditKind::SetDataBlock ||
           k == EdidEditKind::RemoveDataBlock;
}

void CheckEdit(const EdidModel& before, const EdidEdit& edit) {
    const EdidEditStep step = MakeEdidEditStep(before, edit);
    EdidModel edited = before;
    const EdidEditResult result = ApplyEdidEdit(edited, edit);
    FuzzRequire(result.status == step.result.status, "the step and the edit disagree");
    FuzzRequire(step.before == SerializeEdidModel(before), "the step's bytes before differ");
    if (!result.ok()) {
        FuzzRequire(edited == before && step.after == step.before, "a refused edit changed bytes");
        FuzzRequire(!result.reason.isEmpty(), "a refusal without its reason");
        FuzzRequire((result.status == EdidEditStatus::NoRoom) == (result.missingBytes > 0),
                    "missing bytes without a refusal for room, or none with one");
        return;
    }
    FuzzRequire(step.after == SerializeEdidModel(edited), "the step's bytes after differ");
    const EdidModelParse back = ParseEdidModel(step.after);
    FuzzRequire(back.ok && back.model == edited, "an edited EDID does not parse back the same");
    CheckLayout(edited);

    const int target = edit.targetBlock();
    for (int block = 0; block < before.blockCount(); ++block) {
        const QByteArray was = step.before.mid(block * kBlock, kBlock);
        const QByteArray now = step.after.mid(block * kBlock, kBlock);
        if (block == target) {
            FuzzRequire(uint8_t(now[127]) == EdidBlockChecksum(now), "edited block's checksum");
            continue;
        }
        if (was == now) continue;
        // Only a native timing count may have come down in another block.
        FuzzRequire(before.cta(block) && was.first(3) == now.first(3) &&
                        was.mid(4, 123) == now.mid(4, 123) && (now[3] & 0xF0) == (was[3] & 0xF0) &&
                        (now[3] & 0x0F) < (was[3] & 0x0F) &&
                        uint8_t(now[127]) == EdidBlockChecksum(now),
                    "an edit changed another block");
    }
    if (const CtaExtension* cta = edited.cta(target); cta && IsLayoutEdit(edit.kind)) {
        const CtaExtension* old = before.cta(target);
        if (old->dataBlockBytes() != cta->dataBlockBytes() ||
            old->timings.size() != cta->timings.size()) {
            FuzzRequire(cta->padding.count('\0') == cta->padding.size(),
                        "padding not zero after the layout changed");
        }
    }
}

}  // namespace

int FuzzEdidModel(const uint8_t* data, size_t size) {
    const QByteArray whole(reinterpret_cast<const char*>(data), qsizetype(size));
    const EdidModelParse all = ParseEdidModel(whole);
    const bool edidSize = size > 0 && size % kBlock == 0 && size <= size_t(8 * kBlock);
    FuzzRequire(all.ok == edidSize, "a size taken or refused wrongly");
    FuzzRequire(all.ok ? SerializeEdidModel(all.model) == whole : !all.error.isEmpty(),
                "the round trip lost a byte");

    const int blocks = int(std::min<size_t>(8, size / kBlock));
    if (blocks == 0) return 0;
    const QByteArray edid = whole.first(blocks * kBlock);
    EdidModel model = ParseEdidModel(edid).model;
    FuzzRequire(SerializeEdidModel(model) == edid, "the round trip lost a byte");
    CheckLayout(model);

    FuzzInput in(data + edid.size(), size - size_t(edid.size()));
    for (int k = 0; k < kMaxEdits && !in.empty(); ++k) {
        const EdidEdit edit = NextEdit(in, model);
        CheckEdit(model, edit);
        ApplyEdidEdit(model, edit);
    }
    return 0;
}

}  // namespace varnok::fuzz
