#include "tools/emu/IspVariant1.h"

#include <algorithm>

namespace varnok {

namespace {

// The API read request for the firmware version: W = 0, code 2.
constexpr uint8_t kApiVersionHigh = 0x00;
constexpr uint8_t kApiVersionLow = 0x02;
constexpr uint8_t kApiEnd = 0x0D;
constexpr int kApiHeader = 4;

bool complementOk(const QByteArray& c, int* number) {
    const auto hi = static_cast<uint8_t>(c[1]);
    const auto lo = static_cast<uint8_t>(c[2]);
    *number = (hi << 8) | lo;
    return static_cast<uint8_t>(c[3]) == static_cast<uint8_t>(~hi) &&
           static_cast<uint8_t>(c[4]) == static_cast<uint8_t>(~lo);
}

}  // namespace

IspVariant1::IspVariant1(const EmulatorConfig& config, IspRom& rom)
    : rom_(rom), version_(config.version) {}

int IspVariant1::commandLength(uint8_t first) const {
    switch (first) {
        case kStart:
            return 5;
        case kBlock:
            return 5 + kBlockSize + 1;
        case kEnd:
            return 2;
        case kApiVersionHigh:
            return started_ ? 0 : kApiHeader;
        default:
            return 0;
    }
}

void IspVariant1::feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) {
    pending_.append(bytes);
    lastByteMs_ = ms;
    while (!pending_.isEmpty()) {
        const auto first = static_cast<uint8_t>(pending_[0]);
        const int length = commandLength(first);
        if (length == 0) {
            dropped_.append(pending_[0]);
            pending_.remove(0, 1);
            continue;
        }
        if (first == kApiVersionHigh && pending_.size() >= 2 &&
            (static_cast<uint8_t>(pending_[1]) != kApiVersionLow ||
             (pending_.size() >= kApiHeader && static_cast<uint8_t>(pending_[3]) != kApiEnd))) {
            // Another API request (the search's probe): the loader does not speak the API.
            dropped_.append(pending_[0]);
            pending_.remove(0, 1);
            continue;
        }
        if (pending_.size() < length) break;  // the rest is still on its way
        flushDropped(ms, out);
        const QByteArray command = pending_.left(length);
        pending_.remove(0, length);
        out.push_back(execute(command, ms));
    }
}

Exchange IspVariant1::execute(const QByteArray& command, qint64 ms) {
    const auto code = static_cast<uint8_t>(command[0]);
    Exchange ex;
    ex.frame.ms = ms;
    ex.frame.w = true;
    ex.frame.code = code;

    if (code == kApiVersionHigh) {
        const auto count = static_cast<uint8_t>(command[2]);
        ex.frame.kind = FrameRecord::Kind::Api;
        ex.frame.w = false;
        ex.frame.code = kApiVersionLow;
        ex.frame.count = count;
        QByteArray text = version_.left(count);
        text.append(count - text.size(), '\0');
        ex.reply = QByteArray(1, char(kApiLeadByte)) + QByteArray(2, '\0') + text;
        return ex;
    }

    ex.frame.kind = FrameRecord::Kind::Isp;
    ex.frame.count = static_cast<uint16_t>(command.size() - 1);
    ex.frame.data = command.mid(1);
    bool ok = false;
    int number = 0;
    if (code == kStart) {
        ok = complementOk(command, &number) && number >= 1 &&
             qsizetype(number) * kBlockSize <= rom_.bytes().size();
        if (ok) {
            started_ = true;
            blocks_ = number;
            received_.assign(size_t(number), false);
            rom_.assign({});
        }
    } else if (code == kBlock) {
        uint8_t sum = 0;
        for (int i = 5; i < command.size(); ++i)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(command[i]));
        ok = complementOk(command, &number) && number < blocks_ && sum == 0;
        if (ok) {
            rom_.write(number * kBlockSize, command.mid(5, kBlockSize));
            received_[size_t(number)] = true;
        }
    } else if (code == kEnd) {
        ok = static_cast<uint8_t>(command[1]) == kEndCheck && blocks_ > 0 &&
             std::all_of(received_.begin(), received_.end(), [](bool b) { return b; });
        if (ok) {
            blocks_ = 0;
            received_.clear();
        }
    }
    ex.reply = QByteArray(1, char(ok ? kAck : kNak));
    return ex;
}

qint64 IspVariant1::deadline() const {
    if (pending_.isEmpty() && dropped_.isEmpty()) return -1;
    return lastByteMs_ + kGapMs;
}

void IspVariant1::expire(qint64 ms, std::vector<Exchange>& out) {
    const qint64 due = deadline();
    if (due < 0 || ms < due) return;
    dropped_.append(pending_);
    pending_.clear();
    flushDropped(ms, out);
}

void IspVariant1::reset(qint64 ms, std::vector<Exchange>& out) {
    dropped_.append(pending_);
    pending_.clear();
    flushDropped(ms, out);
    started_ = false;
    blocks_ = 0;
    received_.clear();
}

void IspVariant1::flushDropped(qint64 ms, std::vector<Exchange>& out) {
    if (dropped_.isEmpty()) return;
    Exchange ex;
    ex.frame.kind = FrameRecord::Kind::Dropped;
    ex.frame.ms = ms;
    ex.frame.data = dropped_;
    dropped_.clear();
    out.push_back(ex);
}

}  // namespace varnok
