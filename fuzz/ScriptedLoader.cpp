#include "fuzz/ScriptedLoader.h"

#include <algorithm>

#include "link/DeviceLink.h"

namespace varnok::fuzz {
namespace {

// Far beyond the longest update the protocols allow (about 16 minutes for the page protocol with
// every page failing 16 times); a run past either bound does not end.
constexpr uint64_t kMaxVirtualMs = 2 * 3600 * 1000;
constexpr uint64_t kMaxPasses = 20'000'000;

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;

}  // namespace

void VirtualIspClock::processEvents() {
    ++passes;
    FuzzRequire(passes <= kMaxPasses, "ISP update loop does not end (passes)");
    FuzzRequire(elapsed <= kMaxVirtualMs, "ISP update loop does not end (time)");
    if (link) FuzzRequire(link->RxLength <= uint32_t(kRxBufferSize), "RxLength past the buffer");
}

void VirtualIspClock::idle() {
    const uint32_t step = loader && loader->quiet() ? std::max(idleStep, kQuietStep) : idleStep;
    advance(step);
}

ScriptedLoader::ScriptedLoader(FuzzInput& in, const VirtualIspClock& clock, DeviceLink& link,
                               int variant)
    : in_(in), clock_(clock), link_(link), variant_(variant) {}

void ScriptedLoader::checkRx() const {
    FuzzRequire(link_.RxLength <= uint32_t(kRxBufferSize), "RxLength past the buffer");
    FuzzRequire(link_.RxBuffer[kRxBufferSize] == 0, "RxBuffer lost its terminating zero");
}

qint64 ScriptedLoader::write(const QByteArray& bytes) {
    FuzzRequire(!lost, "write to a port that hung up");
    pending_ += bytes;
    if (variant_ == 0)
        parsePages();
    else
        parseBlocks();
    return bytes.size();
}

qint64 ScriptedLoader::bytesWaiting() {
    checkRx();
    if (streamRate_ > 0 && streamLeft_ > 0) {
        const uint64_t due = (clock_.elapsed - streamedUntil_) * uint64_t(streamRate_);
        const int n = int(std::min<uint64_t>(due, uint64_t(streamLeft_)));
        incoming_ += QByteArray(n, streamByte_);
        streamLeft_ -= n;
        streamedUntil_ = clock_.elapsed;
    }
    return chunk_ > 0 ? std::min<qint64>(chunk_, incoming_.size()) : incoming_.size();
}

QByteArray ScriptedLoader::read(qint64 max) {
    checkRx();
    const QByteArray out = incoming_.left(max);
    incoming_.remove(0, out.size());
    return out;
}

void ScriptedLoader::parsePages() {
    while (!pending_.isEmpty()) {
        const uint8_t code = uint8_t(pending_[0]);
        int args = -1;
        switch (code) {
            case 0x81:
            case 0x85:
            case 0x87:
                args = 0;
                break;
            case 0x83:
                args = 1;
                break;
            case 0x84:
                args = 2;
                break;
            case 0x86:
                args = 512;
                break;
            default:
                break;
        }
        if (args < 0) {
            pending_.remove(0, 1);  // not a command byte: the loader skips it
            continue;
        }
        if (pending_.size() < 1 + args) return;
        const QByteArray a = pending_.mid(1, args);
        pending_.remove(0, 1 + args);
        if (code == 0x83) {
            bank_ = uint8_t(a[0]);
            bankSelects << bank_;
        } else if (code == 0x84) {
            address_ = uint8_t(a[0]) << 8 | uint8_t(a[1]);
        } else if (code == 0x86) {
            pageWrites << PageWrite{bank_, address_, a};
            rom_.insert(bank_ << 16 | address_, a);
        }
        directive(code);
    }
}

void ScriptedLoader::parseBlocks() {
    while (!pending_.isEmpty()) {
        const uint8_t code = uint8_t(pending_[0]);
        const int length = code == 0xB0 ? 5 : code == 0xB1 ? 134 : code == 0xB2 ? 2 : 0;
        if (length == 0) {
            pending_.remove(0, 1);
            continue;
        }
        if (pending_.size() < length) return;
        const QByteArray c = pending_.left(length);
        pending_.remove(0, length);
        blockCommands << c;
        const auto number = [&](bool* ok) {
            const uint8_t hi = uint8_t(c[1]), lo = uint8_t(c[2]);
            *ok = uint8_t(c[3]) == uint8_t(~hi) && uint8_t(c[4]) == uint8_t(~lo);
            return hi << 8 | lo;
        };
        bool ok = false;
        if (code == 0xB0) {
            const int n = number(&ok);
            ok = ok && n >= 1;
            if (ok) {
                blocks_ = n;
                received_ = QList<bool>(n, false);
            }
        } else if (code == 0xB1) {
            const int k = number(&ok);
            uint8_t sum = 0;
            for (int i = 5; i < 134; ++i) sum = uint8_t(sum + uint8_t(c[i]));
            ok = ok && k < blocks_ && sum == 0;
            if (ok) received_[k] = true;
        } else {
            ok = uint8_t(c[1]) == 0x4D && blocks_ > 0 &&
                 std::all_of(received_.begin(), received_.end(), [](bool b) { return b; });
        }
        lastCommandOk_ = ok;
        directive(code);
    }
}

QByteArray ScriptedLoader::properAnswer(uint8_t code) const {
    if (variant_ == 1) {
        if (code == 0) return QByteArrayLiteral("ISP029 BOOT\r\n");
        return QByteArray(1, char(lastCommandOk_ ? kAck : kNak));
    }
    switch (code) {
        case 0:
            return QByteArrayLiteral("ISP BOOT LOADER\r\n");
        case 0x81:
            return QByteArray(1, char(0x81));
        case 0x87:
            return QByteArray("\x87\0Fuzz Loader 1.0\0", 19);
        case 0x85:
            return QByteArray("\x85\0", 2) +
                   rom_.value(bank_ << 16 | address_, QByteArray(512, char(0xFF)));
        default:
            return {};
    }
}

QByteArray ScriptedLoader::wrongAnswer(uint8_t code, int count) const {
    if (variant_ == 1) return QByteArray(1, char(kNak));
    switch (code) {
        case 0x81:
            return QByteArray(1, char(0x82 + count));
        case 0x87:
            return QByteArray("\x87\0", 2) + QByteArray(40 + count, 'T');  // no terminating zero
        case 0x85: {
            QByteArray reply = properAnswer(code);
            if (count == 0) return reply.left(300);  // cut short: the read-back times out
            for (int i = 0; i < count * 8; ++i) reply[2 + i] = char(reply[2 + i] ^ 0x5A);
            return reply;
        }
        default:
            return QByteArray(count + 1, 'x');
    }
}

void ScriptedLoader::directive(uint8_t code) {
    if (in_.empty()) {
        lost = true;  // the script ends with the cable pulled
        return;
    }
    const uint8_t d = in_.byte();
    const int count = d >> 3;
    switch (d & 7) {
        case 0:
            break;
        case 1:
            incoming_ += properAnswer(code);
            break;
        case 2:
            incoming_ += in_.bytes(size_t(count)) + properAnswer(code);
            break;
        case 3:
            incoming_ += wrongAnswer(code, count);
            break;
        case 4:
            incoming_ += in_.bytes(in_.byte());
            break;
        case 5:
            incoming_ += QByteArray(kRxBufferSize + 1 + count * 64, char(in_.byte()));
            break;
        case 6:
            lost = true;
            break;
        default: {
            const uint8_t setting = in_.byte();
            if (setting & 0x80) {
                streamByte_ = char(in_.byte());
                streamRate_ = setting & 7;
                streamLeft_ = ((setting >> 3) & 15) * 256 + 1;
                streamedUntil_ = clock_.elapsed;
            } else {
                chunk_ = (setting & 0x7F) * 4;  // a serial driver hands over a few bytes at once
            }
            incoming_ += properAnswer(code);
            break;
        }
    }
}

}  // namespace varnok::fuzz
