#include "tests/support/Ser2net.h"

#include <sys/prctl.h>

#include <csignal>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace varnok::test {

namespace {

// A loopback address of this process's own (Linux answers on all of 127.0.0.0/8): two tests
// running at once cannot then take each other's ports, nor a client's outgoing connection one
// that was just found free.
QString OwnLoopbackAddress() {
    const qint64 pid = QCoreApplication::applicationPid();
    return QStringLiteral("127.%1.%2.1").arg(pid / 250 % 250 + 1).arg(pid % 250 + 1);
}

// A port nobody listens on now at that address (the system's pick for a listener closed at once).
quint16 FreePort(const QString& address) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress(address))) return 0;
    return probe.serverPort();
}

}  // namespace

QString Ser2net::program() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (!found.isEmpty()) return found;
    // Debian installs it in /usr/sbin, which an ordinary user's PATH may lack.
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

Ser2net::~Ser2net() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
}

bool Ser2net::start(const QList<Line>& lines, const QString& dir, QString* error) {
    // Version 4's YAML: a raw accepter is "tcp,ADDRESS,PORT", an RFC 2217 one stacks Telnet on
    // it; "local" leaves the modem lines alone (a pseudo-terminal has none).
    QByteArray yaml = "%YAML 1.1\n---\n";
    host_ = OwnLoopbackAddress();
    for (int i = 0; i < lines.size(); ++i) {
        const quint16 port = FreePort(host_);
        if (port == 0) {
            *error = QStringLiteral("no free loopback port");
            return false;
        }
        ports_ << port;
        urls_ << QStringLiteral("%1://%2:%3")
                     .arg(lines[i].rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp"),
                          host_)
                     .arg(port);
        yaml += QStringLiteral(
                    "connection: &line%1\n"
                    "  accepter: %2tcp,%5,%3\n"
                    "  connector: serialdev,%4,57600n81,local\n")
                    .arg(i)
                    .arg(lines[i].rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
                    .arg(port)
                    .arg(lines[i].device, host_)
                    .toUtf8();
    }
    const QString config = dir + QStringLiteral("/ser2net.yaml");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml) != yaml.size()) {
        *error = QStringLiteral("cannot write ") + config;
        return false;
    }
    file.close();

    // -n: in the foreground, -d: its log on stdout, -u: no UUCP lock files (an ordinary user may
    // not write /var/lock).
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes takes its server along rather than leaving it serving.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(program(), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"),
                               QStringLiteral("-c"), config});
    if (!process_.waitForStarted(5000)) {
        *error = QStringLiteral("ser2net did not start: ") + process_.errorString();
        return false;
    }
    // Ready once each accepter takes a connection.
    const QDeadlineTimer deadline(10000);
    for (const quint16 port : ports_) {
        for (;;) {
            QTcpSocket s;
            s.connectToHost(host_, port);
            if (s.waitForConnected(200)) {
                s.abort();
                break;
            }
            if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) {
                process_.waitForFinished(100);
                *error = QStringLiteral("ser2net is not listening on %1: %2")
                             .arg(port)
                             .arg(QString::fromLocal8Bit(process_.readAll()));
                return false;
            }
            QThread::msleep(20);
        }
    }
    return true;
}

}  // namespace varnok::test
