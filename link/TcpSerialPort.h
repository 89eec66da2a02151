#pragma once
// A serial port on the network, tcp://HOST:PORT: a raw byte stream to an IP-to-serial adapter
// (or a serial server's raw port). The line settings (57600 8N1) are the adapter's own
// configuration, so setLineSettings() succeeds without sending anything. Rfc2217SerialPort
// carries Telnet over the same stream.
//
// For the link it behaves as a local port does:
//  - open() connects within kConnectLimitMs, waiting in a nested event loop (the window stays
//    live, nothing spins). Failures read as "rack7:4999: connection refused", "rack7:4999: host
//    not found", "rack7:4999: timed out after 3 s"; a malformed name fails without a lookup.
//  - bytesWaiting() takes in what has arrived without blocking (a zero-timeout read, as the
//    local port does); read() hands out only bytes it counted.
//  - write() hands the bytes to the system at once with Nagle's delay off, so each byte of a
//    paced data phase leaves when it is written.
//  - hasFatalError() turns true, and isOpen() false, once the connection drops (the server closed
//    it, a reset): the operation under way then fails as with a pulled cable.
//  - discardInput() drops what has arrived here; bytes still on their way are not reached.
//  - close() lets the last bytes written reach the device before the connection ends: it
//    waits until the server has read them (awaitTakenIn()).
//  - abortWait() ends the connect (or the negotiation of a subclass) at once, when the program
//    is closing or varnok-cli is interrupted: open() then fails ("rack7:4999: stopped while
//    connecting").

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <functional>

#include "link/NetworkPortName.h"
#include "link/SerialPort.h"

namespace varnok {

class TcpSerialPort : public SerialPort {
public:
    static constexpr int kConnectLimitMs = 3000;

    TcpSerialPort();
    ~TcpSerialPort() override;

    bool open(const QString& path) override;
    bool setLineSettings() override { return isOpen(); }
    bool isOpen() const override;
    void close() override;
    qint64 write(const QByteArray& bytes) override;
    qint64 bytesWaiting() override;
    QByteArray read(qint64 max) override;
    void discardInput() override;
    bool hasFatalError() const override { return fatal_; }
    QString errorString() const override { return errorText_; }
    bool crossesNetwork() const override { return true; }
    void abortWait() override;

protected:
    // The kind of name this class opens.
    virtual NetworkPortKind kind() const { return NetworkPortKind::Tcp; }
    // Runs once the connection is up, before open() returns; false after fail().
    virtual bool handshake() { return true; }
    // Bytes off the wire; the data among them goes to received().
    virtual void takeIn(const QByteArray& wire) { received_ += wire; }
    // Data as it goes on the wire.
    virtual QByteArray toWire(const QByteArray& data) { return data; }

    // Runs in close() when data was written since the connection opened: waits, blocking, until
    // the server has read the last data written. Bytes arriving meanwhile are taken in.
    virtual void awaitTakenIn();
    // Waits without running events (close() may run in a destructor) until done() holds, the
    // connection ends or ms pass, taking in what arrives; done().
    bool waitBlocking(const std::function<bool()>& done, int ms);

    // Writes bytes to the connection at once; false when it is gone.
    bool sendWire(const QByteArray& wire);
    // Waits in a nested event loop until done() holds, the connection fails, ms pass or
    // abortWait() is called; done().
    bool waitUntil(const std::function<bool()>& done, int ms);
    // True once abortWait() was called: every wait of this port ends at once.
    bool aborted() const { return aborted_; }
    // Sets the error text: "HOST:PORT: " + words.
    void fail(const QString& words);
    // The connection dropped (or the other side broke the protocol): the port is finished.
    void setFatal(const QString& words);
    QByteArray& received() { return received_; }

private:
    bool connectTo(const NetworkPortName& name);
    // Takes everything the socket holds through takeIn().
    void pump();
    void onError(QAbstractSocket::SocketError error);
    QString errorWords(QAbstractSocket::SocketError error) const;

    QTcpSocket socket_;
    QElapsedTimer lastWrite_;
    QString where_;  // "HOST:PORT"
    QByteArray received_;
    bool connected_ = false;
    bool dataSent_ = false;  // write() sent data since the connection opened
    bool fatal_ = false;
    bool aborted_ = false;
    QEventLoop* waiting_ = nullptr;  // the loop of the wait under way
    QString errorText_;
};

}  // namespace varnok
