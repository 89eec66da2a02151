#pragma once
// The bodies of the fuzz targets as plain functions: the libFuzzer targets call them, and the
// replay test feeds them every file of the seed and regression corpora in the normal build.
// Each returns 0 and aborts through FuzzFail when an invariant breaks.
//
// The link and ISP entries need a QCoreApplication (their timers are QTimers).

#include <cstddef>
#include <cstdint>

namespace varnok::fuzz {

// Any bytes as an EDID file's content (a short input reads as padded with 0xFF, as a short file
// does): validation, decoding (also over a record that held another image), the data-block walk,
// the analyzer's report texts, the validity in words, the byte layout and the compare.
int FuzzDecodeReport(const uint8_t* data, size_t size);

// Bytes 0..255 as the loaded creator image, the rest as the creator's control states (collected
// into the record) or as direct edits of the record; decode, collect, build, and check the image
// the builder wrote (block 0 edits, block 1 layout, both checksums, what decodes back).
int FuzzBuildRoundtrip(const uint8_t* data, size_t size);

// Any bytes through the lossless EDID model: 128 x N bytes parse and serialise to themselves;
// the first blocks (up to 8) are an EDID, the bytes after them a script of edits, each checked
// to change only its block, make its checksum right and parse back into the same model.
int FuzzEdidModel(const uint8_t* data, size_t size);

// Any bytes as UTF-8 text pasted as an EDID's hex: a read gives 128 or 256 bytes or one printable
// sentence; the hex text, hex dump and C array written of what was read read back the same.
int FuzzHexText(const uint8_t* data, size_t size);

// A script of port arrivals, receive ticks, dispatches and commands played against the device
// link over a fake serial port.
int FuzzRxTick(const uint8_t* data, size_t size);

// A firmware update of either ISP kind against a loader whose replies the input scripts; the
// update must end, within the protocol's own time limits, with the link restored.
int FuzzIspLoop(const uint8_t* data, size_t size);
// How the last FuzzIspLoop run ended ("Done", "PortLost", ...), so a test can see that a script
// reaches the state it was written for.
const char* LastIspOutcome();

}  // namespace varnok::fuzz
