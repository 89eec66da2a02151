#pragma once
// The lossless EDID model's parse and serialise, timed over every real EDID the tests hold (the
// 300 samples of 128 and 256 bytes and the 40 of 384 and 512 bytes): the time one EDID takes,
// without a window or a device.

namespace varnok::bench {

class Report;

// Adds the mean time of one parse + serialise (goal: at most 50 us) to the report.
void runEdidModel(Report& report);

}  // namespace varnok::bench
