#include "tools/emu/ApiResponder.h"

#include "tools/emu/DefaultEdid.h"

namespace varnok {

namespace {

constexpr uint8_t kHeaderEnd = 0x0D;
constexpr int kHeaderSize = 4;
constexpr int kBlockSize = 128;

// Selector bytes of code 264.
constexpr uint8_t kSelectInternal = 0xFF;
constexpr uint8_t kSelectUser = 0x00;
constexpr uint8_t kSelectStored = 0x55;

QByteArray sized(const QByteArray& text, int count) {
    QByteArray data = text.left(count);
    data.append(count - data.size(), '\0');
    return data;
}

bool isEdidMode(uint8_t m) {
    return m == 0 || m == 2 || m == 3;
}

}  // namespace

ApiResponder::ApiResponder(const EmulatorConfig& config)
    : manufacturerId_(config.manufacturerId),
      modelName_(config.modelName),
      version_(config.version),
      dataTimeoutMs_(config.dataTimeoutMs),
      mode_(config.edidMode) {
    for (int i = 0; i < kEmuStoreCount; ++i) {
        const auto s = static_cast<EmuStore>(i);
        setStore(s, config.stores[i].isEmpty() ? defaultEmulatorEdid(s) : config.stores[i]);
    }
}

void ApiResponder::setStore(EmuStore store, const QByteArray& image) {
    QByteArray bytes = image.left(kEmuEdidSize);
    bytes.append(kEmuEdidSize - bytes.size(), char(0xFF));
    stores_[static_cast<int>(store)] = bytes;
}

void ApiResponder::feed(const QByteArray& bytes, qint64 ms, std::vector<Exchange>& out) {
    pending_.append(bytes);
    lastByteMs_ = ms;
    while (pending_.size() >= kHeaderSize) {
        // A header ends in 0x0D; anything else is not a frame start, so slide by one byte.
        if (static_cast<uint8_t>(pending_[3]) != kHeaderEnd) {
            dropped_.append(pending_[0]);
            pending_.remove(0, 1);
            continue;
        }
        const auto b0 = static_cast<uint8_t>(pending_[0]);
        FrameRecord f;
        f.kind = FrameRecord::Kind::Api;
        f.ms = ms;
        f.w = (b0 & 0x80) != 0;
        f.code = static_cast<uint16_t>(((b0 & 0x7F) << 8) | static_cast<uint8_t>(pending_[1]));
        f.count = static_cast<uint8_t>(pending_[2]);
        const int dataBytes = f.w ? f.count : 0;
        if (pending_.size() < kHeaderSize + dataBytes) break;  // data phase still running
        flushDropped(ms, out);
        f.data = pending_.mid(kHeaderSize, dataBytes);
        pending_.remove(0, kHeaderSize + dataBytes);
        Exchange ex{f, answer(f)};
        out.push_back(ex);
    }
}

qint64 ApiResponder::deadline() const {
    if (pending_.isEmpty() && dropped_.isEmpty()) return -1;
    return lastByteMs_ + dataTimeoutMs_;
}

void ApiResponder::expire(qint64 ms, std::vector<Exchange>& out) {
    const qint64 due = deadline();
    if (due < 0 || ms < due) return;
    reset(ms, out);
}

void ApiResponder::reset(qint64 ms, std::vector<Exchange>& out) {
    dropped_.append(pending_);
    pending_.clear();
    flushDropped(ms, out);
}

void ApiResponder::flushDropped(qint64 ms, std::vector<Exchange>& out) {
    if (dropped_.isEmpty()) return;
    Exchange ex;
    ex.frame.kind = FrameRecord::Kind::Dropped;
    ex.frame.ms = ms;
    ex.frame.data = dropped_;
    dropped_.clear();
    out.push_back(ex);
}

QByteArray ApiResponder::readStore(EmuStore store, int offset, int count) const {
    return sized(stores_[static_cast<int>(store)].mid(offset), count);
}

QByteArray ApiResponder::answer(const FrameRecord& f) {
    QByteArray data;
    if (!f.w) {
        // Read requests: the answer carries exactly count data bytes.
        switch (f.code) {
            case 9:
                data = sized(manufacturerId_, f.count);
                break;
            case 1:
                data = sized(modelName_, f.count);
                break;
            case 2:
                data = sized(version_, f.count);
                break;
            case 257:
                data = sized(QByteArray(1, char(mode_)), f.count);
                break;
            case 261:
            case 262: {
                EmuStore s = EmuStore::Internal;
                if (selector_ == kSelectUser) s = EmuStore::User;
                if (selector_ == kSelectStored) s = EmuStore::Stored;
                data = readStore(s, f.code == 261 ? 0 : kBlockSize, f.count);
                break;
            }
            case 518:
            case 519:
                data = readStore(EmuStore::External, f.code == 518 ? 0 : kBlockSize, f.count);
                break;
            default:
                return {};  // unknown read: no answer
        }
    } else {
        switch (f.code) {
            case 264:
                // Selection of the store for the following block reads; an unknown selector
                // leaves it as it was. Acknowledged with the lead byte and no data.
                if (!f.data.isEmpty()) {
                    const auto sel = static_cast<uint8_t>(f.data[0]);
                    if (sel == kSelectInternal || sel == kSelectUser || sel == kSelectStored)
                        selector_ = sel;
                }
                break;
            case 257:
                if (!f.data.isEmpty() && isEdidMode(static_cast<uint8_t>(f.data[0])))
                    mode_ = static_cast<uint8_t>(f.data[0]);
                return {};
            case 261:
            case 262: {
                // Block writes land in the User store, never past its 256 bytes.
                QByteArray& user = stores_[static_cast<int>(EmuStore::User)];
                const int base = f.code == 261 ? 0 : kBlockSize;
                for (int i = 0; i < f.data.size() && base + i < kEmuEdidSize; ++i)
                    user[base + i] = f.data[i];
                return {};
            }
            default:
                return {};  // notices 10 and 11 and unknown writes: no answer
        }
    }
    QByteArray reply;
    reply.append(char(kApiLeadByte));
    reply.append(2, '\0');
    reply.append(data);
    return reply;
}

}  // namespace varnok
