#pragma once
// The device's side of the API: it cuts the received bytes into frames (a 4-byte header
// W|code-high, code-low, count, 0x0D, then count data bytes when W is 1), keeps the four EDID
// stores, the EDID mode and the store selection, and says what it answers to each frame. No I/O
// and no timing of its own: the caller feeds bytes with their arrival time.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

#include "tools/emu/EmulatorConfig.h"

namespace varnok {

// A command the device took in, and its answer (empty: the device does not answer).
struct Exchange {
    FrameRecord frame;
    QByteArray reply;
};

// The lead byte of every answer in API mode; two bytes that the host ignores follow it.
constexpr uint8_t kApiLeadByte = 0xA1;

class ApiResponder {
public:
    explicit ApiResponder(const EmulatorConfig& config);

    // Takes bytes that arrived at ms; frames completed by them (and bytes that formed no frame)
    // are appended to out, in order.
    void feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out);
    // A frame that has stopped short for the data timeout is dropped (appended to out).
    void expire(qint64 ms, std::vector<Exchange>& out);
    // When expire() next has work: -1 when nothing is pending.
    qint64 deadline() const;
    // The line dropped (the host closed the port): an unfinished frame is dropped.
    void reset(qint64 ms, std::vector<Exchange>& out);

    QByteArray store(EmuStore store) const { return stores_[static_cast<int>(store)]; }
    void setStore(EmuStore store, const QByteArray& image);
    uint8_t edidMode() const { return mode_; }
    void setEdidMode(uint8_t mode) { mode_ = mode; }
    // 0xFF Internal, 0x00 User, 0x55 Stored: the store that reads 261/262 return.
    uint8_t selector() const { return selector_; }

private:
    QByteArray answer(const FrameRecord& frame);
    QByteArray readStore(EmuStore store, int offset, int count) const;
    void flushDropped(qint64 ms, std::vector<Exchange>& out);

    QByteArray manufacturerId_;
    QByteArray modelName_;
    QByteArray version_;
    int dataTimeoutMs_;
    std::array<QByteArray, kEmuStoreCount> stores_;
    uint8_t mode_;
    uint8_t selector_ = 0xFF;

    QByteArray pending_;  // bytes of the frame being received
    QByteArray dropped_;  // bytes skipped while looking for a header
    qint64 lastByteMs_ = 0;
};

}  // namespace varnok
