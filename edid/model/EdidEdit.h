#pragma once
// Edits of an EdidModel as values: each names what it changes and carries the new value, is
// applied by ApplyEdidEdit, and changes only the bytes of its field plus the checksum of its
// block (made right, whatever it was). An edit that would not fit in its 128-byte block is
// refused with the number of bytes missing; a malformed one (a name of 14 characters, a timing
// index that does not exist, a raw block) is refused with its reason. Refused edits leave the
// model as it was. For undo, EdidEditStep holds the bytes before and after an edit, so undoing
// is parsing the bytes before (the model is lossless).

#include <QByteArray>
#include <QList>
#include <QString>

#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidDescriptors.h"
#include "edid/model/EdidModel.h"

namespace varnok {

enum class EdidEditKind {
    SetVendor,        // text: three letters A..Z (bit 15 of bytes 8..9 is kept)
    SetProduct,       // number: 0..65535
    SetSerial,        // number: 0..4294967295
    SetWeek,          // number: byte 16 as stored, 0..255 (0xFF: byte 17 is a model year)
    SetYear,          // number: the calendar year, 1990..2245
    SetMonitorName,   // text: up to 13 printable ASCII characters; takes a dummy slot if none
    SetRangeLimits,   // limits; takes a dummy slot if the base block has no range limits
    AddTiming,        // block, index (insert before; the count to append), timing
    SetTiming,        // block, index, timing
    RemoveTiming,     // block, index
    MoveTiming,       // block, index, to
    AddDataBlock,     // block (a CTA-861 extension), index (insert before), dataBlock
    SetDataBlock,     // block, index, dataBlock (its tag, extended tag and body replace the old)
    RemoveDataBlock,  // block, index
    MoveDataBlock,    // block, index, to
};

// Timing indices: in the base block (block 0) the descriptor slot 0..3 (Move takes any
// descriptor; Set takes a slot holding a timing or a dummy; Remove a slot holding a timing,
// the later slots move up and a dummy descriptor fills the last; Add fills a dummy slot, the
// slots from index on moving down into it). In a CTA-861 block the position in its list of
// detailed timings, which follows the data blocks; data block indices are positions in its list
// of data blocks. Move puts the item at `to` in the list without it, which is its index after.
struct EdidEdit {
    EdidEditKind kind = EdidEditKind::SetProduct;
    int block = 0;
    int index = 0;
    int to = 0;
    qint64 number = 0;
    QString text;
    EdidDetailedTiming timing;
    EdidRangeLimits limits;
    CtaDataBlock dataBlock;

    static EdidEdit setVendor(const QString& letters);
    static EdidEdit setProduct(qint64 code);
    static EdidEdit setSerial(qint64 serial);
    static EdidEdit setWeek(qint64 week);
    static EdidEdit setYear(qint64 year);
    static EdidEdit setMonitorName(const QString& name);
    static EdidEdit setRangeLimits(const EdidRangeLimits& limits);
    static EdidEdit addTiming(int block, int index, const EdidDetailedTiming& timing);
    static EdidEdit setTiming(int block, int index, const EdidDetailedTiming& timing);
    static EdidEdit removeTiming(int block, int index);
    static EdidEdit moveTiming(int block, int from, int to);
    static EdidEdit addDataBlock(int block, int index, const CtaDataBlock& dataBlock);
    static EdidEdit setDataBlock(int block, int index, const CtaDataBlock& dataBlock);
    static EdidEdit removeDataBlock(int block, int index);
    static EdidEdit moveDataBlock(int block, int from, int to);

    // The block whose bytes the edit changes (base block edits: 0).
    int targetBlock() const;
};

enum class EdidEditStatus {
    Done,
    NoRoom,   // would not fit in the block: missingBytes says by how much
    Invalid,  // malformed: reason says why
};

struct EdidEditResult {
    EdidEditStatus status = EdidEditStatus::Done;
    int missingBytes = 0;  // NoRoom: the bytes the block lacks
    QString reason;        // NoRoom and Invalid: one sentence in the system's words

    bool ok() const { return status == EdidEditStatus::Done; }
};

// Applies the edit to model; on anything but Done the model is left untouched. The edited block's
// checksum is made right; another block changes only when a CTA-861 header's native timing count
// (byte 3, bits 3..0) would exceed the detailed timings left, which then lowers it to their
// number (and makes that block's checksum right). A CTA-861 block whose layout changes (a data
// block or timing added or removed, or a data block's size changed) gets its timings right after
// its data blocks, byte 2 pointing at them, and zeros after them.
EdidEditResult ApplyEdidEdit(EdidModel& model, const EdidEdit& edit);

// One applied edit with the whole EDID's bytes before and after, for an undo stack.
struct EdidEditStep {
    EdidEdit edit;
    EdidEditResult result;
    QByteArray before;
    QByteArray after;  // equals before unless result.ok()
};
EdidEditStep MakeEdidEditStep(const EdidModel& model, const EdidEdit& edit);

// Where each detailed timing of the EDID is, in the order a reader meets them: the base block's
// slots that hold one, then each CTA-861 block's list.
struct EdidItemRef {
    int block = 0;
    int index = 0;
    bool operator==(const EdidItemRef&) const = default;
};
QList<EdidItemRef> EdidDetailedTimingRefs(const EdidModel& model);
// Every CTA-861 data block of a kind, in block order.
QList<EdidItemRef> EdidDataBlockRefs(const EdidModel& model, CtaBlockKind kind);

}  // namespace varnok
