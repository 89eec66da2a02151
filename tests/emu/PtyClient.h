#pragma once
// A host on the emulated device's line, with plain POSIX calls: open the slave raw, write bytes,
// read with a time limit. Deliberately independent of the product's serial-port code.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdint>

class PtyClient {
public:
    explicit PtyClient(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return;
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~PtyClient() { close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool send(const QByteArray& bytes) {
        qsizetype done = 0;
        QElapsedTimer t;
        t.start();
        while (done < bytes.size() && t.elapsed() < 2000) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno != EAGAIN) {
                return false;
            } else {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 50);
            }
        }
        return done == bytes.size();
    }

    // Reads until count bytes have come or timeoutMs have passed; returns what came.
    QByteArray read(int count, int timeoutMs = 2000) {
        QByteArray out;
        QElapsedTimer t;
        t.start();
        while (out.size() < count) {
            const qint64 left = timeoutMs - t.elapsed();
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0) break;
            if (p.revents & (POLLHUP | POLLERR)) hungUp_ = true;
            char buf[4096];
            const ssize_t n =
                ::read(fd_, buf, size_t(std::min<qsizetype>(sizeof buf, count - out.size())));
            if (n <= 0) break;
            out.append(buf, n);
        }
        return out;
    }

    // Everything that arrives within ms.
    QByteArray readFor(int ms) { return read(1 << 20, ms); }

    // Whether the device closed its end: the slave then reports a hang-up.
    bool waitHangUp(int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (!hungUp_ && t.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                if (p.revents & (POLLHUP | POLLERR)) hungUp_ = true;
                char buf[256];
                if (::read(fd_, buf, sizeof buf) == 0) hungUp_ = true;
            }
        }
        return hungUp_;
    }

    // The 4-byte command header: W << 7 | code >> 8, code & 0xFF, count, 0x0D.
    static QByteArray header(bool w, uint16_t code, uint8_t count) {
        QByteArray h;
        h.append(char((w ? 0x80 : 0) | (code >> 8)));
        h.append(char(code & 0xFF));
        h.append(char(count));
        h.append('\x0D');
        return h;
    }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};
