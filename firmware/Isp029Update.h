#pragma once
// Firmware update of the device kind whose ISP banner holds "ISP029": a stop-and-wait block
// protocol in which the loader acknowledges every command.
//
// Host to device (raw bytes, 16-bit numbers high byte first, each followed by its complement so
// that a damaged number is caught):
//
//   START  0xB0 nH nL ~nH ~nL                   n = number of 128-byte blocks (1..65535). The
//                                                loader ends its banner, erases its program
//                                                memory to 0xFF and expects blocks 0..n-1.
//   BLOCK  0xB1 kH kL ~kH ~kL d0..d127 c         block k of the image: file bytes k*128 ..
//                                                k*128+127 (0xFF past the end of the file), and
//                                                c = two's complement of d0 + .. + d127, so that
//                                                the 129 bytes add up to 0 modulo 256. The
//                                                loader writes the block at k*128.
//   END    0xB2 0x4D                             all blocks sent; the loader commits and leaves
//                                                the session.
//
// Device to host: one byte per command, ACK 0x06 (done) or NAK 0x15 (refused: bad complement,
// bad checksum, block number out of range, START for more than the loader holds, BLOCK before
// START, END with a block missing). Any other byte (banner text still in flight) is skipped. A
// command whose bytes stop arriving for 50 ms is dropped by the loader, so a host that waits for
// an answer longer than that always resends onto a clean command boundary.
//
// The host sends one command and waits for its answer: START and END up to 1000 ms (the loader
// erases or commits), a BLOCK up to 300 ms (134 bytes take 23 ms at 57600 baud). A NAK or no
// answer makes it resend the same command, at most 8 times in all; a NAK to END (a block went
// missing) or an eighth failure ends the update as failed. A BLOCK is written again whole, so a
// resend after a lost ACK is harmless.
//
// Progress in Label1 is blocks acknowledged x 100 / n. The update ends like the other kind's:
// the receive tick runs again, LinkMode is 8 again, the image file is closed.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "firmware/FirmwareImage.h"
#include "firmware/IspChannel.h"

namespace varnok {

class DeviceLink;
class FirmwareView;
class IspClock;

namespace isp029 {
constexpr uint8_t kStart = 0xB0;
constexpr uint8_t kBlock = 0xB1;
constexpr uint8_t kEnd = 0xB2;
constexpr uint8_t kEndCheck = 0x4D;  // ~0xB2
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr int kBlockSize = 128;
constexpr int kMaxBlocks = 0xFFFF;
constexpr int kAttempts = 8;
constexpr uint32_t kStartWaitMs = 1000;
constexpr uint32_t kBlockWaitMs = 300;
constexpr uint32_t kEndWaitMs = 1000;

// The checksum byte of a block: the two's complement of its byte sum.
uint8_t BlockChecksum(const QByteArray& block);
// The bytes of each command.
QByteArray StartCommand(uint16_t blocks);
QByteArray BlockCommand(uint16_t index, const QByteArray& block);
QByteArray EndCommand();
}  // namespace isp029

class Isp029Update {
public:
    enum class Result {
        OpenFailed,  // the image file can't be opened; nothing sent
        BadSize,     // empty, or more than 65535 blocks; nothing sent
        Done,        // every block acknowledged and END acknowledged
        Refused,     // a command was refused or unanswered 8 times, or END was refused
        PortLost,    // the port went away during the update
    };

    Isp029Update(DeviceLink& link, FirmwareView& view, IspClock& clock);

    Result run(const QString& path);

private:
    enum class Answer { Ack, Nak, None, PortLost };
    // Sends a command and waits up to limitMs for ACK or NAK.
    Answer exchange(const QByteArray& command, uint32_t limitMs);
    // Sends a command until it is acknowledged; what is the command's name in the log.
    Answer deliver(const QByteArray& command, uint32_t limitMs, const QString& what,
                   bool retryOnNak);

    DeviceLink& link_;
    FirmwareView& view_;
    IspClock& clock_;
    IspChannel channel_;
    FirmwareImageFile image_;
};

}  // namespace varnok
