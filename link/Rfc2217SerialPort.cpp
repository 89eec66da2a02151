#include "link/Rfc2217SerialPort.h"

#include <QList>
#include <QPair>
#include <initializer_list>

namespace varnok {

using namespace telnet;

namespace {

// The device's line: 57600 baud, 8 data bits, no parity (RFC 2217 value 1), 1 stop bit (1), no
// flow control (1: "use no flow control", outbound and inbound).
const QList<QPair<uint8_t, QByteArray>>& LineSettings() {
    static const QList<QPair<uint8_t, QByteArray>> settings = {
        {kSetBaudRate, QByteArray("\x00\x00\xE1\x00", 4)},  // 57600, network byte order
        {kSetDataSize, QByteArray(1, 8)},
        {kSetParity, QByteArray(1, 1)},
        {kSetStopSize, QByteArray(1, 1)},
        {kSetControl, QByteArray(1, 1)},
    };
    return settings;
}

// The words for value v of a setting whose values 1, 2, ... RFC 2217 names, else "NAME v".
QString ValueWord(uint8_t v, std::initializer_list<const char*> words, const char* name) {
    if (v >= 1 && v <= words.size()) return QLatin1String(words.begin()[v - 1]);
    return QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(v);
}

// What is wrong with the server's answer to a setting, in words; empty when it kept the value
// asked for.
QString SettingMismatch(uint8_t command, const QByteArray& asked, const QByteArray& answer) {
    if (answer == asked) return {};
    const auto byte = answer.isEmpty() ? 0 : uint8_t(answer[0]);
    switch (command) {
        case kSetBaudRate: {
            if (answer.size() != 4) break;
            const uint32_t baud = uint32_t(uint8_t(answer[0])) << 24 |
                                  uint32_t(uint8_t(answer[1])) << 16 |
                                  uint32_t(uint8_t(answer[2])) << 8 | uint8_t(answer[3]);
            return QStringLiteral("the server set %1 baud instead of 57600").arg(baud);
        }
        case kSetDataSize:
            return QStringLiteral("the server set %1 data bits instead of 8").arg(byte);
        case kSetParity:
            return QStringLiteral("the server set %1 instead of no parity")
                .arg(ValueWord(
                    byte, {"no parity", "odd parity", "even parity", "mark parity", "space parity"},
                    "parity"));
        case kSetStopSize:
            return QStringLiteral("the server set %1 instead of 1 stop bit")
                .arg(ValueWord(byte, {"1 stop bit", "2 stop bits", "1.5 stop bits"}, "stop size"));
        case kSetControl:
            return QStringLiteral("the server kept %1 instead of no flow control")
                .arg(ValueWord(
                    byte, {"no flow control", "XON/XOFF flow control", "hardware flow control"},
                    "flow control"));
        default:
            break;
    }
    return QStringLiteral("the server answered setting %1 with %2 instead of %3")
        .arg(command)
        .arg(QString::fromLatin1(answer.toHex(' ')), QString::fromLatin1(asked.toHex(' ')));
}

}  // namespace

bool Rfc2217SerialPort::open(const QString& path) {
    // Fresh before connecting: a server's offers may come in with the connection itself, and the
    // codec answers them from then on.
    telnet_.reset();
    return TcpSerialPort::open(path);
}

bool Rfc2217SerialPort::handshake() {
    if (!sendWire(telnet_.start())) {
        fail(QStringLiteral("the server closed the connection"));
        return false;
    }
    const auto comPort = [this] { return telnet_.local(kComPortOption); };
    waitUntil([&] { return telnet_.negotiated() || comPort() == TelnetCodec::Option::Refused; },
              kNegotiationLimitMs);
    if (hasFatalError()) return false;
    if (aborted()) {
        fail(QStringLiteral("stopped during the Telnet negotiation"));
        return false;
    }
    if (comPort() == TelnetCodec::Option::Refused) {
        fail(
            QStringLiteral("the server refused the serial port control option (RFC 2217 "
                           "COM-PORT-OPTION)"));
        return false;
    }
    if (!telnet_.negotiated()) {
        fail(QStringLiteral("no answer to the Telnet option negotiation within %1 s")
                 .arg(kNegotiationLimitMs / 1000));
        return false;
    }
    if (telnet_.local(kBinary) != TelnetCodec::Option::On ||
        telnet_.remote(kBinary) != TelnetCodec::Option::On) {
        fail(
            QStringLiteral("the server refused binary transmission (Telnet BINARY), so 8-bit "
                           "data would not pass"));
        return false;
    }
    return true;
}

bool Rfc2217SerialPort::setLineSettings() {
    if (!isOpen()) return false;
    telnet_.forgetComPortAnswers();
    QByteArray requests;
    for (const auto& [command, value] : LineSettings())
        requests += TelnetCodec::comPortCommand(command, value);
    if (!sendWire(requests)) return false;
    const auto allAnswered = [this] {
        for (const auto& setting : LineSettings())
            if (!telnet_.comPortAnswer(setting.first)) return false;
        return true;
    };
    if (!waitUntil(allAnswered, kNegotiationLimitMs)) {
        if (aborted())
            fail(QStringLiteral("stopped while setting the line"));
        else if (!hasFatalError())
            fail(QStringLiteral("the server did not confirm the line settings within %1 s")
                     .arg(kNegotiationLimitMs / 1000));
        return false;
    }
    for (const auto& [command, value] : LineSettings()) {
        const QString wrong = SettingMismatch(command, value, *telnet_.comPortAnswer(command));
        if (!wrong.isEmpty()) {
            fail(wrong);
            return false;
        }
    }
    return true;
}

void Rfc2217SerialPort::awaitTakenIn() {
    // SET-BAUDRATE with the value 0 asks for the current rate (RFC 2217) and leaves the line as
    // it is; it reaches no device. The server answered every setting at the open, so it answers
    // this too: the bound is for a server gone silent.
    telnet_.forgetComPortAnswers();
    if (!sendWire(TelnetCodec::comPortCommand(kSetBaudRate, QByteArray(4, '\0')))) return;
    waitBlocking([this] { return telnet_.comPortAnswer(kSetBaudRate).has_value(); },
                 kTakenInLimitMs);
}

void Rfc2217SerialPort::takeIn(const QByteArray& wire) {
    QByteArray replies;
    telnet_.feed(wire, &received(), &replies);
    if (!replies.isEmpty()) sendWire(replies);
}

}  // namespace varnok
