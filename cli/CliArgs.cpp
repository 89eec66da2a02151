#include "cli/CliArgs.h"

#include <array>

namespace varnok::cli {
namespace {

struct CommandRule {
    const char* name;
    int operands;
    const char* synopsis;  // the operands, for the error message
    bool probe;
    bool verify;
    bool save;
};

constexpr std::array<CommandRule, 10> kCommands{{
    {"ports", 0, "", true, false, false},
    {"info", 0, "", false, false, false},
    {"download", 2, "SOURCE FILE", false, false, false},
    {"upload", 1, "FILE", false, true, false},
    {"analyze", 1, "SOURCE|FILE", false, false, false},
    {"bytes", 1, "SOURCE|FILE", false, false, false},
    {"compare", 2, "A B", false, false, false},
    {"import-hex", 2, "TEXT|- OUT", false, false, false},
    {"displays", 0, "", false, false, true},
    {"firmware", 1, "FILE", false, false, false},
}};

const CommandRule* FindCommand(const QString& name) {
    for (const CommandRule& rule : kCommands)
        if (name == QLatin1String(rule.name)) return &rule;
    return nullptr;
}

ParsedArgs Refuse(const QString& error) {
    return {std::nullopt, error};
}

}  // namespace

bool IsDeviceSourceWord(const QString& word) {
    return word == QLatin1String("internal") || word == QLatin1String("external") ||
           word == QLatin1String("user") || word == QLatin1String("stored");
}

ParsedArgs ParseArguments(const QStringList& arguments) {
    CliArgs a;
    QStringList words;  // the command and its operands, in order
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            words << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        // --name=value and --name value are the same.
        QString name = arg;
        std::optional<QString> inlineValue;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            name = arg.left(eq);
            inlineValue = arg.mid(eq + 1);
        }
        auto value = [&](QString* out) -> bool {
            if (inlineValue) {
                *out = *inlineValue;
            } else {
                if (i + 1 >= arguments.size()) return false;
                *out = arguments[++i];
            }
            return !out->isEmpty();
        };
        auto flag = [&](bool* out) {
            *out = true;
            return !inlineValue;
        };
        bool ok = true;
        if (name == QLatin1String("--port") || name == QLatin1String("-p"))
            ok = value(&a.port);
        else if (name == QLatin1String("--save"))
            ok = value(&a.saveDir);
        else if (name == QLatin1String("--json"))
            ok = flag(&a.json);
        else if (name == QLatin1String("--verbose") || name == QLatin1String("-v"))
            ok = flag(&a.verbose);
        else if (name == QLatin1String("--probe"))
            ok = flag(&a.probe);
        else if (name == QLatin1String("--verify"))
            ok = flag(&a.verify);
        else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            ok = flag(&a.help);
        else if (name == QLatin1String("--version"))
            ok = flag(&a.version);
        else
            return Refuse(QStringLiteral("unknown option %1").arg(name));
        if (!ok) return Refuse(QStringLiteral("option %1 needs a value").arg(name));
    }
    if (a.help || a.version) return {a, {}};
    if (words.isEmpty()) return Refuse(QStringLiteral("no command given"));

    a.command = words.takeFirst();
    a.operands = words;
    const CommandRule* rule = FindCommand(a.command);
    if (!rule) return Refuse(QStringLiteral("unknown command '%1'").arg(a.command));
    if (a.operands.size() != rule->operands) {
        const QString synopsis = rule->operands == 0 ? QStringLiteral("no operands")
                                                     : QString::fromLatin1(rule->synopsis);
        return Refuse(QStringLiteral("%1 takes %2").arg(a.command, synopsis));
    }
    if (a.probe && !rule->probe) return Refuse(QStringLiteral("--probe belongs to ports"));
    if (a.verify && !rule->verify) return Refuse(QStringLiteral("--verify belongs to upload"));
    if (!a.saveDir.isEmpty() && !rule->save)
        return Refuse(QStringLiteral("--save belongs to displays"));
    if (a.command == QLatin1String("download") && !IsDeviceSourceWord(a.operands[0]))
        return Refuse(QStringLiteral("unknown source '%1' (internal, external, user or stored)")
                          .arg(a.operands[0]));
    // The analyzer reads Internal, External and User; the Stored EDID is only downloaded.
    const bool readsSource = a.command == QLatin1String("analyze") ||
                             a.command == QLatin1String("bytes") ||
                             a.command == QLatin1String("compare");
    if (readsSource)
        for (const QString& operand : a.operands)
            if (operand == QLatin1String("stored"))
                return Refuse(QStringLiteral("the Stored EDID is read with download only"));
    return {a, {}};
}

QString UsageText() {
    return QStringLiteral(
        "Usage: varnok-cli [--port PORT] [--json] [--verbose] COMMAND [ARGS]\n"
        "\n"
        "Drives the HDMI EDID device over its serial port, and works on EDID files.\n"
        "\n"
        "Commands:\n"
        "  ports [--probe]          the serial ports the system lists; with --probe, which of\n"
        "                           them answer as the device (model, version)\n"
        "  info                     model name, firmware version and EDID mode of the device\n"
        "  download SOURCE FILE     SOURCE: internal | external | user | stored; writes the\n"
        "                           256 bytes to FILE\n"
        "  upload FILE [--verify]   FILE becomes the User EDID and the mode User; --verify then\n"
        "                           reads the User EDID back and compares all 256 bytes\n"
        "  analyze SOURCE|FILE      the analyzer's fourteen rows (Caption<TAB>Value)\n"
        "  bytes SOURCE|FILE        hex dump, as edid-decode reads it\n"
        "  compare A B              A, B: files or sources; rows and byte offsets that differ\n"
        "  import-hex TEXT|- OUT    hex text (plain hex, edid-decode's output, xrandr --verbose,\n"
        "                           a C array) to a .bin file; - reads standard input\n"
        "  displays [--save DIR]    the EDIDs of this computer's displays; --save writes each\n"
        "                           to DIR/CONNECTOR.bin\n"
        "  firmware FILE            check FILE and program a device in ISP mode, with\n"
        "                           read-back verification\n"
        "SOURCE is internal, external or user (analyze, bytes, compare also take a file); a\n"
        "file named like a source is written ./internal.\n"
        "\n"
        "Options:\n"
        "  -p, --port PORT   use only this port: a name as the system lists it, or a path\n"
        "                    such as /dev/ttyUSB0; without it the device is searched as the\n"
        "                    window's Search does\n"
        "  --json            one JSON object on stdout\n"
        "  -v, --verbose     the debug log on stderr, as the window writes it\n"
        "  -h, --help        this text\n"
        "  --version         the version\n"
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  device or file I/O failure (no answer, port error, file not writable)\n"
        "  2  usage error\n"
        "  3  an EDID judged invalid (also a firmware file without its version tag)\n"
        "  4  no device found\n"
        "  5  verification mismatch\n"
        "  6  compare found differences (0 when equal)\n"
        "  130, 143  interrupted by Ctrl+C or SIGTERM while connected: the operation stops\n"
        "     before its next frame (a firmware update runs to its end)\n"
        "\n"
        "Environment:\n"
        "  VARNOK_PORTS    NAME=PATH,... listed instead of the system's serial ports\n"
        "  VARNOK_DRM_DIR  the display tree read by displays (default /sys/class/drm)\n");
}

}  // namespace varnok::cli
