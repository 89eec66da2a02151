#pragma once
// The command line of varnok-cli: global options, one command and its operands, the exit
// statuses, and the usage text that documents both.
//
//   varnok-cli [--port PORT] [--json] [--verbose] COMMAND [ARGS]
//
// Options may stand before or after the command; "--" ends them (an operand that starts with
// "-" follows it); a lone "-" is an operand (standard input for import-hex).

#include <QString>
#include <QStringList>
#include <optional>

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
    QString command;
    QStringList operands;
    bool probe = false;   // ports --probe
    bool verify = false;  // upload --verify
    QString saveDir;      // displays --save DIR
};

struct ParsedArgs {
    std::optional<CliArgs> args;
    QString error;  // why the command line was refused, when args is empty
};

// Parses the arguments after the program name and checks each command's operands and options.
ParsedArgs ParseArguments(const QStringList& arguments);

// The --help text: synopsis, commands, options, exit statuses, environment.
QString UsageText();

// The device sources a command accepts in place of a file: internal, external, user, and for
// download also stored. An operand that names a file with such a name is written ./internal.
bool IsDeviceSourceWord(const QString& word);

}  // namespace varnok::cli
