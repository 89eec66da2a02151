#include "link/TcpSerialPort.h"

#include "link/SocketAcks.h"

#include <QEventLoop>
#include <QTimer>

namespace varnok {

namespace {
// A close finds the last bytes written (an operation's end notice) still in Qt's queue only
// when the system's send buffer was full; they get this long to leave.
constexpr int kCloseDrainMs = 1000;
// How old the last write to a raw connection must be before the connection closes (see
// awaitTakenIn()). ser2net reads what arrives well within 2 ms even with every core busy; the
// rest is margin for a network's jitter between the last bytes and the end behind them.
constexpr qint64 kCloseLingerMs = 10;
// Reads of what has arrived before a close; a device that streams (an ISP banner) never stops.
constexpr int kCloseReadRounds = 16;
}  // namespace

TcpSerialPort::TcpSerialPort() {
    // Telnet answers must go out whenever the server asks, not only when the link looks.
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { pump(); });
    QObject::connect(&socket_, &QAbstractSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError e) { onError(e); });
    QObject::connect(&socket_, &QAbstractSocket::disconnected, &socket_, [this] {
        if (connected_) setFatal(QStringLiteral("the server closed the connection"));
    });
}

TcpSerialPort::~TcpSerialPort() {
    close();
}

bool TcpSerialPort::open(const QString& path) {
    close();
    lastWrite_.invalidate();
    dataSent_ = false;
    fatal_ = false;
    errorText_.clear();
    received_.clear();
    QString why;
    const auto name = ParseNetworkPortName(path, &why);
    if (!name) {
        const auto kindOfPath = NetworkPortKindOf(path).value_or(kind());
        errorText_ = QStringLiteral("malformed network port name: %1 (the form is %2)")
                         .arg(why, NetworkPortForm(kindOfPath));
        return false;
    }
    where_ = name->hostAndPort();
    if (name->kind != kind()) {
        fail(QStringLiteral("not a %1 name").arg(NetworkPortForm(kind())));
        return false;
    }
    if (!connectTo(*name)) return false;
    connected_ = true;
    if (!handshake()) {
        const QString words = errorText_;
        close();
        fatal_ = false;
        errorText_ = words;
        return false;
    }
    return true;
}

bool TcpSerialPort::connectTo(const NetworkPortName& name) {
    socket_.connectToHost(name.host, name.port);
    const bool up = waitUntil([this] { return socket_.state() == QAbstractSocket::ConnectedState; },
                              kConnectLimitMs);
    if (up && !aborted_) {
        // Each byte of a paced data phase is a write of its own and must leave at once.
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        AcknowledgePromptly(socket_.socketDescriptor());
        return true;
    }
    if (aborted_) {
        socket_.abort();
        fail(QStringLiteral("stopped while connecting"));
    } else if (socket_.state() != QAbstractSocket::UnconnectedState) {
        socket_.abort();
        fail(QStringLiteral("timed out after %1 s").arg(kConnectLimitMs / 1000));
    } else {
        fail(errorWords(socket_.error()));
    }
    return false;
}

bool TcpSerialPort::isOpen() const {
    return connected_ && !fatal_;
}

void TcpSerialPort::close() {
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
        connected_ = false;
        return;
    }
    // The last frame (an end-of-operation notice) must still reach the device. Bytes left
    // unread make the system reset the connection instead of closing it, and a reset drops what
    // is still queued to go out: everything that has arrived is taken in first, from the
    // system's queue as well as Qt's.
    connected_ = false;
    socket_.flush();
    if (socket_.bytesToWrite() > 0) socket_.waitForBytesWritten(kCloseDrainMs);
    // A server may drop bytes that reach it together with the end of the connection: ser2net 4
    // does, when one read brings it both (it passes on bytes as it reads them, so bytes read
    // before the end are safe). The connection ends only once the server has read the last
    // bytes, as far as the protocol can tell.
    if (dataSent_) awaitTakenIn();
    dataSent_ = false;
    for (int i = 0; i < kCloseReadRounds && socket_.waitForReadyRead(0); ++i) socket_.readAll();
    socket_.readAll();
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
}

void TcpSerialPort::awaitTakenIn() {
    // A raw connection gives no sign that the server has read anything: the close waits until
    // the last write is kCloseLingerMs old, time enough for a server to read it before the end
    // of the connection follows (however slow the network, the end travels behind the bytes).
    // What arrives meanwhile is read, so that the close is no reset.
    while (socket_.state() == QAbstractSocket::ConnectedState && lastWrite_.isValid() &&
           lastWrite_.elapsed() < kCloseLingerMs) {
        socket_.waitForReadyRead(static_cast<int>(kCloseLingerMs - lastWrite_.elapsed()));
        socket_.readAll();
    }
}

bool TcpSerialPort::waitBlocking(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && socket_.state() == QAbstractSocket::ConnectedState && clock.elapsed() < ms) {
        socket_.waitForReadyRead(static_cast<int>(ms - clock.elapsed()));
        pump();
    }
    return done();
}

qint64 TcpSerialPort::write(const QByteArray& bytes) {
    if (!isOpen()) return -1;
    if (!sendWire(toWire(bytes))) return -1;
    dataSent_ = true;
    return bytes.size();
}

bool TcpSerialPort::sendWire(const QByteArray& wire) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return false;
    if (socket_.write(wire) != wire.size()) return false;
    socket_.flush();
    lastWrite_.start();
    return true;
}

qint64 TcpSerialPort::bytesWaiting() {
    if (!isOpen()) return 0;
    // A zero-timeout look at the socket takes in what arrived since the event loop's last pass
    // (Qt reports "nothing waiting" as a time-out error, which onError passes over).
    socket_.waitForReadyRead(0);
    pump();
    return received_.size();
}

QByteArray TcpSerialPort::read(qint64 max) {
    if (max <= 0) return {};
    QByteArray out = received_.left(max);
    received_.remove(0, out.size());
    return out;
}

void TcpSerialPort::discardInput() {
    pump();
    received_.clear();
}

void TcpSerialPort::pump() {
    if (socket_.bytesAvailable() <= 0) return;
    takeIn(socket_.readAll());
    AcknowledgePromptly(socket_.socketDescriptor());
}

bool TcpSerialPort::waitUntil(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool expired = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        expired = true;
        loop.quit();
    });
    const auto gone = [this] {
        return fatal_ || socket_.state() == QAbstractSocket::UnconnectedState;
    };
    // Every change the socket reports is a moment to look again; nothing else wakes the loop.
    const auto look = [&] {
        if (done() || gone()) loop.quit();
    };
    QObject::connect(&socket_, &QAbstractSocket::stateChanged, &loop, look);
    QObject::connect(&socket_, &QTcpSocket::readyRead, &loop, look);
    QObject::connect(&socket_, &QAbstractSocket::errorOccurred, &loop, look);
    limit.start(ms);
    waiting_ = &loop;
    while (!done() && !gone() && !expired && !aborted_) loop.exec();
    waiting_ = nullptr;
    return done();
}

void TcpSerialPort::abortWait() {
    aborted_ = true;
    if (waiting_) waiting_->quit();
}

void TcpSerialPort::fail(const QString& words) {
    errorText_ = where_ + QStringLiteral(": ") + words;
}

void TcpSerialPort::setFatal(const QString& words) {
    if (fatal_) return;
    fatal_ = true;
    fail(words);
}

void TcpSerialPort::onError(QAbstractSocket::SocketError error) {
    // Nothing waiting at a zero-timeout look is no failure.
    if (error == QAbstractSocket::SocketTimeoutError || !connected_) return;
    setFatal(errorWords(error));
}

QString TcpSerialPort::errorWords(QAbstractSocket::SocketError error) const {
    switch (error) {
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("host not found");
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral("connection refused");
        case QAbstractSocket::RemoteHostClosedError:
            return QStringLiteral("the server closed the connection");
        default:
            break;
    }
    return socket_.errorString();
}

}  // namespace varnok
