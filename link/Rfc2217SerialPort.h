#pragma once
// A serial port on a serial server that speaks RFC 2217, rfc2217://HOST:PORT: Telnet with the
// COM-PORT-OPTION, over the same connection as TcpSerialPort.
//
//  - open() connects, then negotiates COM-PORT-OPTION on the client's side and BINARY both ways
//    (TelnetCodec) within kNegotiationLimitMs. A server that refuses either fails the open in
//    words: without the option the line settings could not be made, without BINARY the bytes
//    0x0D and 0xFF of frames and EDIDs would not pass untouched.
//  - setLineSettings() asks for 57600 baud, 8 data bits, no parity, 1 stop bit and no flow
//    control, and checks each of the server's answers: a server that keeps another value fails
//    in words ("the server set 9600 baud instead of 57600"), never a silent wrong baud rate.
//  - close() asks the server for its baud rate after the last data and ends the connection when
//    the answer comes: the server reads the stream in order, so by then it has read the data
//    (kTakenInLimitMs bounds the wait).
//  - Data 0xFF goes out doubled and comes in undoubled; the server's other Telnet commands are
//    answered or dropped as TelnetCodec says, whenever they come.

#include "link/TcpSerialPort.h"
#include "link/TelnetCodec.h"

namespace varnok {

class Rfc2217SerialPort : public TcpSerialPort {
public:
    static constexpr int kNegotiationLimitMs = 3000;
    static constexpr int kTakenInLimitMs = 2000;

    bool open(const QString& path) override;
    bool setLineSettings() override;

protected:
    NetworkPortKind kind() const override { return NetworkPortKind::Rfc2217; }
    bool handshake() override;
    void awaitTakenIn() override;
    void takeIn(const QByteArray& wire) override;
    QByteArray toWire(const QByteArray& data) override { return TelnetCodec::escape(data); }

private:
    TelnetCodec telnet_;
};

}  // namespace varnok
