// varnok-cli against devices on the network, as a lab reaches them: ser2net (the real server,
// raw TCP and RFC 2217) serving emulated devices on pseudo-terminals; a relay in front of it for
// a slow network and for a connection cut in the middle of a transfer; and scripted servers that
// refuse. VARNOK_PORTS is always set, so no run lists or probes the machine's own ports.

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <memory>

#include "link/NetworkPortStore.h"
#include "tests/support/Ser2net.h"
#include "tests/support/ScriptedTcpServer.h"
#include "tests/support/TcpRelay.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/DefaultEdid.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;
using namespace varnok::test;

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

// Runs varnok-cli and waits for it with the event loop running, so that the relay and the
// scripted servers of this process go on serving; a run that has not ended within a minute hangs.
Result Run(const QStringList& args, const QString& ports = {}, const QString& configHome = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNOK_PORTS"), ports);
    if (!configHome.isEmpty()) env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    p.setProcessEnvironment(env);
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(VARNOK_CLI_PATH), args);
    p.closeWriteChannel();
    if (p.state() != QProcess::NotRunning) loop.exec();
    Result r;
    r.ms = clock.elapsed();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
        r.err = "varnok-cli hung\n";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err += p.readAllStandardError();
    return r;
}

std::unique_ptr<EmulatedDevice> StartDevice(bool isp = false) {
    EmulatorConfig c;
    if (isp) {
        c.mode = EmulatorConfig::Mode::Isp;
        c.ispVariant = 1;
        c.ispBanner = "ISP029 loader\r\n";
    }
    auto d = std::make_unique<EmulatedDevice>(c);
    QString error;
    if (!d->start(&error)) qFatal("emulator: %s", qPrintable(error));
    return d;
}

// A valid EDID full of 0xFF followed by the bytes Telnet gives a meaning after it (WILL, SB,
// SE, DO, DONT), and CR, where the extension pads after its last detailed timing: an undoubled
// or wrongly undoubled 0xFF changes it.
QByteArray FfHeavyImage() {
    QByteArray img = defaultEmulatorEdid(EmuStore::User);
    img[16] = 0x2A;
    const QByteArray pattern = QByteArray::fromHex("fffffbfffafff0ff0dff00fffdfffeffff");
    for (int i = 0xB6; i < 0xFF; ++i) img[i] = pattern[(i - 0xB6) % pattern.size()];
    fixEdidChecksums(img);
    return img;
}

// The end-of-operation notice, the last frame of every run, as Frames() lists it.
const QString kEndNotice = QStringLiteral("0 1 11 ");

// What the device received, frame by frame, without the status polls (their number depends on
// how long a run takes).
QStringList Frames(const EmulatedDevice& d) {
    QStringList frames;
    for (const FrameRecord& f : d.frames())
        if (f.kind != FrameRecord::Kind::Api || f.w || f.code != 257)
            frames << QStringLiteral("%1 %2 %3 %4")
                          .arg(int(f.kind))
                          .arg(f.w)
                          .arg(f.code)
                          .arg(QString::fromLatin1(f.data.toHex()));
    return frames;
}

}  // namespace

class TstCliNetwork : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void commandsOverBothKinds_data();
    void commandsOverBothKinds();
    void slowNetwork_data();
    void slowNetwork();
    void namedPorts();
    void parallelProcesses();
    void interruptedNegotiation();
    void connectionCut_data();
    void connectionCut();
    void badPorts_data();
    void badPorts();

private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    // ser2net serving the devices' lines, all of one kind.
    void serve(Ser2net& server, const QList<EmulatedDevice*>& devices, bool rfc2217);

    QTemporaryDir dir_;
    QByteArray firmware_;
};

void TstCliNetwork::initTestCase() {
    if (Ser2net::program().isEmpty())
        QSKIP("ser2net is not installed (Debian package ser2net; setup.sh installs it)");
    QVERIFY(dir_.isValid());
    QVERIFY(WriteAll(path("ff.bin"), FfHeavyImage()));
    // Firmware of the ISP029 kind: 20 blocks of 128 bytes, every byte value, 0xFF included.
    firmware_.resize(20 * 128);
    for (int i = 0; i < firmware_.size(); ++i) firmware_[i] = char(i * 7);
    QVERIFY(WriteAll(path("fw.bin"), firmware_));
}

void TstCliNetwork::serve(Ser2net& server, const QList<EmulatedDevice*>& devices, bool rfc2217) {
    QList<Ser2net::Line> lines;
    for (EmulatedDevice* d : devices) lines.append({d->slavePath(), rfc2217});
    QString error;
    QVERIFY2(server.start(lines, dir_.path(), &error), qPrintable(error));
}

void TstCliNetwork::commandsOverBothKinds_data() {
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("raw TCP") << false;
    QTest::newRow("RFC 2217") << true;
}

void TstCliNetwork::commandsOverBothKinds() {
    QFETCH(bool, rfc2217);
    auto device = StartDevice();
    auto isp = StartDevice(true);
    Ser2net server;
    serve(server, {device.get(), isp.get()}, rfc2217);
    if (QTest::currentTestFailed()) return;
    const QString url = server.url(0);

    // The search finds the device on a network port named in VARNOK_PORTS.
    Result r = Run({"--json", "info"}, "LAB=" + url);
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(QJsonDocument::fromJson(r.out)["port"].toString(), QStringLiteral("LAB"));
    QCOMPARE(QJsonDocument::fromJson(r.out)["model"].toString(), QStringLiteral("VK-01"));

    r = Run({"--port", url, "download", "internal", path("internal.bin")});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(ReadAll(path("internal.bin")), device->store(EmuStore::Internal));

    // The device hears over the network exactly what it hears over a local line, up to the end
    // notice that varnok-cli writes just before it closes the connection (a server may drop
    // bytes followed at once by the close). The server passes it on after varnok-cli has ended.
    auto local = StartDevice();
    QTRY_VERIFY(Frames(*device).endsWith(kEndNotice));
    device->clearFrames();
    r = Run({"--port", url, "upload", path("ff.bin"), "--verify"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(device->store(EmuStore::User).toHex(), FfHeavyImage().toHex());
    QVERIFY(Run({"--port", local->slavePath(), "upload", path("ff.bin"), "--verify"}).status == 0);
    QTRY_VERIFY(Frames(*device).endsWith(kEndNotice) && Frames(*local).endsWith(kEndNotice));
    QCOMPARE(Frames(*device), Frames(*local));

    r = Run({"--port", url, "download", "user", path("back.bin")});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(ReadAll(path("back.bin")).toHex(), FfHeavyImage().toHex());

    r = Run({"--port", url, "--json", "analyze", "user"});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(QJsonDocument::fromJson(r.out)["rows"].toArray().size(), 14);

    r = Run({"--port", server.url(1), "firmware", path("fw.bin")});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(isp->rom().left(firmware_.size()).toHex(), firmware_.toHex());
}

void TstCliNetwork::slowNetwork_data() {
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<int>("delayMs");  // each way
    QTest::newRow("raw TCP, 20 ms") << false << 20;
    QTest::newRow("RFC 2217, 20 ms") << true << 20;
    // Longer than the search's 160 ms pause for the model name, and at 200 ms than its 360 ms
    // probe: the waits go on until the answer is in.
    QTest::newRow("raw TCP, 100 ms") << false << 100;
    QTest::newRow("RFC 2217, 200 ms") << true << 200;
}

namespace {

// Runs args until the device is found. On a loaded machine the search's answers may come after
// its fixed pauses (over the relay, ser2net and the emulated device), and varnok-cli rightly finds
// no device (status 4) or says the device did not tell its model name; that run says nothing of
// the operation, so it runs again. Any other outcome is the command's.
Result RunFound(const QStringList& args) {
    Result r;
    for (int run = 0; run < 5; ++run) {
        r = Run(args);
        if (r.status != 4 && !r.err.contains("did not tell its model name")) break;
    }
    return r;
}

}  // namespace

void TstCliNetwork::slowNetwork() {
    // The search, a download and an upload with read-back all complete over a slow network. The
    // times are printed for the record, not judged.
    QFETCH(bool, rfc2217);
    QFETCH(int, delayMs);
    auto device = StartDevice();
    Ser2net server;
    serve(server, {device.get()}, rfc2217);
    if (QTest::currentTestFailed()) return;
    // The same upload without the relay first: a server's line takes one client at a time, and
    // the relay's last connection closes a little after varnok-cli has ended.
    const Result direct = RunFound({"--port", server.url(0), "upload", path("ff.bin"), "--verify"});
    QVERIFY2(direct.status == 0, direct.err);
    TcpRelay relay(server.host(), server.port(0), delayMs);
    QVERIFY(relay.listen());
    const QString url = relay.url(rfc2217 ? "rfc2217" : "tcp");

    const Result info = Run({"--json", "info"}, "LAB=" + url);
    QVERIFY2(info.status == 0, info.err);
    QCOMPARE(QJsonDocument::fromJson(info.out)["model"].toString(), QStringLiteral("VK-01"));
    const Result down = RunFound({"--port", url, "download", "internal", path("slow.bin")});
    QVERIFY2(down.status == 0, down.err);
    QCOMPARE(ReadAll(path("slow.bin")), device->store(EmuStore::Internal));
    const Result up = RunFound({"--port", url, "upload", path("ff.bin"), "--verify"});
    QVERIFY2(up.status == 0, up.err);
    QCOMPARE(device->store(EmuStore::User).toHex(), FfHeavyImage().toHex());
    qInfo(
        "over a %d ms relay: search %lld ms, download %lld ms, upload with read-back %lld ms "
        "(%lld ms without the relay)",
        delayMs, info.ms, down.ms, up.ms, direct.ms);
}

void TstCliNetwork::namedPorts() {
    // The ports the user named in the window are listed after VARNOK_PORTS's, probed, and taken
    // by name.
    auto device = StartDevice();
    Ser2net server;
    serve(server, {device.get()}, false);
    if (QTest::currentTestFailed()) return;
    const QString home = path("config");
    QVERIFY(NetworkPortStore(home + "/Varnok/network-ports.ini")
                .save({{"Rack 7", server.url(0)}, {"Gone", "tcp://127.0.0.1:1"}}));

    Result r = Run({"ports"}, "LOCAL=/dev/null", home);
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(QString::fromUtf8(r.out),
             "LOCAL\t/dev/null\nRack 7\t" + server.url(0) + "\nGone\ttcp://127.0.0.1:1\n");

    r = Run({"--json", "ports", "--probe"}, "", home);
    QVERIFY2(r.status == 0, r.err);
    const QJsonArray ports = QJsonDocument::fromJson(r.out)["ports"].toArray();
    QCOMPARE(ports.size(), 2);
    QCOMPARE(ports[0]["state"].toString(), QStringLiteral("device"));
    QVERIFY2(ports[1]["reason"].toString().contains("connection refused"), r.out);

    r = Run({"--json", "--port", "Rack 7", "info"}, "", home);
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(QJsonDocument::fromJson(r.out)["port"].toString(), QStringLiteral("Rack 7"));
}

void TstCliNetwork::parallelProcesses() {
    // One process per network port, all at once, as with local ports: each gets its own device's
    // EDID, and the device on the RFC 2217 line an upload.
    auto a = StartDevice();
    auto b = StartDevice();
    Ser2net raw;
    Ser2net telnet;
    serve(raw, {a.get()}, false);
    serve(telnet, {b.get()}, true);
    if (QTest::currentTestFailed()) return;
    const QList<QStringList> runs = {
        {"--port", raw.url(0), "download", "internal", path("pa.bin")},
        {"--port", telnet.url(0), "upload", path("ff.bin"), "--verify"},
    };
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& args : runs) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(VARNOK_CLI_PATH), args);
    }
    for (auto& p : processes) {
        QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 30000);
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError());
    }
    QCOMPARE(ReadAll(path("pa.bin")), a->store(EmuStore::Internal));
    QCOMPARE(b->store(EmuStore::User).toHex(), FfHeavyImage().toHex());
}

void TstCliNetwork::interruptedNegotiation() {
    // Ctrl+C while a Telnet server keeps silent: the connect or negotiation wait (up to 3 s)
    // ends at once and the run exits as interrupted, the file kept as it was.
    ScriptedTcpServer silent;
    QVERIFY(silent.listen());
    const QByteArray kept("an older file");
    QVERIFY(WriteAll(path("kept.bin"), kept));
    QProcess p;
    p.start(QStringLiteral(VARNOK_CLI_PATH), {"--verbose", "--port", silent.url("rfc2217"),
                                              "download", "internal", path("kept.bin")});
    QTRY_VERIFY(!silent.clients.isEmpty());
    ::kill(pid_t(p.processId()), SIGINT);
    QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 30000);
    QCOMPARE(p.exitCode(), 130);
    const QByteArray err = p.readAllStandardError();
    // The debug log names why the port did not open: the wait was stopped, it did not time out.
    QVERIFY2(err.contains(silent.url("rfc2217").mid(10).toUtf8() + ": stopped ") &&
                 err.contains("interrupted"),
             err);
    QCOMPARE(ReadAll(path("kept.bin")), kept);
}

void TstCliNetwork::connectionCut_data() {
    QTest::addColumn<bool>("isp");
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<int>("cutAfter");  // bytes from varnok-cli that reach the device
    // Raw: the search's four frames (16 bytes), notice 10 (4), the header of code 261 (4), then
    // 64 of its 128 paced data bytes.
    QTest::newRow("mid-upload") << false << false << 16 + 4 + 4 + 64;
    // Some 1000 bytes into the 20 firmware blocks of about 130 bytes each, Telnet's included.
    QTest::newRow("mid-firmware block") << true << true << 1000;
}

void TstCliNetwork::connectionCut() {
    QFETCH(bool, isp);
    QFETCH(bool, rfc2217);
    QFETCH(int, cutAfter);
    auto device = StartDevice(isp);
    const QByteArray userBefore = device->store(EmuStore::User);
    Ser2net server;
    serve(server, {device.get()}, rfc2217);
    if (QTest::currentTestFailed()) return;
    TcpRelay relay(server.host(), server.port(0), 0, cutAfter);
    QVERIFY(relay.listen());
    const QString url = relay.url(rfc2217 ? "rfc2217" : "tcp");

    const Result r = isp ? Run({"--port", url, "firmware", path("fw.bin")})
                         : Run({"--port", url, "upload", path("ff.bin")});
    QVERIFY(relay.hasCut());
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("the connection to the device was lost") ||
                 r.err.contains("the connection was lost"),
             r.err);
    if (isp)
        QVERIFY(device->rom().left(firmware_.size()) != firmware_);
    else
        QCOMPARE(device->store(EmuStore::User), userBefore);
}

void TstCliNetwork::badPorts_data() {
    // Exit status 2 for a malformed name (usage), 1 for I/O; nothing written either way. The words
    // of each failure are tst_link_network's.
    QTest::addColumn<QString>("port");  // {fake:tcp} for the scripted server
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("words");
    QTest::addColumn<int>("status");

    QTest::newRow("no port number") << "tcp://127.0.0.1"
                                    << ""
                                    << "no port number" << 2;
    QTest::newRow("junk after the port") << "rfc2217://lab:7001/x"
                                         << ""
                                         << "junk after the port number" << 2;
    QTest::newRow("refused") << "{fake:tcp}"
                             << "refusing"
                             << "connection refused" << 1;
    QTest::newRow("raw server closes at once") << "{fake:tcp}"
                                               << "closing"
                                               << "the server closed the connection" << 1;
}

void TstCliNetwork::badPorts() {
    QFETCH(QString, port);
    QFETCH(QString, server);
    QFETCH(QString, words);
    QFETCH(int, status);
    ScriptedTcpServer fake;
    QVERIFY(fake.listen());
    fake.closeAtOnce = server == QLatin1String("closing");
    port.replace(QStringLiteral("{fake:tcp}"), fake.url("tcp"));
    if (server == QLatin1String("refusing")) fake.close();

    const QByteArray kept("an older file");
    QVERIFY(WriteAll(path("keep.bin"), kept));
    const Result r = Run({"--port", port, "download", "internal", path("keep.bin")});
    QCOMPARE(r.status, status);
    QVERIFY2(
        r.err.startsWith("varnok-cli: " + port.toUtf8() + ": ") && r.err.contains(words.toUtf8()),
        r.err);
    QCOMPARE(ReadAll(path("keep.bin")), kept);
}

QTEST_GUILESS_MAIN(TstCliNetwork)
#include "tst_cli_network.moc"
