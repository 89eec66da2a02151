#pragma once
// A device in ISP mode whose every reply the fuzz input scripts, and the virtual clock the update
// runs on. The loader parses the host's bytes into commands of its kind (the "ISP029" block
// protocol or the other kind's page protocol) and records what the host asked for; after each
// complete command one directive byte of the input says how it answers:
//
//   bits 2..0  0 silent; 1 the proper answer; 2 noise, then the proper answer; 3 a wrong answer
//              (NAK, another sync byte, a corrupted read-back); 4 literal bytes from the input;
//              5 a flood of more than 1024 bytes; 6 hang-up; 7 line setting, then the proper
//              answer: a setting byte S, bit 7 clear: bytes show in chunks of 4 x S at most
//              (0 = all);
//              bit 7 set: a burst of one byte value (the next input byte), (S >> 3 & 15) x 256 + 1
//              bytes long, arriving at S & 7 bytes per millisecond
//   bits 7..3  a count for actions 2, 3 and 5
//
// An exhausted input hangs up, so every run ends soon after its script. Bytes become visible in
// chunks when chunking is set, and a burst arrives at a rate tied to the virtual clock, as a
// banner still in flight does on a real line (57600 baud carry about 6 bytes per millisecond).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <cstdint>

#include "firmware/IspClock.h"
#include "fuzz/FuzzSupport.h"
#include "link/SerialPort.h"

namespace varnok {
class DeviceLink;
}

namespace varnok::fuzz {

class ScriptedLoader;

class VirtualIspClock : public IspClock {
public:
    uint32_t now = 1000;
    // How long a pass that found nothing waits while bytes are on their way: about a millisecond
    // on an idle machine, longer on a busy one.
    uint32_t idleStep = 1;
    // While the line is quiet nothing can arrive before the host sends again, so an idle pass
    // may as well wait longer: the host's limits end the wait the same way, in fewer passes.
    static constexpr uint32_t kQuietStep = 20;
    uint64_t elapsed = 0;  // virtual milliseconds since the start, without wrap
    uint64_t passes = 0;
    DeviceLink* link = nullptr;
    const ScriptedLoader* loader = nullptr;

    uint32_t tickMs() override { return now; }
    void pause(uint32_t ms) override { advance(uint64_t(ms) + 1); }
    void processEvents() override;
    void idle() override;

private:
    void advance(uint64_t ms) {
        now = uint32_t(now + ms);
        elapsed += ms;
    }
};

struct PageWrite {
    int bank;
    int address;
    QByteArray data;
};

class ScriptedLoader : public SerialPort {
public:
    ScriptedLoader(FuzzInput& in, const VirtualIspClock& clock, DeviceLink& link, int variant);

    // What the host asked for, in order.
    QList<PageWrite> pageWrites;      // page protocol: every 0x86 with its bank and address
    QList<int> bankSelects;           // page protocol: 0x83 arguments
    QList<QByteArray> blockCommands;  // block protocol: every command, whole
    bool lost = false;

    // The answer to the situation before any command (a banner): one directive.
    void banner() { directive(0); }
    // Nothing queued and nothing streaming: no byte can arrive until the host writes.
    bool quiet() const { return incoming_.isEmpty() && (streamRate_ == 0 || streamLeft_ == 0); }

    bool open(const QString&) override { return true; }
    bool setLineSettings() override { return true; }
    bool isOpen() const override { return !lost; }
    void close() override { lost = true; }
    qint64 write(const QByteArray& bytes) override;
    qint64 bytesWaiting() override;
    QByteArray read(qint64 max) override;
    void discardInput() override { incoming_.clear(); }
    bool hasFatalError() const override { return lost; }
    QString errorString() const override { return QStringLiteral("Input/output error"); }

private:
    void checkRx() const;
    void parsePages();
    void parseBlocks();
    // One directive for the command just completed (code 0 before any command).
    void directive(uint8_t code);
    QByteArray properAnswer(uint8_t code) const;
    QByteArray wrongAnswer(uint8_t code, int count) const;

    FuzzInput& in_;
    const VirtualIspClock& clock_;
    DeviceLink& link_;
    int variant_;
    QByteArray pending_;   // host bytes not yet a whole command
    QByteArray incoming_;  // device bytes not yet read by the host
    int chunk_ = 0;        // > 0: at most this many bytes show as waiting per query
    char streamByte_ = 0;
    int streamRate_ = 0;  // bytes per virtual millisecond
    int streamLeft_ = 0;  // bytes of the burst still to come
    uint64_t streamedUntil_ = 0;
    // Page protocol device state.
    int bank_ = 0;
    int address_ = 0;
    QHash<int, QByteArray> rom_;
    // Block protocol device state.
    int blocks_ = 0;
    QList<bool> received_;
    bool lastCommandOk_ = false;
};

}  // namespace varnok::fuzz
