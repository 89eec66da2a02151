#pragma once
// A serial port whose far end is a function: every complete API frame the host writes (header,
// then its data bytes for a write with data) is recorded and handed to the responder, whose
// answer is waiting at the next receive tick.

#include <QByteArray>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "device/DeviceApi.h"
#include "edid/EdidInfo.h"
#include "link/DeviceLink.h"
#include "link/SerialPort.h"

namespace varnok {

struct SentFrame {
    bool w = false;
    uint16_t code = 0;
    uint16_t count = 0;
    QByteArray data;
};

class FakeDevicePort : public SerialPort {
public:
    using Responder = std::function<QByteArray(const SentFrame&)>;

    explicit FakeDevicePort(Responder responder) : responder_(std::move(responder)) {}

    std::vector<SentFrame> frames;

    bool open(const QString&) override { return open_ = true; }
    bool setLineSettings() override { return true; }
    bool isOpen() const override { return open_; }
    void close() override { open_ = false; }
    qint64 write(const QByteArray& bytes) override {
        pending_ += bytes;
        takeFrames();
        return bytes.size();
    }
    qint64 bytesWaiting() override { return rx_.size(); }
    QByteArray read(qint64 max) override {
        QByteArray out = rx_.left(max);
        rx_.remove(0, out.size());
        return out;
    }
    void discardInput() override { rx_.clear(); }
    bool hasFatalError() const override { return false; }
    QString errorString() const override { return {}; }

private:
    void takeFrames() {
        while (pending_.size() >= 4) {
            const auto b0 = uint8_t(pending_[0]);
            SentFrame f;
            f.w = b0 & 0x80;
            f.code = uint16_t(((b0 & 0x7F) << 8) | uint8_t(pending_[1]));
            f.count = uint8_t(pending_[2]);
            const int dataBytes = f.w ? f.count : 0;
            if (pending_.size() < 4 + dataBytes) return;
            f.data = pending_.mid(4, dataBytes);
            pending_.remove(0, 4 + dataBytes);
            frames.push_back(f);
            rx_ += responder_(f);
        }
    }

    Responder responder_;
    bool open_ = true;
    QByteArray pending_;
    QByteArray rx_;
};

// How the scripted device (serving three EDIDs and answering status polls) behaves.
struct Script {
    bool silent = false;       // answers nothing at all
    bool readsSilent = false;  // answers the select command, not the block reads
    int leadBytes = 3;         // bytes in front of the block-0 data (3: lead byte and two more)
    int badBlock0Reads = 0;    // the first n block-0 answers carry a broken checksum
};

inline QByteArray Half(const EdidImage& img, int block) {
    return QByteArray(reinterpret_cast<const char*>(img.data()) + block * kBlockSize, kBlockSize);
}

inline FakeDevicePort::Responder MakeDevice(Script script, EdidImage internal, EdidImage external,
                                            EdidImage user) {
    auto selector = std::make_shared<uint8_t>(0xFF);
    auto block0Reads = std::make_shared<int>(0);
    return [=](const SentFrame& f) -> QByteArray {
        if (script.silent) return {};
        const QByteArray head("\xA1\x00\x00", 3);
        switch (f.code) {
            case api_code::EdidSelect:
                *selector = uint8_t(f.data.at(0));
                return head + QByteArray(1, '\0');
            case api_code::EdidBlock0:
            case api_code::ExternalBlock0:
            case api_code::EdidBlock1:
            case api_code::ExternalBlock1: {
                if (script.readsSilent) return {};
                const bool ext =
                    f.code == api_code::ExternalBlock0 || f.code == api_code::ExternalBlock1;
                const EdidImage& img = ext ? external : (*selector == 0x00 ? user : internal);
                if (f.code == api_code::EdidBlock1 || f.code == api_code::ExternalBlock1)
                    return head + Half(img, 1);
                QByteArray data = Half(img, 0);
                if ((*block0Reads)++ < script.badBlock0Reads) data[40] = char(data[40] ^ 0x01);
                QByteArray lead = head.left(std::min(script.leadBytes, 3));
                lead.append(QByteArray(std::max(0, script.leadBytes - 3), '\x33'));
                return lead + data;
            }
            case api_code::EdidMode:
                return f.w ? QByteArray() : head + QByteArray(1, '\0');  // status poll: Internal
            default:
                return {};  // notices get no answer
        }
    };
}

}  // namespace varnok
