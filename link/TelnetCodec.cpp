#include "link/TelnetCodec.h"

#include <initializer_list>

namespace varnok {

using namespace telnet;

namespace {

// A subnegotiation longer than this is no COM-PORT-OPTION answer (their values take at most 4
// bytes; a signature text is cut): the rest is dropped rather than collected without end.
constexpr qsizetype kSubnegotiationLimit = 256;

QByteArray Bytes(std::initializer_list<uint8_t> bytes) {
    QByteArray out;
    for (const uint8_t b : bytes) out.append(char(b));
    return out;
}

QByteArray Command(uint8_t verb, uint8_t option) {
    return Bytes({kIac, verb, option});
}

// The options the client takes on for its own side, and those it lets the server take on.
bool AcceptsLocal(uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}
bool AcceptsRemote(uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead;
}

}  // namespace

void TelnetCodec::reset() {
    state_ = State::Data;
    verb_ = 0;
    sb_.clear();
    local_.fill(Option::Off);
    remote_.fill(Option::Off);
    answers_.clear();
}

QByteArray TelnetCodec::start() {
    QByteArray out;
    const auto ask = [&out](Option& side, uint8_t verb, uint8_t option) {
        if (side == Option::On || side == Option::Refused) return;
        side = Option::Asked;
        out += Command(verb, option);
    };
    ask(local_[kComPortOption], kWill, kComPortOption);
    ask(local_[kBinary], kWill, kBinary);
    ask(remote_[kBinary], kDo, kBinary);
    return out;
}

bool TelnetCodec::negotiated() const {
    for (size_t i = 0; i < local_.size(); ++i)
        if (local_[i] == Option::Asked || remote_[i] == Option::Asked) return false;
    return true;
}

std::optional<QByteArray> TelnetCodec::comPortAnswer(uint8_t command) const {
    const auto it = answers_.constFind(command);
    if (it == answers_.constEnd()) return std::nullopt;
    return *it;
}

QByteArray TelnetCodec::comPortCommand(uint8_t command, const QByteArray& value) {
    return Bytes({kIac, kSb, kComPortOption, command}) + escape(value) + Bytes({kIac, kSe});
}

QByteArray TelnetCodec::escape(const QByteArray& data) {
    if (!data.contains(char(kIac))) return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char c : data) {
        out.append(c);
        if (uint8_t(c) == kIac) out.append(c);
    }
    return out;
}

void TelnetCodec::feed(const QByteArray& wire, QByteArray* data, QByteArray* replies) {
    for (const char c : wire) {
        const auto b = uint8_t(c);
        switch (state_) {
            case State::Data:
                if (b == kIac)
                    state_ = State::Iac;
                else
                    data->append(c);
                break;
            case State::Iac:
                afterIac(b, data);
                break;
            case State::Verb:
                negotiate(verb_, b, replies);
                state_ = State::Data;
                break;
            case State::Sb:
                if (b == kIac)
                    state_ = State::SbIac;
                else if (sb_.size() < kSubnegotiationLimit)
                    sb_.append(c);
                break;
            case State::SbIac:
                if (b == kIac) {
                    if (sb_.size() < kSubnegotiationLimit) sb_.append(c);
                    state_ = State::Sb;
                } else {
                    // IAC SE ends it; any other command after IAC ends it too (RFC 855 leaves a
                    // missing SE to the receiver) and is taken as that command.
                    endSubnegotiation();
                    if (b == kSe)
                        state_ = State::Data;
                    else
                        afterIac(b, data);
                }
                break;
        }
    }
}

void TelnetCodec::afterIac(uint8_t b, QByteArray* data) {
    if (b == kIac) {
        data->append(char(b));  // IAC IAC: one 0xFF of data
        state_ = State::Data;
    } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
        verb_ = b;
        state_ = State::Verb;
    } else if (b == kSb) {
        sb_.clear();
        state_ = State::Sb;
    } else {
        state_ = State::Data;  // NOP, GA, DM, AYT, ... carry no data
    }
}

void TelnetCodec::endSubnegotiation() {
    // IAC SB COM-PORT-OPTION <server code> <value> IAC SE
    if (sb_.size() < 2 || uint8_t(sb_[0]) != kComPortOption) return;
    const auto code = uint8_t(sb_[1]);
    if (code < kServerCodeOffset) return;  // a request of the server's, such as its signature
    answers_.insert(uint8_t(code - kServerCodeOffset), sb_.mid(2));
}

void TelnetCodec::negotiate(uint8_t verb, uint8_t option, QByteArray* replies) {
    // WILL and WONT speak of the server's side, DO and DONT of the client's.
    const bool serverSide = verb == kWill || verb == kWont;
    Option& side = serverSide ? remote_[option] : local_[option];
    const bool enable = verb == kWill || verb == kDo;
    const uint8_t yes = serverSide ? kDo : kWill;
    const uint8_t no = serverSide ? kDont : kWont;
    if (enable) {
        switch (side) {
            case Option::On:
                return;
            case Option::Asked:
                side = Option::On;  // the answer to our request
                return;
            case Option::Off:
            case Option::Refused:
                if (serverSide ? AcceptsRemote(option) : AcceptsLocal(option)) {
                    side = Option::On;
                    *replies += Command(yes, option);
                } else {
                    *replies += Command(no, option);
                }
                return;
        }
    }
    switch (side) {
        case Option::Off:
        case Option::Refused:
        case Option::Asked:
            // Declined, whether asked or not (a server may say it before our request): no
            // answer is owed, and start() does not ask again.
            side = Option::Refused;
            return;
        case Option::On:
            side = Option::Off;
            *replies += Command(no, option);
            return;
    }
}

}  // namespace varnok
