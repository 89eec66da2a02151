// varnok-emu: one emulated EDID device on a pseudo-terminal. Prints the path a host opens (one
// line) and serves until SIGTERM, SIGINT or SIGHUP.

#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

// C-style escapes in texts given on the command line: \r \n \t \0 \\ \xHH.
QByteArray unescape(const QString& text) {
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out.append(in[i]);
            continue;
        }
        const char c = in[++i];
        if (c == 'r')
            out.append('\r');
        else if (c == 'n')
            out.append('\n');
        else if (c == 't')
            out.append('\t');
        else if (c == '0')
            out.append('\0');
        else if (c == 'x' && i + 2 < in.size()) {
            out.append(char(in.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else
            out.append(c);
    }
    return out;
}

int fail(const QString& message) {
    std::fprintf(stderr, "varnok-emu: %s\n", qPrintable(message));
    return 2;
}

bool readFile(const QString& path, QByteArray* out, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    *out = f.readAll();
    if (out->isEmpty()) {
        *error = QStringLiteral("%1 is empty").arg(path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnok-emu"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Emulated EDID device on a pseudo-terminal. Prints the slave path and serves until "
        "terminated."));
    p.addHelpOption();
    const QCommandLineOption mode({"m", "mode"}, "api (default) or isp.", "mode", "api");
    const QCommandLineOption id("id", "Manufacturer ID answered to code 9.", "text", "QEV");
    const QCommandLineOption model("model", "Model name answered to code 1.", "text", "VK-01");
    const QCommandLineOption version("fw-version", "Version answered to code 2.", "text", "1.23");
    const QCommandLineOption edidMode("edid-mode", "Initial EDID mode (0, 2, 3).", "n", "0");
    const QCommandLineOption internal("internal", "Internal EDID file.", "file");
    const QCommandLineOption external("external", "External EDID file.", "file");
    const QCommandLineOption user("user", "User EDID file.", "file");
    const QCommandLineOption stored("stored", "Stored EDID file.", "file");
    const QCommandLineOption banner("isp-banner", "ISP banner text (escapes \\r \\n \\xHH).",
                                    "text", "ISP BOOT\\r\\n");
    const QCommandLineOption interval("isp-interval", "Banner interval in ms.", "ms", "50");
    const QCommandLineOption variant("isp-variant", "ISP loader variant.", "n", "0");
    const QCommandLineOption info("isp-info", "ISP identification text.", "text",
                                  "VK-01 ISP Loader");
    const QCommandLineOption rom("rom", "Initial ROM image file.", "file");
    const QCommandLineOption romDump("rom-dump", "Write the ROM here on exit.", "file");
    const QCommandLineOption userDump("user-dump", "Write the User EDID store here on exit.",
                                      "file");
    const QCommandLineOption fault("fault",
                                   "Fault rule KIND[:VALUE][@CODE][,after=N][,times=N]; KIND is "
                                   "silent, wrong-lead, partial, slow, flood, corrupt, hangup, "
                                   "insert, stray, stop-after or hangup-after. Repeatable.",
                                   "rule");
    const QCommandLineOption pace("pace", "Pace both directions like a 57600 baud line.");
    const QCommandLineOption baud("baud", "Baud rate for --pace.", "n", "57600");
    const QCommandLineOption dataTimeout("data-timeout", "Drop a frame silent this long.", "ms",
                                         "1000");
    const QCommandLineOption log("log", "Append every received frame to this file.", "file");
    p.addOptions({mode,    id,     model,  version,  edidMode,    internal, external,
                  user,    stored, banner, interval, variant,     info,     rom,
                  romDump, fault,  pace,   baud,     dataTimeout, log,      userDump});
    p.process(app);

    EmulatorConfig c;
    if (p.value(mode) == QLatin1String("isp"))
        c.mode = EmulatorConfig::Mode::Isp;
    else if (p.value(mode) != QLatin1String("api"))
        return fail(QStringLiteral("unknown mode '%1'").arg(p.value(mode)));
    c.manufacturerId = unescape(p.value(id));
    c.modelName = unescape(p.value(model));
    c.version = unescape(p.value(version));
    c.edidMode = static_cast<uint8_t>(p.value(edidMode).toUInt());
    const QCommandLineOption* storeOptions[kEmuStoreCount] = {&internal, &external, &user, &stored};
    QString error;
    for (int i = 0; i < kEmuStoreCount; ++i)
        if (p.isSet(*storeOptions[i]) && !readFile(p.value(*storeOptions[i]), &c.stores[i], &error))
            return fail(error);
    c.ispBanner = unescape(p.value(banner));
    c.ispBannerIntervalMs = p.value(interval).toInt();
    c.ispVariant = p.value(variant).toInt();
    c.ispInfo = unescape(p.value(info));
    if (p.isSet(rom) && !readFile(p.value(rom), &c.rom, &error)) return fail(error);
    c.romDumpPath = p.value(romDump);
    for (const QString& text : p.values(fault)) {
        const auto rule = parseFaultRule(text, &error);
        if (!rule) return fail(error);
        c.faults.push_back(*rule);
    }
    c.wirePacing = p.isSet(pace);
    c.baud = p.value(baud).toInt();
    c.dataTimeoutMs = p.value(dataTimeout).toInt();
    c.logPath = p.value(log);

    // The signals are taken with sigwait below; blocked before the device thread starts so that
    // the thread inherits the mask and never receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    EmulatedDevice device(c);
    if (!device.start(&error)) return fail(error);
    std::printf("%s\n", qPrintable(device.slavePath()));
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    device.stop();
    if (p.isSet(userDump)) {
        // What a host uploaded, for a test that drives a host program it cannot look into.
        QFile out(p.value(userDump));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(device.store(EmuStore::User)) != kEmuEdidSize)
            return fail(QStringLiteral("cannot write %1").arg(p.value(userDump)));
    }
    return 0;
}
