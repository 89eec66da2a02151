#pragma once
// What an emulated device is (identity, EDID stores, ISP banner and ROM), how it misbehaves (fault
// rules) and what it records (one FrameRecord per command it received).

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace varnok {

// The device's four EDID stores, in the order of EmulatorConfig::stores.
enum class EmuStore : uint8_t { Internal = 0, External = 1, User = 2, Stored = 3 };
constexpr int kEmuStoreCount = 4;
constexpr int kEmuEdidSize = 256;

// A misbehaviour of the device. A rule applies to the frames whose code matches (the ApiCode in
// API mode, the command byte in ISP mode; -1 matches every frame). Every matching frame is counted;
// the rule acts on matching frames after+1 .. after+times (times -1: all the rest).
enum class FaultKind : uint8_t {
    Silent,     // the frame gets no answer ("stop answering after N" is Silent with after = N)
    WrongLead,  // the answer's lead byte is replaced by value
    Partial,    // only the first value bytes of the answer are sent
    Slow,       // the answer leaves value ms later than it would
    Flood,      // the answer is padded with 0x5A bytes up to value bytes (default 1500)
    Corrupt,    // value payload bytes are complemented, from payload byte 2 on (payload: after
                // the API answer's 3 head bytes, after the ISP reply's 2 head bytes)
    HangUp,     // the device closes its end of the line instead of answering (a pulled cable)
    Insert,     // value noise bytes are inserted in the middle of the answer's payload
    Stray,      // four stray bytes A1 5A 5A 3C follow the answer value ms after it
};

struct FaultRule {
    FaultKind kind = FaultKind::Silent;
    int code = -1;
    int value = 0;
    int after = 0;
    int times = -1;
};

// Parses the command-line form of a rule: KIND[:VALUE][@CODE][,after=N][,times=N], where KIND is
// silent, wrong-lead, partial, slow, flood, corrupt, hangup, or the shorthands stop-after:N
// (silent after N frames) and hangup-after:N. Numbers may be decimal or 0x-hexadecimal.
std::optional<FaultRule> parseFaultRule(const QString& text, QString* error = nullptr);

// One command the device received, as it appears in the frame log.
struct FrameRecord {
    enum class Kind : uint8_t {
        Api,      // a complete API frame: header W/code/count and its data bytes
        Isp,      // an ISP command: code is the command byte, data its argument bytes
        Dropped,  // bytes that formed no command (no 0x0D where a header ends, a data phase that
                  // stopped short, an unknown ISP byte); data holds them
    };
    Kind kind = Kind::Api;
    qint64 ms = 0;  // milliseconds since the device started
    bool w = false;
    uint16_t code = 0;
    uint16_t count = 0;
    QByteArray data;

    // One log line, e.g. "1234 W=1 code=262 count=128 data=00 FF ..." or "88 ISP cmd=0x84
    // data=80 00"; no line break.
    QString toLogLine() const;
};

struct EmulatorConfig {
    enum class Mode : uint8_t { Api, Isp };
    Mode mode = Mode::Api;

    // API mode identity: answers to codes 9, 1 and 2, each padded with zero bytes (or cut) to the
    // count that the host asks for.
    QByteArray manufacturerId = "QEV";
    QByteArray modelName = "VK-01";
    QByteArray version = "1.23";
    uint8_t edidMode = 0;  // 0 Internal, 2 External, 3 User
    // Initial store images; an empty entry takes the built-in default for that store. Images
    // shorter than 256 bytes are padded with 0xFF, longer ones cut.
    std::array<QByteArray, kEmuStoreCount> stores;

    // ISP mode: the banner streamed while the host has not synchronised, the variant of the byte
    // protocol (0; further variants plug in through makeIspResponder), the text answered to the
    // identification command, and the initial ROM (empty: erased, all 0xFF).
    QByteArray ispBanner = "ISP BOOT\r\n";
    int ispBannerIntervalMs = 50;
    int ispVariant = 0;
    QByteArray ispInfo = "VK-01 ISP Loader";
    QByteArray rom;
    QString romDumpPath;  // written when the device stops

    std::vector<FaultRule> faults;
    // Optional line pacing: bytes take 10 bit times each way, as on a real UART.
    bool wirePacing = false;
    int baud = 57600;
    // A data phase or an ISP command that stops short is dropped after this silence.
    int dataTimeoutMs = 1000;
    QString logPath;  // frame log file, appended to; empty: in memory only
};

}  // namespace varnok
