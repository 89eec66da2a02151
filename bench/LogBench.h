#pragma once
// The debug log shown while a long run of lines is written to it, as a firmware page whose
// read-backs keep differing writes thousands: each write must cost what it adds, never the
// whole log again.

namespace varnok::bench {

class Report;

// Writes 10,000 lines to the shown log of a fresh window, lets it lay out and paint, and adds
// the wall time to the report (goal: under 0.5 s).
void runDebugLog(Report& report);

}  // namespace varnok::bench
