#pragma once
// A loopback TCP server that plays a scripted peer for the network ports' tests: it greets each
// client with fixed bytes, answers what it receives through a function, or closes every
// connection at once; it keeps every byte it received. Serves in the thread's event loop, so a
// test waits for a client in a process of its own with an event loop running (not a blocking
// wait).

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace varnok::test {

class ScriptedTcpServer : public QObject {
public:
    QByteArray greeting;  // sent to every client as it connects
    bool closeAtOnce = false;
    // Bytes to send for what came in (all bytes of this connection so far, and the newest).
    std::function<QByteArray(const QByteArray& all, const QByteArray& fresh)> answer;
    QByteArray received;  // everything the last client sent
    QList<QTcpSocket*> clients;

    ScriptedTcpServer() {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                clients << client;
                received.clear();
                if (closeAtOnce) {
                    client->close();
                    continue;
                }
                client->write(greeting);
                QObject::connect(client, &QTcpSocket::readyRead, this, [this, client] {
                    const QByteArray fresh = client->readAll();
                    received += fresh;
                    if (answer) client->write(answer(received, fresh));
                });
            }
        });
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    // Stops listening: the port then refuses connections.
    void close() { server_.close(); }
    quint16 port() const { return server_.serverPort(); }
    QString url(const char* scheme) const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port());
    }

private:
    QTcpServer server_;
};

}  // namespace varnok::test
