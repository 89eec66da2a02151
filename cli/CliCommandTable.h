#pragma once
// The commands of varnok-cli, each declared once: its name, its operands, its options, its
// one-line help and the function that runs it. The parser (CliArgs.cpp), --help, the dispatch
// (RunCommand) and the check of varnok-cli(1) in tst_cli_args all read this table.
//
// A command is added as one entry of kCommands in CliCommandTable.cpp and its run function
// (declared in CliCommands.h), for example:
//
//   constexpr CliOptionSpec kExportOptions[] = {
//       {.name = "format", .valueName = "FORM", .help = "bin, hex or c"}};
//   {.name = "export",
//    .operands = "SOURCE|FILE OUT",
//    .options = kExportOptions,
//    .help = "an EDID as a .bin file, hex text or a C array",
//    .run = RunExport},
//
// RunExport reads run.args.operands and run.args.value(u"format"); the parser has then already
// refused a wrong operand count, --format on any other command, and --format without a value.
// The command's line in varnok-cli(1) is "export SOURCE|FILE OUT [--format FORM]", which the test
// compares with the table.

#include <QString>
#include <QStringList>
#include <span>

#include "cli/CliArgs.h"

namespace varnok::cli {

struct CliRun;

struct CliOptionSpec {
    const char* name;                 // the long name without its dashes: "save" for --save
    char shortName = 0;               // 'p' for -p; 0 when there is none
    const char* valueName = nullptr;  // "DIR" for --save DIR; nullptr for a flag
    const char* help = "";            // one line
};

struct CliCommandSpec {
    // The word on the command line.
    const char* name;
    // One name an operand, for the synopsis and the usage error ("SOURCE FILE", "TEXT|- OUT");
    // the count follows from it: "[NAME]" is optional, "NAME..." one or more. Empty: none.
    const char* operands = "";
    std::span<const CliOptionSpec> options = {};
    const char* help;  // one line
    ExitStatus (*run)(CliRun&);
    // What the operands must be beyond their count (a source word, ...): the words of a usage
    // error, or empty when they are fine. Optional.
    QString (*checkOperands)(const QStringList& operands) = nullptr;
};

// Every command, in the order of --help and varnok-cli(1).
std::span<const CliCommandSpec> CommandTable();
// --port, --json, --verbose, --help, --version: they stand before or after any command.
std::span<const CliOptionSpec> GlobalOptions();

// The command named `name`; nullptr when there is none.
const CliCommandSpec* FindCommand(const QString& name);

// How many operands a command takes (max -1: no bound).
struct OperandCount {
    int min = 0;
    int max = 0;
};
OperandCount CountOperands(const char* operands);

// "--save DIR", "-p, --port PORT" (withShort) or "--json".
QString OptionSynopsis(const CliOptionSpec& option, bool withShort);
// "displays [--save DIR]", "download SOURCE FILE", "upload FILE [--verify]".
QString CommandSynopsis(const CliCommandSpec& command);
// The synopsis as --help lists it: whole when it fits a line of `width`, else
// "edit IN OUT [OPTIONS]" (the options follow it there, one a line).
QString UsageSynopsis(const CliCommandSpec& command, int width);

}  // namespace varnok::cli
