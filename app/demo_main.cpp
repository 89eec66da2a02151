// varnok-demo: the same window with an emulated device on a pseudo-terminal, listed as the only
// serial port, so Varnok can be tried without hardware. "--isp" starts the device in its ISP
// (firmware-loading) mode instead; "--isp029" in ISP mode with the "ISP029" loader.
#include <QCommandLineParser>
#include <cstdio>

#include "app/QtDialogs.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/PortListers.h"
#include "tools/emu/EmulatedDevice.h"

int main(int argc, char** argv) {
    varnok::VarnokApplication app(argc, argv);
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("Varnok with an emulated EDID device"));
    cli.addHelpOption();
    QCommandLineOption isp(QStringLiteral("isp"), QStringLiteral("Start the device in ISP mode."));
    QCommandLineOption isp029(
        QStringLiteral("isp029"),
        QStringLiteral("Start the device in ISP mode with the ISP029 loader."));
    cli.addOption(isp);
    cli.addOption(isp029);
    cli.process(app);

    varnok::EmulatorConfig config;
    if (cli.isSet(isp) || cli.isSet(isp029)) {
        config.mode = varnok::EmulatorConfig::Mode::Isp;
        if (cli.isSet(isp029)) {
            config.ispVariant = 1;
            config.ispBanner = "ISP029 BOOT\r\n";
        }
    }
    varnok::EmulatedDevice device(config);
    QString error;
    if (!device.start(&error)) {
        std::fprintf(stderr, "varnok-demo: the emulated device could not start: %s\n",
                     qPrintable(error));
        return 1;
    }
    auto ports = std::make_unique<varnok::FixedPortLister>();
    ports->addPort(QStringLiteral("Emulated"), device.slavePath());
    varnok::TForm1 form(std::make_unique<varnok::QtDialogs>(nullptr), std::move(ports));
    form.setWindowTitle(QStringLiteral("Varnok"));
    form.show();
    const int rc = app.exec();
    device.stop();
    return rc;
}
