#pragma once
// An emulated HDMI EDID device on a pseudo-terminal, for tests, benchmarks and the demo.
//
// The device's side of the line (57600 8N1 on the real unit; a pty carries bytes untouched):
//
// API mode. The host sends a 4-byte header: byte 0 = W << 7 | code >> 8 (W = 1 for a command
// that may carry data, 0 for a read request), byte 1 = code & 0xFF, byte 2 = count, byte 3 =
// 0x0D; with W = 1 and a non-zero count, count data bytes follow (the host paces them, one write
// each). A read request is answered with the lead byte 0xA1, two bytes 00 00 and exactly count
// data bytes:
//    9  manufacturer ID (3 characters, "QEV" by default)
//    1  model name, 2 firmware version (text, padded with zero bytes or cut to count)
//    257 EDID mode (0 Internal, 2 External, 3 User)
//    261 / 262  bytes 0-127 / 128-255 of the store chosen by 264 (Internal at power-up)
//    518 / 519  bytes 0-127 / 128-255 of the External store
// Commands with W = 1:
//    264 + selector  chooses the store for 261/262 (0xFF Internal, 0x00 User, 0x55 Stored;
//                    others leave it); answered with A1 00 00 and no data
//    261 / 262 + 128 bytes  written into bytes 0-127 / 128-255 of the User store; no answer
//    257 + mode      sets the EDID mode (0, 2 or 3; others are ignored); no answer
//    10 / 11         start / end-of-operation notices; no answer
// Unknown codes get no answer. Bytes where a header should end without 0x0D are skipped one by
// one until a header lines up; a data phase silent for dataTimeoutMs is dropped.
//
// ISP mode. While a host holds the line and has not synchronised, the loader streams its banner
// every ispBannerIntervalMs; then it speaks the byte protocol of its variant (IspVariant0.h).
// Each time the host opens the line anew the loader starts over with its banner.
//
// Bytes the device wrote but the host had not read when it closed the line are discarded, as
// on a real serial port. Faults (EmulatorConfig.h) change or withhold answers per frame.
//
// Threading: the device serves the line on a thread of its own (poll() on the pty master and a
// wake-up descriptor), so it keeps answering while the caller's thread blocks or sits in nested
// event loops. Every public member may be called from any thread.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/emu/ApiResponder.h"
#include "tools/emu/EmulatorConfig.h"
#include "tools/emu/IspResponder.h"

class QFile;

namespace varnok {

class EmulatedDevice {
public:
    explicit EmulatedDevice(EmulatorConfig config = {});
    ~EmulatedDevice();  // stops
    EmulatedDevice(const EmulatedDevice&) = delete;
    EmulatedDevice& operator=(const EmulatedDevice&) = delete;

    // Opens the pty pair (raw slave), the log file, and starts serving. False with *error on
    // failure. A device starts once.
    bool start(QString* error = nullptr);
    // Stops serving, joins the thread, closes the pty and the log, writes romDumpPath if set.
    void stop();
    bool isRunning() const { return running_; }
    // The path a host opens, e.g. "/dev/pts/3"; empty before start().
    QString slavePath() const;
    const EmulatorConfig& config() const { return config_; }

    // --- frame log ---
    std::vector<FrameRecord> frames() const;
    int frameCount() const;
    void clearFrames();
    // Blocks until at least count frames are in the log or timeoutMs pass; true if they are.
    bool waitForFrames(int count, int timeoutMs) const;
    // Called on the device's thread for every new record; set before start().
    void setFrameCallback(std::function<void(const FrameRecord&)> callback);

    // --- device state ---
    QByteArray store(EmuStore store) const;
    void setStore(EmuStore store, const QByteArray& image);
    uint8_t edidMode() const;
    void setEdidMode(uint8_t mode);
    uint8_t selector() const;
    // The ISP ROM, IspRom::kBanks banks of 64 KB, bank-major.
    QByteArray rom() const;
    void setRom(const QByteArray& image);
    bool dumpRom(const QString& path, QString* error = nullptr) const;

    // --- faults at run time ---
    // Replaces the fault rules; their frame counts start again from 0.
    void setFaults(const std::vector<FaultRule>& rules);
    // Closes the device's end of the line now, as a pulled cable; the device stops serving.
    void hangUp();
    bool isHungUp() const { return hungUp_; }
    // Whether a host holds the line open, as the device thread last saw it.
    bool hostConnected() const { return hostPresent_; }

private:
    struct Chunk {
        QByteArray bytes;
        qint64 dueUs = 0;
    };

    void run();
    qint64 nowUs() const;
    bool hostHoldsLine() const;
    void hostArrived(qint64 us);
    void hostLeft(qint64 us);
    void readLine(qint64 us);
    void handle(std::vector<Exchange>& exchanges, qint64 us);
    void record(const FrameRecord& frame);
    void queueReply(QByteArray reply, qint64 dueUs);
    bool writeDue(qint64 us);
    qint64 nextWakeUs(qint64 us, bool wantWrite) const;
    void closeLine();
    void wake();

    EmulatorConfig config_;
    QString slavePath_;
    int masterFd_ = -1;
    int wakeFd_ = -1;
    int hostWatchFd_ = -1;  // inotify: the slave's opens
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> hangUpRequested_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<bool> hostPresent_{false};
    qint64 startNs_ = 0;

    // Guarded by mutex_: device state, faults and the frame log.
    mutable std::mutex mutex_;
    mutable std::condition_variable framesChanged_;
    std::unique_ptr<ApiResponder> api_;
    IspRom rom_;
    std::unique_ptr<IspResponder> isp_;
    std::vector<FaultRule> faults_;
    std::vector<int> faultSeen_;
    std::vector<FrameRecord> frames_;
    std::function<void(const FrameRecord&)> callback_;

    // Used by the device thread only.
    std::unique_ptr<QFile> log_;
    std::deque<Chunk> out_;
    qint64 byteUs_ = 0;      // wire time of one byte with pacing, else 0
    qint64 rxWireUs_ = 0;    // when the last received byte has fully crossed the wire
    qint64 txEpochUs_ = -1;  // start of the current paced transmission
    qint64 txSent_ = 0;      // bytes sent since txEpochUs_
    qint64 nextBannerUs_ = 0;
};

}  // namespace varnok
