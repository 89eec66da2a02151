#pragma once
// Fakes for the firmware unit tests: a virtual millisecond clock, a recorder of what the update
// shows in the window, and serial ports that behave as the two loader kinds, answering at once.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRandomGenerator>
#include <QStringList>
#include <functional>

#include "firmware/FirmwareView.h"
#include "firmware/IspClock.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"
#include "link/SerialPort.h"

namespace varnok::test {

// Time passes only when the update pauses or idles; 220 ms and 10 s limits pass at once.
class VirtualClock : public IspClock {
public:
    uint32_t now = 5000;
    uint64_t idles = 0;
    QList<uint32_t> pauses;
    std::function<void()> onEvents;  // runs where the product would process window events

    uint32_t tickMs() override { return now; }
    void pause(uint32_t ms) override {
        pauses << ms;
        now += ms + 1;
        if (onEvents) onEvents();
    }
    void processEvents() override {
        if (onEvents) onEvents();
    }
    void idle() override {
        ++idles;
        now += 1;
    }
};

class NullLinkView : public LinkView {
public:
    QString log;
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void showUploadProgress(int) override {}
};

class RecordingView : public FirmwareView {
public:
    QStringList progress;  // Label1 as the window shows the progress: "n%"
    bool verify = true;
    QString log;
    QList<bool> running;
    std::function<void(const QString&)> onProgress;

    QString label1() const { return progress.isEmpty() ? QString() : progress.last(); }
    int logCount(const QString& piece) const { return int(log.count(piece)); }

    void showProgress(int percent) override {
        progress << QString::number(percent) + QLatin1Char('%');
        if (onProgress) onProgress(progress.last());
    }
    bool verifyChecked() const override { return verify; }
    void logAppend(const QString& text) override { log += text; }
    void logAddLine(const QString& line) override { log += line + QStringLiteral("\r\n"); }
    void logReplace(const QString& text) override { log = text; }
    void updateRunning(bool r) override { running << r; }
};

// A port whose device answers the moment a command is complete. Subclasses parse the host's
// bytes; every write is kept as it was made.
class InstantPort : public SerialPort {
public:
    QList<QByteArray> writes;
    QByteArray incoming;
    int chunk = 0;      // > 0: at most this many bytes show as waiting per query
    bool lost = false;  // the line is gone (cable pulled)
    DeviceLink* link = nullptr;
    uint32_t maxRxLength = 0;  // the most RxBuffer ever held, seen at each query
    int discards = 0;
    std::function<void()> onQuery;

    bool open(const QString&) override { return true; }
    bool setLineSettings() override { return true; }
    bool isOpen() const override { return !lost; }
    void close() override { lost = true; }
    qint64 write(const QByteArray& bytes) override {
        writes << bytes;
        take(bytes);
        return bytes.size();
    }
    qint64 bytesWaiting() override {
        if (link) maxRxLength = std::max(maxRxLength, link->RxLength);
        if (onQuery) onQuery();
        return chunk > 0 ? std::min<qint64>(chunk, incoming.size()) : incoming.size();
    }
    QByteArray read(qint64 max) override {
        const QByteArray out = incoming.left(max);
        incoming.remove(0, out.size());
        return out;
    }
    void discardInput() override {
        ++discards;
        incoming.clear();
    }
    bool hasFatalError() const override { return lost; }
    QString errorString() const override { return {}; }

protected:
    virtual void take(const QByteArray& bytes) = 0;
};

// The loader without the "ISP029" banner: 0x81 sync echo, 0x87 identification, 0x83 bank,
// 0x84 address, 0x86 + 512 page, 0x85 read back (0x85 0x00 + 512 bytes).
class Variant0Port : public InstantPort {
public:
    struct Command {
        uint8_t code;
        QByteArray args;
    };
    QList<Command> commands;
    QByteArray rom = QByteArray(3 * 0x10000, char(0xFF));
    bool echoSync = true;
    QByteArray beforeFirstEcho;  // banner text still on the wire when the first sync is heard
    bool answerReadBack = true;
    // Changes a read-back payload (page bytes 0..511) before it is sent: bank, address, payload.
    std::function<void(int, int, QByteArray&)> tamper;

    QList<Command> commandsOf(uint8_t code) const {
        QList<Command> out;
        for (const auto& c : commands)
            if (c.code == code) out << c;
        return out;
    }

protected:
    void take(const QByteArray& bytes) override {
        pending_ += bytes;
        for (;;) {
            if (pending_.isEmpty()) return;
            const uint8_t code = uint8_t(pending_[0]);
            int args = 0;
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
                    pending_.remove(0, 1);
                    continue;
            }
            if (pending_.size() < 1 + args) return;
            const Command c{code, pending_.mid(1, args)};
            pending_.remove(0, 1 + args);
            commands << c;
            execute(c);
        }
    }

private:
    void execute(const Command& c) {
        const int base = bank_ * 0x10000 + address_;
        switch (c.code) {
            case 0x81:
                incoming += beforeFirstEcho;
                beforeFirstEcho.clear();
                if (echoSync) incoming += char(0x81);
                break;
            case 0x87:
                incoming += QByteArray("\x87\0Fake Loader 0.9\0", 18);
                break;
            case 0x83:
                bank_ = uint8_t(c.args[0]);
                break;
            case 0x84:
                address_ = (uint8_t(c.args[0]) << 8) | uint8_t(c.args[1]);
                break;
            case 0x86:
                rom.replace(base, 512, c.args);
                break;
            case 0x85: {
                if (!answerReadBack) break;
                QByteArray page = rom.mid(base, 512);
                if (tamper) tamper(bank_, address_, page);
                incoming += QByteArray("\x85\0", 2) + page;
                break;
            }
        }
    }
    QByteArray pending_;
    int bank_ = 0;
    int address_ = 0;
};

// The "ISP029" loader: START 0xB0 n n~, BLOCK 0xB1 k k~ + 128 bytes + checksum, END 0xB2 0x4D,
// each answered with ACK 0x06 or NAK 0x15.
class Variant1Port : public InstantPort {
public:
    struct Command {
        uint8_t code;
        int number;  // block count of START, block index of BLOCK, -1 for END
        QByteArray bytes;
    };
    static constexpr int kNormal = -2;
    static constexpr int kSilent = -1;
    QList<Command> commands;
    QByteArray memory = QByteArray(0x30000, char(0xFF));
    QByteArray textBeforeStartAck;  // banner text still on the wire
    // Per command: kNormal, kSilent, or a byte to answer instead. Sees the command and how many
    // times this same command (code and number) came before.
    std::function<int(const Command&, int repeat)> answer;

    int count(uint8_t code, int number) const {
        int n = 0;
        for (const auto& c : commands) n += c.code == code && c.number == number;
        return n;
    }

protected:
    void take(const QByteArray& bytes) override {
        pending_ += bytes;
        for (;;) {
            if (pending_.isEmpty()) return;
            const uint8_t code = uint8_t(pending_[0]);
            const int length = code == 0xB0 ? 5 : code == 0xB1 ? 134 : code == 0xB2 ? 2 : 0;
            if (length == 0) {
                pending_.remove(0, 1);
                continue;
            }
            if (pending_.size() < length) return;
            const QByteArray cmd = pending_.left(length);
            pending_.remove(0, length);
            handle(cmd);
        }
    }

private:
    static bool numberOk(const QByteArray& c, int* n) {
        const uint8_t hi = uint8_t(c[1]), lo = uint8_t(c[2]);
        *n = (hi << 8) | lo;
        return uint8_t(c[3]) == uint8_t(~hi) && uint8_t(c[4]) == uint8_t(~lo);
    }
    void handle(const QByteArray& cmd) {
        const uint8_t code = uint8_t(cmd[0]);
        int n = -1;
        bool ok = code == 0xB2 ? uint8_t(cmd[1]) == 0x4D : numberOk(cmd, &n);
        const Command c{code, n, cmd};
        const int repeat = count(code, n);
        commands << c;
        if (ok && code == 0xB0) {
            ok = n >= 1 && n * 128 <= memory.size();
            if (ok) {
                memory.fill(char(0xFF));
                blocks_ = n;
                received_.assign(size_t(n), false);
            }
        } else if (ok && code == 0xB1) {
            uint8_t sum = 0;
            for (int i = 5; i < 134; ++i) sum = uint8_t(sum + uint8_t(cmd[i]));
            ok = n < blocks_ && sum == 0;
            if (ok) {
                memory.replace(n * 128, 128, cmd.mid(5, 128));
                received_[size_t(n)] = true;
            }
        } else if (ok && code == 0xB2) {
            ok = blocks_ > 0 &&
                 std::all_of(received_.begin(), received_.end(), [](bool b) { return b; });
        }
        const int a = answer ? answer(c, repeat) : kNormal;
        if (a == kSilent) return;
        if (code == 0xB0) {
            incoming += textBeforeStartAck;
            textBeforeStartAck.clear();
        }
        incoming += a == kNormal ? char(ok ? 0x06 : 0x15) : char(a);
    }
    QByteArray pending_;
    int blocks_ = 0;
    std::vector<bool> received_;
};

// An image of `size` random bytes (fixed seed, so failures repeat).
inline QByteArray randomImage(int size, quint32 seed = 7) {
    QRandomGenerator gen(seed);
    QByteArray image(size, '\0');
    for (auto& c : image) c = char(gen.bounded(256));
    return image;
}

}  // namespace varnok::test
