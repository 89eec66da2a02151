#include "tests/support/TcpRelay.h"

namespace varnok::test {

TcpRelay::TcpRelay(const QString& targetHost, quint16 targetPort, int delayMs, qint64 cutAfter)
    : targetHost_(targetHost), targetPort_(targetPort), delayMs_(delayMs), cutAfter_(cutAfter) {
    clock_.start();
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
}

TcpRelay::~TcpRelay() {
    // A socket destroyed while connected reports its disconnection: nothing may reach the
    // half-destroyed connection then.
    for (auto& c : connections_) {
        c->client->disconnect();
        c->target->disconnect();
        c->up.timer.disconnect();
        c->down.timer.disconnect();
    }
}

bool TcpRelay::listen() {
    return server_.listen(QHostAddress::LocalHost);
}

QString TcpRelay::url(const char* scheme) const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(server_.serverPort());
}

void TcpRelay::accept() {
    while (QTcpSocket* client = server_.nextPendingConnection()) {
        auto owned = std::make_unique<Connection>();
        Connection& c = *owned;
        connections_.push_back(std::move(owned));
        c.client.reset(client);
        client->setParent(nullptr);
        c.target = std::make_unique<QTcpSocket>();
        c.up.to = c.target.get();
        c.down.to = client;
        for (Direction* d : {&c.up, &c.down}) {
            d->timer.setSingleShot(true);
            d->timer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&d->timer, &QTimer::timeout, this, [this, &c, d] { deliver(c, *d); });
        }
        QObject::connect(client, &QTcpSocket::readyRead, this,
                         [this, &c] { take(c, c.up, c.client->readAll(), true); });
        QObject::connect(c.target.get(), &QTcpSocket::readyRead, this,
                         [this, &c] { take(c, c.down, c.target->readAll(), false); });
        QObject::connect(c.target.get(), &QTcpSocket::connected, this,
                         [this, &c] { deliver(c, c.up); });
        // A side that closes closes the other once what it sent has been delivered.
        QObject::connect(client, &QTcpSocket::disconnected, this, [this, &c] {
            take(c, c.up, {}, true);
            if (c.up.end == Direction::End::None) c.up.end = Direction::End::Close;
        });
        QObject::connect(c.target.get(), &QTcpSocket::disconnected, this, [this, &c] {
            take(c, c.down, {}, false);
            if (c.down.end == Direction::End::None) c.down.end = Direction::End::Close;
        });
        // The connection, too, takes its time to reach the far end: a new client's connection
        // must not overtake the close of the one before.
        QTimer::singleShot(delayMs_, Qt::PreciseTimer, c.target.get(),
                           [this, &c] { c.target->connectToHost(targetHost_, targetPort_); });
    }
}

void TcpRelay::take(Connection& c, Direction& d, QByteArray bytes, bool fromClient) {
    if (d.end != Direction::End::None) return;
    if (fromClient && cutAfter_ >= 0 && forwarded_ + bytes.size() >= cutAfter_) {
        bytes.truncate(cutAfter_ - forwarded_);
        d.end = Direction::End::Cut;
    }
    if (fromClient) forwarded_ += bytes.size();
    d.queue.emplace_back(clock_.nsecsElapsed() + qint64(delayMs_) * 1'000'000, bytes);
    if (!d.timer.isActive()) d.timer.start(delayMs_);
    Q_UNUSED(c);
}

void TcpRelay::deliver(Connection& c, Direction& d) {
    const qint64 now = clock_.nsecsElapsed();
    while (!d.queue.empty() && d.queue.front().first <= now) {
        if (d.to->state() != QAbstractSocket::ConnectedState) return;  // again once connected
        d.to->write(d.queue.front().second);
        d.to->flush();
        d.queue.pop_front();
    }
    if (!d.queue.empty()) {
        d.timer.start(int((d.queue.front().first - now + 999'999) / 1'000'000));
        return;
    }
    if (d.end != Direction::End::None) finish(c, d.end);
}

void TcpRelay::finish(Connection& c, Direction::End end) {
    if (end == Direction::End::Cut) {
        cut_ = true;
        c.client->abort();
        c.target->abort();
        return;
    }
    c.client->disconnectFromHost();
    c.target->disconnectFromHost();
}

}  // namespace varnok::test
