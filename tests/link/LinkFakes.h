#pragma once
// Fakes for the link's unit tests: serial ports that record what is written and answer as a
// scripted device, a port lister over them, and recorders for what the link shows.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include "device/SearchView.h"
#include "link/LinkView.h"
#include "link/SerialPort.h"

namespace varnok::test {

// Now on the monotonic clock, in nanoseconds.
inline qint64 monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One fake line, shared by the test and the port the link owns.
struct FakeLine {
    bool failOpen = false;
    bool failSettings = false;
    bool fatal = false;
    bool open = false;
    int opens = 0;
    int closes = 0;
    int discards = 0;
    QList<QByteArray> writes;
    QList<qint64> writeNs;  // when each write came, on the monotonic clock
    QByteArray incoming;    // what the port reports as waiting
    QByteArray stream;      // appended to incoming on every query (a streaming banner)
    // Answer to a 4-byte header ending in 0x0D; appended to incoming at once.
    std::function<QByteArray(uint8_t w, uint16_t code, uint8_t count)> answer;

    QList<QByteArray> headers() const {
        QList<QByteArray> h;
        for (const auto& w : writes)
            if (w.size() == 4 && uint8_t(w[3]) == 0x0D) h << w;
        return h;
    }
};

inline QByteArray reply(const QByteArray& data, uint8_t lead = 0xA1) {
    return QByteArray(1, char(lead)) + QByteArray(2, '\0') + data;
}

// A device as the protocol describes it: ID "QEV" (or `id`), model, version, EDID mode.
inline std::function<QByteArray(uint8_t, uint16_t, uint8_t)> deviceAnswers(
    QByteArray id = "QEV", QByteArray model = QByteArray("HDX4\0", 5),
    QByteArray version = QByteArray("1.2\0", 4), uint8_t mode = 2) {
    return [=](uint8_t w, uint16_t code, uint8_t) -> QByteArray {
        if (w != 0) return {};
        switch (code) {
            case 9:
                return reply(id);
            case 1:
                return reply(model);
            case 2:
                return reply(version);
            case 257:
                return reply(QByteArray(1, char(mode)));
            default:
                return {};
        }
    };
}

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(QHash<QString, std::shared_ptr<FakeLine>>* lines) : lines_(lines) {}
    explicit FakeSerialPort(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}

    bool open(const QString& path) override {
        if (lines_) line_ = lines_->value(path);
        if (!line_ || line_->failOpen) return false;
        line_->open = true;
        ++line_->opens;
        return true;
    }
    bool setLineSettings() override { return !line_->failSettings; }
    bool isOpen() const override { return line_ && line_->open; }
    void close() override {
        if (line_ && line_->open) {
            line_->open = false;
            ++line_->closes;
        }
    }
    qint64 write(const QByteArray& bytes) override {
        line_->writes << bytes;
        line_->writeNs << monotonicNs();
        if (bytes.size() == 4 && uint8_t(bytes[3]) == 0x0D && line_->answer)
            line_->incoming += line_->answer(
                uint8_t(bytes[0]) >> 7,
                uint16_t((uint8_t(bytes[0]) & 0x7F) << 8 | uint8_t(bytes[1])), uint8_t(bytes[2]));
        return bytes.size();
    }
    qint64 bytesWaiting() override {
        line_->incoming += line_->stream;
        return line_->incoming.size();
    }
    QByteArray read(qint64 max) override {
        QByteArray out = line_->incoming.left(max);
        line_->incoming.remove(0, out.size());
        return out;
    }
    void discardInput() override {
        ++line_->discards;
        line_->incoming.clear();
    }
    bool hasFatalError() const override { return line_->fatal; }
    QString errorString() const override { return QStringLiteral("Input/output error"); }

private:
    QHash<QString, std::shared_ptr<FakeLine>>* lines_ = nullptr;
    std::shared_ptr<FakeLine> line_;
};

class FakePortLister : public PortLister {
public:
    std::shared_ptr<FakeLine> add(const QString& name) {
        auto line = std::make_shared<FakeLine>();
        names_ << name;
        lines_.insert(QStringLiteral("fake:") + name, line);
        return line;
    }
    QStringList ListSerialPorts() override {
        ++listings;
        return names_;
    }
    QString pathFor(const QString& name) const override { return QStringLiteral("fake:") + name; }
    std::unique_ptr<SerialPort> createPort(const QString&) override {
        return std::make_unique<FakeSerialPort>(&lines_);
    }
    int listings = 0;

private:
    QStringList names_;
    QHash<QString, std::shared_ptr<FakeLine>> lines_;
};

// The debug log as one text (a line gets "\r\n"), and the progress values shown.
class RecordingLinkView : public LinkView {
public:
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void showUploadProgress(int percent) override { progress << percent; }
    QString log;
    QList<int> progress;
};

class RecordingSearchView : public SearchView {
public:
    void setBusy(bool on) override { calls << (on ? "busy" : "idle"); }
    void enterConnected() override { calls << "connected"; }
    void enableDeviceControls() override { calls << "controls"; }
    void enterIsp() override { calls << "isp"; }
    void enterDisconnected() override { calls << "disconnected"; }
    QStringList calls;
};

}  // namespace varnok::test
