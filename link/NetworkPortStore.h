#pragma once
// The user's named network ports (tcp:// and rfc2217://), remembered per user in one settings
// file that the window and varnok-cli both read: <config>/Varnok/network-ports.ini (on Linux
// ~/.config/Varnok/network-ports.ini, on Windows %APPDATA%\Varnok\network-ports.ini). The order
// of the entries is the order in which the search probes them, after the machine's own ports.
//
// NetworkPortLister lists them after another lister's ports: a name the user gave opens its
// address, and that name is the one the search, the link label and the status bar show.

#include <QList>
#include <QString>
#include <memory>

#include "link/SerialPort.h"

namespace varnok {

struct NetworkPortEntry {
    QString name;     // as the user named it: "Rack 7"
    QString address;  // tcp://HOST:PORT or rfc2217://HOST:PORT
    bool operator==(const NetworkPortEntry&) const = default;
};

// Why the entry cannot be kept beside the others, in words ("the address: no port number"); empty
// when it can. A name must be new among the others and free of ',', '=', '/' and '\' (varnok-cli
// takes NAME=PATH lists and treats a name with a slash as a path).
QString NetworkPortEntryProblem(const NetworkPortEntry& entry,
                                const QList<NetworkPortEntry>& others);

class NetworkPortStore {
public:
    // The user's store.
    NetworkPortStore();
    // A store in this file (tests).
    explicit NetworkPortStore(const QString& iniPath);

    QString location() const { return path_; }
    // The entries in their order; an entry that fails NetworkPortEntryProblem (a file edited by
    // hand) is left out.
    QList<NetworkPortEntry> load() const;
    // Replaces the stored list; false with the reason in *error when the file cannot be written
    // or an entry fails NetworkPortEntryProblem (then nothing changes).
    bool save(const QList<NetworkPortEntry>& entries, QString* error = nullptr) const;

private:
    QString path_;
};

class NetworkPortLister : public PortLister {
public:
    NetworkPortLister(std::unique_ptr<PortLister> local, NetworkPortStore store);

    // The local ports, then the stored network ports whose names no local port has.
    QStringList ListSerialPorts() override;
    QString pathFor(const QString& name) const override;
    std::unique_ptr<SerialPort> createPort(const QString& path) override;
    NetworkPortStore* networkPorts() override { return &store_; }

private:
    std::unique_ptr<PortLister> local_;
    NetworkPortStore store_;
    QList<NetworkPortEntry> listed_;  // the network ports of the last listing
};

}  // namespace varnok
