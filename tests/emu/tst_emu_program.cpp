// The varnok-emu program: options, the slave path on stdout, the frame log, a clean stop.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/emu/PtyClient.h"

class TstEmuProgram : public QObject {
    Q_OBJECT
private slots:
    void servesUntilTerminated();
    void ispBannerWithEscapes();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();

private:
    static QString startEmu(QProcess& p, const QStringList& args) {
        p.start(QStringLiteral(VARNOK_EMU_PATH), args);
        if (!p.waitForStarted(5000) || !p.waitForReadyRead(5000)) return {};
        return QString::fromLocal8Bit(p.readLine()).trimmed();
    }
};

void TstEmuProgram::servesUntilTerminated() {
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    QFile edid(dir.filePath("user.bin"));
    QVERIFY(edid.open(QIODevice::WriteOnly));
    edid.write(QByteArray(256, char(0x42)));
    edid.close();

    QProcess p;
    const QString path = startEmu(p, {"--id", "ABC", "--model", "M\\x31", "--user", edid.fileName(),
                                      "--fault", "silent@2", "--log", log});
    QVERIFY(path.startsWith("/dev/"));
    {
        PtyClient host(path);
        QVERIFY(host.send(PtyClient::header(false, 9, 3)));
        QCOMPARE(host.read(6), QByteArray::fromHex("A10000") + "ABC");
        QVERIFY(host.send(PtyClient::header(false, 1, 5)));
        QCOMPARE(host.read(8), QByteArray::fromHex("A10000") + QByteArray("M1\0\0\0", 5));
        QVERIFY(host.send(PtyClient::header(false, 2, 4)));
        QCOMPARE(host.readFor(100), QByteArray());
        QVERIFY(host.send(PtyClient::header(true, 264, 1) + char(0) +
                          PtyClient::header(false, 261, 128)));
        QCOMPARE(host.read(134).mid(6), QByteArray(128, char(0x42)));
    }
    p.terminate();
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);

    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.contains(" W=0 code=9 count=3 data=\n"));
    QVERIFY(text.contains(" W=1 code=264 count=1 data=00\n"));
}

void TstEmuProgram::ispBannerWithEscapes() {
    QProcess p;
    const QString path = startEmu(p, {"--mode", "isp", "--isp-banner", "ISP029\\x21"});
    QVERIFY(!path.isEmpty());
    {
        PtyClient host(path);
        QVERIFY(host.readFor(200).contains("ISP029!ISP029!"));
    }
    p.kill();
    p.waitForFinished(5000);
}

void TstEmuProgram::badOptionsAreRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("mode") << QStringList{"--mode", "bogus"};
    QTest::newRow("fault") << QStringList{"--fault", "sometimes"};
    QTest::newRow("missing file") << QStringList{"--internal", "/nonexistent/x.bin"};
}

void TstEmuProgram::badOptionsAreRefused() {
    QFETCH(QStringList, args);
    QProcess p;
    p.start(QStringLiteral(VARNOK_EMU_PATH), args);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    QVERIFY(p.readAllStandardError().startsWith("varnok-emu: "));
}

QTEST_GUILESS_MAIN(TstEmuProgram)
#include "tst_emu_program.moc"
