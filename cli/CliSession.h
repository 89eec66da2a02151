#pragma once
// One connection of varnok-cli to the device, found as the window's Search finds it: the same
// probe (code 9, the ID "QEV", the ISP banner) and the same connect steps (model name, firmware
// version, EDID mode), port by port in the system's order. With --port only that port is tried.
//
// The pauses of the search end as soon as their answer is complete (a device answers the probe
// within about 2 ms at 57600 baud; the window waits 360 ms), and the answer to the mode query is
// awaited before a command starts, so that it cannot land in that command's answer. A silent or
// foreign port still gets the window's whole pause.
//
// Ports come from the system, or from VARNOK_PORTS (NAME=PATH,...), which tests and labs set to
// list emulated devices instead of the machine's ports; the user's named network ports follow.

#include <QList>
#include <QPair>
#include <QString>
#include <memory>
#include <optional>

#include "cli/CliArgs.h"
#include "cli/CliInterrupt.h"
#include "cli/CliViews.h"
#include "device/DeviceSearch.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"

namespace varnok {
struct OutcomeText;
}

namespace varnok::cli {

// (name, path) of every port to consider: VARNOK_PORTS when set, else the system's list; then
// the user's named network ports (NetworkPortStore) whose names are not taken.
QList<QPair<QString, QString>> ListPorts();

// The port that --port names: a path is used as it stands; a name is looked up in the list and
// otherwise opened as the platform opens a plain name.
QPair<QString, QString> ResolvePort(const QString& port);

class CliSession {
public:
    explicit CliSession(CliViews& views);
    ~CliSession();

    enum class State { NotFound, Connected, Isp };

    // Searches the given ports (all listed ports when empty) and keeps the device's port.
    State connect(const QList<QPair<QString, QString>>& ports);
    // Without a device: exit status and words for the result (port error, no device, ...);
    // `portAsked` when only the port of --port was tried.
    ExitStatus failureStatus(bool portAsked, OutcomeText* message) const;

    DeviceLink& link() { return *link_; }
    const DeviceSearch& search() const { return *search_; }

    QString portName() const { return portName_; }
    QString portPath() const { return portPath_; }
    const QString& modelName() const { return modelName_; }
    const QString& firmwareVersion() const { return firmwareVersion_; }
    std::optional<uint8_t> edidMode() const { return edidMode_; }
    // True while the port the command started on is still held (no Disconnect since).
    bool connected() const;

    void disconnect();

private:
    CliViews& views_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<FixedPortLister> ports_;
    std::unique_ptr<DeviceSearch> search_;
    QString portName_;
    QString portPath_;
    QString modelName_;
    QString firmwareVersion_;
    std::optional<uint8_t> edidMode_;
    std::unique_ptr<CliInterrupt> interrupt_;  // Ctrl+C stops the operation on this connection
};

}  // namespace varnok::cli
