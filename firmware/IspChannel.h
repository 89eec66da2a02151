#pragma once
// The serial side of an ISP update: while it runs, the update reads the port itself (the 100 ms
// receive tick is stopped) into the link's RxBuffer, and every command write starts a new reply
// at RxBuffer offset 0.
//
// RxBuffer holds 1024 bytes. A device that streams its banner can send more than that before the
// host resets the receive state; bytes that would land past the buffer are read from the port and
// dropped, so the first 1024 bytes of a reply are kept and nothing is stored past the buffer.

#include <QByteArray>
#include <cstdint>

namespace varnok {

class DeviceLink;
class IspClock;

class IspChannel {
public:
    explicit IspChannel(DeviceLink& link);

    enum class Intake {
        Nothing,   // no bytes waiting
        Overflow,  // more than 1024 waiting: 16 looked at, the queue purged
        Received,  // bytes collected (some possibly dropped for lack of room)
    };
    // One look at the port:
    //  - more than 1024 bytes waiting: read 16 into RxBuffer at RxLength (at most at offset 1008)
    //    without counting them, and purge the port's receive queue;
    //  - otherwise read what is waiting to RxBuffer at RxLength, keep a zero after the last byte,
    //    add to RxLength, and take RxBuffer[0] as the first reply byte.
    Intake takeIn();

    // False once the port is gone or has failed (unplugged, closed by a disconnect).
    bool portUsable() const;
    // Resets RxLength (the reply begins at offset 0) and writes the bytes in one write.
    void send(const QByteArray& bytes);
    // Writes more bytes of the same command (a page after its command byte).
    void sendMore(const QByteArray& bytes);
    // Zero-fills RxBuffer and resets RxLength.
    void clearRx();

    // The update reads the port itself, so the 100 ms receive tick must not steal its bytes:
    // stopped at the start, and running again at the end if it ran before.
    void stopReceiveTick();
    void restoreReceiveTick();

    // RxBuffer[0] as it stood after the last read that received bytes; 0xFF before any.
    uint8_t firstReply() const { return firstReply_; }
    // Bytes read from the port and dropped because RxBuffer was full.
    uint64_t droppedBytes() const { return dropped_; }

private:
    DeviceLink& link_;
    uint8_t firstReply_ = 0xFF;
    uint64_t dropped_ = 0;
    bool tickWasRunning_ = false;
};

}  // namespace varnok
