#include "tools/emu/IspVariant0.h"

namespace varnok {

namespace {

// Argument bytes after each command byte; -1 for a byte that is no command.
int argumentCount(uint8_t command) {
    switch (command) {
        case IspVariant0::kSync:
        case IspVariant0::kInfo:
        case IspVariant0::kReadBack:
            return 0;
        case IspVariant0::kSelectBank:
            return 1;
        case IspVariant0::kSetAddress:
            return 2;
        case IspVariant0::kWritePage:
            return IspVariant0::kPageSize;
        default:
            return -1;
    }
}

}  // namespace

IspVariant0::IspVariant0(const EmulatorConfig& config, IspRom& rom)
    : rom_(rom), info_(config.ispInfo), dataTimeoutMs_(config.dataTimeoutMs) {}

void IspVariant0::feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) {
    pending_.append(bytes);
    lastByteMs_ = ms;
    while (!pending_.isEmpty()) {
        const auto command = static_cast<uint8_t>(pending_[0]);
        const int args = argumentCount(command);
        if (args < 0 || (!synced_ && command != kSync)) {
            dropped_.append(pending_[0]);
            pending_.remove(0, 1);
            continue;
        }
        if (pending_.size() < 1 + args) break;  // arguments still arriving
        flushDropped(ms, out);
        Exchange ex;
        ex.frame.kind = FrameRecord::Kind::Isp;
        ex.frame.ms = ms;
        ex.frame.w = true;
        ex.frame.code = command;
        ex.frame.count = static_cast<uint16_t>(args);
        ex.frame.data = pending_.mid(1, args);
        pending_.remove(0, 1 + args);
        ex.reply = execute(command, ex.frame.data);
        out.push_back(ex);
    }
}

QByteArray IspVariant0::execute(uint8_t command, const QByteArray& args) {
    const int base = bank_ * IspRom::kBankSize + address_;
    const int roomInBank = IspRom::kBankSize - address_;
    switch (command) {
        case kSync:
            synced_ = true;
            return QByteArray(1, char(kSync));
        case kInfo: {
            QByteArray reply;
            reply.append(char(kInfo)).append('\0').append(info_).append('\0');
            return reply;
        }
        case kSelectBank:
            if (static_cast<uint8_t>(args[0]) < IspRom::kBanks)
                bank_ = static_cast<uint8_t>(args[0]);
            return {};
        case kSetAddress:
            address_ = (static_cast<uint8_t>(args[0]) << 8) | static_cast<uint8_t>(args[1]);
            return {};
        case kWritePage:
            rom_.write(base, args.left(roomInBank));
            return {};
        case kReadBack: {
            QByteArray page = rom_.read(base, qMin(kPageSize, roomInBank));
            page.append(kPageSize - page.size(), char(0xFF));  // past the bank: erased
            QByteArray reply;
            reply.append(char(kReadBack)).append('\0').append(page);
            return reply;
        }
        default:
            return {};
    }
}

qint64 IspVariant0::deadline() const {
    if (pending_.isEmpty() && dropped_.isEmpty()) return -1;
    return lastByteMs_ + dataTimeoutMs_;
}

void IspVariant0::expire(qint64 ms, std::vector<Exchange>& out) {
    const qint64 due = deadline();
    if (due < 0 || ms < due) return;
    dropped_.append(pending_);
    pending_.clear();
    flushDropped(ms, out);
}

void IspVariant0::reset(qint64 ms, std::vector<Exchange>& out) {
    dropped_.append(pending_);
    pending_.clear();
    flushDropped(ms, out);
    synced_ = false;
    bank_ = 0;
    address_ = 0;
}

void IspVariant0::flushDropped(qint64 ms, std::vector<Exchange>& out) {
    if (dropped_.isEmpty()) return;
    Exchange ex;
    ex.frame.kind = FrameRecord::Kind::Dropped;
    ex.frame.ms = ms;
    ex.frame.data = dropped_;
    dropped_.clear();
    out.push_back(ex);
}

}  // namespace varnok
