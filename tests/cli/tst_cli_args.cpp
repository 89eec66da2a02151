// varnok-cli's command line: where options may stand, how operands that look like options are
// given, and which port --port opens.

#include <QtTest>

#include "cli/CliArgs.h"
#include "cli/CliSession.h"

using namespace varnok::cli;

class TstCliArgs : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void portNamesAndPaths();
};

void TstCliArgs::accepted_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<bool>("verify");

    QTest::newRow("options after the operands")
        << QStringList{"upload", "a.bin", "--verify", "--port", "ttyUSB0"} << "ttyUSB0"
        << "upload" << QStringList{"a.bin"} << true;
    QTest::newRow("--port=value and -p") << QStringList{"--port=/dev/pts/4", "info"} << "/dev/pts/4"
                                         << "info" << QStringList{} << false;
    QTest::newRow("short port option") << QStringList{"-p", "COM12", "info"} << "COM12"
                                       << "info" << QStringList{} << false;
    QTest::newRow("standard input") << QStringList{"import-hex", "-", "out.bin"} << ""
                                    << "import-hex" << QStringList{"-", "out.bin"} << false;
    QTest::newRow("an operand that starts with a dash")
        << QStringList{"analyze", "--", "-odd.bin"} << ""
        << "analyze" << QStringList{"-odd.bin"} << false;
}

void TstCliArgs::accepted() {
    QFETCH(QStringList, args);
    const ParsedArgs p = ParseArguments(args);
    QVERIFY2(p.args, qPrintable(p.error));
    QTEST(p.args->port, "port");
    QTEST(p.args->command, "command");
    QTEST(p.args->operands, "operands");
    QTEST(p.args->verify, "verify");
}

void TstCliArgs::portNamesAndPaths() {
    qputenv("VARNOK_PORTS", "EMU1=/tmp/pty-a,EMU2=/tmp/pty-b,/tmp/pty-c");
    const auto listed = ListPorts();
    QCOMPARE(listed.size(), 3);
    QCOMPARE(listed[2], (QPair<QString, QString>{"/tmp/pty-c", "/tmp/pty-c"}));
    // A listed name opens its own path, never another's.
    QCOMPARE(ResolvePort("EMU2").second, QStringLiteral("/tmp/pty-b"));
    // A path is taken as it stands, listed or not.
    QCOMPARE(ResolvePort("/dev/pts/9").second, QStringLiteral("/dev/pts/9"));
#ifndef _WIN32
    // A plain name the list does not hold opens as the system names its devices.
    QCOMPARE(ResolvePort("ttyUSB7").second, QStringLiteral("/dev/ttyUSB7"));
#endif
    // Set but empty: no port at all (the system's list is never read then).
    qputenv("VARNOK_PORTS", "");
    QVERIFY(ListPorts().isEmpty());
    qunsetenv("VARNOK_PORTS");
}

QTEST_GUILESS_MAIN(TstCliArgs)
#include "tst_cli_args.moc"
