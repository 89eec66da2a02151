#pragma once
// The device in its in-system-programming (ISP) mode. It streams its banner until the host
// synchronises and then speaks a raw byte protocol of its loader; the loader variant decides that
// protocol. Each variant is one IspResponder subclass in a file of its own, chosen by
// makeIspResponder (IspResponderFactory.cpp): to add a variant, write the class and add one case
// there.

#include <QByteArray>
#include <memory>
#include <vector>

#include "tools/emu/ApiResponder.h"
#include "tools/emu/EmulatorConfig.h"

namespace varnok {

// The device's program memory: banks of 64 KB, bank-major (bank b, address a at b * 0x10000 + a),
// erased to 0xFF. Reads and writes never leave the image.
class IspRom {
public:
    static constexpr int kBankSize = 0x10000;
    static constexpr int kBanks = 3;

    // initial: the first bytes of the image; the rest is erased.
    explicit IspRom(const QByteArray& initial = {});

    void write(int offset, const QByteArray& bytes);
    // count bytes from offset; bytes outside the image read as 0xFF.
    QByteArray read(int offset, int count) const;
    const QByteArray& bytes() const { return bytes_; }
    void assign(const QByteArray& image);

private:
    QByteArray bytes_;
};

class IspResponder {
public:
    virtual ~IspResponder() = default;
    // Takes bytes that arrived at ms; each command completed by them is appended to out with its
    // reply (FrameRecord::Kind::Isp, code = command byte, data = its argument bytes), and bytes
    // that formed no command as FrameRecord::Kind::Dropped.
    virtual void feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) = 0;
    // A command that has stopped short for the data timeout is dropped.
    virtual void expire(qint64 ms, std::vector<Exchange>& out) = 0;
    // When expire() next has work: -1 when nothing is pending.
    virtual qint64 deadline() const = 0;
    // The host opened the line anew: the loader starts over, unsynchronised, with its banner.
    virtual void reset(qint64 ms, std::vector<Exchange>& out) = 0;
    // True while the loader streams its banner (until the host has synchronised).
    virtual bool streamsBanner() const = 0;
};

// The responder for config.ispVariant working on rom, or null for a variant that has none.
std::unique_ptr<IspResponder> makeIspResponder(const EmulatorConfig& config, IspRom& rom);

}  // namespace varnok
