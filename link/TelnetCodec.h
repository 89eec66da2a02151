#pragma once
// The client's side of a Telnet stream that carries a serial line: Telnet (RFC 854, 855),
// BINARY (RFC 856), SUPPRESS-GO-AHEAD (RFC 858) and COM-PORT-OPTION (RFC 2217). Plain byte
// logic: the port feeds it what came off the wire and sends what it hands back.
//
// Data: 0xFF (IAC) is doubled on the way out, and IAC IAC becomes one 0xFF on the way in. A
// command cut between two reads is finished by the next read, so a split IAC IAC is still one
// data byte.
//
// Options: the client asks for COM-PORT-OPTION on its side (WILL) and for BINARY both ways, so
// that 8-bit data passes untouched (no CR NUL stuffing); it accepts SUPPRESS-GO-AHEAD either way
// when offered and refuses every other option (a server's WILL ECHO gets DONT ECHO, so nothing
// the client writes comes back into the device's answers). A state already in force is never
// acknowledged again (RFC 1143), so the two sides cannot answer each other in a loop.
//
// Subnegotiations: the server's COM-PORT-OPTION answers (its command codes are the client's plus
// 100) are kept by command. Other subnegotiations and commands (NOP, GA, DM, AYT ...) carry
// nothing for the link and are dropped.

#include <QByteArray>
#include <QHash>
#include <array>
#include <cstdint>
#include <optional>

namespace varnok {

namespace telnet {
constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;

constexpr uint8_t kBinary = 0;
constexpr uint8_t kEcho = 1;
constexpr uint8_t kSuppressGoAhead = 3;
constexpr uint8_t kComPortOption = 44;

// COM-PORT-OPTION commands of the client (RFC 2217); the server answers each with code + 100.
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kServerCodeOffset = 100;
}  // namespace telnet

class TelnetCodec {
public:
    // Where an option of one side stands: Asked is a request of ours not yet answered, Refused
    // an option the server declined (before or after our request).
    enum class Option : uint8_t { Off, On, Asked, Refused };

    // Back to a fresh session.
    void reset();
    // The requests that open the session: WILL COM-PORT-OPTION, WILL BINARY and DO BINARY, each
    // unless the server has already offered or declined it.
    QByteArray start();
    // Takes bytes off the wire: data bytes are appended to *data, the client's answers to the
    // server's requests to *replies.
    void feed(const QByteArray& wire, QByteArray* data, QByteArray* replies);

    Option local(uint8_t option) const { return local_[option]; }    // the client's side
    Option remote(uint8_t option) const { return remote_[option]; }  // the server's side
    // True once no request of start() waits for its answer.
    bool negotiated() const;

    // The server's last answer to a COM-PORT-OPTION command (its value bytes), if one came.
    std::optional<QByteArray> comPortAnswer(uint8_t command) const;
    void forgetComPortAnswers() { answers_.clear(); }

    // IAC SB COM-PORT-OPTION command value IAC SE, with any IAC in the value doubled.
    static QByteArray comPortCommand(uint8_t command, const QByteArray& value);
    // The data with every 0xFF doubled.
    static QByteArray escape(const QByteArray& data);

private:
    enum class State : uint8_t { Data, Iac, Verb, Sb, SbIac };
    void negotiate(uint8_t verb, uint8_t option, QByteArray* replies);
    // The byte after an IAC outside a subnegotiation.
    void afterIac(uint8_t b, QByteArray* data);
    void endSubnegotiation();

    State state_ = State::Data;
    uint8_t verb_ = 0;
    QByteArray sb_;
    std::array<Option, 256> local_{};
    std::array<Option, 256> remote_{};
    QHash<uint8_t, QByteArray> answers_;
};

}  // namespace varnok
