#include "edid/model/EdidEdit.h"

#include <algorithm>

namespace varnok {

namespace {

constexpr int kSlots = 4;
constexpr int kMaxPayload = 31;  // five bits of a data block's header

using Kind = EdidEditKind;

EdidEditResult Invalid(const QString& reason) {
    return {EdidEditStatus::Invalid, 0, reason};
}

EdidEditResult NoRoom(int block, int missing) {
    return {EdidEditStatus::NoRoom, missing,
            QStringLiteral("The edit does not fit in block %1: %2 more %3 needed.")
                .arg(block)
                .arg(missing)
                .arg(missing == 1 ? QStringLiteral("byte is") : QStringLiteral("bytes are"))};
}

EdidEditResult NoItem(const char* what, int index, int block) {
    return Invalid(
        QStringLiteral("Block %1 has no %2 %3.").arg(block).arg(QLatin1String(what)).arg(index));
}

EdidEditResult OutOfRange(const char* what, qint64 value, qint64 min, qint64 max) {
    return Invalid(QStringLiteral("The %1 must be %2 to %3; %4 is not.")
                       .arg(QLatin1String(what))
                       .arg(min)
                       .arg(max)
                       .arg(value));
}

bool IsTimingEdit(Kind k) {
    return k == Kind::AddTiming || k == Kind::SetTiming || k == Kind::RemoveTiming ||
           k == Kind::MoveTiming;
}

bool IsDataBlockEdit(Kind k) {
    return k == Kind::AddDataBlock || k == Kind::SetDataBlock || k == Kind::RemoveDataBlock ||
           k == Kind::MoveDataBlock;
}

// The slot of the first descriptor of a kind, or -1.
int SlotOf(const EdidBaseBlock& base, DescriptorKind kind, int from = 0) {
    for (int k = from; k < kSlots; ++k) {
        if (DescriptorKindOf(base.descriptors[k]) == kind) return k;
    }
    return -1;
}

// The descriptor of a kind, or a dummy slot turned into an empty one of that tag.
Bytes18* DisplayDescriptor(EdidBaseBlock& base, DescriptorKind kind, uint8_t tag) {
    int slot = SlotOf(base, kind);
    if (slot < 0) {
        slot = SlotOf(base, DescriptorKind::Dummy);
        if (slot < 0) return nullptr;
        base.descriptors[slot] = MakeDisplayDescriptor(tag);
    }
    return &base.descriptors[slot];
}

template <typename List>
void MoveItem(List& list, int from, int to) {
    auto item = list[from];
    list.removeAt(from);
    list.insert(to, item);
}

EdidEditResult EditBaseTiming(EdidBaseBlock& base, const EdidEdit& e) {
    auto& descriptors = base.descriptors;
    const int last = e.kind == Kind::AddTiming ? kSlots : kSlots - 1;
    if (e.index < 0 || e.index > last) return NoItem("descriptor slot", e.index, 0);
    const DescriptorKind kind =
        e.kind == Kind::AddTiming ? DescriptorKind::Dummy : DescriptorKindOf(descriptors[e.index]);
    QList<Bytes18> list(descriptors.begin(), descriptors.end());
    switch (e.kind) {
        case Kind::AddTiming: {
            // The dummy at or after the index keeps the descriptors before it where they are.
            int dummy = SlotOf(base, DescriptorKind::Dummy, std::min(e.index, kSlots - 1));
            for (int k = kSlots - 1; dummy < 0 && k >= 0; --k) {
                if (DescriptorKindOf(descriptors[k]) == DescriptorKind::Dummy) dummy = k;
            }
            if (dummy < 0) return NoRoom(0, kDescriptorSize);
            list.removeAt(dummy);
            list.insert(std::min(e.index, kSlots - 1), EncodeDetailedTiming(e.timing));
            break;
        }
        case Kind::SetTiming:
            if (kind != DescriptorKind::DetailedTiming && kind != DescriptorKind::Dummy) {
                return Invalid(QStringLiteral("Descriptor slot %1 of block 0 holds neither a "
                                              "detailed timing nor a dummy.")
                                   .arg(e.index));
            }
            list[e.index] = EncodeDetailedTiming(e.timing);
            break;
        case Kind::RemoveTiming:
            if (kind != DescriptorKind::DetailedTiming) {
                return Invalid(QStringLiteral("Descriptor slot %1 of block 0 holds no detailed "
                                              "timing.")
                                   .arg(e.index));
            }
            list.removeAt(e.index);
            list.append(MakeDisplayDescriptor(0x10));
            break;
        default:  // MoveTiming: any descriptor
            if (e.to < 0 || e.to >= kSlots) return NoItem("descriptor slot", e.to, 0);
            MoveItem(list, e.index, e.to);
            break;
    }
    std::copy(list.begin(), list.end(), descriptors.begin());
    return {};
}

// Timings right after the data blocks, byte 2 pointing at them (0 kept for a block that had 0
// and still holds nothing), zeros after them.
void RelayOut(CtaExtension& cta) {
    const bool empty = cta.dataBlocks.isEmpty() && cta.timings.isEmpty();
    if (!(empty && cta.dtdOffset == 0)) {
        cta.dtdOffset = uint8_t(kCtaFirstDataBlock + cta.dataBlockBytes());
    }
    cta.padding = QByteArray(cta.freeBytes(), '\0');
}

EdidEditResult CtaTimingEdit(CtaExtension& cta, const EdidEdit& e) {
    const int count = int(cta.timings.size());
    const int last = e.kind == Kind::AddTiming ? count : count - 1;
    if (e.index < 0 || e.index > last) return NoItem("detailed timing", e.index, e.block);
    switch (e.kind) {
        case Kind::AddTiming:
            if (cta.freeBytes() < kDescriptorSize) {
                return NoRoom(e.block, kDescriptorSize - cta.freeBytes());
            }
            cta.timings.insert(e.index, EncodeDetailedTiming(e.timing));
            RelayOut(cta);
            break;
        case Kind::SetTiming:
            cta.timings[e.index] = EncodeDetailedTiming(e.timing);
            break;
        case Kind::RemoveTiming:
            cta.timings.removeAt(e.index);
            RelayOut(cta);
            break;
        default:
            if (e.to < 0 || e.to >= count) return NoItem("detailed timing", e.to, e.block);
            MoveItem(cta.timings, e.index, e.to);
            break;
    }
    return {};
}

QString DataBlockProblem(const CtaDataBlock& b) {
    if (b.tag < 0 || b.tag > 7) {
        return QStringLiteral("A data block tag is 0 to 7; %1 is not.").arg(b.tag);
    }
    if (b.extendedTag > 255 || (b.extendedTag >= 0 && b.tag != 7)) {
        return QStringLiteral("Only a tag 7 data block has an extended tag (0 to 255).");
    }
    if (b.tag == 7 && b.extendedTag < 0 && !b.body.isEmpty()) {
        return QStringLiteral(
            "A tag 7 data block with a payload begins it with its extended "
            "tag.");
    }
    if (b.payloadLength() > kMaxPayload) {
        return QStringLiteral(
                   "A data block holds at most 31 bytes after its header; this one "
                   "has %1.")
            .arg(b.payloadLength());
    }
    return {};
}

EdidEditResult CtaDataBlockEdit(CtaExtension& cta, const EdidEdit& e) {
    const int count = int(cta.dataBlocks.size());
    const int last = e.kind == Kind::AddDataBlock ? count : count - 1;
    if (e.index < 0 || e.index > last) return NoItem("data block", e.index, e.block);
    if (e.kind == Kind::AddDataBlock || e.kind == Kind::SetDataBlock) {
        const QString problem = DataBlockProblem(e.dataBlock);
        if (!problem.isEmpty()) return Invalid(problem);
        const int old = e.kind == Kind::SetDataBlock ? cta.dataBlocks[e.index].size() : 0;
        const int grows = e.dataBlock.size() - old;
        if (grows > cta.freeBytes()) return NoRoom(e.block, grows - cta.freeBytes());
        if (e.kind == Kind::AddDataBlock) {
            cta.dataBlocks.insert(e.index, e.dataBlock);
        } else {
            cta.dataBlocks[e.index] = e.dataBlock;
        }
        if (grows != 0 || e.kind == Kind::AddDataBlock) RelayOut(cta);
    } else if (e.kind == Kind::RemoveDataBlock) {
        cta.dataBlocks.removeAt(e.index);
        RelayOut(cta);
    } else {
        if (e.to < 0 || e.to >= count) return NoItem("data block", e.to, e.block);
        MoveItem(cta.dataBlocks, e.index, e.to);
    }
    return {};
}

EdidEditResult EditBaseField(EdidBaseBlock& base, const EdidEdit& e) {
    switch (e.kind) {
        case Kind::SetVendor: {
            uint16_t id = 0;
            if (!VendorIdFromLetters(e.text, id)) {
                return Invalid(QStringLiteral("\"%1\" is no manufacturer ID: three letters A "
                                              "to Z.")
                                   .arg(e.text));
            }
            base.vendorId = uint16_t((base.vendorId & 0x8000) | id);  // bit 15 is reserved
            return {};
        }
        case Kind::SetProduct:
            if (e.number < 0 || e.number > 0xFFFF) {
                return OutOfRange("product code", e.number, 0, 0xFFFF);
            }
            base.productCode = uint16_t(e.number);
            return {};
        case Kind::SetSerial:
            if (e.number < 0 || e.number > 0xFFFFFFFFLL) {
                return OutOfRange("serial number", e.number, 0, 0xFFFFFFFFLL);
            }
            base.serialNumber = uint32_t(e.number);
            return {};
        case Kind::SetWeek:
            if (e.number < 0 || e.number > 255) return OutOfRange("week", e.number, 0, 255);
            base.week = uint8_t(e.number);
            return {};
        case Kind::SetYear:
            if (e.number < 1990 || e.number > 2245) {
                return OutOfRange("year", e.number, 1990, 2245);
            }
            base.year = uint8_t(e.number - 1990);
            return {};
        case Kind::SetMonitorName: {
            const QString problem = DescriptorTextProblem(e.text);
            if (!problem.isEmpty()) return Invalid(problem);
            Bytes18* d = DisplayDescriptor(base, DescriptorKind::ProductName, 0xFC);
            if (!d) return NoRoom(0, kDescriptorSize);
            SetDescriptorText(*d, e.text);
            return {};
        }
        default: {  // SetRangeLimits
            const QString problem = RangeLimitsProblem(e.limits);
            if (!problem.isEmpty()) return Invalid(problem);
            const EdidRangeLimits& r = e.limits;
            const bool edid14 = base.version > 1 || (base.version == 1 && base.revision >= 4);
            if (!edid14 && std::max({r.maxVerticalHz, r.maxHorizontalKHz}) > 255) {
                // Byte 4's +255 offsets came with EDID 1.4; before it the byte is 0.
                return Invalid(QStringLiteral("Rates above 255 need EDID 1.4; this EDID is "
                                              "%1.%2.")
                                   .arg(base.version)
                                   .arg(base.revision));
            }
            Bytes18* d = DisplayDescriptor(base, DescriptorKind::RangeLimits, 0xFD);
            if (!d) return NoRoom(0, kDescriptorSize);
            EncodeRangeLimits(e.limits, *d);
            return {};
        }
    }
}

int DetailedTimingCount(const EdidModel& model) {
    return int(EdidDetailedTimingRefs(model).size());
}

void SetChecksum(EdidModel& model, int block) {
    const uint8_t sum = EdidBlockChecksum(SerializeEdidBlock(model, block));
    if (block == 0) {
        model.base.checksum = sum;
    } else if (CtaExtension* cta = model.cta(block)) {
        cta->checksum = sum;
    }
}

EdidEditResult Apply(EdidModel& model, const EdidEdit& e) {
    if (!IsTimingEdit(e.kind) && !IsDataBlockEdit(e.kind)) return EditBaseField(model.base, e);
    if (e.block < 0 || e.block >= model.blockCount()) {
        return Invalid(QStringLiteral("The EDID has no block %1.").arg(e.block));
    }
    if (IsTimingEdit(e.kind) && e.kind != Kind::RemoveTiming && e.kind != Kind::MoveTiming) {
        const QString problem = DetailedTimingProblem(e.timing);
        if (!problem.isEmpty()) return Invalid(problem);
    }
    if (e.block == 0 && IsTimingEdit(e.kind)) return EditBaseTiming(model.base, e);
    CtaExtension* cta = model.cta(e.block);
    if (!cta) {
        return Invalid(QStringLiteral("Block %1 is no CTA-861 extension whose layout this "
                                      "editor can change.")
                           .arg(e.block));
    }
    return IsTimingEdit(e.kind) ? CtaTimingEdit(*cta, e) : CtaDataBlockEdit(*cta, e);
}

EdidEdit ItemEdit(Kind kind, int block, int index, int to = 0) {
    EdidEdit e;
    e.kind = kind;
    e.block = block;
    e.index = index;
    e.to = to;
    return e;
}

EdidEdit NumberEdit(Kind kind, qint64 number) {
    EdidEdit e = ItemEdit(kind, 0, 0);
    e.number = number;
    return e;
}

EdidEdit TextEdit(Kind kind, const QString& text) {
    EdidEdit e = ItemEdit(kind, 0, 0);
    e.text = text;
    return e;
}

EdidEdit TimingEdit(Kind kind, int block, int index, const EdidDetailedTiming& timing) {
    EdidEdit e = ItemEdit(kind, block, index);
    e.timing = timing;
    return e;
}

EdidEdit DataBlockEdit(Kind kind, int block, int index, const CtaDataBlock& dataBlock) {
    EdidEdit e = ItemEdit(kind, block, index);
    e.dataBlock = dataBlock;
    return e;
}

}  // namespace

EdidEdit EdidEdit::setVendor(const QString& letters) {
    return TextEdit(Kind::SetVendor, letters);
}

EdidEdit EdidEdit::setProduct(qint64 code) {
    return NumberEdit(Kind::SetProduct, code);
}

EdidEdit EdidEdit::setSerial(qint64 serial) {
    return NumberEdit(Kind::SetSerial, serial);
}

EdidEdit EdidEdit::setWeek(qint64 week) {
    return NumberEdit(Kind::SetWeek, week);
}

EdidEdit EdidEdit::setYear(qint64 year) {
    return NumberEdit(Kind::SetYear, year);
}

EdidEdit EdidEdit::setMonitorName(const QString& name) {
    return TextEdit(Kind::SetMonitorName, name);
}

EdidEdit EdidEdit::setRangeLimits(const EdidRangeLimits& limits) {
    EdidEdit e = ItemEdit(Kind::SetRangeLimits, 0, 0);
    e.limits = limits;
    return e;
}

EdidEdit EdidEdit::addTiming(int block, int index, const EdidDetailedTiming& timing) {
    return TimingEdit(Kind::AddTiming, block, index, timing);
}

EdidEdit EdidEdit::setTiming(int block, int index, const EdidDetailedTiming& timing) {
    return TimingEdit(Kind::SetTiming, block, index, timing);
}

EdidEdit EdidEdit::removeTiming(int block, int index) {
    return ItemEdit(Kind::RemoveTiming, block, index);
}

EdidEdit EdidEdit::moveTiming(int block, int from, int to) {
    return ItemEdit(Kind::MoveTiming, block, from, to);
}

EdidEdit EdidEdit::addDataBlock(int block, int index, const CtaDataBlock& dataBlock) {
    return DataBlockEdit(Kind::AddDataBlock, block, index, dataBlock);
}

EdidEdit EdidEdit::setDataBlock(int block, int index, const CtaDataBlock& dataBlock) {
    return DataBlockEdit(Kind::SetDataBlock, block, index, dataBlock);
}

EdidEdit EdidEdit::removeDataBlock(int block, int index) {
    return ItemEdit(Kind::RemoveDataBlock, block, index);
}

EdidEdit EdidEdit::moveDataBlock(int block, int from, int to) {
    return ItemEdit(Kind::MoveDataBlock, block, from, to);
}

int EdidEdit::targetBlock() const {
    return IsTimingEdit(kind) || IsDataBlockEdit(kind) ? block : 0;
}

EdidEditResult ApplyEdidEdit(EdidModel& model, const EdidEdit& edit) {
    EdidModel edited = model;
    const EdidEditResult result = Apply(edited, edit);
    if (!result.ok()) return result;
    const int target = edit.targetBlock();
    SetChecksum(edited, target);
    if (IsTimingEdit(edit.kind)) {
        // "There are more native DTDs than DTDs" is a fault edid-decode reports: the count
        // follows a removal down, never up.
        const int timings = DetailedTimingCount(edited);
        for (int block = 1; block < edited.blockCount(); ++block) {
            CtaExtension* cta = edited.cta(block);
            if (cta && (cta->flags & 0x0F) > timings) {
                cta->flags = uint8_t((cta->flags & 0xF0) | timings);
                SetChecksum(edited, block);
            }
        }
    }
    model = std::move(edited);
    return result;
}

EdidEditStep MakeEdidEditStep(const EdidModel& model, const EdidEdit& edit) {
    EdidEditStep step;
    step.edit = edit;
    step.before = SerializeEdidModel(model);
    EdidModel edited = model;
    step.result = ApplyEdidEdit(edited, edit);
    step.after = step.result.ok() ? SerializeEdidModel(edited) : step.before;
    return step;
}

QList<EdidItemRef> EdidDetailedTimingRefs(const EdidModel& model) {
    QList<EdidItemRef> refs;
    for (int k = 0; k < kSlots; ++k) {
        if (DescriptorKindOf(model.base.descriptors[k]) == DescriptorKind::DetailedTiming) {
            refs.append({0, k});
        }
    }
    for (int block = 1; block < model.blockCount(); ++block) {
        if (const CtaExtension* cta = model.cta(block)) {
            for (int k = 0; k < cta->timings.size(); ++k) refs.append({block, k});
        }
    }
    return refs;
}

QList<EdidItemRef> EdidDataBlockRefs(const EdidModel& model, CtaBlockKind kind) {
    QList<EdidItemRef> refs;
    for (int block = 1; block < model.blockCount(); ++block) {
        if (const CtaExtension* cta = model.cta(block)) {
            for (int k = 0; k < cta->dataBlocks.size(); ++k) {
                if (CtaBlockKindOf(cta->dataBlocks[k]) == kind) refs.append({block, k});
            }
        }
    }
    return refs;
}

}  // namespace varnok
