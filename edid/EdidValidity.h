#pragma once
// An image's validity in words: the device's own texts for the reason an upload is refused, and
// which of the checks fail (header, checksum of block 0, extension count, checksum of block 1),
// each with what was found, for a user who has to mend the EDID.

#include <QString>
#include <QStringList>

#include "edid/EdidInfo.h"

namespace varnok {

// The words for the reason bit ValidateEdidImage left set, tested in the order header,
// checksum 0, checksum 1, extension count; empty when none is set.
QString ValidationMessage(EdidStatus status);

struct EdidValidity {
    bool valid = false;
    EdidStatus reason = 0;  // the one bit ValidateEdidImage sets: what an upload is refused with
    EdidStatus failed = 0;  // every check that fails, each judged on its own (reason bits)
    QStringList problems;   // each failed check in words, header first, block 1 last
    // One sentence: "Valid EDID: ..." or ValidationMessage(reason) followed by the problems, e.g.
    // "Illegal Edid CheckSum0. Block 0's checksum byte 127 is 0x1e; it should be 0x5f."
    QString sentence;
};

// Block 1's checksum is judged whenever the extension count is not 0 (validation itself judges
// it only for a count of 1, after the count).
EdidValidity DescribeEdidValidity(const EdidImage& image);

}  // namespace varnok
