#pragma once
// A TCP relay for the tests of network ports (test tree only): it listens on a loopback port and
// forwards each connection to a target port, holding every chunk `delayMs` in each direction (a
// slow network). With a cut set, it forwards only that many bytes from the client and then drops
// both connections, as a network that fails in the middle of a transfer.
//
// It works in the event loop of the thread it lives in: a test that runs a program through it
// waits for that program with the event loop running.

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

namespace varnok::test {

class TcpRelay : public QObject {
public:
    TcpRelay(const QString& targetHost, quint16 targetPort, int delayMs, qint64 cutAfter = -1);
    ~TcpRelay() override;

    bool listen();
    QString url(const char* scheme) const;
    // Bytes forwarded from clients to the target so far.
    qint64 forwarded() const { return forwarded_; }
    bool hasCut() const { return cut_; }

private:
    // One direction of one connection: chunks waiting for their moment.
    struct Direction {
        QTcpSocket* to = nullptr;
        std::deque<std::pair<qint64, QByteArray>> queue;  // due (ns on clock_), bytes
        QTimer timer;
        // What follows the last chunk queued: nothing, a close (the sender closed), or a cut.
        enum class End { None, Close, Cut } end = End::None;
    };
    struct Connection {
        std::unique_ptr<QTcpSocket> client;
        std::unique_ptr<QTcpSocket> target;
        Direction up;    // client to target
        Direction down;  // target to client
    };

    void accept();
    void take(Connection& c, Direction& d, QByteArray bytes, bool fromClient);
    void deliver(Connection& c, Direction& d);
    void finish(Connection& c, Direction::End end);

    QTcpServer server_;
    QString targetHost_;
    quint16 targetPort_;
    int delayMs_;
    qint64 cutAfter_;
    qint64 forwarded_ = 0;
    bool cut_ = false;
    QElapsedTimer clock_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace varnok::test
