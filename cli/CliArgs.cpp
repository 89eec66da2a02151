#include "cli/CliArgs.h"

#include "cli/CliCommandTable.h"
#include "link/NetworkPortName.h"

namespace varnok::cli {
namespace {

// The synopsis before the command, as varnok-cli(1) writes it.
constexpr const char* kSynopsis = "varnok-cli [--port PORT] [--json] [--verbose]";
constexpr int kWidth = 79;
constexpr int kCommandColumn = 27;
constexpr int kOptionColumn = 20;

ParsedArgs Refuse(const QString& error) {
    return {std::nullopt, error};
}

struct FoundOption {
    const CliOptionSpec* spec = nullptr;
    bool global = false;
};

// `typed` is "--name" or "-c". An option of any command is known here: options may stand before
// the command that takes them.
FoundOption FindOption(const QString& typed) {
    auto matches = [&](const CliOptionSpec& o) {
        if (typed.startsWith(QLatin1String("--"))) return typed.mid(2) == QLatin1String(o.name);
        return o.shortName && typed.size() == 2 && typed[1] == QLatin1Char(o.shortName);
    };
    for (const CliOptionSpec& o : GlobalOptions())
        if (matches(o)) return {&o, true};
    for (const CliCommandSpec& c : CommandTable())
        for (const CliOptionSpec& o : c.options)
            if (matches(o)) return {&o, false};
    return {};
}

bool Takes(const CliCommandSpec& command, const QString& option) {
    for (const CliOptionSpec& o : command.options)
        if (option == QLatin1String(o.name)) return true;
    return false;
}

// "ports", or "a, b" when several commands take the option.
QString Owners(const QString& option) {
    QStringList owners;
    for (const CliCommandSpec& c : CommandTable())
        if (Takes(c, option)) owners << QLatin1String(c.name);
    return owners.join(QStringLiteral(", "));
}

// "  tag     help": the help from `column` on, wrapped there at kWidth; a tag that reaches the
// column puts the help on the next line.
void AppendEntry(QString& text, const QString& tag, const QString& help, int column,
                 int indent = 2) {
    QString line = QString(indent, QLatin1Char(' ')) + tag;
    if (!tag.isEmpty() && line.size() + 1 > column) {
        text += line + QLatin1Char('\n');
        line.clear();
    }
    for (const QString& word : help.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (line.size() < column) {
            line = line.leftJustified(column);
        } else if (line.size() + 1 + word.size() > kWidth) {
            text += line + QLatin1Char('\n');
            line = QString(column, QLatin1Char(' '));
        } else if (!line.isEmpty()) {
            line += QLatin1Char(' ');
        }
        line += word;
    }
    text += line + QLatin1Char('\n');
}

}  // namespace

bool IsDeviceSourceWord(const QString& word) {
    return word == QLatin1String("internal") || word == QLatin1String("external") ||
           word == QLatin1String("user") || word == QLatin1String("stored");
}

ParsedArgs ParseArguments(const QStringList& arguments) {
    CliArgs a;
    QStringList words;               // the command and its operands, in order
    QMap<QString, QString> globals;  // the global options given, by long name
    QStringList given;               // the command options, in the order given
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
        const FoundOption found = FindOption(name);
        if (!found.spec) return Refuse(QStringLiteral("unknown option %1").arg(name));
        QString value;
        if (found.spec->valueName) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < arguments.size())
                value = arguments[++i];
        }
        // A value option without its value, or a flag given one.
        if (found.spec->valueName ? value.isEmpty() : inlineValue.has_value())
            return Refuse(QStringLiteral("option %1 needs a value").arg(name));
        const QString key = QLatin1String(found.spec->name);
        if (found.global) {
            globals.insert(key, value);
        } else {
            a.options.insert(key, value);
            a.optionList.append({key, value});
            given << key;
        }
    }
    a.port = globals.value(QStringLiteral("port"));
    // A network port name that cannot be right is a usage error, not a failed connection.
    if (NetworkPortKindOf(a.port)) {
        QString why;
        if (!ParseNetworkPortName(a.port, &why))
            return Refuse(QStringLiteral("%1: %2 (the form is %3)")
                              .arg(a.port, why, NetworkPortForm(*NetworkPortKindOf(a.port))));
    }
    a.json = globals.contains(QStringLiteral("json"));
    a.verbose = globals.contains(QStringLiteral("verbose"));
    a.help = globals.contains(QStringLiteral("help"));
    a.version = globals.contains(QStringLiteral("version"));
    if (a.help || a.version) {
        if (!words.isEmpty() && FindCommand(words[0])) a.command = words[0];
        return {a, {}};
    }
    if (words.isEmpty()) return Refuse(QStringLiteral("no command given"));

    a.command = words.takeFirst();
    a.operands = words;
    const CliCommandSpec* command = FindCommand(a.command);
    if (!command) return Refuse(QStringLiteral("unknown command '%1'").arg(a.command));
    const OperandCount count = CountOperands(command->operands);
    if (a.operands.size() < count.min || (count.max >= 0 && a.operands.size() > count.max)) {
        const QString synopsis = *command->operands ? QString::fromLatin1(command->operands)
                                                    : QStringLiteral("no operands");
        return Refuse(QStringLiteral("%1 takes %2").arg(a.command, synopsis));
    }
    for (const QString& option : given)
        if (!Takes(*command, option))
            return Refuse(QStringLiteral("--%1 belongs to %2").arg(option, Owners(option)));
    if (command->checkOperands)
        if (const QString refusal = command->checkOperands(a.operands); !refusal.isEmpty())
            return Refuse(refusal);
    return {a, {}};
}

QString UsageText() {
    QString text = QStringLiteral(
                       "Usage: %1 COMMAND [ARGS]\n"
                       "       varnok-cli COMMAND --help\n"
                       "\n"
                       "Drives the HDMI EDID device over its serial port, and works on "
                       "EDID files.\n"
                       "\n"
                       "Commands:\n")
                       .arg(QLatin1String(kSynopsis));
    for (const CliCommandSpec& command : CommandTable()) {
        AppendEntry(text, UsageSynopsis(command, kWidth - 2), QLatin1String(command.help),
                    kCommandColumn);
        for (const CliOptionSpec& option : command.options)
            AppendEntry(text, OptionSynopsis(option, false), QLatin1String(option.help),
                        kCommandColumn, 4);
    }
    text += QStringLiteral(
        "SOURCE is internal, external or user (analyze, bytes, compare also take a\n"
        "file); a file named like a source is written ./internal.\n"
        "\n"
        "Options:\n");
    for (const CliOptionSpec& option : GlobalOptions())
        AppendEntry(text, OptionSynopsis(option, true), QLatin1String(option.help), kOptionColumn);
    text += QStringLiteral(
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  device or file I/O failure (no answer, port error, file not writable)\n"
        "  2  usage error\n"
        "  3  an EDID judged invalid (also a firmware file without its version tag)\n"
        "  4  no device found\n"
        "  5  verification mismatch\n"
        "  6  compare found differences (0 when equal)\n"
        "  130, 143  interrupted by Ctrl+C or SIGTERM while connected: the operation\n"
        "     stops before its next frame (a firmware update runs to its end)\n"
        "\n"
        "Environment:\n"
        "  VARNOK_PORTS    NAME=PATH,... listed instead of the system's serial ports\n"
        "  VARNOK_DRM_DIR  the display tree read by displays (default /sys/class/drm)\n"
        "\n"
        "The network ports named in the window (Device > Network Ports...) are listed\n"
        "and searched after the system's.\n");
    return text;
}

QString CommandUsageText(const QString& name) {
    const CliCommandSpec* command = FindCommand(name);
    if (!command) return UsageText();
    QString text =
        QStringLiteral("Usage: %1 %2\n\n").arg(QLatin1String(kSynopsis), CommandSynopsis(*command));
    AppendEntry(text, {}, QLatin1String(command->help), 0, 0);
    if (!command->options.empty()) text += QLatin1Char('\n');
    for (const CliOptionSpec& option : command->options)
        AppendEntry(text, OptionSynopsis(option, false), QLatin1String(option.help), kOptionColumn);
    text += QStringLiteral("\nThe global options and the exit statuses: varnok-cli --help\n");
    return text;
}

}  // namespace varnok::cli
