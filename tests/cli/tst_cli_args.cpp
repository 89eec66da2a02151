// varnok-cli's command line: where options may stand, how operands that look like options are
// given, what is refused and in which words, that the man page and --help list the command table,
// and which port --port opens.

#include <QRegularExpression>
#include <QtTest>

#include "cli/CliArgs.h"
#include "cli/CliCommandTable.h"
#include "cli/CliSession.h"
#include "tests/support/TestFiles.h"

using namespace varnok;
using namespace varnok::cli;

namespace {

// The .TP tags of one section of a man page as they read: each is the font-macro lines after
// .TP; the two-font macros (.BR, .BI, ...) join their arguments without spaces, .B with one.
QStringList ManTags(const QString& page, const QString& section) {
    static const QRegularExpression word(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
    static const QRegularExpression fontMacro(QStringLiteral("^\\.[BIR]{1,2}$"));
    QStringList tags;
    bool inSection = false;
    bool inTag = false;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH "))) inSection = line.mid(4) == section;
        const QString macro = line.section(QLatin1Char(' '), 0, 0);
        if (inSection && inTag && fontMacro.match(macro).hasMatch()) {
            QStringList args;
            for (auto it = word.globalMatch(line.mid(macro.size())); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                args << (m.hasCaptured(1) ? m.captured(1) : m.captured(2));
            }
            QString text = args.join(macro.size() == 3 ? QString() : QStringLiteral(" "));
            text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
            text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
            tags.last() += (tags.last().isEmpty() ? QString() : QStringLiteral(" ")) + text;
            continue;
        }
        inTag = inSection && line == QLatin1String(".TP");
        if (inTag) tags << QString();
    }
    return tags;
}

// A line of `text` that is "  TAG", alone or followed by its help.
bool HasEntry(const QString& text, const QString& tag) {
    const QString start = QStringLiteral("  ") + tag;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line == start || line.startsWith(start + QLatin1Char(' '))) return true;
    return false;
}

}  // namespace

class TstCliArgs : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void tableMatchesManPageAndHelp();
    void portNamesAndPaths();
};

void TstCliArgs::accepted_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<QStringList>("options");  // the command's own: "name" or "name=value"

    QTest::newRow("options after the operands")
        << QStringList{"upload", "a.bin", "--verify", "--port", "ttyUSB0"} << "ttyUSB0"
        << "upload" << QStringList{"a.bin"} << QStringList{"verify"};
    QTest::newRow("--port=value and -p") << QStringList{"--port=/dev/pts/4", "info"} << "/dev/pts/4"
                                         << "info" << QStringList{} << QStringList{};
    QTest::newRow("short port option") << QStringList{"-p", "COM12", "info"} << "COM12"
                                       << "info" << QStringList{} << QStringList{};
    QTest::newRow("standard input") << QStringList{"import-hex", "-", "out.bin"} << ""
                                    << "import-hex" << QStringList{"-", "out.bin"} << QStringList{};
    QTest::newRow("an operand that starts with a dash")
        << QStringList{"analyze", "--", "-odd.bin"} << ""
        << "analyze" << QStringList{"-odd.bin"} << QStringList{};
    QTest::newRow("option words after --")
        << QStringList{"compare", "--", "--verify", "-p"} << ""
        << "compare" << QStringList{"--verify", "-p"} << QStringList{};
    QTest::newRow("a command's option before it")
        << QStringList{"--save", "out", "displays"} << ""
        << "displays" << QStringList{} << QStringList{"save=out"};
    QTest::newRow("--save=DIR") << QStringList{"displays", "--save=a=b"} << ""
                                << "displays" << QStringList{} << QStringList{"save=a=b"};
    // --help needs nothing else: upload's missing FILE is no error there.
    QTest::newRow("command --help") << QStringList{"upload", "--help"} << ""
                                    << "upload" << QStringList{} << QStringList{};
    QTest::newRow("--help and an unknown word") << QStringList{"-h", "flash"} << ""
                                                << "" << QStringList{} << QStringList{};
}

void TstCliArgs::accepted() {
    QFETCH(QStringList, args);
    const ParsedArgs p = ParseArguments(args);
    QVERIFY2(p.args, qPrintable(p.error));
    QTEST(p.args->port, "port");
    QTEST(p.args->command, "command");
    QTEST(p.args->operands, "operands");
    QStringList options;
    for (auto it = p.args->options.cbegin(); it != p.args->options.cend(); ++it)
        options << (it.value().isEmpty() ? it.key() : it.key() + QLatin1Char('=') + it.value());
    QTEST(options, "options");
}

void TstCliArgs::refused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");

    QTest::newRow("only options") << QStringList{"--json", "-p", "x"} << "no command given";
    QTest::newRow("unknown option") << QStringList{"info", "--bogus"} << "unknown option --bogus";
    QTest::newRow("no compacted short options")
        << QStringList{"-vp", "x", "info"} << "unknown option -vp";
    QTest::newRow("a long name after one dash")
        << QStringList{"-verbose", "info"} << "unknown option -verbose";
    QTest::newRow("short option with =") << QStringList{"-p=x", "info"} << "unknown option -p=x";
    QTest::newRow("empty value") << QStringList{"--port=", "info"} << "option --port needs a value";
    QTest::newRow("value missing at the end")
        << QStringList{"info", "-p"} << "option -p needs a value";
    QTest::newRow("flag given a value")
        << QStringList{"--json=yes", "info"} << "option --json needs a value";
    QTest::newRow("no operands") << QStringList{"ports", "x"} << "ports takes no operands";
    QTest::newRow("too many") << QStringList{"import-hex", "a", "b", "c"}
                              << "import-hex takes TEXT|FILE|- OUT";
    QTest::newRow("another command's option before it")
        << QStringList{"--save", "d", "ports"} << "--save belongs to displays";
    QTest::newRow("stored is only downloaded") << QStringList{"compare", "a.bin", "stored"}
                                               << "the Stored EDID is read with download only";
}

void TstCliArgs::refused() {
    QFETCH(QStringList, args);
    const ParsedArgs p = ParseArguments(args);
    QVERIFY(!p.args);
    QTEST(p.error, "error");
}

void TstCliArgs::tableMatchesManPageAndHelp() {
    const QString source = qEnvironmentVariable("VARNOK_SOURCE_DIR");
    const QString page = QString::fromUtf8(ReadAll(source + QStringLiteral("/cli/varnok-cli.1")));
    const QString readme = QString::fromUtf8(ReadAll(source + QStringLiteral("/README.md")));
    const QString usage = UsageText();
    QStringList commands;
    QMap<QString, QString> valueNames;  // an option's name alone tells whether it takes a value
    for (const CliCommandSpec& c : CommandTable()) {
        commands << CommandSynopsis(c);
        QVERIFY2(HasEntry(usage, UsageSynopsis(c, 77)) && readme.contains(commands.last()), c.name);
        const QString own = CommandUsageText(QLatin1String(c.name));
        QVERIFY2(own.contains(QStringLiteral(" [--verbose] ") + commands.last() + '\n'), c.name);
        for (const CliOptionSpec& o : c.options) {
            QVERIFY2(HasEntry(own, OptionSynopsis(o, false)), o.name);
            const QString value = QLatin1String(o.valueName ? o.valueName : "-");
            QCOMPARE(valueNames.value(QLatin1String(o.name), value), value);
            valueNames[QLatin1String(o.name)] = value;
        }
    }
    QStringList options;
    for (const CliOptionSpec& o : GlobalOptions()) {
        options << OptionSynopsis(o, true);
        QVERIFY2(HasEntry(usage, options.last()) && !valueNames.contains(o.name), o.name);
    }
    // Names, operands and options, in the table's order: "upload FILE [--verify]".
    QCOMPARE(ManTags(page, QStringLiteral("COMMANDS")), commands);
    QCOMPARE(ManTags(page, QStringLiteral("OPTIONS")), options);
    for (const QString& line : usage.split(QLatin1Char('\n')))
        QVERIFY2(line.size() < 80, qPrintable(line));
    // None of today's commands has an optional or a repeated operand; the next ones may.
    const OperandCount optional = CountOperands("A [B]"), repeated = CountOperands("A [B...]");
    QVERIFY(optional.min == 1 && optional.max == 2 && repeated.min == 1 && repeated.max == -1);
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
