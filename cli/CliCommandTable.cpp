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

// export names the system first.
QString ExportSystem(const QStringList& operands) {
    if (operands[0] == QLatin1String("linux") || operands[0] == QLatin1String("windows")) return {};
    return QStringLiteral("unknown system '%1' (linux or windows)").arg(operands[0]);
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
     .help = "use only this port: a name as the system lists it, a path such as /dev/ttyUSB0, "
             "or a network port tcp://HOST:PORT or rfc2217://HOST:PORT; without it the device "
             "is searched as the window's Search does"},
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
    {.name = "check", .help = "refuses an EDID with an error (as check finds them) before sending"},
};
constexpr CliOptionSpec kDisplaysOptions[] = {
    {.name = "save", .valueName = "DIR", .help = "writes each to DIR/CONNECTOR.bin"},
};
constexpr CliOptionSpec kTimingOptions[] = {
    {.name = "method",
     .valueName = "METHOD",
     .help = "dmt, vic, cvt, rb1, rb2, rb3, gtf or ovt; without it the DMT, else the VIC, else "
             "CVT"},
    {.name = "video-rate", .help = "the rate x 1000/1001 (59.94 for 60)"},
    {.name = "interlaced", .help = "an interlaced timing; H is the whole frame"},
    {.name = "reduced-blanking", .help = "dmt: the reduced-blanking timing where there are two"},
    {.name = "rb3-hblank", .valueName = "PIXELS", .help = "rb3: horizontal blanking, 80..200"},
    {.name = "rb3-vblank", .valueName = "US", .help = "rb3: least vertical blanking, 460..705"},
    {.name = "early-vsync", .help = "rb3: the vertical sync early in the blanking"},
    {.name = "chain-mhz",
     .valueName = "MHZ",
     .help = "a row for the TMDS clock your chain carries"},
};
constexpr CliOptionSpec kEditOptions[] = {
    {.name = "name", .valueName = "TEXT", .help = "the monitor name, up to 13 characters"},
    {.name = "serial", .valueName = "N", .help = "the serial number, 0..4294967295"},
    {.name = "product", .valueName = "N", .help = "the product code, 0..65535"},
    {.name = "preferred",
     .valueName = "TIMING",
     .help = "WxH@HZ[:METHOD] becomes the first detailed timing"},
    {.name = "add-timing", .valueName = "TIMING", .help = "adds WxH@HZ[:METHOD]"},
    {.name = "remove-timing", .valueName = "N", .help = "removes detailed timing N (1 = first)"},
    {.name = "remove-block",
     .valueName = "KIND",
     .help = "removes each CTA-861 data block of KIND (video, audio, speaker, hdmi, hdmi-forum, "
             "colorimetry, hdr-static, vcdb, ...)"},
    {.name = "max-tmds", .valueName = "MHZ", .help = "the HDMI VSDB's Max TMDS Clock"},
    {.name = "range-limits",
     .valueName = "LIMITS",
     .help = "VMIN-VMAX:HMIN-HMAX:CLOCK in Hz, kHz, MHz, e.g. 24-75:30-160:600"},
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
    {.name = "check",
     .operands = "FILE|SOURCE",
     .help = "errors and edid-decode's notes, one a line; exit 3 when there is an error",
     .run = RunCheck},
    {.name = "fix",
     .operands = "IN OUT",
     .help = "IN with its checksums and extension count made right, to OUT",
     .run = RunFix},
    {.name = "fit",
     .operands = "IN OUT",
     .help = "IN made an EDID of 256 bytes the device holds, to OUT; lists what was dropped",
     .run = RunFit},
    {.name = "export",
     .operands = "SYSTEM IN OUTDIR",
     .help = "IN as an override for linux (NAME.bin) or windows (NAME.inf), in OUTDIR",
     .run = RunExport,
     .checkOperands = ExportSystem},
    {.name = "firmware",
     .operands = "FILE",
     .help = "programs a device in ISP mode with FILE, each page read back",
     .run = RunFirmware},
    {.name = "timing",
     .operands = "W H HZ",
     .options = kTimingOptions,
     .help = "a timing by its method, its X modeline, whether a detailed timing holds it, and "
             "the links that carry it",
     .run = RunTiming},
    {.name = "edit",
     .operands = "IN OUT",
     .options = kEditOptions,
     .help = "IN with the edits applied in the order given, every other byte kept, to OUT",
     .run = RunEdit},
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

QString UsageSynopsis(const CliCommandSpec& command, int width) {
    const QString whole = CommandSynopsis(command);
    if (whole.size() <= width) return whole;
    QString text = QLatin1String(command.name);
    if (*command.operands) text += QLatin1Char(' ') + QLatin1String(command.operands);
    return text + QStringLiteral(" [OPTIONS]");
}

ExitStatus RunCommand(CliRun& run) {
    if (const CliCommandSpec* command = FindCommand(run.args.command)) return command->run(run);
    return run.fail(ExitStatus::Usage,
                    QStringLiteral("unknown command '%1'").arg(run.args.command));
}

}  // namespace varnok::cli
