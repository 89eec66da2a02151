#pragma once
// The EDID window following an edit: one edit applied in the Edit tab, the tree rebuilt and the
// Summary, Bytes and Compare tabs refreshed and painted, with a real 256-byte EDID. Full Decode
// (edid-decode, a process of its own) is left out.

namespace varnok::bench {

class Report;

// Adds the mean time of one edit followed by every tab (goal: one frame, 16 ms).
void runEdidEdit(Report& report);

}  // namespace varnok::bench
