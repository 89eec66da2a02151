#pragma once
// The command line of varnok-cli: global options, one command and its operands, the exit
// statuses, and the usage text that documents both. The commands and their options are those of
// the table in CliCommandTable.h.
//
//   varnok-cli [--port PORT] [--json] [--verbose] COMMAND [ARGS]
//   varnok-cli COMMAND --help
//
// Options may stand before or after the command; "--name=value" and "--name value" are the same;
// "--" ends them (an operand that starts with "-" follows it); a lone "-" is an operand (standard
// input for import-hex).
//
// The parser is a small one of its own rather than QCommandLineParser, which (Qt 6.4) would
// change what is accepted: it takes "--port=" with an empty value, reads "-pCOM3" and "-vp X" as
// compacted short options or, in its other mode, "-verbose" as --verbose; its errors name an
// option without the dashes it was typed with; and it has no options that belong to one command.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace varnok::cli {

// Documented in --help and varnok-cli(1); scripts rely on the numbers.
enum class ExitStatus : int {
    Ok = 0,           // success
    Failure = 1,      // device or file I/O failure: no answer, port error, file not writable
    Usage = 2,        // usage error
    InvalidEdid = 3,  // an EDID judged invalid (also a firmware file without its version tag)
    NoDevice = 4,     // no device found
    Mismatch = 5,     // verification mismatch
    Differs = 6,      // compare found differences
};

struct CliArgs {
    QString port;  // --port: a name as the system lists it, or a path
    bool json = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    QString command;  // with --help, the command whose usage is asked for (or empty)
    QStringList operands;
    // The command's own options, by long name: the value, or empty for a flag.
    QMap<QString, QString> options;
    // The same options in the order given, each repeat kept (edit applies its edits in order).
    QList<std::pair<QString, QString>> optionList;

    // ports --probe: flag(u"probe"); displays --save DIR: value(u"save").
    bool flag(QStringView name) const { return options.contains(name.toString()); }
    QString value(QStringView name) const { return options.value(name.toString()); }
};

struct ParsedArgs {
    std::optional<CliArgs> args;
    QString error;  // why the command line was refused, when args is empty
};

// Parses the arguments after the program name and checks each command's operands and options.
ParsedArgs ParseArguments(const QStringList& arguments);

// The --help text: synopsis, commands, options, exit statuses, environment.
QString UsageText();
// COMMAND --help: the command's synopsis, its help and its options' help.
QString CommandUsageText(const QString& command);

// The device sources a command accepts in place of a file: internal, external, user, and for
// download also stored. An operand that names a file with such a name is written ./internal.
bool IsDeviceSourceWord(const QString& word);

}  // namespace varnok::cli
