#include "link/QtSerialPort.h"

#include <QMetaObject>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace varnok {

QtSerialPort::QtSerialPort() {
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialPort::~QtSerialPort() = default;

bool QtSerialPort::open(const QString& path) {
    fatal_ = false;
    errorText_.clear();
    port_.setPortName(path);
    // Qt opens the line exclusively and in raw mode; no time-outs or queue sizes are set.
    if (!port_.open(QIODevice::ReadWrite)) {
        errorText_ = port_.errorString();
        port_.clearError();
        return false;
    }
    return true;
}

bool QtSerialPort::setLineSettings() {
    // 57600 baud, 8 data bits, no parity, 1 stop bit; flow control stays as the port had it.
    const bool ok = port_.setBaudRate(57600) && port_.setDataBits(QSerialPort::Data8) &&
                    port_.setParity(QSerialPort::NoParity) &&
                    port_.setStopBits(QSerialPort::OneStop);
    if (!ok) {
        errorText_ = port_.errorString();
        port_.clearError();
    }
    return ok;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}

qint64 QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen()) return -1;
#ifdef Q_OS_UNIX
    // With nothing waiting in Qt's queue the bytes go straight to the line. A paced data phase
    // writes one byte at a time, and Qt would arm and drop its write notifier for each one,
    // adding passes of the event loop to every 1 ms pause. What the line does not take, and any
    // error, goes through Qt, which queues the rest and reports the error.
    if (port_.bytesToWrite() == 0 && !bytes.isEmpty()) {
        const ssize_t n = ::write(int(port_.handle()), bytes.constData(), size_t(bytes.size()));
        if (n == bytes.size()) return n;
        if (n > 0) {
            port_.write(bytes.mid(n));
            port_.flush();
            return bytes.size();
        }
    }
#endif
    const qint64 n = port_.write(bytes);
    port_.flush();
    return n;
}

qint64 QtSerialPort::bytesWaiting() {
    if (!port_.isOpen()) return 0;
    port_.waitForReadyRead(0);
    // Nothing waiting reports a time-out; like any non-fatal error it is cleared by the query.
    if (!fatal_) port_.clearError();
    return port_.isOpen() ? port_.bytesAvailable() : 0;
}

QByteArray QtSerialPort::read(qint64 max) {
    if (!port_.isOpen() || max <= 0) return {};
    return port_.read(max);
}

void QtSerialPort::discardInput() {
    // Drops the system's receive queue and what Qt already took in; the transmit side is kept.
    if (port_.isOpen()) port_.clear(QSerialPort::Input);
}

bool QtSerialPort::hasFatalError() const {
    return fatal_;
}

QString QtSerialPort::errorString() const {
    return errorText_.isEmpty() ? port_.errorString() : errorText_;
}

bool QtSerialPort::isFatal(QSerialPort::SerialPortError error, bool lineHungUp) {
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
            return lineHungUp;
        default:
            // NoError, TimeoutError (nothing waiting), UnsupportedOperationError (modem lines
            // on a pseudo-terminal), NotOpenError and the rest do not end the link.
            return false;
    }
}

bool QtSerialPort::lineHungUp() const {
#ifdef Q_OS_UNIX
    // A busy queue (EAGAIN) is also reported as ResourceError; only a hang-up or an error
    // condition on the line ends it.
    if (!port_.isOpen()) return true;
    pollfd fd{int(port_.handle()), 0, 0};
    if (::poll(&fd, 1, 0) < 0) return true;
    return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (fatal_ || !isFatal(error, lineHungUp())) return;
    fatal_ = true;
    errorText_ = port_.errorString();
    // Closing from inside Qt's own notification is not safe; close on the next pass instead.
    QMetaObject::invokeMethod(
        &port_,
        [this] {
            if (port_.isOpen()) port_.close();
        },
        Qt::QueuedConnection);
}

}  // namespace varnok
