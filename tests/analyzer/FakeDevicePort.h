#pragma once
// A serial port whose far end is a function: every complete API frame the host writes (header,
// then its data bytes for a write with data) is recorded and handed to the responder, whose
// answer is waiting at the next receive tick.

#include <QByteArray>
#include <functional>
#include <vector>

#include "SerialPort.h"

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

}  // namespace varnok
