#pragma once
// ser2net, the serial-to-network server (Debian's ser2net 4), started by a test: one accepter per
// pseudo-terminal on a free loopback port, raw TCP or Telnet with RFC 2217, from a YAML
// configuration that the test writes. Stopped with the object.

#include <QList>
#include <QProcess>
#include <QString>

namespace varnok::test {

class Ser2net {
public:
    struct Line {
        QString device;  // the pseudo-terminal it serves
        bool rfc2217 = false;
    };

    // The program, or empty when ser2net is not installed.
    static QString program();

    Ser2net() = default;
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Writes dir/ser2net.yaml, starts ser2net and waits until every accepter takes connections;
    // false with *error (ser2net's own output included) otherwise.
    bool start(const QList<Line>& lines, const QString& dir, QString* error);
    // The port name that reaches line i: "tcp://HOST:P" or "rfc2217://HOST:P".
    QString url(int i) const { return urls_.value(i); }
    // Where line i listens: a loopback address of this process's own, and a free port.
    QString host() const { return host_; }
    quint16 port(int i) const { return ports_.value(i); }

private:
    QProcess process_;
    QString host_;
    QStringList urls_;
    QList<quint16> ports_;
};

}  // namespace varnok::test
