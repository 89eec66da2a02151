#pragma once
// ISP loader variant 0. Raw command bytes, no framing and no checksum:
//   0x81              synchronise: echoed as 0x81; the first one ends the banner
//   0x87              identification: reply 0x87 0x00, the identification text, 0x00
//   0x83 bank         select bank 0..2 (others are ignored)
//   0x84 high low     set the page address within the bank
//   0x86 + 512 bytes  write a page at the current bank and address (cut at the bank's end)
//   0x85              read back: reply 0x85 0x00 and the 512 bytes at the current bank and address
// The address does not advance by itself: the host sets it before every page. Before the first
// 0x81 every other byte is dropped; afterwards an unknown command byte is dropped.

#include "tools/emu/IspResponder.h"

namespace varnok {

class IspVariant0 : public IspResponder {
public:
    static constexpr uint8_t kSync = 0x81;
    static constexpr uint8_t kSelectBank = 0x83;
    static constexpr uint8_t kSetAddress = 0x84;
    static constexpr uint8_t kReadBack = 0x85;
    static constexpr uint8_t kWritePage = 0x86;
    static constexpr uint8_t kInfo = 0x87;
    static constexpr int kPageSize = 512;

    IspVariant0(const EmulatorConfig& config, IspRom& rom);

    void feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) override;
    void expire(qint64 ms, std::vector<Exchange>& out) override;
    qint64 deadline() const override;
    void reset(qint64 ms, std::vector<Exchange>& out) override;
    bool streamsBanner() const override { return !synced_; }

private:
    QByteArray execute(uint8_t command, const QByteArray& args);
    void flushDropped(qint64 ms, std::vector<Exchange>& out);

    IspRom& rom_;
    QByteArray info_;
    int dataTimeoutMs_;
    bool synced_ = false;
    int bank_ = 0;
    int address_ = 0;
    QByteArray pending_;
    QByteArray dropped_;
    qint64 lastByteMs_ = 0;
};

}  // namespace varnok
