// Ports on the network: the names, the Telnet stream of RFC 2217, and what open() and the
// ports say when the far end is missing, refuses or misbehaves (scripted loopback servers; the
// real serial server is driven end to end in tests/cli/tst_cli_network.cpp; here it shows that a
// close lets the last bytes reach the line).

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "link/NetworkPortStore.h"
#include "link/PortListers.h"
#include "link/Rfc2217SerialPort.h"
#include "link/TcpSerialPort.h"
#include "link/TelnetCodec.h"
#include "tests/support/ScriptedTcpServer.h"
#include "tests/support/Ser2net.h"

using namespace varnok;
using namespace varnok::test;
using namespace varnok::telnet;

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

// What a well-behaved RFC 2217 server sends at once: DO COM-PORT-OPTION, DO and WILL BINARY.
const QByteArray kAcceptingGreeting = Hex("fffd2c fffd00 fffb00");

// The server's answers (code + 100) keeping every value asked, but the baud rate given.
QByteArray SettingAnswers(const char* baudHex) {
    return TelnetCodec::comPortCommand(101, Hex(baudHex)) +
           TelnetCodec::comPortCommand(102, Hex("08")) +
           TelnetCodec::comPortCommand(103, Hex("01")) +
           TelnetCodec::comPortCommand(104, Hex("01")) +
           TelnetCodec::comPortCommand(105, Hex("01"));
}

// Answers the five settings once they have all come in.
std::function<QByteArray(const QByteArray&, const QByteArray&)> AnswerSettings(const char* baud) {
    return [baud](const QByteArray& all, const QByteArray& fresh) {
        const QByteArray last = Hex("fffa2c05");
        return all.contains(last) && !(all.left(all.size() - fresh.size()).contains(last))
                   ? SettingAnswers(baud)
                   : QByteArray();
    };
}

// A pseudo-terminal for ser2net to serve, its line read at the master as a device reads it:
// at once, by a thread of its own (ser2net flushes what the device side left unread when it
// closes the line).
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slaveName_ = QString::fromLocal8Bit(ptsname(master_));
        // Kept open, so the line stays readable between ser2net's connections.
        slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        reader_ = std::thread([this] {
            while (!stop_) {
                pollfd p{master_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                char buf[256];
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n <= 0) continue;
                const std::lock_guard lock(mutex_);
                line_.append(buf, n);
            }
        });
    }
    ~Pty() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    bool ok() const { return slave_ >= 0; }
    QString slaveName() const { return slaveName_; }
    bool answer(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }
    // What has reached the line since the last take; waits (up to 2 s) until `until` is among it.
    QByteArray take(const QByteArray& until = {}) {
        QDeadlineTimer deadline(until.isEmpty() ? 0 : 2000);
        for (;;) {
            {
                const std::lock_guard lock(mutex_);
                if (until.isEmpty() || line_.contains(until) || deadline.hasExpired())
                    return std::exchange(line_, {});
            }
            QThread::msleep(1);
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slaveName_;
    std::thread reader_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    QByteArray line_;
};

}  // namespace

class TestLinkNetwork : public QObject {
    Q_OBJECT

private slots:
    void names_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("parsed");  // "kind host port" or the error's words

        QTest::newRow("name") << "tcp://rack7:4999"
                              << "tcp rack7 4999 rack7:4999";
        QTest::newRow("IPv4, scheme in capitals") << "RFC2217://10.0.0.5:7001"
                                                  << "rfc2217 10.0.0.5 7001 10.0.0.5:7001";
        QTest::newRow("IPv6") << "tcp://[::1]:65535"
                              << "tcp ::1 65535 [::1]:65535";
        QTest::newRow("no port") << "tcp://rack7"
                                 << "no port number";
        QTest::newRow("junk after port") << "tcp://rack7:4999/x"
                                         << "junk after the port number: '/x'";
        QTest::newRow("port 65536") << "tcp://rack7:65536"
                                    << "port 65536 is out of range (1 to 65535)";
        QTest::newRow("port of 11 digits") << "tcp://rack7:42949672961"
                                           << "port 42949672961 is out of range (1 to 65535)";
        QTest::newRow("empty host") << "tcp://:4999"
                                    << "empty host";
        QTest::newRow("unbracketed IPv6") << "tcp://::1:4999"
                                          << "an IPv6 address must be in brackets";
        QTest::newRow("name in brackets") << "tcp://[rack7]:4999"
                                          << "'rack7' in brackets is not an IPv6 address";
        QTest::newRow("user in host") << "tcp://me@rack7:4999"
                                      << "'me@rack7' is not a host name";
        QTest::newRow("device path") << "/dev/ttyUSB0"
                                     << "not a network port name";
    }
    void names() {
        QFETCH(QString, path);
        QFETCH(QString, parsed);
        QString error;
        const auto name = ParseNetworkPortName(path, &error);
        const QString got =
            name ? QStringLiteral("%1 %2 %3 %4")
                       .arg(name->kind == NetworkPortKind::Tcp ? "tcp" : "rfc2217", name->host)
                       .arg(name->port)
                       .arg(name->hostAndPort())
                 : error;
        QVERIFY2(got.startsWith(parsed), qPrintable(got));
        QCOMPARE(NetworkPortKindOf(path).has_value(), path.contains(QLatin1String("://")));
    }

    // Each stream fed whole and byte by byte (an IAC, a command or a subnegotiation cut between
    // two reads) gives the same data and the same answers.
    void telnetStream_data() {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QByteArray>("baudAnswer");  // the SET-BAUDRATE answer seen, if any

        QTest::newRow("IAC IAC is one 0xFF")
            << Hex("41ffff42ffffffff0d43") << Hex("41ff42ffff0d43") << QByteArray() << QByteArray();
        QTest::newRow("commands carry no data")
            << Hex("41fff142fff943fff644") << Hex("41424344") << QByteArray() << QByteArray();
        QTest::newRow("subnegotiation with an escaped 0xFF")
            << Hex("fffa2c650000ffffe1fff044") << Hex("44") << QByteArray() << Hex("0000ffe1");
        QTest::newRow("other options refused, as often as offered")
            << Hex("fffb01 fffb01 fffd18 fffd18 fffb03") << QByteArray()
            << Hex("fffe01 fffe01 fffc18 fffc18 fffd03") << QByteArray();
        QTest::newRow("binary offered twice is answered once")
            << Hex("fffb00 fffd00 fffb00 fffd00 41") << Hex("41") << Hex("fffd00 fffb00")
            << QByteArray();
        QTest::newRow("a server's request in a subnegotiation is no answer")
            << Hex("fffa2c01000025 80fff0") << QByteArray() << QByteArray() << QByteArray();
    }
    void telnetStream() {
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, replies);
        QFETCH(QByteArray, baudAnswer);
        for (const bool split : {false, true}) {
            TelnetCodec codec;
            QByteArray gotData;
            QByteArray gotReplies;
            if (split)
                for (const char c : wire) codec.feed(QByteArray(1, c), &gotData, &gotReplies);
            else
                codec.feed(wire, &gotData, &gotReplies);
            QCOMPARE(gotData.toHex(' '), data.toHex(' '));
            QCOMPARE(gotReplies.toHex(' '), replies.toHex(' '));
            QCOMPARE(codec.comPortAnswer(kSetBaudRate).value_or(QByteArray()).toHex(),
                     baudAnswer.toHex());
        }
    }

    void telnetNegotiation() {
        TelnetCodec codec;
        // The server's DO COM-PORT-OPTION came before our request: it is answered at once and
        // not asked for again (asking again would wait for an answer that never comes).
        QByteArray data;
        QByteArray replies;
        codec.feed(Hex("fffd2c"), &data, &replies);
        QCOMPARE(replies, Hex("fffb2c"));
        QCOMPARE(codec.start(), Hex("fffb00 fffd00"));
        QVERIFY(!codec.negotiated());
        replies.clear();
        codec.feed(Hex("fffd00 fffc00"), &data, &replies);  // BINARY: yes from us, no from it
        QVERIFY(codec.negotiated());
        QCOMPARE(replies, QByteArray());
        QCOMPARE(codec.local(kBinary), TelnetCodec::Option::On);
        QCOMPARE(codec.remote(kBinary), TelnetCodec::Option::Refused);
        QCOMPARE(TelnetCodec::escape(Hex("ff00ffff")), Hex("ffff00ffffffff"));

        // A refusal before the request stands: nothing is asked that would wait for an answer.
        TelnetCodec early;
        early.feed(Hex("fffe2c"), &data, &replies);
        QCOMPARE(early.start(), Hex("fffb00 fffd00"));
        QCOMPARE(early.local(kComPortOption), TelnetCodec::Option::Refused);
    }

    // What open() and the first looks say about servers that cannot carry the device's line.
    void failures_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("server");  // which scripted server, or none
        QTest::addColumn<QString>("words");

        QTest::newRow("malformed name") << "tcp"
                                        << "rack7"
                                        << "malformed network port name: no port number (the "
                                           "form is tcp://HOST:PORT)";
        QTest::newRow("host not found") << "rfc2217"
                                        << "no-such-host.invalid:4999"
                                        << "no-such-host.invalid:4999: host not found";
        QTest::newRow("refused") << "tcp"
                                 << "refusing"
                                 << "connection refused";
        QTest::newRow("raw server closes at once") << "tcp"
                                                   << "closing"
                                                   << "the server closed the connection";
        QTest::newRow("telnet server closes at once") << "rfc2217"
                                                      << "closing"
                                                      << "the server closed the connection";
        QTest::newRow("option refused") << "rfc2217"
                                        << "refusing option"
                                        << "the server refused the serial port control option";
        QTest::newRow("binary refused") << "rfc2217"
                                        << "refusing binary"
                                        << "the server refused binary transmission";
        QTest::newRow("another baud rate") << "rfc2217"
                                           << "9600 baud"
                                           << "the server set 9600 baud instead of 57600";
        // The program closes (or Ctrl+C) while the server keeps silent: the wait ends at once.
        QTest::newRow("stopped") << "rfc2217"
                                 << "silent"
                                 << "stopped during the Telnet negotiation";
    }
    void failures() {
        QFETCH(QString, scheme);
        QFETCH(QString, server);
        QFETCH(QString, words);
        ScriptedTcpServer fake;
        QVERIFY(fake.listen());
        QString path = scheme + QStringLiteral("://") + server;
        if (server == QLatin1String("refusing")) {
            path = fake.url(qPrintable(scheme));
            fake.close();
        } else if (server == QLatin1String("closing")) {
            fake.closeAtOnce = true;
            path = fake.url(qPrintable(scheme));
        } else if (server == QLatin1String("refusing option")) {
            fake.greeting = Hex("fffe2c fffc2c fffd00 fffb00");
            path = fake.url(qPrintable(scheme));
        } else if (server == QLatin1String("refusing binary")) {
            fake.greeting = Hex("fffd2c fffe00 fffc00");
            path = fake.url(qPrintable(scheme));
        } else if (server == QLatin1String("9600 baud")) {
            fake.greeting = kAcceptingGreeting;
            fake.answer = AnswerSettings("00002580");
            path = fake.url(qPrintable(scheme));
        }

        if (server == QLatin1String("silent")) path = fake.url(qPrintable(scheme));

        std::unique_ptr<SerialPort> port = CreatePortFor(path);
        if (server == QLatin1String("silent"))
            QTimer::singleShot(50, [&port] { port->abortWait(); });
        bool failed = !port->open(path) || !port->setLineSettings();
        // A raw connection that the server drops at once fails at the first looks of the link.
        if (!failed) {
            QTRY_VERIFY((port->bytesWaiting(), port->hasFatalError()));
            QVERIFY(!port->isOpen());
        }
        QVERIFY2(port->errorString().contains(words), qPrintable(port->errorString()));
    }

    // The user's named ports: what may be kept, the order kept, a file edited by hand, and where
    // the search finds them.
    void namedPorts() {
        const QList<NetworkPortEntry> kept = {{"Rack 7", "tcp://rack7:4999"},
                                              {"Lab", "rfc2217://[::1]:7001"}};
        const struct {
            NetworkPortEntry entry;
            const char* problem;
        } cases[] = {
            {{"Bench", "tcp://10.0.0.5:4001"}, ""},
            {{" ", "tcp://10.0.0.5:4001"}, "the name is empty"},
            {{"rack 7", "tcp://a:1"}, "the name 'rack 7' is already used"},
            {{"A=B", "tcp://a:1"}, "the name may not contain '='"},
            {{"dev/x", "tcp://a:1"}, "the name may not contain '/'"},
            {{"New", ""}, "the address is empty"},
            {{"New", "/dev/ttyUSB0"}, "the address is not tcp://HOST:PORT or rfc2217://HOST:PORT"},
            {{"New", "tcp://rack7"}, "the address: no port number"},
        };
        for (const auto& c : cases)
            QCOMPARE(NetworkPortEntryProblem(c.entry, kept), QString::fromUtf8(c.problem));

        QTemporaryDir dir;
        const QString ini = dir.filePath("sub/network-ports.ini");
        NetworkPortStore store(ini);
        QVERIFY(store.load().isEmpty());
        QVERIFY(store.save(kept));
        QCOMPARE(store.load(), kept);
        QString error;
        QVERIFY(!store.save({kept[0], {"Rack 7", "tcp://b:2"}}, &error));
        QCOMPARE(error, QStringLiteral("Rack 7: the name 'Rack 7' is already used"));
        QCOMPARE(store.load(), kept);
        {
            QSettings hand(ini, QSettings::IniFormat);
            hand.setValue("ports/3/name", "Broken");
            hand.setValue("ports/3/address", "tcp://x");
            hand.setValue("ports/size", 3);
        }
        QCOMPARE(store.load(), kept);

        // After the local ports; a name a local port has stays the local port's.
        auto local = std::make_unique<FixedPortLister>(
            QList<QPair<QString, QString>>{{"ttyUSB0", "/dev/ttyUSB0"}, {"Lab", "/dev/pts/9"}});
        NetworkPortLister lister(std::move(local), store);
        QCOMPARE(lister.ListSerialPorts(), QStringList({"ttyUSB0", "Lab", "Rack 7"}));
        QCOMPARE(lister.pathFor("Rack 7"), QStringLiteral("tcp://rack7:4999"));
        QCOMPARE(lister.pathFor("Lab"), QStringLiteral("/dev/pts/9"));
        QCOMPARE(lister.networkPorts()->location(), ini);
    }

    // The bytes on the wire: the settings asked for, data with 0xFF doubled, and data coming in
    // with IAC IAC split over two reads undoubled.
    void rfc2217Wire() {
        ScriptedTcpServer fake;
        QVERIFY(fake.listen());
        fake.greeting = kAcceptingGreeting;
        fake.answer = AnswerSettings("0000e100");
        Rfc2217SerialPort port;
        QVERIFY2(port.open(fake.url("rfc2217")), qPrintable(port.errorString()));
        QVERIFY2(port.setLineSettings(), qPrintable(port.errorString()));
        QCOMPARE(fake.received.toHex(' '),
                 Hex("fffb2c fffb00 fffd00"
                     "fffa2c010000e100fff0 fffa2c0208fff0 fffa2c0301fff0 fffa2c0401fff0 "
                     "fffa2c0501fff0")
                     .toHex(' '));
        fake.received.clear();
        QCOMPARE(port.write(Hex("ff0d00ff")), 4);
        QTRY_COMPARE(fake.received.toHex(' '), Hex("ffff0d00ffff").toHex(' '));

        QTcpSocket* client = fake.clients.constLast();
        client->write(Hex("a1ff"));
        client->flush();
        QTRY_COMPARE(port.bytesWaiting(), 1);
        client->write(Hex("ff41"));
        client->flush();
        QTRY_COMPARE(port.bytesWaiting(), 3);
        QCOMPARE(port.read(3), Hex("a1ff41"));

        // The server goes away in the middle of the session: a pulled cable.
        client->close();
        QTRY_VERIFY((port.bytesWaiting(), port.hasFatalError()));
        QVERIFY2(port.errorString().endsWith(QLatin1String(": the server closed the connection")),
                 qPrintable(port.errorString()));
        QCOMPARE(port.write("x"), -1);
    }

    // A close right behind the last frame (an operation's end notice): the frame reaches the
    // device's line, round after round, through ser2net, which drops bytes a close follows at
    // once. Also when the device has sent bytes nobody read (the system would otherwise answer
    // the server with a reset).
    void closeLetsLastBytesReachTheLine_data() {
        QTest::addColumn<bool>("rfc2217");
        QTest::addColumn<bool>("unreadAnswer");
        QTest::newRow("raw TCP") << false << false;
        QTest::newRow("raw TCP, answer unread") << false << true;
        QTest::newRow("RFC 2217") << true << false;
        QTest::newRow("RFC 2217, answer unread") << true << true;
    }
    void closeLetsLastBytesReachTheLine() {
        QFETCH(bool, rfc2217);
        QFETCH(bool, unreadAnswer);
        if (Ser2net::program().isEmpty())
            QSKIP("ser2net is not installed (Debian package ser2net; setup.sh installs it)");
        Pty pty;
        QVERIFY(pty.ok());
        QTemporaryDir dir;
        Ser2net server;
        QString error;
        QVERIFY2(server.start({{pty.slaveName(), rfc2217}}, dir.path(), &error), qPrintable(error));
        for (int round = 0; round < 25; ++round) {
            std::unique_ptr<TcpSerialPort> port(rfc2217 ? new Rfc2217SerialPort
                                                        : new TcpSerialPort);
            QVERIFY2(port->open(server.url(0)) && port->setLineSettings(),
                     qPrintable(port->errorString()));
            // As an operation does: a command and its answer first (ser2net opens the line when
            // a connection comes, and what arrives before it is open may go nowhere).
            QCOMPARE(port->write(Hex("10")), 1);
            QVERIFY(pty.take(Hex("10")).endsWith(Hex("10")));
            QVERIFY(pty.answer(Hex("a1")));
            QTRY_COMPARE(port->bytesWaiting(), 1);
            QCOMPARE(port->read(1), Hex("a1"));
            if (unreadAnswer) {
                QVERIFY(pty.answer(Hex("a10001")));
                QTest::qWait(5);
            }
            const QByteArray frame = Hex("11ff00a5") + QByteArray(1, char(round));
            QCOMPARE(port->write(frame), frame.size());
            port->close();
            QVERIFY2(pty.take(frame).contains(frame),
                     qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }

    // A close with an answer come in that nobody read: the server has the last bytes and then
    // the end of the stream, no reset (which would drop what the server has not yet read).
    void closeIsNoReset() {
        ScriptedTcpServer fake;
        QVERIFY(fake.listen());
        TcpSerialPort port;
        QVERIFY2(port.open(fake.url("tcp")), qPrintable(port.errorString()));
        QTRY_COMPARE(fake.clients.size(), 1);
        QTcpSocket* client = fake.clients.constLast();
        client->write(Hex("a100"));  // an answer the port never reads
        client->flush();
        QTest::qWait(20);
        QCOMPARE(port.write(Hex("11ff")), 2);
        port.close();
        QVERIFY(!port.isOpen());
        QTRY_COMPARE(fake.received, Hex("11ff"));
        QTRY_COMPARE(client->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(client->error(), QAbstractSocket::RemoteHostClosedError);
    }
};

QTEST_GUILESS_MAIN(TestLinkNetwork)
#include "tst_link_network.moc"
