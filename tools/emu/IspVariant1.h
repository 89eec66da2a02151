#pragma once
// ISP loader variant 1, the loader whose banner holds "ISP029". Every command is acknowledged
// with one byte, ACK 0x06 or NAK 0x15. 16-bit numbers go high byte first, each followed by its
// complement (bitwise NOT of both bytes):
//
//   0xB0 nH nL ~nH ~nL                   START: n blocks of 128 bytes follow (1 .. what the ROM
//                                        holds). Ends the banner, erases the whole ROM to 0xFF.
//                                        NAK for a bad complement or a size the ROM can't hold.
//   0xB1 kH kL ~kH ~kL d0..d127 c        BLOCK k: written at ROM offset k * 128 (bank-major),
//                                        when the complement is good, k < n, a START came
//                                        before, and d0 + .. + d127 + c is 0 modulo 256;
//                                        otherwise NAK and nothing written. A block sent again
//                                        is written again (same bytes, same place).
//   0xB2 0x4D                            END: ACK when every block 0..n-1 came since START, and
//                                        the session is over (a new START opens the next one);
//                                        NAK when a block is missing, or before any START.
//
// Before the first START the loader also answers the API request for its firmware version
// (00 02 count 0D: A1 00 00 and the version text padded with zero bytes to count), which the host
// sends once it has seen "ISP029" in the banner. Every other byte that begins no command is
// dropped. A command whose bytes stop for 50 ms is dropped without an answer, so the host's
// resend always meets a clean command boundary.

#include "tools/emu/IspResponder.h"

namespace varnok {

class IspVariant1 : public IspResponder {
public:
    static constexpr uint8_t kStart = 0xB0;
    static constexpr uint8_t kBlock = 0xB1;
    static constexpr uint8_t kEnd = 0xB2;
    static constexpr uint8_t kEndCheck = 0x4D;
    static constexpr uint8_t kAck = 0x06;
    static constexpr uint8_t kNak = 0x15;
    static constexpr int kBlockSize = 128;
    static constexpr int kGapMs = 50;

    IspVariant1(const EmulatorConfig& config, IspRom& rom);

    void feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) override;
    void expire(qint64 ms, std::vector<Exchange>& out) override;
    qint64 deadline() const override;
    void reset(qint64 ms, std::vector<Exchange>& out) override;
    bool streamsBanner() const override { return !started_; }

    // What the loader holds: blocks announced by START, and whether each has come.
    int announcedBlocks() const { return blocks_; }

private:
    // Bytes a command starting with `first` takes, or 0 for a byte that starts none.
    int commandLength(uint8_t first) const;
    Exchange execute(const QByteArray& command, qint64 ms);
    void flushDropped(qint64 ms, std::vector<Exchange>& out);

    IspRom& rom_;
    QByteArray version_;
    bool started_ = false;  // a START was taken: the banner is over
    int blocks_ = 0;        // blocks of the open session; 0 when none is open
    std::vector<bool> received_;
    QByteArray pending_;
    QByteArray dropped_;
    qint64 lastByteMs_ = 0;
};

}  // namespace varnok
