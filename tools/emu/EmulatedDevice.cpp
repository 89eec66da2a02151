#include "tools/emu/EmulatedDevice.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstring>

namespace varnok {

namespace {

// While no host holds the line, the master reports a hang-up at once, so the device cannot wait
// on it: it waits for the slave's open (inotify), and looks for a host at this interval as well.
constexpr qint64 kHostCheckUs = 20'000;
// With pacing, the device sleeps at least this long between writes (a few bytes each).
constexpr qint64 kMinPacedSleepUs = 1'000;
constexpr uint8_t kFloodFiller = 0x5A;
constexpr qint64 kNever = -1;

qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

}  // namespace

EmulatedDevice::EmulatedDevice(EmulatorConfig config)
    : config_(std::move(config)), rom_(config_.rom) {
    api_ = std::make_unique<ApiResponder>(config_);
    if (config_.mode == EmulatorConfig::Mode::Isp) isp_ = makeIspResponder(config_, rom_);
    faults_ = config_.faults;
    faultSeen_.assign(faults_.size(), 0);
    if (config_.wirePacing && config_.baud > 0) byteUs_ = 10'000'000LL / config_.baud;
}

EmulatedDevice::~EmulatedDevice() {
    stop();
}

bool EmulatedDevice::start(QString* error) {
    auto fail = [&](const QString& message) {
        if (error) *error = message;
        return false;
    };
    if (started_.exchange(true)) return fail(QStringLiteral("the device was already started"));
    if (config_.mode == EmulatorConfig::Mode::Isp && !isp_)
        return fail(QStringLiteral("no ISP loader for variant %1").arg(config_.ispVariant));

    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return fail(errnoText("openpty"));
    // Raw line on the slave: no byte is translated, buffered by line or echoed.
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    char name[128] = {};
    ptsname_r(master, name, sizeof name);
    // The device keeps only the master, so it sees when a host opens and closes the slave.
    ::close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    masterFd_ = master;
    slavePath_ = QString::fromLocal8Bit(name);
    // A host that opens the slave is seen at once, not up to kHostCheckUs later: a command-line
    // host opens the line anew for every command, and would otherwise wait for the device.
    hostWatchFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (hostWatchFd_ >= 0 && inotify_add_watch(hostWatchFd_, name, IN_OPEN) < 0) {
        ::close(hostWatchFd_);
        hostWatchFd_ = -1;
    }

    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        const QString message = errnoText("eventfd");
        closeLine();
        return fail(message);
    }
    if (!config_.logPath.isEmpty()) {
        log_ = std::make_unique<QFile>(config_.logPath);
        if (!log_->open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString message =
                QStringLiteral("cannot open log %1: %2").arg(config_.logPath, log_->errorString());
            log_.reset();
            closeLine();
            ::close(wakeFd_);
            wakeFd_ = -1;
            return fail(message);
        }
    }
    startNs_ = steadyNs();
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void EmulatedDevice::stop() {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    wake();
    thread_.join();
    closeLine();
    ::close(wakeFd_);
    wakeFd_ = -1;
    log_.reset();
    running_ = false;
    if (!config_.romDumpPath.isEmpty()) dumpRom(config_.romDumpPath);
}

QString EmulatedDevice::slavePath() const {
    return slavePath_;
}

void EmulatedDevice::wake() {
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void EmulatedDevice::closeLine() {
    if (masterFd_ >= 0) ::close(masterFd_);
    masterFd_ = -1;
    if (hostWatchFd_ >= 0) ::close(hostWatchFd_);
    hostWatchFd_ = -1;
}

qint64 EmulatedDevice::nowUs() const {
    return (steadyNs() - startNs_) / 1000;
}

// --- frame log and state accessors ---

std::vector<FrameRecord> EmulatedDevice::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

int EmulatedDevice::frameCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(frames_.size());
}

void EmulatedDevice::clearFrames() {
    std::lock_guard lock(mutex_);
    frames_.clear();
}

bool EmulatedDevice::waitForFrames(int count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return framesChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return static_cast<int>(frames_.size()) >= count; });
}

void EmulatedDevice::setFrameCallback(std::function<void(const FrameRecord&)> callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

QByteArray EmulatedDevice::store(EmuStore store) const {
    std::lock_guard lock(mutex_);
    return api_->store(store);
}

void EmulatedDevice::setStore(EmuStore store, const QByteArray& image) {
    std::lock_guard lock(mutex_);
    api_->setStore(store, image);
}

uint8_t EmulatedDevice::edidMode() const {
    std::lock_guard lock(mutex_);
    return api_->edidMode();
}

void EmulatedDevice::setEdidMode(uint8_t mode) {
    std::lock_guard lock(mutex_);
    api_->setEdidMode(mode);
}

uint8_t EmulatedDevice::selector() const {
    std::lock_guard lock(mutex_);
    return api_->selector();
}

QByteArray EmulatedDevice::rom() const {
    std::lock_guard lock(mutex_);
    return rom_.bytes();
}

void EmulatedDevice::setRom(const QByteArray& image) {
    std::lock_guard lock(mutex_);
    rom_.assign(image);
}

bool EmulatedDevice::dumpRom(const QString& path, QString* error) const {
    const QByteArray bytes = rom();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

void EmulatedDevice::setFaults(const std::vector<FaultRule>& rules) {
    std::lock_guard lock(mutex_);
    faults_ = rules;
    faultSeen_.assign(faults_.size(), 0);
}

void EmulatedDevice::hangUp() {
    hangUpRequested_ = true;
    wake();
}

// --- the device thread ---

bool EmulatedDevice::hostHoldsLine() const {
    pollfd p{masterFd_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return false;
    return (p.revents & (POLLHUP | POLLERR)) == 0;
}

void EmulatedDevice::hostArrived(qint64 us) {
    hostPresent_ = true;
    nextBannerUs_ = us;
    txEpochUs_ = -1;
    std::vector<Exchange> dropped;
    {
        std::lock_guard lock(mutex_);
        if (isp_) isp_->reset(us / 1000, dropped);
    }
    handle(dropped, us);
}

void EmulatedDevice::hostLeft(qint64 us) {
    out_.clear();
    std::vector<Exchange> dropped;
    {
        std::lock_guard lock(mutex_);
        if (isp_)
            isp_->reset(us / 1000, dropped);
        else
            api_->reset(us / 1000, dropped);
    }
    handle(dropped, us);
    // What the device wrote and the host never read dies with the line, as on a real port: the
    // pty would otherwise keep it for the next host that opens the slave.
    const int fd = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        tcflush(fd, TCIFLUSH);
        ::close(fd);
    }
    hostPresent_ = false;
}

void EmulatedDevice::readLine(qint64 us) {
    for (;;) {
        char buf[4096];
        const ssize_t n = ::read(masterFd_, buf, sizeof buf);
        if (n <= 0) break;  // EAGAIN: all read; EIO: the host closed the slave
        // With pacing a byte counts as received once its 10 bit times have passed.
        if (byteUs_ > 0) rxWireUs_ = std::max(rxWireUs_, us) + n * byteUs_;
        std::vector<Exchange> exchanges;
        {
            std::lock_guard lock(mutex_);
            if (isp_)
                isp_->feed(QByteArray(buf, n), us / 1000, exchanges);
            else
                api_->feed(QByteArray(buf, n), us / 1000, exchanges);
        }
        handle(exchanges, us);
        if (hungUp_) return;
    }
}

void EmulatedDevice::handle(std::vector<Exchange>& exchanges, qint64 us) {
    for (Exchange& ex : exchanges) {
        record(ex.frame);
        if (ex.frame.kind == FrameRecord::Kind::Dropped) continue;

        bool silent = false;
        bool hang = false;
        int lead = -1;
        int partial = -1;
        int slowMs = 0;
        int flood = 0;
        int corrupt = 0;
        int insert = 0;
        int strayMs = -1;
        {
            std::lock_guard lock(mutex_);
            for (size_t i = 0; i < faults_.size(); ++i) {
                const FaultRule& r = faults_[i];
                if (r.code >= 0 && r.code != ex.frame.code) continue;
                const int seen = ++faultSeen_[i];
                if (seen <= r.after || (r.times >= 0 && seen > r.after + r.times)) continue;
                switch (r.kind) {
                    case FaultKind::Silent:
                        silent = true;
                        break;
                    case FaultKind::WrongLead:
                        lead = r.value & 0xFF;
                        break;
                    case FaultKind::Partial:
                        partial = r.value;
                        break;
                    case FaultKind::Slow:
                        slowMs = r.value;
                        break;
                    case FaultKind::Flood:
                        flood = r.value;
                        break;
                    case FaultKind::Corrupt:
                        corrupt = r.value;
                        break;
                    case FaultKind::HangUp:
                        hang = true;
                        break;
                    case FaultKind::Insert:
                        insert = r.value;
                        break;
                    case FaultKind::Stray:
                        strayMs = r.value;
                        break;
                }
            }
        }
        if (hang) {
            hungUp_ = true;  // before the line drops, so whoever sees the drop sees the flag
            closeLine();
            return;
        }
        QByteArray reply = ex.reply;
        if (silent || reply.isEmpty()) continue;
        const int payload = ex.frame.kind == FrameRecord::Kind::Isp ? 2 : 3;
        for (int i = payload + 2; i < reply.size() && i < payload + 2 + corrupt; ++i)
            reply[i] = static_cast<char>(~static_cast<uint8_t>(reply[i]));
        if (lead >= 0) reply[0] = static_cast<char>(lead);
        if (reply.size() < flood) reply.append(flood - reply.size(), char(kFloodFiller));
        if (partial >= 0) reply.truncate(partial);
        if (insert > 0) {
            // Line noise inside the answer: the host sees more bytes than it asked for.
            QByteArray noise;
            for (int i = 0; i < insert; ++i) noise.append(char((i * 73 + 41) & 0xFF));
            reply.insert(payload + (reply.size() - payload) / 2, noise);
        }
        const qint64 dueUs = std::max(us, rxWireUs_) + qint64(slowMs) * 1000;
        queueReply(reply, dueUs);
        if (strayMs >= 0)
            queueReply(QByteArray("\xA1\x5A\x5A\x3C", 4), dueUs + qint64(strayMs) * 1000);
    }
}

void EmulatedDevice::record(const FrameRecord& frame) {
    std::function<void(const FrameRecord&)> callback;
    {
        std::lock_guard lock(mutex_);
        frames_.push_back(frame);
        callback = callback_;
    }
    framesChanged_.notify_all();
    if (log_) {
        log_->write(frame.toLogLine().toLatin1() + '\n');
        log_->flush();
    }
    if (callback) callback(frame);
}

void EmulatedDevice::queueReply(QByteArray reply, qint64 dueUs) {
    if (!hostPresent_ || reply.isEmpty()) return;
    out_.push_back({std::move(reply), dueUs});
}

// Writes what is due; false when the master would block.
bool EmulatedDevice::writeDue(qint64 us) {
    while (!out_.empty() && out_.front().dueUs <= us) {
        Chunk& c = out_.front();
        qint64 allowed = c.bytes.size();
        if (byteUs_ > 0) {
            // Byte k of a transmission leaves at epoch + k byte times; a new transmission starts
            // when the wire has fallen idle. The wire is idle when the chunk became due after its
            // last byte left, not merely because this thread woke late (it sleeps at least 1 ms
            // between writes, several byte times).
            if (txEpochUs_ < 0 || c.dueUs >= txEpochUs_ + txSent_ * byteUs_) {
                txEpochUs_ = c.dueUs;
                txSent_ = 0;
            }
            allowed = std::min(allowed, (us - txEpochUs_) / byteUs_ + 1 - txSent_);
            if (allowed <= 0) return true;
        }
        const ssize_t n = ::write(masterFd_, c.bytes.constData(), size_t(allowed));
        if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK;  // EIO: reported by poll
        txSent_ += n;
        c.bytes.remove(0, n);
        if (c.bytes.isEmpty()) out_.pop_front();
        if (n < allowed) return false;
    }
    return true;
}

// Microseconds until the device next has work without input (kNever: none); wantWrite when the
// master must become writable first.
qint64 EmulatedDevice::nextWakeUs(qint64 us, bool wantWrite) const {
    qint64 wait = kNever;
    auto consider = [&](qint64 atUs) {
        const qint64 d = std::max<qint64>(0, atUs - us);
        if (wait == kNever || d < wait) wait = d;
    };
    if (!hostPresent_) consider(us + kHostCheckUs);
    if (hostPresent_ && !out_.empty() && !wantWrite) {
        qint64 at = out_.front().dueUs;
        // Due but held back by the wire: the next byte leaves one byte time after the last one.
        if (byteUs_ > 0 && at <= us)
            at = std::max(us + kMinPacedSleepUs, txEpochUs_ + txSent_ * byteUs_);
        consider(at);
    }
    {
        std::lock_guard lock(mutex_);
        const qint64 due = isp_ ? isp_->deadline() : api_->deadline();
        if (due >= 0) consider(due * 1000);
        if (hostPresent_ && out_.empty() && isp_ && isp_->streamsBanner() &&
            !config_.ispBanner.isEmpty())
            consider(nextBannerUs_);
    }
    return wait;
}

void EmulatedDevice::run() {
    bool wantWrite = false;
    while (!stopRequested_) {
        if (hangUpRequested_ && !hungUp_) {
            hungUp_ = true;
            closeLine();
        }
        if (hungUp_) break;
        qint64 us = nowUs();
        if (!hostPresent_ && hostHoldsLine()) hostArrived(us);

        std::vector<Exchange> expired;
        {
            std::lock_guard lock(mutex_);
            if (isp_)
                isp_->expire(us / 1000, expired);
            else
                api_->expire(us / 1000, expired);
        }
        handle(expired, us);
        if (hungUp_) break;

        if (hostPresent_ && isp_ && out_.empty() && us >= nextBannerUs_ &&
            !config_.ispBanner.isEmpty()) {
            bool banner = false;
            {
                std::lock_guard lock(mutex_);
                banner = isp_->streamsBanner();
            }
            if (banner) {
                queueReply(config_.ispBanner, us);
                nextBannerUs_ = us + qint64(std::max(1, config_.ispBannerIntervalMs)) * 1000;
            }
        }
        if (hostPresent_) wantWrite = !writeDue(us);

        const qint64 waitUs = nextWakeUs(nowUs(), wantWrite);
        const bool watching = !hostPresent_ && hostWatchFd_ >= 0;
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {watching ? hostWatchFd_ : masterFd_, POLLIN, 0}};
        if (wantWrite) fds[1].events |= POLLOUT;
        const nfds_t n = hostPresent_ || watching ? 2 : 1;
        timespec ts{};
        timespec* timeout = nullptr;
        if (waitUs != kNever) {
            ts.tv_sec = waitUs / 1'000'000;
            ts.tv_nsec = (waitUs % 1'000'000) * 1000;
            timeout = &ts;
        }
        if (::ppoll(fds, n, timeout, nullptr) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            uint64_t v = 0;
            [[maybe_unused]] ssize_t r = ::read(wakeFd_, &v, sizeof v);
        }
        if (watching) {
            // Someone opened the slave: the next pass looks whether a host now holds the line.
            char events[256];
            while (::read(hostWatchFd_, events, sizeof events) > 0) {
            }
            continue;
        }
        if (n < 2) continue;
        us = nowUs();
        if (fds[1].revents & POLLOUT) wantWrite = false;
        if (fds[1].revents & POLLIN) readLine(us);
        if (hungUp_) break;
        if (fds[1].revents & (POLLHUP | POLLERR)) {
            readLine(us);  // what the host wrote before it closed still counts
            if (!hungUp_) hostLeft(us);
            wantWrite = false;
        }
    }
}

}  // namespace varnok
