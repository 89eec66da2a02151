// varnok-cli: the device and EDID files from the command line. See CliArgs.h for the command
// line, CliCommandTable.h for its commands and varnok-cli(1) for the whole story.

#include <QCoreApplication>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define VARNOK_ISATTY _isatty
#define VARNOK_FILENO _fileno
#else
#include <unistd.h>
#define VARNOK_ISATTY isatty
#define VARNOK_FILENO fileno
#endif

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliOutput.h"
#include "cli/CliViews.h"

using namespace varnok::cli;

int main(int argc, char** argv) {
    // Qt Core only: no display is needed, and the operations' pauses run nested event loops.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnok-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    const ParsedArgs parsed = ParseArguments(app.arguments().mid(1));
    const bool json = parsed.args ? parsed.args->json : app.arguments().contains("--json");
    CliConsole console(stderr, parsed.args && parsed.args->verbose,
                       VARNOK_ISATTY(VARNOK_FILENO(stderr)) != 0);
    if (!parsed.args) {
        CliOutput out(stdout, json, {});
        console.error(parsed.error);
        std::fputs("Try 'varnok-cli --help'.\n", stderr);
        return out.finish(ExitStatus::Usage, parsed.error);
    }
    const CliArgs& args = *parsed.args;
    if (args.help) {
        const QString usage = args.command.isEmpty() ? UsageText() : CommandUsageText(args.command);
        std::fputs(usage.toUtf8().constData(), stdout);
        return 0;
    }
    if (args.version) {
        std::printf("varnok-cli %s\n", PROJECT_VERSION);
        return 0;
    }

    CliOutput out(stdout, args.json, args.command);
    CliViews views(console);
    CliRun run{args, console, views, out, {}};
    const ExitStatus status = RunCommand(run);
    console.endProgress();
    if (const int signal = CliInterrupt::caught()) {
        // The operation was stopped before its next frame: whatever it says of itself, the run
        // ends as interrupted.
        const QString words = QStringLiteral(
            "interrupted: the operation stopped before its next frame (an unfinished "
            "read writes no file; an unfinished upload leaves the device part of the "
            "new EDID)");
        console.error(words);
        out.set(QStringLiteral("interrupted"), true);
        // The JSON status is the exit status, 128 + the signal's number.
        return out.finish(ExitStatus(128 + signal), words);
    }
    if (status != ExitStatus::Ok) console.error(run.message);
    return out.finish(status, run.message);
}
