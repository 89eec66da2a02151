#pragma once
// The least time each operation can take: the pauses the device needs ("more than N ms" counts
// as N) plus the wire time at 57600 baud that no pause can hide. A byte takes 10 bit times on the
// wire (start bit, 8 data bits, stop bit), 0.1736 ms, in each direction; the line is full duplex.
//
// Wire time overlaps a pause when the bytes cross the line while the host sits in that pause: a
// 131-byte block answer (22.7 ms) arrives inside the 200 ms pause after its read command, the
// header of a write goes out inside the 50 ms pause before its data, and each data byte (0.17 ms)
// inside the 1 ms pause after it. Only the ISP page transfer is longer than its pauses.

namespace varnok::bench {

constexpr double kBaud = 57600.0;
constexpr double kBitsPerByte = 10.0;

// Milliseconds that n bytes take on the wire in one direction.
constexpr double wireMs(double bytes) {
    return bytes * kBitsPerByte * 1000.0 / kBaud;
}

struct Floor {
    double ms;
    const char* formula;
};

// Search and connect: the probe (code 9) pauses 360 ms, the model name (code 1) and the version
// (code 2) 160 ms each; their answers (6, 8 and 7 bytes) arrive inside the pauses and the mode
// query (code 257) that ends the connection has no pause.
constexpr Floor kSearchConnect{360.0 + 160.0 + 160.0, "probe 360 + model 160 + version 160"};

// A device read with a selection (Internal, User, Stored): the selection (code 264, W = 1, one
// data byte) pauses 50 ms before its byte and 1 ms after it; its 3-byte answer can be seen at the
// first of the 10 ms polls of the wait for the answer; then two block reads, each followed by the
// source's pause. The notices 10 and 11 have no pause.
constexpr double selectedReadMs(double pauseMs) {
    return 50.0 + 1.0 + 10.0 + 2.0 * pauseMs;
}
constexpr Floor kReadInternal{selectedReadMs(200.0), "select 50 + 1 + poll 10 + 2 x read 200"};
constexpr Floor kReadStored{selectedReadMs(200.0), "select 50 + 1 + poll 10 + 2 x read 200"};
constexpr Floor kReadUser{selectedReadMs(300.0), "select 50 + 1 + poll 10 + 2 x read 300"};
// The External EDID has block reads of its own (518, 519) and no selection.
constexpr Floor kReadExternal{2.0 * 200.0, "2 x read 200"};

// An upload of the User EDID: two 128-byte halves (codes 261 and 262), each 50 ms before the
// first byte, 1 ms after each byte and 50 ms after the half; then the mode command (code 257,
// W = 1, one data byte: 50 ms before it, 1 ms after it).
constexpr Floor kUpload{2.0 * (50.0 + 128.0 * 1.0 + 50.0) + 50.0 + 1.0,
                        "2 x (50 + 128 x 1 + 50) + mode 50 + 1"};

// Search finding a device in ISP mode: the probe's 360 ms, then the 500 ms in which the banner
// is collected.
constexpr Floor kSearchIsp{360.0 + 500.0, "probe 360 + banner 500"};

// Firmware update with read-back: 500 ms before the first pass, the sync (2 ms), the
// identification (10 ms), a bank selection (2 ms) for each of the 3 banks, and for each of the
// 243 pages the address command's 2 ms and then the wire: the page command with its 512 bytes
// (513 bytes; its 10 ms pause passes while they cross), the read-back request (1 byte, queued
// behind the page) and the 512 bytes of the reply that complete the read-back.
constexpr int kFirmwarePages = 243;
constexpr double kFirmwarePageMs = 2.0 + wireMs(513.0 + 1.0 + 512.0);
constexpr Floor kFirmwareUpdate{500.0 + 2.0 + 10.0 + 3.0 * 2.0 + kFirmwarePages * kFirmwarePageMs,
                                "500 + 2 + 10 + 3 x 2 + 243 x (2 + wire(513 + 1 + 512 B))"};

// varnok-cli with --port: the same probe (code 9), model name (1), version (2) and mode query
// (257) as Search, but each wait ends once its answer is complete, so what remains is the wire:
// each command's 4-byte header out, then its answer of 6, 8, 7 and 4 bytes back.
constexpr double kCliConnectMs = wireMs(4 + 6) + wireMs(4 + 8) + wireMs(4 + 7) + wireMs(4 + 4);
constexpr Floor kCliDownload{kCliConnectMs + kReadInternal.ms,
                             "connect wire(4+6, 4+8, 4+7, 4+4 B) + download Internal"};
constexpr Floor kCliUpload{kCliConnectMs + kUpload.ms, "connect wire + upload"};
// What a command line may add to its floor: starting the process, loading Qt Core, opening the
// port, and ending.
constexpr double kCliMarginMs = 60.0;

}  // namespace varnok::bench
