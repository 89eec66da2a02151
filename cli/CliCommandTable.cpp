#include "cli/CliCommandTable.h"

#include "cli/CliCommands.h"

namespace varnok::cli {
namespace {

// download names the device's EDID it saves; only a source word does.
QString DeviceSourceOnly(const QStringList& operands) {
    if (IsDeviceSourceWord(operands[0])) return {};
    return QStringLiteral("unknown source '%1' (internal, external, user or stored)")
        .arg(operands[0]);
}

// The analyzer reads Internal, External and User; the Stored EDID is only downloaded.
QString NotStored(const QStringList& operands) {
    if (!operands.contains(QLatin1String("stored"))) return {};
    return QStringLiteral("the Stored EDID is read with download only");
}

constexpr CliOptionSpec kGlobalOptions[] = {
    {.name = "port",
     .shortName = 'p',
     .valueName = "PORT",
     .help = "use only this port: a name as the system lists it, or a path such as /dev/ttyUSB0; "
             "without it the device is searched as the window's Search does"},
    {.name = "json", .help = "one JSON object on stdout"},
    {.name = "verbose",
     .shortName = 'v',
     .help = "the debug log on stderr, as the window writes it"},
    {.name = "help", .shortName = 'h', .help = "this text; after a command, that command's usage"},
    {.name = "version", .help = "the version"},
};

constexpr CliOptionSpec kPortsOptions[] = {
    {.name = "probe", .help = "which ports answer as the device (model, version)"},
};
constexpr CliOptionSpec kUploadOptions[] = {
    {.name = "verify", .help = "then reads the User EDID back, compares all 256 bytes"},
};
constexpr CliOptionSpec kDisplaysOptions[] = {
    {.name = "save", .valueName = "DIR", .help = "writes each to DIR/CONNECTOR.bin"},
};

constexpr CliCommandSpec kCommands[] = {
    {.name = "ports",
     .options = kPortsOptions,
     .help = "the serial ports the system lists",
     .run = RunPorts},
    {.name = "info", .help = "model, firmware version and EDID mode of the device", .run = RunInfo},
    {.name = "download",
     .operands = "SOURCE FILE",
     .help = "the EDID of SOURCE (internal|external|user|stored) to FILE",
     .run = RunDownload,
     .checkOperands = DeviceSourceOnly},
    {.name = "upload",
     .operands = "FILE",
     .options = kUploadOptions,
     .help = "FILE becomes the User EDID and the mode User",
     .run = RunUpload},
    {.name = "analyze",
     .operands = "SOURCE|FILE",
     .help = "the analyzer's fourteen rows (Caption<TAB>Value)",
     .run = RunAnalyze,
     .checkOperands = NotStored},
    {.name = "bytes",
     .operands = "SOURCE|FILE",
     .help = "hex dump, as edid-decode reads it",
     .run = RunBytes,
     .checkOperands = NotStored},
    {.name = "compare",
     .operands = "A B",
     .help = "rows and bytes that differ; A, B: files or sources",
     .run = RunCompare,
     .checkOperands = NotStored},
    {.name = "import-hex",
     .operands = "TEXT|FILE|- OUT",
     .help = "hex text (plain hex, edid-decode's output, xrandr --verbose, a C array, a dump, a "
             "registry export) to a .bin file of its size; FILE or - reads it from there",
     .run = RunImportHex},
    {.name = "displays",
     .options = kDisplaysOptions,
     .help = "the EDIDs of this computer's displays",
     .run = RunDisplays},
    {.name = "firmware",
     .operands = "FILE",
     .help = "programs a device in ISP mode with FILE, each page read back",
     .run = RunFirmware},
};

}  // namespace

std::span<const CliCommandSpec> CommandTable() {
    return kCommands;
}

std::span<const CliOptionSpec> GlobalOptions() {
    return kGlobalOptions;
}

const CliCommandSpec* FindCommand(const QString& name) {
    for (const CliCommandSpec& command : kCommands)
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

OperandCount CountOperands(const char* operands) {
    OperandCount count;
    const QStringList names =
        QString::fromLatin1(operands).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        const bool optional = name.startsWith(QLatin1Char('['));
        const bool repeated = name.contains(QLatin1String("..."));
        if (!optional) ++count.min;
        if (count.max >= 0) count.max = repeated ? -1 : count.max + 1;
    }
    return count;
}

QString OptionSynopsis(const CliOptionSpec& option, bool withShort) {
    QString text = QStringLiteral("--") + QLatin1String(option.name);
    if (withShort && option.shortName)
        text = QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName)) + text;
    if (option.valueName) text += QLatin1Char(' ') + QLatin1String(option.valueName);
    return text;
}

QString CommandSynopsis(const CliCommandSpec& command) {
    QString text = QLatin1String(command.name);
    if (*command.operands) text += QLatin1Char(' ') + QLatin1String(command.operands);
    for (const CliOptionSpec& option : command.options)
        text += QStringLiteral(" [%1]").arg(OptionSynopsis(option, false));
    return text;
}

ExitStatus RunCommand(CliRun& run) {
    if (const CliCommandSpec* command = FindCommand(run.args.command)) return command->run(run);
    return run.fail(ExitStatus::Usage,
                    QStringLiteral("unknown command '%1'").arg(run.args.command));
}

}  // namespace varnok::cli
