// The port seam: the Windows path rule, the fixed lister, and QtSerialPort on a raw
// pseudo-terminal (bytes waiting without an event loop, input discard, a hung-up line).

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>

#include "link/PortListers.h"
#include "link/QtSerialPort.h"

using namespace varnok;

class TestLinkPorts : public QObject {
    Q_OBJECT

    int master = -1;
    QString slavePath;

    void masterWrite(const QByteArray& bytes) {
        QCOMPARE(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
    QByteArray masterRead() {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }

private slots:
    void init() {
        int slave = -1;
        char name[128] = {};
        QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        ::close(slave);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        slavePath = QString::fromLocal8Bit(name);
    }
    void cleanup() {
        if (master >= 0) ::close(master);
        master = -1;
    }

    void windowsPortPath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << "COM1"
                              << "COM1";
        QTest::newRow("COM9") << "COM9"
                              << "COM9";
        QTest::newRow("COM10") << "COM10"
                               << "\\\\.\\COM10";
        QTest::newRow("COM256") << "COM256"
                                << "\\\\.\\COM256";
        QTest::newRow("not a number") << "CNCA0"
                                      << "\\\\.\\CNCA0";
        QTest::newRow("digit and letter") << "COM1A"
                                          << "\\\\.\\COM1A";
        QTest::newRow("short") << "COM"
                               << "\\\\.\\COM";
    }
    void windowsPortPath() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(WindowsPortPath(name), path);
    }

    void fixedLister() {
        FixedPortLister lister({{"EMU1", "/dev/pts/91"}, {"EMU2", "/dev/pts/92"}});
        lister.addPort("EMU3", "/dev/pts/93");
        QCOMPARE(lister.ListSerialPorts(), (QStringList{"EMU1", "EMU2", "EMU3"}));
        QCOMPARE(lister.pathFor("EMU2"), QStringLiteral("/dev/pts/92"));
        QVERIFY(lister.createPort(lister.pathFor("EMU1")) != nullptr);
    }

    void fatalErrors_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("hungUp");
        QTest::addColumn<bool>("fatal");
        QTest::newRow("resource, hung up") << int(QSerialPort::ResourceError) << true << true;
        QTest::newRow("resource, busy queue") << int(QSerialPort::ResourceError) << false << false;
        QTest::newRow("read, hung up") << int(QSerialPort::ReadError) << true << true;
        QTest::newRow("modem lines on a pty")
            << int(QSerialPort::UnsupportedOperationError) << true << false;
        QTest::newRow("nothing waiting") << int(QSerialPort::TimeoutError) << true << false;
    }
    void fatalErrors() {
        QFETCH(int, error);
        QFETCH(bool, hungUp);
        QFETCH(bool, fatal);
        QCOMPARE(QtSerialPort::isFatal(QSerialPort::SerialPortError(error), hungUp), fatal);
    }

    void openFailsForAMissingPath() {
        QtSerialPort port;
        QVERIFY(!port.open(QStringLiteral("/dev/varnok-no-such-port")));
        QVERIFY(!port.isOpen());
        QVERIFY(!port.errorString().isEmpty());
        QCOMPARE(port.bytesWaiting(), 0);
        QVERIFY(port.read(10).isEmpty());
    }

    void readWriteWithoutEventLoop() {
        QtSerialPort port;
        QVERIFY(port.open(slavePath));
        QVERIFY(port.setLineSettings());
        // Each write leaves at once.
        QCOMPARE(port.write(QByteArray::fromHex("0009030d")), 4);
        QCOMPARE(masterRead(), QByteArray::fromHex("0009030d"));
        // Bytes the system holds are counted without any event processing.
        masterWrite(QByteArray("\xA1\x00\x00QEV", 6));
        QElapsedTimer t;
        t.start();
        while (port.bytesWaiting() < 6 && t.elapsed() < 2000) QThread::msleep(5);
        QCOMPARE(port.bytesWaiting(), 6);
        QCOMPARE(port.read(4), QByteArray("\xA1\x00\x00Q", 4));
        QCOMPARE(port.bytesWaiting(), 2);
        port.discardInput();
        QCOMPARE(port.bytesWaiting(), 0);
        QVERIFY(!port.hasFatalError());
        port.close();
        QVERIFY(!port.isOpen());
    }

    void hungUpLineIsFatalAndClosed() {
        QtSerialPort port;
        QVERIFY(port.open(slavePath));
        QVERIFY(port.setLineSettings());
        ::close(master);
        master = -1;
        QTRY_VERIFY(port.hasFatalError());
        QTRY_VERIFY(!port.isOpen());  // closed, so Qt stops reporting the dead line
        QVERIFY(!port.errorString().isEmpty());
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.write("x"), -1);
    }
};

QTEST_GUILESS_MAIN(TestLinkPorts)
#include "tst_link_ports.moc"
